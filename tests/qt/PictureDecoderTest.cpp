#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "imaging/PictureFile.h"
#include "platform/QtPictureDecoder.h"

namespace {

// The smallest GIF there is: one transparent pixel on a 1 x 1 screen.
const fixtures::Bytes kOnePixelGif = {'G', 'I', 'F',  '8',  '9',  'a',  1,    0, 1,    0,    0x80,
                                      0,   0,   0xFF, 0xFF, 0xFF, 0,    0,    0, 0x21, 0xF9, 4,
                                      1,   0,   0,    0,    0,    0x2C, 0,    0, 0,    0,    1,
                                      0,   1,   0,    0,    2,    2,    0x44, 1, 0,    0x3B};

fixtures::Bytes Png(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return fixtures::Bytes(data.begin(), data.end());
}

class PictureDecoderTest : public ::testing::Test {
protected:
    LoadedPicture Load(const char* name, const fixtures::Bytes& bytes) {
        return LoadImageFile(m_dir.Write(name, bytes).c_str(), &m_decoder);
    }
    QtPictureDecoder m_decoder{96, 96};
    fixtures::TempDir m_dir;
};

TEST_F(PictureDecoderTest, TransparentPartsAreBlack) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0xFFFFFFFF);
    image.setPixel(1, 0, 0x00FFFFFF);
    LoadedPicture png = Load("p.png", Png(image));
    ASSERT_TRUE(png.Loaded());
    EXPECT_EQ(testutil::Get(png.surface, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(testutil::Get(png.surface, 1, 0), RGB(0, 0, 0));
    LoadedPicture gif = Load("p.gif", kOnePixelGif);
    ASSERT_TRUE(gif.Loaded());
    EXPECT_EQ(testutil::Get(gif.surface, 0, 0), RGB(0, 0, 0));
}

TEST_F(PictureDecoderTest, GarbageAndHugeDeclaredSizesFailAndNothingIsSaid) {
    EXPECT_FALSE(Load("junk.gif", {'G', 'I', 'F', '8', '9', 'a'}).Loaded());
    EXPECT_FALSE(Load("junk.png", {1, 2, 3, 4, 5}).Loaded());
    // A screen and an image of 65535 x 65535 pixels.
    fixtures::Bytes huge = kOnePixelGif;
    for (size_t at : {6, 7, 8, 9, 32, 33, 34, 35}) {
        huge[at] = 0xFF;
    }
    EXPECT_FALSE(Load("huge.gif", huge).Loaded());
    // 15651 x 16386 would fit a surface, but is far past the picture limit: refused before
    // the decoder fills a gigabyte (a file the fuzzer found, which took seconds).
    fixtures::Bytes large = kOnePixelGif;
    large[6] = 0x23;
    large[7] = 0x3D;
    large[8] = 0x02;
    large[9] = 0x40;
    const LoadedPicture refused = Load("large.gif", large);
    EXPECT_FALSE(refused.Loaded() || !refused.messages.empty());
    // At the limit's edge a picture still loads.
    QImage wide(4096, 2, QImage::Format_RGB32);
    wide.fill(Qt::red);
    const LoadedPicture edge = Load("wide.png", Png(wide));
    EXPECT_EQ(edge.surface.GetWidth(), 4096);
}

}  // namespace
