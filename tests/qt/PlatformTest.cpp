#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "app/SettingsStore.h"
#include "imaging/PictureFile.h"
#include "platform/QSettingsProfileStore.h"
#include "platform/QtPictureDecoder.h"

namespace {

// The smallest GIF there is: one transparent pixel on a 1 x 1 screen.
const fixtures::Bytes kOnePixelGif = {'G', 'I', 'F',  '8',  '9',  'a',  1,    0, 1,    0,    0x80,
                                      0,   0,   0xFF, 0xFF, 0xFF, 0,    0,    0, 0x21, 0xF9, 4,
                                      1,   0,   0,    0,    0,    0x2C, 0,    0, 0,    0,    1,
                                      0,   1,   0,    0,    2,    2,    0x44, 1, 0,    0x3B};

class PictureDecoderTest : public ::testing::Test {
protected:
    LoadedPicture Load(const char* name, const fixtures::Bytes& bytes) {
        return LoadImageFile(m_dir.Write(name, bytes).c_str(), &m_decoder);
    }
    QtPictureDecoder m_decoder{96, 96};
    fixtures::TempDir m_dir;
};

TEST_F(PictureDecoderTest, GarbageAndHugeDeclaredSizesFailAndNothingIsSaid) {
    // The transparent pixel is black.
    LoadedPicture gif = Load("p.gif", kOnePixelGif);
    ASSERT_TRUE(gif.Loaded());
    EXPECT_EQ(testutil::Get(gif.surface, 0, 0), RGB(0, 0, 0));
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
    const uint8_t size[] = {0x23, 0x3D, 0x02, 0x40};
    std::copy(size, size + 4, large.begin() + 6);
    const LoadedPicture refused = Load("large.gif", large);
    EXPECT_FALSE(refused.Loaded() || !refused.messages.empty());
    // At the limit's edge a picture still loads.
    QImage wide(4096, 2, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(QString::fromStdString(m_dir.Path() + "/wide.png")));
    const LoadedPicture edge = LoadImageFile((m_dir.Path() + "/wide.png").c_str(), &m_decoder);
    EXPECT_EQ(edge.surface.GetWidth(), 4096);
}

TEST(ProfileFile, HandEditedValuesOfTheWrongTypeGiveTheDefaultAndFailedSavesAreReported) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("edited.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Settings]\nNum_DWORD=3\nDWORD_0=fast\nDWORD_1=1, 2\nDWORD_2= 12 \nNum_String=6\n"
        "String_5=/pics/x, y.png\n");
    file.close();
    auto profile = QSettingsProfileStore::AtPath(path);
    SettingsStore store;
    store.SetDWordAt(0, 0x13F);
    store.SetDWordAt(1, 2);
    store.ExchangeProfile(profile, true);
    EXPECT_EQ(store.GetDWordAt(0), 0x13Fu);
    EXPECT_EQ(store.GetDWordAt(1), 2u);
    EXPECT_EQ(store.GetDWordAt(2), 12u);
    EXPECT_EQ(store.GetStringAt(5), "/pics/x, y.png");
    // A folder path that runs through a plain file cannot be made by anyone, root included.
    auto blocked = QSettingsProfileStore::AtPath(path + QStringLiteral("/sub/Velvetfade.ini"));
    EXPECT_FALSE(store.ExchangeProfile(blocked, false));
}

}  // namespace
