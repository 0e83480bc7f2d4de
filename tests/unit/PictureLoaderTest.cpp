#include <gtest/gtest.h>

#include "DibSurface.h"
#include "Fixtures.h"
#include "ImagingPlatform.h"
#include "ImagingTestUtil.h"
#include "SurfaceLimits.h"

namespace {

// Decodes any file to a fixed picture and records what it was given.
class FakeDecoder : public PictureDecoder {
public:
    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override {
        decoded.push_back(bytes);
        if (!picture) {
            return std::nullopt;
        }
        return picture;
    }
    int LogicalDpiX() override { return dpiX; }
    int LogicalDpiY() override { return dpiY; }

    std::optional<PlatformImage> picture;
    std::vector<std::vector<uint8_t>> decoded;
    int dpiX = 96, dpiY = 96;
};

class PictureLoaderTest : public ::testing::Test {
protected:
    PictureLoaderTest() {
        ImagingPlatform platform;
        platform.pictures = &m_decoder;
        m_scope = std::make_unique<ScopedImagingPlatform>(platform);
    }
    fixtures::TempDir m_dir;
    FakeDecoder m_decoder;
    std::unique_ptr<ScopedImagingPlatform> m_scope;
};

TEST(PictureSize, TheHimetricRoundTrip) {
    EXPECT_EQ(PictureSizeAtDpi(640, 96), 640);
    EXPECT_EQ(PictureSizeAtDpi(480, 96), 480);
    EXPECT_EQ(PictureSizeAtDpi(640, 120), 800);
    EXPECT_EQ(PictureSizeAtDpi(640, 192), 1280);
    EXPECT_EQ(PictureSizeAtDpi(1, 96), 1);
    for (int px = 1; px <= 4000; ++px) {
        ASSERT_EQ(PictureSizeAtDpi(px, 96), px);
    }
    EXPECT_EQ(PictureSizeAtDpi(1, 10), 0);       // rounds to nothing
    EXPECT_EQ(PictureSizeAtDpi(30000, 192), 0);  // larger than any surface
}

TEST_F(PictureLoaderTest, AnythingButBmpAndJpgGoesToThePictureDecoder) {
    m_decoder.picture = testutil::SolidImage(3, 2, 0xFF102030);
    for (const char* name :
         {"a.gif", "sunset.jpeg", "b.png", "c.dib", "x.BMPX", "gif", "ab", "noextension"}) {
        m_decoder.decoded.clear();
        DibSurface s;
        EXPECT_EQ(s.LoadImageFile(m_dir.Write(name, {1, 2, 3}).c_str()), 1) << name;
        ASSERT_EQ(m_decoder.decoded.size(), 1u) << name;
        EXPECT_EQ(m_decoder.decoded[0], (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(testutil::Get(s, 2, 1), RGB(0x10, 0x20, 0x30));
    }
    for (const char* name : {"a.bmp", "A.BMP", "a.Jpg", "a.JPG"}) {
        m_decoder.decoded.clear();
        DibSurface s;
        EXPECT_EQ(s.LoadImageFile(m_dir.Write(name, {1, 2, 3}).c_str()), 0) << name;
        EXPECT_TRUE(m_decoder.decoded.empty()) << name;
    }
}

TEST_F(PictureLoaderTest, SizedAtTheScreensDpiWithTransparencyOverBlack) {
    PlatformImage image = testutil::SolidImage(4, 2, 0xFFFF0000);
    image.pixels[1] = 0x00FFFFFF;  // fully transparent
    image.pixels[2] = 0x80FF8000;  // half transparent
    m_decoder.picture = image;
    DibSurface s;
    ASSERT_EQ(s.LoadPictureFile(m_dir.Write("p.png", {0}).c_str()), 1);
    EXPECT_EQ(s.GetWidth(), 4);
    EXPECT_EQ(s.GetHeight(), 2);
    EXPECT_EQ(s.GetBitCount(), 24);
    EXPECT_EQ(testutil::Get(s, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(testutil::Get(s, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(testutil::Get(s, 2, 0), RGB(128, 64, 0));

    m_decoder.dpiX = 192;
    m_decoder.dpiY = 144;
    DibSurface big;
    ASSERT_EQ(big.LoadPictureFile(m_dir.Write("p.png", {0}).c_str()), 1);
    EXPECT_EQ(big.GetWidth(), 8);
    EXPECT_EQ(big.GetHeight(), 3);
    EXPECT_EQ(testutil::Get(big, 7, 2), RGB(255, 0, 0));
}

TEST_F(PictureLoaderTest, FailuresOfTheDecoderOrTheFile) {
    DibSurface s;
    EXPECT_EQ(s.LoadPictureFile(m_dir.Write("bad.gif", {9, 9}).c_str()), 0);  // not decoded
    m_decoder.picture = testutil::SolidImage(2, 2, 0xFFFFFFFF);
    EXPECT_EQ(s.LoadPictureFile(m_dir.Write("empty.gif", {}).c_str()), 0);
    EXPECT_EQ(s.LoadPictureFile((m_dir.Path() + "/missing.gif").c_str()), 0);
    EXPECT_EQ(s.LoadPictureFile(nullptr), 0);
    EXPECT_EQ(s.LoadImageFile(nullptr), 0);

    ImagingPlatform none;
    ScopedImagingPlatform noDecoder(none);
    EXPECT_EQ(s.LoadPictureFile(m_dir.Write("p.gif", {1}).c_str()), 0);
}

}  // namespace
