#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"
#include "imaging/SurfaceLimits.h"

namespace {

using fixtures::BmpOptions;
using fixtures::Bytes;
using testutil::Get;

// Channels of 0 or 255 only: every depth and bit-field layout stores them exactly.
COLORREF Corners(int x, int y) {
    return RGB((x & 1) * 255, (y & 1) * 255, ((x + y) & 2) != 0 ? 255 : 0);
}

// Colours in flat 8 x 8 blocks, which JPEG keeps almost exactly.
COLORREF Blocks(int x, int y) {
    const int bx = x / 8, by = y / 8;
    return RGB(40 + 50 * (bx % 4), 30 + 70 * (by % 3), 200 - 60 * ((bx + by) % 3));
}

// Decodes any file to a fixed picture and records what it was given.
class FakeDecoder : public PictureDecoder {
public:
    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override {
        decoded.push_back(bytes);
        return picture;
    }
    int LogicalDpiX() override { return dpiX; }
    int LogicalDpiY() override { return dpiY; }
    std::optional<PlatformImage> picture;
    std::vector<std::vector<uint8_t>> decoded;
    int dpiX = 96, dpiY = 96;
};

class LoaderTest : public ::testing::Test {
protected:
    LoaderTest() {
        ImagingPlatform platform;
        platform.messages = &m_sink;
        platform.pictures = &m_decoder;
        m_scope = std::make_unique<ScopedImagingPlatform>(platform);
    }

    int Load(const Bytes& bytes, const char* name = "picture.bmp") {
        DibSurface surface;
        return surface.LoadImageFile(m_dir.Write(name, bytes).c_str());
    }

    // Loads the file and compares every pixel, as drawn on a 24-bit surface, with the colours
    // it was made from.
    void ExpectPicture(const Bytes& bytes, const char* name, int w, int h,
                       const fixtures::ColorAt& color, int tolerance, const std::string& what) {
        DibSurface s;
        ASSERT_EQ(s.LoadImageFile(m_dir.Write(name, bytes).c_str()), 1) << what;
        ASSERT_EQ(s.GetWidth(), w) << what;
        ASSERT_EQ(s.GetHeight(), h) << what;
        DibSurface shown(w, h, 24);
        ASSERT_GT(s.DrawTo(*shown.m_hMemDC, 0, 0), 0) << what;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const COLORREF got = Get(shown, x, y), want = color(x, y);
                ASSERT_TRUE(std::abs(GetRValue(got) - GetRValue(want)) <= tolerance &&
                            std::abs(GetGValue(got) - GetGValue(want)) <= tolerance &&
                            std::abs(GetBValue(got) - GetBValue(want)) <= tolerance)
                    << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got
                    << ", expected " << want;
            }
        }
    }

    fixtures::TempDir m_dir;
    fixtures::RecordingSink m_sink;
    FakeDecoder m_decoder;
    std::unique_ptr<ScopedImagingPlatform> m_scope;
};

TEST_F(LoaderTest, BmpEveryDepthLayoutAndBitFieldThatToolsWrite) {
    const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    const uint32_t masksBgr[3] = {0x000000FF, 0x00FF0000, 0x0000FF00};
    const uint32_t masks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
    struct Case {
        int bpp;
        uint32_t header;
        bool topDown;
        int entries = -1;  // palette entries; -1: the depth's full palette
        const uint32_t* masks = nullptr;
        int gap = 0;
    } cases[] = {
        {1, 40, false},   {4, 108, true},    {8, 124, false},  {16, 40, true},
        {24, 108, false}, {32, 124, true},   {1, 12, false},   {4, 12, false},
        {8, 12, false},   {24, 12, false},   {8, 40, false, 10}, {4, 40, false, 3},
        {8, 40, false, 16, nullptr, 6},      {16, 40, false, -1, masks565},
        {16, 124, true, -1, masks565},       {32, 40, false, -1, masksBgr},
        {32, 108, false, -1, masks10},
    };
    for (const Case& c : cases) {
        BmpOptions o;
        o.width = 13;
        o.height = 7;
        o.bitCount = c.bpp;
        o.headerSize = c.header;
        o.topDown = c.topDown;
        o.paletteEntries = c.entries;
        o.gapBeforePixels = c.gap;
        if (c.masks != nullptr) {
            o.compression = BI_BITFIELDS;
            std::copy(c.masks, c.masks + 3, o.masks);
        }
        // Paletted files take the index (x + y) % entries, entry i being RGB(i, 255 - i, i / 2).
        const int entries = c.entries >= 0 ? c.entries : 1 << std::min(c.bpp, 8);
        const fixtures::ColorAt expected = [&](int x, int y) {
            const int i = (x + y) % entries;
            return c.bpp <= 8 ? RGB(i, 255 - i, i / 2) : Corners(x, y);
        };
        ExpectPicture(fixtures::MakeBmp(o, Corners), "p.bmp", 13, 7, expected, 0,
                      std::to_string(c.bpp) + "-bit, header " + std::to_string(c.header));
    }
    // Five-bit channels are widened by repeating their bits: 10000 is 10000100.
    BmpOptions mid;
    mid.bitCount = 16;
    ExpectPicture(fixtures::MakeBmp(mid, [](int, int) { return RGB(128, 128, 128); }), "m.bmp", 4,
                  3, [](int, int) { return RGB(132, 132, 132); }, 0, "16-bit grey");
    // A classic file is read by counting, whatever its pixel offset says.
    BmpOptions classic;
    classic.pixelOffset = 9999;
    ExpectPicture(fixtures::MakeBmp(classic, Corners), "c.bmp", 4, 3, Corners, 0, "classic");
    EXPECT_TRUE(m_sink.messages.empty());
}

void Patch32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

TEST_F(LoaderTest, BmpHostileOrCutFilesFailQuietlyWithoutReadingOutOfBounds) {
    const Bytes good = fixtures::MakeBmp(BmpOptions{});
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_EQ(Load(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(n))), 0) << n;
    }
    const std::pair<size_t, uint32_t> patches[] = {
        {0, 0x4D58},      {18, 0},          {18, 0xFFFFFFF0}, {22, 0},  {22, 0x80000000},
        {18, 0x7FFFFFFF}, {22, 0x7FFFFFFF}, {18, 0x40000001}, {14, 0},  {14, 0x7FFFFFFF},
        {14, 20},         {28, 0},          {28, 7},          {30, 77}, {30, BI_RLE8},
        {30, BI_BITFIELDS}, {22, 1000},  // more rows than the file holds
    };
    for (auto [at, value] : patches) {
        Bytes bad = good;
        Patch32(bad, at, value);
        if (at == 28) {
            bad[30] = 0;  // the bit count is a 16-bit field
        }
        EXPECT_EQ(Load(bad), 0) << "offset " << at << " = " << value;
    }
    // A palette count far beyond the file: at most the depth's own palette is read.
    BmpOptions o;
    o.bitCount = 8;
    o.paletteEntries = 2;
    Bytes shortPalette = fixtures::MakeBmp(o);
    Patch32(shortPalette, 46, 0xFFFFFFF0);
    EXPECT_EQ(Load(shortPalette), 0);
    EXPECT_EQ(Load(fixtures::MakeJpeg({}), "photo.bmp"), 0);
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(LoaderTest, BmpRunLengthEncodedPicturesAreDecoded) {
    // 8-bit, 6 x 3: a run, an absolute stretch, a delta, the end codes, and a run longer than
    // its row, cut at the edge.
    const Bytes rle8 = {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1, 4, 0, 0, 10, 6, 0, 1};
    DibSurface surface;
    ASSERT_EQ(surface.LoadImageFile(
                  m_dir.Write("rle8.bmp", fixtures::MakeRleBmp(6, 3, 8, rle8)).c_str()),
              1);
    const int rows[3][6] = {{5, 5, 5, 7, 8, 9}, {1, 1, 0, 0, 4, 0}, {6, 6, 6, 6, 6, 6}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(surface.m_pBits[y * surface.GetRowStride() + x], rows[y][x]) << x << y;
        }
    }
    // 4-bit: a run of alternating nibbles, then an absolute stretch.
    DibSurface nibbles;
    ASSERT_EQ(nibbles.LoadImageFile(m_dir.Write("rle4.bmp", fixtures::MakeRleBmp(
                                                                6, 1, 4, {3, 0x12, 0, 3, 0x34,
                                                                          0x50, 0, 1}))
                                        .c_str()),
              1);
    EXPECT_EQ(nibbles.m_pBits[0], 0x12);
    EXPECT_EQ(nibbles.m_pBits[1], 0x13);
    EXPECT_EQ(nibbles.m_pBits[2], 0x45);
    // Without the end code, or cut inside an absolute stretch: incomplete. Deltas far outside
    // the picture write nothing.
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {3, 5, 0, 0})), 0);
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 6, 1, 2})), 0);
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 2, 255, 255, 4, 1, 0, 1})), 1);
}

TEST_F(LoaderTest, JpegColourGreyProgressiveAndCmykFiles) {
    fixtures::JpegOptions odd;
    odd.width = 101;
    odd.height = 37;
    odd.quality = 100;
    ExpectPicture(fixtures::MakeJpeg(odd, Blocks), "odd.JPG", 101, 37, Blocks, 6, "101 wide");
    fixtures::JpegOptions grey;
    grey.greyscale = true;
    ExpectPicture(
        fixtures::MakeJpeg(grey, Blocks), "grey.jpg", 16, 16,
        [](int x, int y) { return RGB(GetGValue(Blocks(x, y)), GetGValue(Blocks(x, y)),
                                      GetGValue(Blocks(x, y))); },
        4, "greyscale");
    fixtures::JpegOptions progressive;
    progressive.width = 48;
    progressive.progressive = true;
    ExpectPicture(fixtures::MakeJpeg(progressive, Blocks), "p.jpg", 48, 16, Blocks, 6, "progressive");
    fixtures::JpegOptions cmyk;
    cmyk.cmyk = true;
    ExpectPicture(fixtures::MakeJpeg(cmyk, Blocks), "cmyk.jpg", 16, 16, Blocks, 8, "CMYK");
    EXPECT_TRUE(m_sink.messages.empty());
}

// Sets the frame size in the first start-of-frame marker.
Bytes WithDeclaredSize(Bytes bytes, int width, int height) {
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<uint8_t>(height);
            bytes[i + 7] = static_cast<uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<uint8_t>(width);
            break;
        }
    }
    return bytes;
}

TEST_F(LoaderTest, JpegErrorsShowTheLibrarysMessageOnceAndWarningsStillLoad) {
    fixtures::JpegOptions o;
    o.width = 64;
    o.height = 64;
    o.progressive = true;  // several scans: the cut gives more than one warning
    Bytes cut = fixtures::MakeJpeg(o, Blocks);
    cut.resize(cut.size() / 2);
    const Bytes small = fixtures::MakeJpeg({}, Blocks);
    struct Case {
        Bytes bytes;
        int loaded;
        const char* message;  // null: no box
    } cases[] = {
        {cut, 1, "Premature end of JPEG file"},
        {{}, 0, "Empty input file"},
        {{'B', 'M', 1, 2, 3}, 0, "Not a JPEG file: starts with 0x42 0x4d"},
        {{0xFF, 0xD8, 0xFF, 0xD9}, 0, "JPEG datastream contains no image"},
        {WithDeclaredSize(small, 65535, 1), 0, "Maximum supported image dimension is 65500 pixels"},
        // Too large for a surface: refused quietly, as any surface that cannot be made.
        {WithDeclaredSize(small, 40000, 10), 0, nullptr},
        {WithDeclaredSize(small, 20000, 20000), 0, nullptr},
    };
    for (const Case& c : cases) {
        m_sink.messages.clear();
        EXPECT_EQ(Load(c.bytes, "p.jpg"), c.loaded) << c.message;
        ASSERT_EQ(m_sink.messages.size(), c.message != nullptr ? 1u : 0u) << c.message;
        if (c.message != nullptr) {
            EXPECT_EQ(m_sink.messages[0].title, "JPEG Error");
            EXPECT_EQ(m_sink.messages[0].text, c.message);
        }
    }
    // The process goes on: the next file loads normally.
    ExpectPicture(small, "good.jpg", 16, 16, Blocks, 6, "after the errors");
}

TEST_F(LoaderTest, OtherNamesGoToTheDecoderSizedAtTheScreensDpiOverBlack) {
    PlatformImage image = testutil::SolidImage(4, 2, 0xFFFF0000);
    image.pixels[1] = 0x00FFFFFF;  // fully transparent
    image.pixels[2] = 0x80FF8000;  // half transparent
    m_decoder.picture = image;
    for (const char* name : {"a.gif", "sunset.jpeg", "b.png", "x.BMPX", "noextension"}) {
        m_decoder.decoded.clear();
        DibSurface s;
        ASSERT_EQ(s.LoadImageFile(m_dir.Write(name, {1, 2, 3}).c_str()), 1) << name;
        ASSERT_EQ(m_decoder.decoded, (std::vector<std::vector<uint8_t>>{{1, 2, 3}})) << name;
        EXPECT_EQ(Get(s, 0, 0), RGB(255, 0, 0));
        EXPECT_EQ(Get(s, 1, 0), RGB(0, 0, 0));
        EXPECT_EQ(Get(s, 2, 0), RGB(128, 64, 0));
    }
    m_decoder.dpiX = 192;
    m_decoder.dpiY = 144;
    DibSurface big;
    ASSERT_EQ(big.LoadImageFile(m_dir.Write("p.png", {0}).c_str()), 1);
    EXPECT_EQ(big.GetWidth(), 8);
    EXPECT_EQ(big.GetHeight(), 3);
    EXPECT_EQ(PictureSizeAtDpi(1, 10), 0);       // rounds to nothing
    EXPECT_EQ(PictureSizeAtDpi(30000, 192), 0);  // larger than any surface
    // Not decoded, or empty.
    m_decoder.picture.reset();
    EXPECT_EQ(Load({9, 9}, "bad.gif"), 0);
    EXPECT_EQ(Load({}, "empty.gif"), 0);
}

TEST_F(LoaderTest, OnlyRegularFilesAreOpenedAndNothingBlocks) {
    const std::string base = m_dir.Path() + "/x";
    ASSERT_EQ(mkfifo((base + ".bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((base + ".jpg").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((base + ".gif").c_str(), 0600), 0);
    ASSERT_EQ(mkdir((base + "folder.bmp").c_str(), 0700), 0);
    for (const std::string& path :
         {base + ".bmp", base + ".jpg", base + ".gif", base + "folder.bmp", std::string("/dev/zero"),
          m_dir.Path(), base + "missing.jpg", std::string("")}) {
        DibSurface surface;
        EXPECT_EQ(surface.LoadImageFile(path.c_str()), 0) << path;
    }
    EXPECT_TRUE(m_decoder.decoded.empty());
    EXPECT_TRUE(m_sink.messages.empty());
    // A read error is reported: the kernel says this file has length 0, and reading it fails.
    DibSurface surface;
    EXPECT_EQ(surface.LoadBmpFile("/proc/self/mem"), 0);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_NE(m_sink.messages[0].text.find("/proc/self/mem"), std::string::npos);
}

}  // namespace
