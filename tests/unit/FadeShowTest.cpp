#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <future>
#include <set>
#include <thread>
#include <tuple>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "app/SettingsSlots.h"
#include "saver/FadeShow.h"

namespace {

using testutil::Get;

constexpr COLORREF kWallpaper = RGB(0, 128, 0);

// The screen: a pattern that tells every pixel apart, RGB(x, y, 0x40); the wallpaper: green.
class FakeDesktop : public DesktopSource {
public:
    std::optional<PlatformImage> CaptureScreen(int, int, int w, int h) override {
        PlatformImage image{w, h, {}};
        for (int i = 0; i < w * h; ++i) {
            image.pixels.push_back(0xFF000040u | (i % w & 255) << 16 | (i / w & 255) << 8);
        }
        return image;
    }
    std::optional<PlatformImage> DesktopPicture(int w, int h) override {
        return PlatformImage{w, h, std::vector<uint32_t>(static_cast<size_t>(w * h), 0xFF008000u)};
    }
};

// Hands out queued values (TOP: the range's upper end), then the range's lower end, each checked
// against the range asked.
class ScriptedRandom : public RandomSource {
public:
    static constexpr uint32_t TOP = 0xFFFFFFFF;
    void Seed(uint32_t dwSeed) override { seeds.push_back(dwSeed); }
    uint32_t Uniform(uint32_t lo, uint32_t hi) override {
        ++draws;
        uint32_t v = lo;
        if (!values.empty()) {
            v = values.front() == TOP ? hi : values.front();
            values.pop_front();
        }
        EXPECT_TRUE(v >= lo && v <= hi) << v << " outside " << lo << "-" << hi;
        return v;
    }
    std::deque<uint32_t> values;
    std::vector<uint32_t> seeds;
    int draws = 0;
};

class FadeShowTest : public ::testing::Test {
protected:
    // A show of the settings on the test's clock and random source.
    std::unique_ptr<FadeShow> Show(const ShowServices& services, int w = 40, int h = 30) {
        return FadeShow::Create(
            m_settings, services, [this] { return m_dwNow; }, m_random, w, h);
    }
    FadeShow& MakeShow(int w = 40, int h = 30) {
        m_pShow = Show({&m_desktop, &m_decoder, nullptr}, w, h);
        EXPECT_TRUE(m_pShow != nullptr);
        return *m_pShow;
    }

    void Set(int slot, uint32_t value) { m_settings.SetDWordAt(slot, value); }

    // A BMP appended to the picture list.
    void AddPicture(int w, int h, const fixtures::ColorAt& color) {
        const int n = std::max(m_settings.GetStringCount(), FIRST_PICTURE_SLOT);
        const auto bmp = fixtures::MakeBmp({w, h}, color);
        m_settings.SetStringAt(n, m_dir.Write(std::to_string(n) + ".bmp", bmp));
    }

    DibSurface& Frame() { return m_pShow->Surface(FadeShow::SURFACE_FRAME); }
    DibSurface& Scene() { return m_pShow->Surface(FadeShow::SURFACE_SCENE); }

    // Whether the frame is the captured screen mixed into a scene at a level.
    bool FrameIs(const DibSurface& scene, int level) {
        DibSurface expected = scene.Duplicate();
        m_pShow->Surface(FadeShow::SURFACE_CAPTURE).BlendInto(expected, level);
        return std::memcmp(Frame().Bits(), expected.Bits(), Frame().GetImageSize()) == 0;
    }

    // Steps until the show reaches a phase; returns how many steps that took.
    int StepsUntil(int phase) {
        int steps = 0;
        do {
            m_pShow->Step();
        } while (++steps < 10000 && m_pShow->m_nPhase != phase);
        return steps;
    }

    SettingsStore m_settings;
    uint32_t m_dwNow = 50000;
    ScriptedRandom m_random;
    FakeDesktop m_desktop;
    testutil::FakeDecoder m_decoder;  // which decodes nothing
    fixtures::TempDir m_dir;
    std::unique_ptr<FadeShow> m_pShow;
};

TEST_F(FadeShowTest, FadesFollowTheStepAndHoldsAndRestsTheInterval) {
    // A step beyond 100 (the stored value is unsigned) ends the fade at once instead of running
    // the level backwards.
    const std::tuple<uint32_t, int, int> cases[] = {
        {1, 101, 100}, {3, 34, 99}, {20, 6, 100}, {7, 15, 98}, {100, 2, 100}, {0xFFFFFFFF, 1, 0}};
    for (auto [step, frames, lastLevel] : cases) {
        m_settings = SettingsStore();
        Set(SLOT_FADE_STEP, step);
        Set(SLOT_SINGLE_COLOR, RGB(200, 100, 50));
        Set(SLOT_INTERVAL_SECONDS, 2);
        FadeShow& show = MakeShow();
        EXPECT_EQ(StepsUntil(FadeShow::PHASE_HOLD), frames) << "step " << step;
        EXPECT_TRUE(FrameIs(Scene(), lastLevel)) << "step " << step;
        // Exactly the interval is not yet past it, across the tick's wrap-around too.
        show.m_dwPhaseTick = 0xFFFFFF00u;
        m_dwNow = 0xFFFFFF00u + 2000;
        show.Step();
        EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
        ++m_dwNow;
        show.Step();
        ASSERT_EQ(show.m_nPhase, FadeShow::PHASE_FADE_OUT);
        EXPECT_TRUE(FrameIs(Scene(), lastLevel)) << "the step that ends a hold changes nothing";
        EXPECT_EQ(StepsUntil(FadeShow::PHASE_REST), frames) << "fade-out, step " << step;
        EXPECT_TRUE(FrameIs(Scene(), 100 - lastLevel));
    }
}

TEST_F(FadeShowTest, PicturesInListOrderThenFromTheStart) {
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    Set(SLOT_PICTURE_PLACEMENT, PLACE_CENTER);
    const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    for (COLORREF color : colors) {
        AddPicture(10, 10, [color](int, int) { return color; });
    }
    FadeShow& show = MakeShow();
    for (int expected : {0, 1, 2, 0, 1}) {
        ASSERT_TRUE(show.PrepareNextScene());
        EXPECT_EQ(Get(Scene(), 20, 15), colors[expected]);
        EXPECT_EQ(Get(Scene(), 2, 3), RGB(2, 3, 0x40)) << "around it, the captured screen";
    }
    EXPECT_EQ(m_random.draws, 0) << "list order draws nothing";
    // A random kind draws one of the three, pictures included.
    Set(SLOT_SCENE_KIND, SCENE_RANDOM);
    m_random.values = {SCENE_BITMAP};
    ASSERT_TRUE(show.PrepareNextScene());
    EXPECT_EQ(Get(Scene(), 20, 15), colors[2]);

    // The second monitor's show starts one picture further and seeds its own draws.
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    const auto second = Show({});
    second->SetShowIndex(1);
    for (int expected : {1, 2, 0}) {
        ASSERT_TRUE(second->PrepareNextScene());
        EXPECT_EQ(second->m_nPictureIndex, expected);
    }
    EXPECT_EQ(m_random.seeds.front(), m_dwNow);
    EXPECT_EQ(m_random.seeds.back(), m_dwNow + 1);

    // In random order any picture of the list may come next, the last one included.
    Set(SLOT_RANDOM_FLAGS, RANDOM_ORDER);
    m_random.values = {ScriptedRandom::TOP, 1};
    for (int expected : {2, 1}) {
        ASSERT_TRUE(show.PrepareNextScene());
        EXPECT_EQ(Get(Scene(), 20, 15), colors[expected]);
    }
}

// Blocks every decode until the test opens it.
class GatedDecoder : public testutil::FakeDecoder {
public:
    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override {
        gate.wait();
        return FakeDecoder::Decode(bytes);
    }
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
};

TEST_F(FadeShowTest, AFolderStandsForItsPicturesInNameOrderReadInTheBackground) {
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    Set(SLOT_PICTURE_PLACEMENT, PLACE_STRETCH);
    Set(SLOT_FADE_STEP, 50);
    const auto bmp = [](COLORREF color) {
        return fixtures::MakeBmp({4, 4}, [=](int, int) { return color; });
    };
    const COLORREF one = RGB(1, 0, 0), two = RGB(2, 0, 0), ten = RGB(10, 0, 0);
    const std::string folder = m_dir.Write("shots/img10.bmp", bmp(ten));
    m_dir.Write("shots/img2.BMP", bmp(two));
    m_dir.Write("shots/IMG01.bmp", bmp(one));
    m_dir.Write("shots/broken.jpg", {0xFF, 0xD8, 0xFF, 0xD9});  // told about when named
    m_dir.Write("shots/photo.png", {1});                        // the decoder's own kind
    m_dir.Write("shots/.hidden.bmp", bmp(RGB(9, 9, 9)));
    m_dir.Write("shots/notes.txt", {1});
    m_dir.Write("shots/inner/deeper.bmp", bmp(RGB(9, 9, 9)));
    const std::string dir = folder.substr(0, folder.rfind('/'));
    m_settings.SetStringAt(FIRST_PICTURE_SLOT, m_dir.Write("single.bmp", bmp(RGB(7, 7, 7))));
    m_settings.SetStringAt(FIRST_PICTURE_SLOT + 1, dir + "/");
    m_settings.SetStringAt(FIRST_PICTURE_SLOT + 2, dir + "/missing");

    fixtures::RecordingSink sink;
    GatedDecoder decoder;
    decoder.picture = PlatformImage{1, 1, {0xFF030000u}};
    bool bOpened = false;
    // However the test ends, the gate opens and the show (its reading thread joined) goes
    // before the decoder does.
    struct Finally {
        GatedDecoder& decoder;
        std::unique_ptr<FadeShow>& pShow;
        bool& bOpened;
        ~Finally() {
            if (!bOpened) {
                decoder.open.set_value();
            }
            pShow.reset();
        }
    } finally{decoder, m_pShow, bOpened};
    ShowServices services{.desktop = &m_desktop, .pictures = &decoder, .messages = &sink};
    services.bLoadInBackground = true;
    FadeShow& show = *(m_pShow = Show(services));
    std::vector<std::string> names;
    for (const PictureEntry& entry : show.Pictures()) {
        names.push_back(entry.path.substr(entry.path.rfind('/') + 1) +
                        (entry.bFromFolder ? "*" : ""));
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"single.bmp", "broken.jpg*", "IMG01.bmp*", "img2.BMP*",
                                        "img10.bmp*", "photo.png*", "missing"}));

    // In list order, each picture read on its own thread; a damaged one found in a folder
    // passes quietly, as the missing one does, and the next is tried at the next step.
    std::vector<std::pair<int, COLORREF>> scenes;
    int waits = 0;
    for (int i = 0; i < 2000 && scenes.size() < 6; ++i, ++m_dwNow) {
        const int phase = show.m_nPhase, level = show.m_nLevel;
        const bool changed = show.Step();
        if (show.IsLoadingPicture()) {
            // Waiting changes nothing on the screen, and the fade stays where it is.
            ASSERT_FALSE(changed);
            ASSERT_EQ(show.m_nLevel, level);
            if (show.m_nPictureIndex == 5 && waits < 3 && ++waits == 3) {
                decoder.open.set_value();
                bOpened = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else if (phase == FadeShow::PHASE_PREPARE && show.m_nPhase == FadeShow::PHASE_FADE_IN) {
            scenes.emplace_back(show.m_nPictureIndex,
                                Get(show.Surface(FadeShow::SURFACE_SCENE), 20, 15));
        }
    }
    EXPECT_EQ(waits, 3) << "the gated picture was waited for";
    EXPECT_EQ(scenes, (std::vector<std::pair<int, COLORREF>>{{0, RGB(7, 7, 7)},
                                                             {2, one},
                                                             {3, two},
                                                             {4, ten},
                                                             {5, RGB(3, 0, 0)},
                                                             {0, RGB(7, 7, 7)}}));
    EXPECT_TRUE(sink.messages.empty());
    if (!bOpened) {  // the gated picture never came: let its reading end
        decoder.open.set_value();
        bOpened = true;
    }
    m_pShow.reset();
    EXPECT_EQ(decoder.decoded.size(), 1u);

    // At random over the whole list, folders opened.
    Set(SLOT_RANDOM_FLAGS, RANDOM_ORDER);
    m_random.values = {4};
    m_pShow = Show({&m_desktop, &m_decoder, nullptr});
    ASSERT_TRUE(m_pShow->PrepareNextScene());
    EXPECT_EQ(m_pShow->m_nPictureIndex, 4);
    EXPECT_EQ(Get(Scene(), 20, 15), ten);
    m_random.values = {6};  // anything past the end would be refused by the scripted source
    EXPECT_FALSE(m_pShow->PrepareNextScene());
}

TEST_F(FadeShowTest, ColoursFixedRandomAndComplementary) {
    Set(SLOT_SINGLE_COLOR, RGB(9, 8, 7));
    FadeShow& show = MakeShow();
    show.PrepareNextScene();
    EXPECT_EQ(testutil::Count(Scene(), RGB(9, 8, 7)), 40 * 30);
    Set(SLOT_RANDOM_FLAGS, RANDOM_SINGLE_COLOR);
    m_random.values = {0x00ABCDEF};
    show.PrepareNextScene();
    EXPECT_EQ(Get(Frame(), 0, 0), 0x00ABCDEFu);
    // Both gradation colours random: the second is the first's complement, with one draw.
    Set(SLOT_SCENE_KIND, SCENE_GRADATION);
    Set(SLOT_RANDOM_FLAGS, RANDOM_GRADATION_COLOR1 | RANDOM_GRADATION_COLOR2);
    m_random.values = {RGB(0x10, 0x80, 0xFF)};
    show.PrepareNextScene();
    EXPECT_EQ(m_random.draws, 2);
    DibSurface expected = DibSurface::Make(40, 30, 24).value();
    expected.FillGradation(RGB(0x10, 0x80, 0xFF), RGB(0xEF, 0x7F, 0x00), GRADATION_TOP_TO_BOTTOM);
    EXPECT_TRUE(FrameIs(expected, 100));
    // A kind without a scene of its own (pictures, none listed) takes the frame as it stands:
    // here the gradation with the captured screen mixed in at 40.
    show.BuildFrame(40);
    m_pShow->Surface(FadeShow::SURFACE_CAPTURE).BlendInto(expected, 40);
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    ASSERT_TRUE(show.PrepareNextScene());
    EXPECT_EQ(std::memcmp(Scene().Bits(), expected.Bits(), Scene().GetImageSize()), 0);
}

TEST_F(FadeShowTest, UnreadablePicturesFadeToTheWallpaperTryingOncePerFrame) {
    Set(SLOT_SCENE_KIND, SCENE_BITMAP);
    Set(SLOT_FADE_STEP, 25);
    m_settings.SetStringAt(FIRST_PICTURE_SLOT, m_dir.Write("a.gif", {1, 2, 3}));
    m_settings.SetStringAt(FIRST_PICTURE_SLOT + 1, m_dir.Write("b.gif", {4, 5, 6}));
    FadeShow& show = MakeShow();
    const DibSurface wallpaper = Scene().Duplicate();
    for (int frame = 0; frame < 5; ++frame) {
        show.Step();
        EXPECT_EQ(m_decoder.decoded.size(), frame + 1u);
        EXPECT_EQ(show.m_nPictureIndex, frame % 2);
        EXPECT_TRUE(FrameIs(wallpaper, 25 * frame)) << "frame " << frame;
    }
    EXPECT_EQ(show.m_nPhase, FadeShow::PHASE_HOLD);
    EXPECT_EQ(testutil::Count(Frame(), kWallpaper), 40 * 30);

    // A file's messages (one each for these two) are told once a run, whichever monitor's show
    // meets it again.
    m_settings.SetStringAt(FIRST_PICTURE_SLOT, m_dir.Write("empty.jpg", {}));
    m_settings.SetStringAt(FIRST_PICTURE_SLOT + 1, m_dir.Write("no.jpg", {0xFF, 0xD8, 0xFF, 0xD9}));
    fixtures::RecordingSink sink;
    std::set<std::string> told;
    const ShowServices services{
        .desktop = &m_desktop, .pictures = &m_decoder, .messages = &sink, .toldFiles = &told};
    const auto first = Show(services), second = Show(services);
    for (int round = 0; round < 4; ++round) {
        EXPECT_FALSE(first->PrepareNextScene() || second->PrepareNextScene());
    }
    EXPECT_EQ(sink.messages.size(), 2u);
}

TEST_F(FadeShowTest, TheWindowShowsTheFrameOnShowAndOnlyFadesChangeIt) {
    Set(SLOT_FADE_STEP, 30);
    Set(SLOT_SINGLE_COLOR, RGB(250, 10, 90));
    FadeShow& show = MakeShow();
    // Mixed straight into a window of the show's size, or stretched from the frame surface.
    testutil::WindowImage same(40, 30), half(20, 15);
    // Before the first step: the captured screen, although the frame surface holds the
    // wallpaper for a first scene that may need it.
    show.RenderFrame(same.target);
    show.RenderFrame(half.target);
    EXPECT_EQ(same.At(5, 7), RGB(5, 7, 0x40));
    EXPECT_EQ(half.At(3, 4), RGB(7, 9, 0x40));
    EXPECT_EQ(Get(Scene(), 5, 7), kWallpaper);
    std::vector<bool> changed;
    for (int i = 0; i < 12; ++i, ++m_dwNow) {
        changed.push_back(show.Step());
        show.RenderFrame(same.target);
        show.RenderFrame(half.target);
        for (int y = 0; y < 30; y += 7) {
            for (int x = 0; x < 40; x += 3) {
                ASSERT_EQ(same.At(x, y), Get(Frame(), x, y)) << "step " << i;
            }
        }
        ASSERT_EQ(half.At(19, 14), Get(Frame(), 39, 29)) << "step " << i;
    }
    // Prepare and fade in (4), hold (1), fade out (4), rest (1), prepare and fade in.
    EXPECT_EQ(changed, (std::vector<bool>{true, true, true, true, false, true, true, true, true,
                                          false, true, true}));
    EXPECT_TRUE(FrameIs(Scene(), 30));
}

TEST_F(FadeShowTest, PlacementsAndSurfacesThatCannotBeMade) {
    // A picture, its placement and the random draws; where its top left corner lands on the
    // 40 x 30 screen and how many times larger it is drawn there (0: not at all, -1: tiled from
    // the screen's corner).
    constexpr uint32_t TOP = ScriptedRandom::TOP;
    const std::tuple<int, int, uint32_t, std::deque<uint32_t>, int, int, int> cases[] = {
        {10, 5, PLACE_CENTER, {}, 15, 12, 1},
        {41, 31, PLACE_CENTER, {}, 0, 0, 1},  // larger than the screen: cut right and below
        {3, 6, PLACE_STRETCH, {}, 12, 0, 5},  // as high as the screen, centred across it
        {8, 5, PLACE_STRETCH, {}, 0, 2, 5},   // as wide as the screen, centred down it
        // Centred on a random pixel: the top left one, the bottom right one.
        {11, 7, PLACE_RANDOM_POSITION, {}, -5, -3, 1},
        {11, 7, PLACE_RANDOM_POSITION, {TOP, TOP}, 34, 26, 1},
        {15, 12, PLACE_TILE, {}, 0, 0, -1},
        {10, 10, 4, {}, 0, 0, 0},  // outside 0-3: the bare captured screen
        {10, 10, 0xFFFFFFFF, {}, 0, 0, 0}};
    for (const auto& [w, h, placement, draws, left, top, scale] : cases) {
        m_settings = SettingsStore();
        Set(SLOT_SCENE_KIND, SCENE_BITMAP);
        Set(SLOT_PICTURE_PLACEMENT, placement);
        AddPicture(w, h, testutil::Coded);
        MakeShow();
        m_random.values = draws;
        ASSERT_TRUE(m_pShow->PrepareNextScene());
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                COLORREF expected =  // the captured screen
                    RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0x40);
                if (scale < 0) {
                    expected = testutil::Coded(x % w, y % h);
                } else if (scale > 0 && x >= left && x < left + w * scale && y >= top &&
                           y < top + h * scale) {
                    expected = testutil::Coded((x - left) / scale, (y - top) / scale);
                }
                ASSERT_EQ(Get(Scene(), x, y), expected)
                    << w << "x" << h << ", placement " << placement << ", at " << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(Show({}, 40000, 40000), nullptr) << "a show too large to make";
}

}  // namespace
