#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <tuple>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "app/SettingsSlots.h"
#include "saver/FadeShow.h"

namespace {

using testutil::Get;

constexpr COLORREF kWallpaper = RGB(0, 128, 0);

// The screen: a pattern that tells every pixel apart; the wallpaper: plain green.
class FakeDesktop : public DesktopSource {
public:
    std::optional<PlatformImage> CaptureScreen(int, int, int width, int height) override {
        PlatformImage image;
        image.width = width;
        image.height = height;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.pixels.push_back(0xFF000000u | (uint32_t(x & 255) << 16) |
                                       (uint32_t(y & 255) << 8) | 0x40);
            }
        }
        return image;
    }
    std::optional<PlatformImage> DesktopPicture(int width, int height) override {
        PlatformImage image;
        image.width = width;
        image.height = height;
        image.pixels.assign(static_cast<size_t>(width) * height, 0xFF008000);
        return image;
    }
};

// Hands out queued values (then the range's lower end) and records every question.
class ScriptedRandom : public RandomSource {
public:
    void Seed(uint32_t dwSeed) override { seeds.push_back(dwSeed); }
    uint32_t Uniform(uint32_t lo, uint32_t hi) override {
        ranges.push_back({lo, hi});
        if (values.empty()) {
            return lo;
        }
        const uint32_t v = values.front();
        values.pop_front();
        EXPECT_GE(v, lo);
        EXPECT_LE(v, hi);
        return v;
    }
    std::deque<uint32_t> values;
    std::vector<uint32_t> seeds;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
};

// Counts what the picture decoder is asked to read; it reads nothing.
class CountingDecoder : public PictureDecoder {
public:
    std::optional<PlatformImage> Decode(const std::vector<uint8_t>&) override {
        ++calls;
        return std::nullopt;
    }
    int LogicalDpiX() override { return 96; }
    int LogicalDpiY() override { return 96; }
    int calls = 0;
};

class FadeShowTest : public ::testing::Test {
protected:
    ShowServices Services() {
        ShowServices services;
        services.desktop = &m_desktop;
        services.pictures = &m_decoder;
        return services;
    }

    FadeShow& MakeShow(int w = 40, int h = 30) {
        m_pShow = std::make_unique<FadeShow>(
            m_settings, Services(), [this] { return m_dwNow; }, m_random, w, h);
        EXPECT_TRUE(m_pShow->IsReady());
        return *m_pShow;
    }

    void Set(int slot, uint32_t value) { m_settings.SetDWordAt(slot, value); }

    void AddPicture(const std::string& path) {
        if (m_settings.GetStringCount() < FIRST_PICTURE_SLOT) {
            m_settings.SetStringCount(FIRST_PICTURE_SLOT);
        }
        m_settings.SetStringAt(m_settings.GetStringCount(), path);
    }

    // A plain 24-bit BMP of one colour.
    std::string Picture(const std::string& name, int w, int h, COLORREF color) {
        fixtures::BmpOptions o;
        o.width = w;
        o.height = h;
        return m_dir.Write(name, fixtures::MakeBmp(o, [color](int, int) { return color; }));
    }

    DibSurface& Frame() { return m_pShow->Surface(FadeShow::SURFACE_FRAME); }
    DibSurface& Capture() { return m_pShow->Surface(FadeShow::SURFACE_CAPTURE); }

    bool FrameEquals(const DibSurface& other) {
        return std::memcmp(Frame().Bits(), other.Bits(), Frame().GetImageSize()) == 0;
    }

    // The frame the show must show at a level between the captured screen and a scene.
    DibSurface Expected(const DibSurface& scene, int level) {
        DibSurface frame = scene.Duplicate();
        Capture().BlendInto(frame, level);
        return frame;
    }

    // Steps until the show reaches a phase; returns how many steps that took.
    int StepsUntil(int phase) {
        int steps = 0;
        do {
            m_pShow->Step();
            ++steps;
        } while (m_pShow->m_nPhase != phase && steps < 10000);
        return steps;
    }

    SettingsStore m_settings;
    uint32_t m_dwNow = 50000;
    ScriptedRandom m_random;
    FakeDesktop m_desktop;
    CountingDecoder m_decoder;
    fixtures::TempDir m_dir;
    std::unique_ptr<FadeShow> m_pShow;
};

TEST_F(FadeShowTest, FadeLengthsFollowTheStep) {
    // A step beyond 100 (the stored value is unsigned) ends the fade at once instead of running
    // the level backwards.
    const std::tuple<uint32_t, int, int> cases[] = {
        {1, 101, 100}, {3, 34, 99}, {20, 6, 100}, {7, 15, 98}, {100, 2, 100}, {0xFFFFFFFF, 1, 0}};
    for (auto [step, frames, lastLevel] : cases) {
        m_settings = SettingsStore();
        Set(SLOT_FADE_STEP, step);
        Set(SLOT_SINGLE_COLOR, RGB(200, 100, 50));
        FadeShow& show = MakeShow();
        EXPECT_EQ(StepsUntil(FadeShow::PHASE_HOLD), frames) << "step " << step;
        EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
        EXPECT_EQ(show.m_nLevel, 0);
        EXPECT_TRUE(FrameEquals(Expected(show.Surface(FadeShow::SURFACE_SCENE), lastLevel)))
            << "step " << step;
        // The hold (interval 0) ends at the first paint at which the clock has moved on.
        show.Step();
        EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
        ++m_dwNow;
        show.Step();
        ASSERT_EQ(show.m_nPhase, FadeShow::PHASE_FADE_OUT);
        EXPECT_EQ(StepsUntil(FadeShow::PHASE_REST), frames) << "fade-out, step " << step;
        EXPECT_TRUE(FrameEquals(Expected(show.Surface(FadeShow::SURFACE_SCENE), 100 - lastLevel)));
        EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_REST);
    }
}

TEST_F(FadeShowTest, HoldsAndRestsLastTheInterval) {
    Set(SLOT_FADE_STEP, 50);
    Set(SLOT_INTERVAL_SECONDS, 2);
    FadeShow& show = MakeShow();
    StepsUntil(FadeShow::PHASE_HOLD);
    ASSERT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
    EXPECT_EQ(show.m_dwPhaseTick, m_dwNow);
    const DibSurface held = Frame().Duplicate();
    m_dwNow += 2000;
    show.Step();
    EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD) << "exactly the interval is not yet past it";
    EXPECT_TRUE(FrameEquals(held));
    m_dwNow += 1;
    show.Step();
    EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_FADE_OUT);
    EXPECT_TRUE(FrameEquals(held)) << "the paint that ends a hold changes nothing";
    StepsUntil(FadeShow::PHASE_REST);
    ASSERT_EQ(show.m_nPhase, FadeShow::PHASE_REST);
    // Across the tick counter's wrap-around.
    show.m_dwPhaseTick = 0xFFFFFF00u;
    m_dwNow = 0x00000700u;  // 2048 ms later
    show.Step();
    EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_PREPARE);
}

TEST_F(FadeShowTest, PicturesInListOrderThenFromTheStart) {
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    Set(SLOT_FADE_STEP, 100);
    Set(SLOT_PICTURE_PLACEMENT, PLACE_CENTER);
    const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    for (int i = 0; i < 3; ++i) {
        AddPicture(
            Picture(std::string(1, static_cast<char>('a' + i)) += ".bmp", 10, 10, colors[i]));
    }
    FadeShow& show = MakeShow();
    for (int expected : {0, 1, 2, 0, 1}) {
        ASSERT_TRUE(show.PrepareNextScene());
        EXPECT_EQ(show.m_nPictureIndex, expected);
        EXPECT_EQ(Get(show.Surface(FadeShow::SURFACE_SCENE), 20, 15), colors[expected]);
        // Around the picture the scene is the captured screen.
        EXPECT_EQ(Get(show.Surface(FadeShow::SURFACE_SCENE), 2, 3), RGB(2, 3, 0x40));
    }
    EXPECT_TRUE(m_random.ranges.empty()) << "list order draws nothing";

    // The second monitor's show starts one picture further and seeds its own draws.
    FadeShow second(
        m_settings, Services(), [this] { return m_dwNow; }, m_random, 40, 30);
    second.SetShowIndex(1);
    for (int expected : {1, 2, 0}) {
        ASSERT_TRUE(second.PrepareNextScene());
        EXPECT_EQ(second.m_nPictureIndex, expected);
    }
    EXPECT_EQ(m_random.seeds.back(), m_dwNow + 1);
    EXPECT_EQ(m_random.seeds.front(), m_dwNow);
    // A random kind draws one of the three, pictures included.
    Set(SLOT_SCENE_KIND, SCENE_RANDOM);
    m_random.values = {SCENE_BITMAP};
    ASSERT_TRUE(show.PrepareNextScene());
    EXPECT_EQ(Get(show.Surface(FadeShow::SURFACE_SCENE), 20, 15), colors[2]);
}

TEST_F(FadeShowTest, ColoursFixedRandomAndComplementary) {
    Set(SLOT_SCENE_KIND, SCENE_SINGLE_COLOR);
    Set(SLOT_SINGLE_COLOR, RGB(9, 8, 7));
    FadeShow& show = MakeShow();
    show.PrepareNextScene();
    EXPECT_EQ(testutil::Count(show.Surface(FadeShow::SURFACE_SCENE), RGB(9, 8, 7)), 40 * 30);

    Set(SLOT_RANDOM_FLAGS, RANDOM_SINGLE_COLOR);
    m_random.values = {0x00ABCDEF};
    show.PrepareNextScene();
    EXPECT_EQ(m_random.ranges.back(), (std::pair<uint32_t, uint32_t>{0, 0xFFFFFF}));
    EXPECT_EQ(Get(Frame(), 0, 0), 0x00ABCDEFu);

    // Both gradation colours random: the second is the first's complement, with one draw.
    Set(SLOT_SCENE_KIND, SCENE_GRADATION);
    Set(SLOT_RANDOM_FLAGS, RANDOM_GRADATION_COLOR1 | RANDOM_GRADATION_COLOR2);
    m_random.ranges.clear();
    m_random.values = {RGB(0x10, 0x80, 0xFF)};
    show.PrepareNextScene();
    EXPECT_EQ(m_random.ranges.size(), 1u);
    DibSurface expected(40, 30, 24);
    expected.FillGradation(RGB(0x10, 0x80, 0xFF), RGB(0xEF, 0x7F, 0x00), GRADATION_TOP_TO_BOTTOM);
    EXPECT_TRUE(FrameEquals(expected));

    // Only the second random: a draw of its own; neither: the stored colours.
    Set(SLOT_RANDOM_FLAGS, RANDOM_GRADATION_COLOR2);
    Set(SLOT_GRADATION_COLOR1, RGB(1, 1, 1));
    m_random.values = {RGB(50, 60, 70)};
    show.PrepareNextScene();
    expected.FillGradation(RGB(1, 1, 1), RGB(50, 60, 70), GRADATION_TOP_TO_BOTTOM);
    EXPECT_TRUE(FrameEquals(expected));
}

TEST_F(FadeShowTest, UnreadablePicturesFadeToTheWallpaperTryingOncePerFrame) {
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    Set(SLOT_FADE_STEP, 25);
    AddPicture(m_dir.Write("a.gif", {1, 2, 3}));
    AddPicture(m_dir.Write("b.gif", {4, 5, 6}));
    FadeShow& show = MakeShow();
    const DibSurface wallpaper = show.Surface(FadeShow::SURFACE_SCENE).Duplicate();
    for (int frame = 0; frame < 5; ++frame) {
        show.Step();
        EXPECT_EQ(m_decoder.calls, frame + 1);
        EXPECT_EQ(show.m_nPictureIndex, frame % 2);
        EXPECT_TRUE(FrameEquals(Expected(wallpaper, 25 * frame))) << "frame " << frame;
    }
    // The level passed 100 without a picture: the previous scene (the wallpaper) is held.
    EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
    EXPECT_EQ(testutil::Count(Frame(), kWallpaper), 40 * 30);
}

// The window's pixels: 32-bit, top-down, of the show's size (mixed straight into) or of any
// other size (stretched from the frame surface).
struct WindowImage {
    std::vector<uint8_t> bits;
    PixelTarget target;
    WindowImage(int w, int h) : bits(static_cast<size_t>(w) * h * 4) {
        target.bits = bits.data();
        target.width = w;
        target.height = h;
        target.stride = w * 4;
        target.bitCount = 32;
        target.bottomUp = false;
    }
    COLORREF At(int x, int y) const {
        const uint8_t* p = &bits[(static_cast<size_t>(y) * target.width + x) * 4];
        return RGB(p[2], p[1], p[0]);
    }
};

TEST_F(FadeShowTest, TheWindowShowsTheFrameOnShowAndOnlyFadesChangeIt) {
    Set(SLOT_FADE_STEP, 30);
    Set(SLOT_SINGLE_COLOR, RGB(250, 10, 90));
    FadeShow& show = MakeShow();
    WindowImage same(40, 30), half(20, 15);
    // Before the first step: the captured screen, although the frame surface holds the
    // wallpaper for a first scene that may need it.
    show.RenderFrame(same.target);
    show.RenderFrame(half.target);
    EXPECT_EQ(same.At(5, 7), RGB(5, 7, 0x40));
    EXPECT_EQ(half.At(3, 4), Get(Capture(), 7, 9));
    EXPECT_EQ(Get(m_pShow->Surface(FadeShow::SURFACE_SCENE), 5, 7), kWallpaper);

    std::vector<bool> changed;
    for (int i = 0; i < 12; ++i) {
        changed.push_back(show.Step());
        show.RenderFrame(same.target);
        show.RenderFrame(half.target);
        // Either path shows the frame surface's bytes.
        for (int y = 0; y < 30; y += 7) {
            for (int x = 0; x < 40; x += 3) {
                ASSERT_EQ(same.At(x, y), Get(Frame(), x, y)) << "step " << i;
            }
        }
        ASSERT_EQ(half.At(19, 14), Get(Frame(), 39, 29)) << "step " << i;
        if (i == 1) {
            DibSurface expected = Expected(show.Surface(FadeShow::SURFACE_SCENE), 30);
            EXPECT_EQ(same.At(0, 0), Get(expected, 0, 0));
        }
        ++m_dwNow;
    }
    // Prepare and fade in (4), hold (1), fade out (4), rest (1), prepare and fade in.
    EXPECT_EQ(changed, (std::vector<bool>{true, true, true, true, false, true, true, true, true,
                                          false, true, true}));
}

TEST_F(FadeShowTest, SurfacesThatCannotBeMadeLeaveTheShowNotReady) {
    FadeShow huge(
        m_settings, Services(), [] { return 0u; }, m_random, 40000, 40000);
    EXPECT_FALSE(huge.IsReady());
    huge.Step();  // does nothing, touches nothing
    DibSurface target(4, 4, 24);
    huge.PresentFrame(*target.MemDC(), {0, 0, 4, 4});
}

class PlacementTest : public FadeShowTest {
protected:
    testutil::Box Place(int W, int H, int w, int h, uint32_t placement) {
        m_settings = SettingsStore();
        Set(SLOT_SCENE_KIND, SCENE_BITMAP);
        Set(SLOT_PICTURE_PLACEMENT, placement);
        AddPicture(Picture("p.bmp", w, h, RGB(255, 0, 255)));
        MakeShow(W, H);
        EXPECT_TRUE(m_pShow->PrepareNextScene());
        return testutil::BoundingBox(Frame(), RGB(255, 0, 255));
    }
};

TEST_F(PlacementTest, CentredAndStretched) {
    EXPECT_EQ(Place(1024, 768, 100, 50, PLACE_CENTER), (testutil::Box{462, 359, 562, 409}));
    EXPECT_EQ(Place(1024, 768, 1025, 769, PLACE_CENTER), (testutil::Box{0, 0, 1024, 768}));
    EXPECT_EQ(Place(1024, 768, 300, 400, PLACE_STRETCH), (testutil::Box{224, 0, 800, 768}));
    // Outside 0-3: the scene is the bare captured screen.
    for (uint32_t placement : {4u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Place(64, 48, 10, 10, placement), testutil::Box{});
        EXPECT_TRUE(FrameEquals(Capture()));
    }
}

}  // namespace
