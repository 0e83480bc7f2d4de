#include <gtest/gtest.h>

#include <cstdlib>

#include "DibSurface.h"
#include "Fixtures.h"
#include "ImagingPlatform.h"
#include "ImagingTestUtil.h"

namespace {

using fixtures::Bytes;
using fixtures::JpegOptions;

// Colours in flat 8 x 8 blocks, which JPEG keeps almost exactly.
COLORREF Blocks(int x, int y) {
    const int bx = x / 8, by = y / 8;
    return RGB(static_cast<uint8_t>(40 + 50 * (bx % 4)), static_cast<uint8_t>(30 + 70 * (by % 3)),
               static_cast<uint8_t>(200 - 60 * ((bx + by) % 3)));
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class JpegLoaderTest : public ::testing::Test {
protected:
    JpegLoaderTest() {
        ImagingPlatform platform;
        platform.messages = &m_sink;
        m_scope = std::make_unique<ScopedImagingPlatform>(platform);
    }

    // Loads the file and checks every pixel against the colours it was made from.
    void ExpectPicture(const std::string& path, int width, int height, const fixtures::ColorAt& c,
                       int tolerance, const std::string& what) {
        DibSurface s;
        ASSERT_EQ(s.LoadImageFile(path.c_str()), 1) << what;
        ASSERT_EQ(s.GetWidth(), width) << what;
        ASSERT_EQ(s.GetHeight(), height) << what;
        ASSERT_EQ(s.GetBitCount(), 24) << what;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_TRUE(Near(testutil::Get(s, x, y), c(x, y), tolerance))
                    << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                    << testutil::Get(s, x, y) << ", expected about " << c(x, y);
            }
        }
    }

    fixtures::TempDir m_dir;
    fixtures::RecordingSink m_sink;
    std::unique_ptr<ScopedImagingPlatform> m_scope;
};

TEST_F(JpegLoaderTest, UpperCaseJpgGoesToTheJpegLoader) {
    JpegOptions o;
    o.width = 40;
    o.height = 24;
    // No picture decoder is installed: only the JPEG loader can load this.
    const std::string path = m_dir.Write("SUNSET.JPG", fixtures::MakeJpeg(o, Blocks));
    ExpectPicture(path, 40, 24, Blocks, 6, "SUNSET.JPG");
    DibSurface s;
    EXPECT_EQ(s.LoadImageFile(m_dir.Write("sunset.jpeg", fixtures::MakeJpeg(o, Blocks)).c_str()),
              0);
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(JpegLoaderTest, OddWidthsHaveCorrectColoursInEveryRow) {
    JpegOptions o;
    o.width = 101;
    o.height = 37;
    o.quality = 100;
    const std::string path = m_dir.Write("w101.jpg", fixtures::MakeJpeg(o, Blocks));
    ExpectPicture(path, 101, 37, Blocks, 6, "101 wide");
    DibSurface s;
    ASSERT_EQ(s.LoadJpegFile(path.c_str()), 1);
    EXPECT_EQ(s.GetRowStride(), 304);
}

TEST_F(JpegLoaderTest, GreyProgressiveAndCmykFiles) {
    JpegOptions grey;
    grey.width = 24;
    grey.height = 16;
    grey.greyscale = true;
    auto greyOf = [](int x, int y) {
        const uint8_t g = GetGValue(Blocks(x, y));
        return RGB(g, g, g);
    };
    ExpectPicture(m_dir.Write("grey.jpg", fixtures::MakeJpeg(grey, Blocks)), 24, 16, greyOf, 4,
                  "greyscale");

    JpegOptions progressive;
    progressive.width = 48;
    progressive.height = 40;
    progressive.progressive = true;
    ExpectPicture(m_dir.Write("prog.jpg", fixtures::MakeJpeg(progressive, Blocks)), 48, 40, Blocks,
                  6, "progressive");

    JpegOptions cmyk;
    cmyk.width = 32;
    cmyk.height = 16;
    cmyk.cmyk = true;
    ExpectPicture(m_dir.Write("cmyk.jpg", fixtures::MakeJpeg(cmyk, Blocks)), 32, 16, Blocks, 8,
                  "CMYK");
    EXPECT_TRUE(m_sink.messages.empty());
}

TEST_F(JpegLoaderTest, ACutOffFileWarnsOnceAndLoads) {
    JpegOptions o;
    o.width = 64;
    o.height = 64;
    o.progressive = true;  // several scans: the cut produces more than one warning
    Bytes bytes = fixtures::MakeJpeg(o, Blocks);
    bytes.resize(bytes.size() / 2);
    DibSurface s;
    EXPECT_EQ(s.LoadImageFile(m_dir.Write("cut.jpg", bytes).c_str()), 1);
    EXPECT_EQ(s.GetWidth(), 64);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_EQ(m_sink.messages[0].title, "JPEG Error");
    EXPECT_EQ(m_sink.messages[0].text, "Premature end of JPEG file");
}

TEST_F(JpegLoaderTest, FatalErrorsShowTheMessageAndFail) {
    struct Case {
        Bytes bytes;
        const char* message;
    } cases[] = {
        {{}, "Empty input file"},
        {{'B', 'M', 1, 2, 3}, "Not a JPEG file: starts with 0x42 0x4d"},
        // Start of image, then end of image: no frame at all.
        {{0xFF, 0xD8, 0xFF, 0xD9}, "JPEG datastream contains no image"},
    };
    for (const Case& c : cases) {
        m_sink.messages.clear();
        DibSurface s;
        EXPECT_EQ(s.LoadJpegFile(m_dir.Write("bad.jpg", c.bytes).c_str()), 0) << c.message;
        ASSERT_EQ(m_sink.messages.size(), 1u) << c.message;
        EXPECT_EQ(m_sink.messages[0].title, "JPEG Error");
        EXPECT_EQ(m_sink.messages[0].text, c.message);
    }
    // The process goes on: the next file loads normally.
    ExpectPicture(m_dir.Write("good.jpg", fixtures::MakeJpeg({}, Blocks)), 16, 16, Blocks, 6,
                  "after the errors");
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

TEST_F(JpegLoaderTest, AbsurdDeclaredSizesFailBeforeDecoding) {
    const Bytes small = fixtures::MakeJpeg({}, Blocks);
    // Too large for a surface: refused quietly, as any surface that cannot be made.
    for (auto [w, h] : {std::pair{65000, 65000}, {40000, 10}, {20000, 20000}}) {
        m_sink.messages.clear();
        DibSurface s;
        EXPECT_EQ(s.LoadJpegFile(m_dir.Write("huge.jpg", WithDeclaredSize(small, w, h)).c_str()), 0)
            << w << " x " << h;
        EXPECT_TRUE(m_sink.messages.empty()) << w << " x " << h;
    }
    // Too large for the library itself: its own fatal error.
    m_sink.messages.clear();
    DibSurface widest;
    EXPECT_EQ(
        widest.LoadJpegFile(m_dir.Write("wide.jpg", WithDeclaredSize(small, 65535, 1)).c_str()), 0);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_EQ(m_sink.messages[0].text, "Maximum supported image dimension is 65500 pixels");

    // A size that fits but data for far less: the library fills in, with one warning.
    m_sink.messages.clear();
    DibSurface s;
    EXPECT_EQ(s.LoadJpegFile(m_dir.Write("big.jpg", WithDeclaredSize(small, 2000, 1000)).c_str()),
              1);
    EXPECT_EQ(s.GetWidth(), 2000);
    EXPECT_EQ(m_sink.messages.size(), 1u);
}

TEST_F(JpegLoaderTest, DamagedDataNeverCrashes) {
    JpegOptions o;
    o.width = 40;
    o.height = 30;
    const Bytes good = fixtures::MakeJpeg(o, Blocks);
    for (size_t at = 2; at < good.size(); at += 7) {
        Bytes bad = good;
        bad[at] ^= 0xA5;
        m_sink.messages.clear();
        DibSurface s;
        const int result = s.LoadJpegFile(m_dir.Write("damaged.jpg", bad).c_str());
        // At most the first warning, and at most one fatal error after it.
        if (result == 1) {
            EXPECT_EQ(s.GetBitCount(), 24);
            EXPECT_LE(m_sink.messages.size(), 1u) << "byte " << at;
        } else {
            EXPECT_LE(m_sink.messages.size(), 2u) << "byte " << at;
        }
    }
}

}  // namespace
