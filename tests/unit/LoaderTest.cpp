#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"
#include "imaging/PictureFile.h"
#include "imaging/SurfaceLimits.h"

namespace {

using fixtures::BmpOptions;
using fixtures::Bytes;
using testutil::Get;

// Channels of 0 or 255 only: every depth and bit-field layout stores them exactly.
uint8_t Byte(int v) {
    return static_cast<uint8_t>(v);
}

COLORREF Corners(int x, int y) {
    return RGB(Byte((x & 1) * 255), Byte((y & 1) * 255), Byte(((x + y) & 2) != 0 ? 255 : 0));
}

// Colours in flat 8 x 8 blocks, which JPEG keeps almost exactly.
COLORREF Blocks(int x, int y) {
    const int bx = x / 8, by = y / 8;
    return RGB(Byte(40 + 50 * (bx % 4)), Byte(30 + 70 * (by % 3)),
               Byte(200 - 60 * ((bx + by) % 3)));
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
    // Loads the bytes as a file of that name; keeps what the loader says in m_messages.
    LoadedPicture LoadFile(const Bytes& bytes, const char* name) {
        LoadedPicture loaded = LoadImageFile(m_dir.Write(name, bytes).c_str(), &m_decoder);
        for (const PictureMessage& message : loaded.messages) {
            m_messages.push_back(message.title + ": " + message.text);
        }
        return loaded;
    }
    int Load(const Bytes& bytes, const char* name = "picture.bmp") {
        return LoadFile(bytes, name).Loaded() ? 1 : 0;
    }

    // Loads the file and compares every pixel, as drawn on a 24-bit surface, with the colours
    // it was made from.
    void ExpectPicture(const Bytes& bytes, const char* name, int w, int h,
                       const fixtures::ColorAt& color, int tolerance, const std::string& what) {
        LoadedPicture loaded = LoadFile(bytes, name);
        DibSurface& s = loaded.surface;
        ASSERT_TRUE(loaded.Loaded()) << what;
        ASSERT_EQ(s.GetWidth(), w) << what;
        ASSERT_EQ(s.GetHeight(), h) << what;
        DibSurface shown(w, h, 24);
        ASSERT_GT(s.DrawTo(*shown.MemDC(), 0, 0), 0) << what;
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
        BmpOptions o;
        o.width = 13;
        o.height = 7;
        o.bitCount = c[0];
        o.headerSize = static_cast<uint32_t>(c[1]);
        o.topDown = c[2] != 0;
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
        ExpectPicture(fixtures::MakeBmp(o, Corners), "p.bmp", 13, 7, expected, 0,
                      std::to_string(c[0]) + "-bit, header " + std::to_string(c[1]));
    }
    // Five-bit channels are widened by repeating their bits: 10000 is 10000100.
    BmpOptions mid;
    mid.bitCount = 16;
    ExpectPicture(
        fixtures::MakeBmp(mid, [](int, int) { return RGB(128, 128, 128); }), "m.bmp", 4, 3,
        [](int, int) { return RGB(132, 132, 132); }, 0, "16-bit grey");
    // A classic file is read by counting, whatever its pixel offset says.
    BmpOptions classic;
    classic.pixelOffset = 9999;
    ExpectPicture(fixtures::MakeBmp(classic, Corners), "c.bmp", 4, 3, Corners, 0, "classic");
    EXPECT_TRUE(m_messages.empty());
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
        {0, 0x4D58},        {18, 0},          {18, 0xFFFFFFF0}, {22, 0},  {22, 0x80000000},
        {18, 0x7FFFFFFF},   {22, 0x7FFFFFFF}, {18, 0x40000001}, {14, 0},  {14, 0x7FFFFFFF},
        {14, 20},           {28, 0},          {28, 7},          {30, 77}, {30, BI_RLE8},
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
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(LoaderTest, BmpRunLengthEncodedPicturesAreDecoded) {
    // 8-bit, 6 x 3: a run, an absolute stretch, a delta, the end codes, and a run longer than
    // its row, cut at the edge.
    const Bytes rle8 = {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1, 4, 0, 0, 10, 6, 0, 1};
    LoadedPicture loaded = LoadFile(fixtures::MakeRleBmp(6, 3, 8, rle8), "rle8.bmp");
    ASSERT_TRUE(loaded.Loaded());
    const int rows[3][6] = {{5, 5, 5, 7, 8, 9}, {1, 1, 0, 0, 4, 0}, {6, 6, 6, 6, 6, 6}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(loaded.surface.Bits()[y * loaded.surface.GetRowStride() + x], rows[y][x]);
        }
    }
    // 4-bit: a run of alternating nibbles, then an absolute stretch.
    loaded = LoadFile(fixtures::MakeRleBmp(6, 1, 4, {3, 0x12, 0, 3, 0x34, 0x50, 0, 1}), "4.bmp");
    ASSERT_TRUE(loaded.Loaded());
    EXPECT_EQ(loaded.surface.Bits()[0], 0x12);
    EXPECT_EQ(loaded.surface.Bits()[1], 0x13);
    EXPECT_EQ(loaded.surface.Bits()[2], 0x45);
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
        [](int x, int y) {
            return RGB(GetGValue(Blocks(x, y)), GetGValue(Blocks(x, y)), GetGValue(Blocks(x, y)));
        },
        4, "greyscale");
    fixtures::JpegOptions progressive;
    progressive.width = 48;
    progressive.progressive = true;
    ExpectPicture(fixtures::MakeJpeg(progressive, Blocks), "p.jpg", 48, 16, Blocks, 6,
                  "progressive");
    fixtures::JpegOptions cmyk;
    cmyk.cmyk = true;
    ExpectPicture(fixtures::MakeJpeg(cmyk, Blocks), "cmyk.jpg", 16, 16, Blocks, 8, "CMYK");
    EXPECT_TRUE(m_messages.empty());
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
        m_messages.clear();
        EXPECT_EQ(Load(c.bytes, "p.jpg"), c.loaded) << c.message;
        EXPECT_EQ(m_messages,
                  c.message != nullptr
                      ? std::vector<std::string>{std::string("JPEG Error: ") + c.message}
                      : std::vector<std::string>{});
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
        LoadedPicture loaded = LoadFile({1, 2, 3}, name);
        ASSERT_TRUE(loaded.Loaded()) << name;
        DibSurface& s = loaded.surface;
        ASSERT_EQ(m_decoder.decoded, (std::vector<std::vector<uint8_t>>{{1, 2, 3}})) << name;
        EXPECT_EQ(Get(s, 0, 0), RGB(255, 0, 0));
        EXPECT_EQ(Get(s, 1, 0), RGB(0, 0, 0));
        EXPECT_EQ(Get(s, 2, 0), RGB(128, 64, 0));
    }
    m_decoder.dpiX = 192;
    m_decoder.dpiY = 144;
    LoadedPicture big = LoadFile({0}, "p.png");
    EXPECT_EQ(big.surface.GetWidth(), 8);
    EXPECT_EQ(big.surface.GetHeight(), 3);
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
         {base + ".bmp", base + ".jpg", base + ".gif", base + "folder.bmp",
          std::string("/dev/zero"), m_dir.Path(), base + "missing.jpg", std::string("")}) {
        LoadedPicture loaded = LoadImageFile(path.c_str(), &m_decoder);
        EXPECT_FALSE(loaded.Loaded() || !loaded.messages.empty()) << path;
    }
    EXPECT_TRUE(m_decoder.decoded.empty());
    // A read error is reported: the kernel says this file has length 0, and reading it fails.
    LoadedPicture loaded = LoadBmpFile("/proc/self/mem");
    EXPECT_FALSE(loaded.Loaded());
    ASSERT_EQ(loaded.messages.size(), 1u);
    EXPECT_NE(loaded.messages[0].text.find("/proc/self/mem"), std::string::npos);
}

}  // namespace
