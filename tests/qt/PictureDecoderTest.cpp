#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"
#include "imaging/PictureFile.h"
#include "platform/QtPictureDecoder.h"

namespace {

class PictureDecoderTest : public ::testing::Test {
protected:
    int Load(DibSurface& s, const char* pszPath) {
        LoadedPicture loaded = LoadImageFile(pszPath, &m_decoder);
        const int nLoaded = loaded.Loaded() ? 1 : 0;
        s = std::move(loaded.surface);
        return nLoaded;
    }
    QtPictureDecoder m_decoder{96, 96};
    fixtures::TempDir m_dir;
};

TEST_F(PictureDecoderTest, TransparentPartsAreBlackAndOnlyTheFirstFrameCounts) {
    fixtures::GifFrame first, second;
    first.indices = {1, 2, 2, 1};
    first.transparentIndex = 2;
    second.indices = {3, 3, 3, 3};
    const std::string path = m_dir.Write(
        "anim.gif", fixtures::MakeGif(2, 2, {0, 0xFFFFFF, 0x00FF00, 0xFF0000}, {first, second}));
    DibSurface s;
    ASSERT_EQ(Load(s, path.c_str()), 1);
    EXPECT_EQ(testutil::Get(s, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(testutil::Get(s, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(testutil::Get(s, 0, 1), RGB(0, 0, 0));
    EXPECT_EQ(testutil::Get(s, 1, 1), RGB(255, 255, 255));
}

TEST_F(PictureDecoderTest, GarbageAndHugeDeclaredSizesFail) {
    DibSurface s;
    EXPECT_EQ(Load(s, m_dir.Write("junk.gif", {'G', 'I', 'F', '8', '9', 'a'}).c_str()), 0);
    EXPECT_EQ(Load(s, m_dir.Write("junk.png", {1, 2, 3, 4, 5}).c_str()), 0);
    // A GIF whose screen claims 65535 x 65535 pixels.
    fixtures::GifFrame frame;
    frame.indices = {0};
    fixtures::Bytes huge = fixtures::MakeGif(1, 1, {0xFFFFFF}, {frame});
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
    const size_t descriptor = 13 + 768 + 8 + 5;  // image descriptor's width and height
    huge[descriptor] = huge[descriptor + 1] = huge[descriptor + 2] = huge[descriptor + 3] = 0xFF;
    EXPECT_EQ(Load(s, m_dir.Write("huge.gif", huge).c_str()), 0);

    // 15651 x 16386 would fit a surface, but is far past the picture limit: refused before
    // the decoder fills a gigabyte (a file the fuzzer found, which took seconds).
    fixtures::Bytes large = fixtures::MakeGif(1, 1, {0xFFFFFF}, {frame});
    large[6] = 0x23;
    large[7] = 0x3D;
    large[8] = 0x02;
    large[9] = 0x40;
    EXPECT_EQ(Load(s, m_dir.Write("large.gif", large).c_str()), 0);
    // At the limit's edge a picture still loads.
    fixtures::GifFrame wide;
    wide.indices.assign(4096 * 2, 1);
    EXPECT_EQ(
        Load(s, m_dir.Write("wide.gif", fixtures::MakeGif(4096, 2, {0, 0xFF0000}, {wide})).c_str()),
        1);
    EXPECT_EQ(s.GetWidth(), 4096);
}

}  // namespace
