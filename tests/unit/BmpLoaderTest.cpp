#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "DibSurface.h"
#include "Fixtures.h"
#include "ImagingPlatform.h"
#include "ImagingTestUtil.h"

namespace {

using fixtures::BmpOptions;
using fixtures::Bytes;

class BmpLoaderTest : public ::testing::Test {
protected:
    BmpLoaderTest() {
        ImagingPlatform platform;
        platform.messages = &m_sink;
        m_scope = std::make_unique<ScopedImagingPlatform>(platform);
    }

    // Loads the bytes as a .bmp file and checks every pixel as the program draws it.
    void ExpectLoads(const BmpOptions& o, const std::string& what) {
        const std::string path = m_dir.Write("picture.bmp", fixtures::MakeBmp(o));
        DibSurface surface;
        ASSERT_EQ(surface.LoadImageFile(path.c_str()), 1) << what;
        ASSERT_EQ(surface.GetWidth(), o.width) << what;
        ASSERT_EQ(surface.GetHeight(), o.height) << what;
        ASSERT_EQ(surface.GetBitCount(), o.bitCount) << what;
        DibSurface shown(o.width, o.height, 24);
        ASSERT_GT(surface.DrawTo(*shown.m_hMemDC, 0, 0), 0) << what;
        for (int y = 0; y < o.height; ++y) {
            for (int x = 0; x < o.width; ++x) {
                ASSERT_EQ(testutil::Get(shown, x, y), fixtures::ExpectedBmpColor(o, x, y))
                    << what << ": pixel (" << x << ", " << y << ")";
            }
        }
        EXPECT_TRUE(m_sink.messages.empty()) << what;
    }

    int Load(const Bytes& bytes, const char* name = "picture.bmp") {
        const std::string path = m_dir.Write(name, bytes);
        DibSurface surface;
        return surface.LoadImageFile(path.c_str());
    }

    fixtures::TempDir m_dir;
    fixtures::RecordingSink m_sink;
    std::unique_ptr<ScopedImagingPlatform> m_scope;
};

TEST_F(BmpLoaderTest, ATwentyFourBitPictureThirtyThreePixelsWide) {
    BmpOptions o;
    o.width = 33;
    o.height = 5;
    const Bytes bytes = fixtures::MakeBmp(o);
    EXPECT_EQ(bytes.size(), 54u + 100 * 5);  // 99 pixel bytes and 1 padding byte per row
    ExpectLoads(o, "24-bit, 33 wide");
}

TEST_F(BmpLoaderTest, EveryDepthAndLayoutThatToolsWrite) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            for (uint32_t header : {40u, 108u, 124u}) {
                BmpOptions o;
                o.width = 13;
                o.height = 7;
                o.bitCount = bpp;
                o.topDown = topDown;
                o.headerSize = header;
                ExpectLoads(o, std::to_string(bpp) + "-bit, header " + std::to_string(header) +
                                   (topDown ? ", top-down" : ""));
            }
        }
    }
    for (int bpp : {1, 4, 8, 24}) {
        BmpOptions o;
        o.width = 9;
        o.height = 4;
        o.bitCount = bpp;
        o.headerSize = 12;
        ExpectLoads(o, std::to_string(bpp) + "-bit with the 12-byte header");
    }
}

TEST_F(BmpLoaderTest, BitFieldMasksForSixteenAndThirtyTwoBits) {
    const uint32_t masks565[3] = {0xF800, 0x07E0, 0x001F};
    const uint32_t masks32[3] = {0x000000FF, 0x00FF0000, 0x0000FF00};
    const uint32_t masks10[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
    struct Case {
        int bpp;
        const uint32_t* masks;
    } cases[] = {{16, masks565}, {32, masks32}, {32, masks10}};
    for (const Case& c : cases) {
        for (uint32_t header : {40u, 108u, 124u}) {
            BmpOptions o;
            o.width = 11;
            o.height = 6;
            o.bitCount = c.bpp;
            o.compression = BI_BITFIELDS;
            o.headerSize = header;
            std::memcpy(o.masks, c.masks, sizeof(o.masks));
            ExpectLoads(
                o, std::to_string(c.bpp) + "-bit bit fields, header " + std::to_string(header));
        }
    }
}

TEST_F(BmpLoaderTest, ShortPalettesAndGapsBeforeThePixels) {
    for (auto [bpp, entries] : {std::pair{8, 10}, {8, 1}, {4, 3}, {1, 1}}) {
        BmpOptions o;
        o.width = 10;
        o.height = 3;
        o.bitCount = bpp;
        o.paletteEntries = entries;
        ExpectLoads(o, std::to_string(bpp) + "-bit with " + std::to_string(entries) + " colours");
    }
    BmpOptions gap;
    gap.bitCount = 8;
    gap.paletteEntries = 16;
    gap.gapBeforePixels = 6;
    ExpectLoads(gap, "8-bit, 16 colours, 6 bytes before the pixels");
}

TEST_F(BmpLoaderTest, AnEightBitPictureKeepsItsHeaderAndPalette) {
    BmpOptions o;
    o.width = 5;
    o.height = 2;
    o.bitCount = 8;
    const std::string path = m_dir.Write("p.bmp", fixtures::MakeBmp(o));
    DibSurface surface;
    ASSERT_EQ(surface.LoadBmpFile(path.c_str()), 1);
    EXPECT_EQ(surface.m_pInfo->bmiHeader.biXPelsPerMeter, 2835);
    EXPECT_EQ(surface.m_pInfo->bmiColors[3].rgbRed, 3);
    EXPECT_EQ(surface.m_pInfo->bmiColors[3].rgbGreen, 252);
    EXPECT_EQ(surface.m_pInfo->bmiColors[3].rgbBlue, 1);
    // Drawn stretched, the palette still holds.
    DibSurface big(10, 4, 24);
    surface.StretchDrawTo(*big.m_hMemDC, 0, 0, 10, 4, false, false);
    EXPECT_EQ(testutil::Get(big, 9, 3), fixtures::ExpectedBmpColor(o, 4, 1));
}

TEST_F(BmpLoaderTest, ClassicFilesAreReadByCountingNotByTheOffsetField) {
    BmpOptions o;
    o.pixelOffset = 9999;  // ignored: the rows follow the header
    ExpectLoads(o, "classic file with a wrong pixel offset");
}

TEST_F(BmpLoaderTest, WrongSignatureOrTruncationAtAnyByteFailsQuietly) {
    Bytes bytes = fixtures::MakeBmp(BmpOptions{});
    Bytes wrong = bytes;
    wrong[0] = 'X';
    EXPECT_EQ(Load(wrong), 0);
    // A JPEG named .bmp is not handed to another loader.
    EXPECT_EQ(Load(fixtures::MakeJpeg({}), "photo.bmp"), 0);
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_EQ(Load(Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n))), 0)
            << "cut to " << n << " bytes";
    }
    BmpOptions paletted;
    paletted.bitCount = 8;
    paletted.headerSize = 124;
    paletted.topDown = true;
    const Bytes p = fixtures::MakeBmp(paletted);
    for (size_t n = 0; n < p.size(); ++n) {
        EXPECT_EQ(Load(Bytes(p.begin(), p.begin() + static_cast<ptrdiff_t>(n))), 0)
            << "cut to " << n << " bytes";
    }
    EXPECT_TRUE(m_sink.messages.empty());
}

void Patch32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

TEST_F(BmpLoaderTest, HostileHeadersFailWithoutReadingOrWritingOutOfBounds) {
    const Bytes good = fixtures::MakeBmp(BmpOptions{});
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"zero width", 18, 0},
        {"negative width", 18, 0xFFFFFFF0},
        {"zero height", 22, 0},
        {"most negative height", 22, 0x80000000},
        {"huge width", 18, 0x7FFFFFFF},
        {"huge height", 22, 0x7FFFFFFF},
        {"width overflowing the stride", 18, 0x40000001},
        {"header size 0", 14, 0},
        {"header size beyond the file", 14, 0x7FFFFFFF},
        {"header size between known ones", 14, 20},
        {"bit count 0", 28, 0},
        {"bit count 7", 28, 7},
        {"unknown compression", 30, 77},
        {"RLE8 on 24 bits", 30, BI_RLE8},
        {"bit fields on 24 bits", 30, BI_BITFIELDS},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        if (c.at == 28) {  // a 16-bit field
            bad[28] = static_cast<uint8_t>(c.value);
            bad[29] = 0;
        } else {
            Patch32(bad, c.at, c.value);
        }
        EXPECT_EQ(Load(bad), 0) << c.what;
    }

    // A palette count far beyond the file: at most the depth's own palette is read, and
    // here not even that much is there.
    BmpOptions o;
    o.bitCount = 8;
    o.paletteEntries = 2;
    Bytes shortPalette = fixtures::MakeBmp(o);
    Patch32(shortPalette, 46, 0xFFFFFFF0);
    EXPECT_EQ(Load(shortPalette), 0);

    // A pixel offset past the end of a non-classic file: the rows are looked for right after
    // the palette instead.
    BmpOptions topDown;
    topDown.topDown = true;
    Bytes farOffset = fixtures::MakeBmp(topDown);
    Patch32(farOffset, 10, 0xFFFFFF00);
    EXPECT_EQ(Load(farOffset), 1);

    // More rows promised than the file holds.
    Bytes tall = good;
    Patch32(tall, 22, 1000);
    EXPECT_EQ(Load(tall), 0);
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(BmpLoaderTest, RunLengthEncodedPicturesAreDecoded) {
    // 8-bit, 6 x 3: a run, an absolute stretch, a delta and the end codes.
    const Bytes rle8 = {
        3,  5,              // 5 5 5
        0,  3, 7, 8, 9, 0,  // absolute 7 8 9 (padded to even)
        0,  0,              // end of row 0 (bottom)
        2,  1, 0, 2, 2, 0,  // 1 1, then move right 2
        1,  4, 0, 0,        // 4; end of row 1
        10, 6,              // a run longer than the row is cut at the edge
        0,  1,              // end of bitmap
    };
    DibSurface surface;
    ASSERT_EQ(
        surface.LoadBmpFile(m_dir.Write("rle8.bmp", fixtures::MakeRleBmp(6, 3, 8, rle8)).c_str()),
        1);
    ASSERT_EQ(surface.GetBitCount(), 8);
    EXPECT_EQ(surface.m_pInfo->bmiHeader.biCompression, BI_RGB);
    auto index = [&](int x, int yFromBottom) {
        return surface.m_pBits[yFromBottom * surface.GetRowStride() + x];
    };
    const int row0[] = {5, 5, 5, 7, 8, 9}, row1[] = {1, 1, 0, 0, 4, 0};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(index(x, 0), row0[x]) << x;
        EXPECT_EQ(index(x, 1), row1[x]) << x;
        EXPECT_EQ(index(x, 2), 6) << x;
    }

    // 4-bit, 6 x 1: a run of alternating nibbles and an absolute stretch (3 is the shortest:
    // escapes 0 to 2 are end of line, end of bitmap and delta).
    const Bytes rle4 = {3, 0x12, 0, 3, 0x34, 0x50, 0, 1};
    DibSurface nibbles;
    ASSERT_EQ(
        nibbles.LoadBmpFile(m_dir.Write("rle4.bmp", fixtures::MakeRleBmp(6, 1, 4, rle4)).c_str()),
        1);
    const uint8_t* p = nibbles.m_pBits;
    EXPECT_EQ(p[0], 0x12);  // 1 2
    EXPECT_EQ(p[1], 0x13);  // 1 3
    EXPECT_EQ(p[2], 0x45);  // 4 5

    // Without its end code, or cut inside an absolute stretch, the data is incomplete.
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {3, 5, 0, 0})), 0);
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 6, 1, 2})), 0);
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 2, 200})), 0);
    // Deltas far outside the picture write nothing.
    EXPECT_EQ(Load(fixtures::MakeRleBmp(6, 3, 8, {0, 2, 255, 255, 4, 1, 0, 1})), 1);
}

TEST_F(BmpLoaderTest, AReadErrorIsReportedAndFailsTheLoad) {
    // The kernel reports a plain file of length 0 here, and reading it at offset 0 fails.
    DibSurface surface;
    EXPECT_EQ(surface.LoadBmpFile("/proc/self/mem"), 0);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_NE(m_sink.messages[0].text.find("/proc/self/mem"), std::string::npos);
    EXPECT_NE(m_sink.messages[0].text.find("error"), std::string::npos);
}

TEST_F(BmpLoaderTest, OnlyRegularFilesAreOpenedAndNothingBlocks) {
    const std::string fifo = m_dir.Path() + "/pipe.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string fifoJpeg = m_dir.Path() + "/pipe.jpg";
    ASSERT_EQ(mkfifo(fifoJpeg.c_str(), 0600), 0);
    const std::string fifoGif = m_dir.Path() + "/pipe.gif";
    ASSERT_EQ(mkfifo(fifoGif.c_str(), 0600), 0);
    const std::string folder = m_dir.Path() + "/folder.bmp";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    for (const std::string& path :
         {fifo, fifoJpeg, fifoGif, folder, std::string("/dev/zero"), std::string("/dev/null"),
          m_dir.Path(), m_dir.Path() + "/missing.bmp", m_dir.Path() + "/missing.jpg",
          m_dir.Path() + "/missing.gif", m_dir.Path() + "/missing", std::string("")}) {
        DibSurface surface;
        EXPECT_EQ(surface.LoadImageFile(path.c_str()), 0) << path;
        EXPECT_EQ(surface.LoadBmpFile(path.c_str()), 0) << path;
        EXPECT_EQ(surface.LoadJpegFile(path.c_str()), 0) << path;
        EXPECT_EQ(surface.LoadPictureFile(path.c_str()), 0) << path;
    }
    EXPECT_TRUE(m_sink.messages.empty());
}

}  // namespace
