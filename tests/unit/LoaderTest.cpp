#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "imaging/PictureFile.h"
#include "imaging/SurfaceLimits.h"

namespace {

using fixtures::BmpOptions;
using fixtures::Bytes;
using fixtures::Patch32;
using testutil::FakeDecoder;
using testutil::Get;

uint8_t Byte(int v) {
    return static_cast<uint8_t>(v);
}

// Channels of 0 or 255 only: every depth and bit-field layout stores them exactly.
COLORREF Corners(int x, int y) {
    return RGB(Byte((x & 1) * 255), Byte((y & 1) * 255), Byte(((x + y) & 2) != 0 ? 255 : 0));
}

// Colours in flat 8 x 8 blocks, which JPEG keeps almost exactly.
COLORREF Blocks(int x, int y) {
    return RGB(Byte(40 + 50 * (x / 8 % 4)), Byte(30 + 70 * (y / 8 % 3)),
               Byte(200 - 60 * ((x / 8 + y / 8) % 3)));
}

class LoaderTest : public ::testing::Test {
protected:
    // Loads the bytes as a file of that name; what the loader says goes to m_messages.
    LoadedPicture Load(const Bytes& bytes, const char* name = "picture.bmp") {
        LoadedPicture loaded = LoadImageFile(m_dir.Write(name, bytes).c_str(), &m_decoder);
        for (const PictureMessage& message : loaded.messages) {
            m_messages.push_back(message.title + ": " + message.text);
        }
        return loaded;
    }

    // Loads the file and compares every pixel, drawn on a 24-bit surface, with the colours it
    // was made from.
    void ExpectPicture(const Bytes& bytes, const char* name, int w, int h,
                       const fixtures::ColorAt& color, int tolerance) {
        LoadedPicture loaded = Load(bytes, name);
        ASSERT_TRUE(loaded.Loaded()) << name;
        ASSERT_EQ(std::pair(loaded.surface.GetWidth(), loaded.surface.GetHeight()),
                  std::pair(w, h));
        DibSurface shown = DibSurface::Make(w, h, 24).value();
        ASSERT_GT(loaded.surface.DrawTo(*shown.MemDC(), 0, 0), 0) << name;
        for (int i = 0; i < w * h; ++i) {
            const COLORREF got = Get(shown, i % w, i / w), want = color(i % w, i / w);
            for (int shift : {0, 8, 16}) {
                ASSERT_LE(std::abs(int(got >> shift & 255) - int(want >> shift & 255)), tolerance)
                    << name << ": pixel " << i % w << ", " << i / w;
            }
        }
    }

    fixtures::TempDir m_dir;
    FakeDecoder m_decoder;
    std::vector<std::string> m_messages;
};

TEST_F(LoaderTest, BmpEveryDepthLayoutAndBitFieldThatToolsWrite) {
    // Depth, header size, top-down, palette entries (-1: the depth's full palette), gap before
    // the pixels, bit-field masks (an index into masks, -1: none).
    const uint32_t masks[][3] = {{0xF800, 0x07E0, 0x001F},
                                 {0x000000FF, 0x00FF0000, 0x0000FF00},
                                 {0x3FF00000, 0x000FFC00, 0x000003FF}};
    const int cases[][6] = {
        {1, 40, 0, -1, 0, -1},  {4, 108, 1, -1, 0, -1},  {8, 124, 0, -1, 0, -1},
        {16, 40, 1, -1, 0, -1}, {24, 108, 0, -1, 0, -1}, {32, 124, 1, -1, 0, -1},
        {1, 12, 0, -1, 0, -1},  {4, 12, 0, -1, 0, -1},   {8, 12, 0, -1, 0, -1},
        {24, 12, 0, -1, 0, -1}, {8, 40, 0, 10, 0, -1},   {4, 40, 0, 3, 0, -1},
        {8, 40, 0, 16, 6, -1},  {16, 40, 0, -1, 0, 0},   {16, 124, 1, -1, 0, 0},
        {32, 40, 0, -1, 0, 1},  {32, 108, 0, -1, 0, 2}};
    for (const auto& c : cases) {
        BmpOptions o{13, 7, c[0], c[2] != 0, static_cast<uint32_t>(c[1])};
        o.paletteEntries = c[3];
        o.gapBeforePixels = c[4];
        if (c[5] >= 0) {
            o.compression = BI_BITFIELDS;
            std::copy(masks[c[5]], masks[c[5]] + 3, o.masks);
        }
        // Paletted files take the index (x + y) % entries, entry i being RGB(i, 255 - i, i / 2).
        const int entries = c[3] >= 0 ? c[3] : 1 << std::min(c[0], 8);
        const fixtures::ColorAt expected = [&](int x, int y) {
            const int i = (x + y) % entries;
            return c[0] <= 8 ? RGB(Byte(i), Byte(255 - i), Byte(i / 2)) : Corners(x, y);
        };
        SCOPED_TRACE(std::to_string(c[0]) + "-bit, header " + std::to_string(c[1]));
        ExpectPicture(fixtures::MakeBmp(o, Corners), "p.bmp", 13, 7, expected, 0);
    }
    // Five-bit channels are widened by repeating their bits: 10000 is 10000100.
    const auto grey = [](int, int) { return RGB(132, 132, 132); };
    ExpectPicture(fixtures::MakeBmp({4, 3, 16}, grey), "grey.bmp", 4, 3, grey, 0);
    // A classic file is read by counting, whatever its pixel offset says.
    ExpectPicture(fixtures::MakeBmp({.pixelOffset = 9999}, Corners), "c.bmp", 4, 3, Corners, 0);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(LoaderTest, BmpHostileOrCutFilesFailQuietlyWithoutReadingOutOfBounds) {
    const Bytes good = fixtures::MakeBmp(BmpOptions{});
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(Load(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(n))).Loaded());
    }
    // Signature, width, height, header size, bit count (a 16-bit field: 0, 7), compression.
    const std::pair<size_t, uint32_t> patches[] = {
        {0, 0x4D58},        {18, 0},          {18, 0xFFFFFFF0}, {22, 0},  {22, 0x80000000},
        {18, 0x7FFFFFFF},   {22, 0x7FFFFFFF}, {18, 0x40000001}, {14, 0},  {14, 0x7FFFFFFF},
        {14, 20},           {28, 0},          {28, 7},          {30, 77}, {30, BI_RLE8},
        {30, BI_BITFIELDS}, {22, 1000}};  // the last: more rows than the file holds
    for (auto [at, value] : patches) {
        Bytes bad = good;
        Patch32(bad, at, value);
        EXPECT_FALSE(Load(bad).Loaded()) << "offset " << at << " = " << value;
    }
    // A palette count far beyond the file: at most the depth's own palette is read.
    Bytes shortPalette = fixtures::MakeBmp({4, 3, 8, false, 40, BI_RGB, 2});
    Patch32(shortPalette, 46, 0xFFFFFFF0);
    EXPECT_FALSE(Load(shortPalette).Loaded());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(LoaderTest, BmpRunLengthEncodedPicturesAreDecoded) {
    // 8-bit, 6 x 3: a run, an absolute stretch, a delta, the end codes, and a run longer than
    // its row, cut at the edge. Then 4-bit: a run of alternating nibbles, an absolute stretch.
    LoadedPicture loaded = Load(fixtures::MakeRleBmp(
        6, 3, 8, {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1, 4, 0, 0, 10, 6, 0, 1}));
    ASSERT_TRUE(loaded.Loaded());
    const uint8_t rows[3][8] = {{5, 5, 5, 7, 8, 9}, {1, 1, 0, 0, 4, 0}, {6, 6, 6, 6, 6, 6}};
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(0, std::memcmp(loaded.surface.Bits() + y * 8, rows[y], 6)) << "row " << y;
    }
    loaded = Load(fixtures::MakeRleBmp(6, 1, 4, {3, 0x12, 0, 3, 0x34, 0x50, 0, 1}));
    ASSERT_TRUE(loaded.Loaded());
    EXPECT_EQ(0, std::memcmp(loaded.surface.Bits(), "\x12\x13\x45", 3));
    // Without the end code, or cut inside an absolute stretch: incomplete. Deltas far outside
    // the picture write nothing.
    EXPECT_FALSE(Load(fixtures::MakeRleBmp(6, 3, 8, {3, 5, 0, 0})).Loaded());
    EXPECT_FALSE(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 6, 1, 2})).Loaded());
    EXPECT_TRUE(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 2, 255, 255, 4, 1, 0, 1})).Loaded());
}

TEST_F(LoaderTest, JpegColourGreyProgressiveAndCmykFiles) {
    const auto grey = [](int x, int y) {
        const uint8_t g = GetGValue(Blocks(x, y));
        return RGB(g, g, g);
    };
    for (auto [o, expected, tolerance] :
         {std::tuple{fixtures::JpegOptions{101, 37, 100}, fixtures::ColorAt(Blocks), 6},
          {{16, 16, 95, false, true}, Blocks, 6},
          {{16, 16, 95, false, false, true}, Blocks, 8},
          {{16, 16, 95, true}, grey, 4}}) {
        ExpectPicture(fixtures::MakeJpeg(o, Blocks), "p.JPG", o.width, o.height, expected,
                      tolerance);
    }
    EXPECT_TRUE(m_messages.empty());
}

// Sets the frame size in the first start-of-frame marker.
Bytes WithDeclaredSize(Bytes bytes, int width, int height) {
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            const uint8_t size[] = {Byte(height >> 8), Byte(height), Byte(width >> 8), Byte(width)};
            std::copy(size, size + 4, bytes.begin() + static_cast<ptrdiff_t>(i) + 5);
            break;
        }
    }
    return bytes;
}

TEST_F(LoaderTest, JpegErrorsShowTheLibrarysMessagesAndWarningsStillLoad) {
    Bytes cut = fixtures::MakeJpeg({64, 64, 95, false, true}, Blocks);  // several scans
    cut.resize(cut.size() / 2);
    const Bytes small = fixtures::MakeJpeg({}, Blocks);
    const std::tuple<Bytes, bool, const char*> cases[] = {
        {cut, true, "Premature end of JPEG file"},  // the later warnings are not shown
        {{}, false, "Empty input file"},
        {{'B', 'M', 1, 2, 3}, false, "Not a JPEG file: starts with 0x42 0x4d"},
        {{0xFF, 0xD8, 0xFF, 0xD9}, false, "JPEG datastream contains no image"},
        {WithDeclaredSize(small, 65535, 1), false,
         "Maximum supported image dimension is 65500 pixels"},
        // Too large for a surface: refused quietly, as any surface that cannot be made.
        {WithDeclaredSize(small, 40000, 10), false, nullptr},
        {WithDeclaredSize(small, 20000, 20000), false, nullptr}};
    for (const auto& [bytes, loads, message] : cases) {
        m_messages.clear();
        EXPECT_EQ(Load(bytes, "p.jpg").Loaded(), loads) << message;
        EXPECT_EQ(m_messages, message != nullptr
                                  ? std::vector<std::string>{std::string("JPEG Error: ") + message}
                                  : std::vector<std::string>{});
    }
    // The process goes on: the next file loads normally.
    ExpectPicture(small, "good.jpg", 16, 16, Blocks, 6);
}

// How much one load of the file raised the process's peak memory, in bytes, measured in a child
// process so that earlier loads do not hide it.
int64_t PeakGrowthOfLoad(const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const LoadedPicture loaded = LoadImageFile(path.c_str(), nullptr);  // its peak, then freed
        ::getrusage(RUSAGE_SELF, &after);
        const int64_t growth = (int64_t{after.ru_maxrss} - before.ru_maxrss) * 1024;
        ::_exit(::write(fds[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    ::close(fds[1]);
    int64_t growth = -1;
    const bool bRead = ::read(fds[0], &growth, sizeof growth) == sizeof growth;
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return bRead ? growth : -1;
}

// A JPEG of a few hundred bytes may declare any size. Past the picture limit it is refused before
// anything is allocated; within it, a load costs the surface and the library's bounded working
// set once (a progressive file's coefficients), never the two at a gigabyte each.
TEST_F(LoaderTest, HugeDeclaredJpegsCostWhatThePictureNeedsOnceOrNothing) {
    const Bytes baseline = fixtures::MakeJpeg({}, Blocks);
    const Bytes progressive = fixtures::MakeJpeg({16, 16, 95, false, true, false, true}, Blocks);
    ASSERT_LT(progressive.size(), 1000u);
    constexpr int64_t MiB = 1 << 20;
    const std::tuple<Bytes, bool, int64_t> cases[] = {
        {WithDeclaredSize(baseline, 18000, 18000), false, 16 * MiB},
        {WithDeclaredSize(progressive, 18000, 18000), false, 16 * MiB},
        // 4096 x 4096: a 48 MiB surface and 48 MiB of 4:2:0 coefficients.
        {WithDeclaredSize(progressive, 4096, 4096), true, (48 + 48 + 32 + 24) * MiB},
    };
    for (const auto& [bytes, loads, limit] : cases) {
        const std::string path = m_dir.Write("huge.jpg", bytes);
        EXPECT_EQ(LoadImageFile(path.c_str(), nullptr).Loaded(), loads);
        const int64_t growth = PeakGrowthOfLoad(path);
        EXPECT_TRUE(growth >= 0 && growth <= limit) << "peak growth " << growth / MiB << " MiB";
        std::printf("-- %zu-byte JPEG: peak growth %lld MiB\n", bytes.size(),
                    static_cast<long long>(growth / MiB));
    }
}

TEST_F(LoaderTest, OtherNamesGoToTheDecoderSizedAtTheScreensDpiOverBlack) {
    // Opaque red, fully transparent white, half-transparent orange.
    m_decoder.picture = PlatformImage{4, 2, {0xFFFF0000, 0x00FFFFFF, 0x80FF8000, 0, 0, 0, 0, 0}};
    for (const char* name : {"a.gif", "sunset.jpeg", "x.BMPX", "noextension"}) {
        m_decoder.decoded.clear();
        LoadedPicture loaded = Load({1, 2, 3}, name);
        ASSERT_TRUE(loaded.Loaded()) << name;
        EXPECT_EQ(m_decoder.decoded, (std::vector<std::vector<uint8_t>>{{1, 2, 3}})) << name;
        EXPECT_EQ(Get(loaded.surface, 0, 0), RGB(255, 0, 0));
        EXPECT_EQ(Get(loaded.surface, 1, 0), RGB(0, 0, 0));
        EXPECT_EQ(Get(loaded.surface, 2, 0), RGB(128, 64, 0));
    }
    m_decoder.dpiX = 192;
    m_decoder.dpiY = 144;
    const LoadedPicture big = Load({0}, "p.png");
    EXPECT_EQ(std::pair(big.surface.GetWidth(), big.surface.GetHeight()), std::pair(8, 3));
    EXPECT_EQ(PictureSizeAtDpi(1, 10), 0);       // rounds to nothing
    EXPECT_EQ(PictureSizeAtDpi(30000, 192), 0);  // larger than any surface
    m_decoder.picture.reset();
    EXPECT_FALSE(Load({9, 9}, "not-decoded.gif").Loaded());
}

TEST_F(LoaderTest, OnlyRegularFilesAreOpenedNothingBlocksAndReadErrorsAreSaid) {
    const std::string base = m_dir.Path() + "/x";
    for (const char* fifo : {".bmp", ".jpg", ".gif"}) {
        ASSERT_EQ(mkfifo((base + fifo).c_str(), 0600), 0);
    }
    ASSERT_EQ(mkdir((base + "folder.bmp").c_str(), 0700), 0);
    for (const std::string& path :
         {base + ".bmp", base + ".jpg", base + ".gif", base + "folder.bmp",
          std::string("/dev/zero"), m_dir.Path(), base + "gone.jpg"}) {
        LoadedPicture loaded = LoadImageFile(path.c_str(), &m_decoder);
        EXPECT_FALSE(loaded.Loaded() || !loaded.messages.empty()) << path;
    }
    EXPECT_TRUE(m_decoder.decoded.empty());
    // The kernel says this file has length 0, and reading it fails.
    LoadedPicture loaded = LoadBmpFile("/proc/self/mem");
    ASSERT_EQ(loaded.messages.size(), 1u);
    EXPECT_NE(loaded.messages[0].text.find("/proc/self/mem"), std::string::npos);
}

}  // namespace
