#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include <wayland-client-protocol.h>

#include <QImage>

#include "Fixtures.h"
#include "ImagingTestUtil.h"
#include "app/SettingsStore.h"
#include "app/SettingsView.h"
#include "imaging/PictureFile.h"
#include "platform/IniProfileStore.h"
#include "platform/QtPictureDecoder.h"
#include "platform/WaylandOverlay.h"

namespace {

// The smallest GIF there is: one transparent pixel on a 1 x 1 screen.
const fixtures::Bytes kOnePixelGif = {'G', 'I', 'F',  '8',  '9',  'a',  1,    0, 1,    0,    0x80,
                                      0,   0,   0xFF, 0xFF, 0xFF, 0,    0,    0, 0x21, 0xF9, 4,
                                      1,   0,   0,    0,    0,    0x2C, 0,    0, 0,    0,    1,
                                      0,   1,   0,    0,    2,    2,    0x44, 1, 0,    0x3B};

TEST(PictureDecoder, GarbageAndHugeDeclaredSizesFailAndNothingIsSaid) {
    QtPictureDecoder decoder{96, 96};
    fixtures::TempDir dir;
    const auto load = [&](const char* name, const fixtures::Bytes& bytes) {
        return LoadImageFile(dir.Write(name, bytes).c_str(), &decoder);
    };
    // The transparent pixel is black.
    LoadedPicture gif = load("p.gif", kOnePixelGif);
    ASSERT_TRUE(gif.Loaded());
    EXPECT_EQ(testutil::Get(gif.surface, 0, 0), RGB(0, 0, 0));
    EXPECT_FALSE(load("junk.gif", {'G', 'I', 'F', '8', '9', 'a'}).Loaded());
    EXPECT_FALSE(load("junk.png", {1, 2, 3, 4, 5}).Loaded());
    // A screen and an image of 65535 x 65535 pixels.
    fixtures::Bytes huge = kOnePixelGif;
    for (size_t at : {6, 7, 8, 9, 32, 33, 34, 35}) {
        huge[at] = 0xFF;
    }
    EXPECT_FALSE(load("huge.gif", huge).Loaded());
    // 15651 x 16386 would fit a surface, but is far past the picture limit: refused before
    // the decoder fills a gigabyte (a file the fuzzer found, which took seconds).
    fixtures::Bytes large = kOnePixelGif;
    fixtures::Patch32(large, 6, 16386u << 16 | 15651u);  // the screen's width and height
    const LoadedPicture refused = load("large.gif", large);
    EXPECT_FALSE(refused.Loaded() || !refused.messages.empty());
    // At the limit's edge a picture still loads.
    const std::string wide = dir.Path() + "/wide.png";
    QImage image(4096, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(wide)));
    EXPECT_EQ(LoadImageFile(wide.c_str(), &decoder).surface.GetWidth(), 4096);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ProfileFile, EntriesReadAsTheyStandEarlierQuotedOnesStillLoadAndSavesKeepTheRest) {
    fixtures::TempDir dir;
    const std::string text =
        "; kept\n[Settings]\nNum_DWORD=3\nDWORD_0=fast\nDWORD_1=1, 2\nDWORD_2 = 12 \nNum_String=9\n"
        "String_5=/p/a,b.bmp\nString_6=/p/c;d.bmp\nString_7=\"/p/q,x \\\"y\\\".bmp\"\n"
        "String_8=/p/\"odd\\x.bmp\n[Broken\n\n[Technology]\nMMX=0\n";
    const std::string path = dir.Write("edited.ini", fixtures::Bytes(text.begin(), text.end()));
    IniProfileStore profile(path);
    SettingsStore store;
    PutSaverDefaults(store);
    store.LoadFrom(profile);
    // Values of the wrong type give the default.
    EXPECT_EQ(store.GetDWordAt(0), SAVER_DEFAULT_EXIT_CONDITIONS);
    EXPECT_EQ(store.GetDWordAt(1), SAVER_DEFAULT_FRAMES_PER_SECOND);
    EXPECT_EQ(store.GetDWordAt(2), 12u);
    EXPECT_EQ(store.GetStringAt(5), "/p/a,b.bmp");
    EXPECT_EQ(store.GetStringAt(6), "/p/c;d.bmp");
    EXPECT_EQ(store.GetStringAt(7), "/p/q,x \"y\".bmp");
    EXPECT_EQ(store.GetStringAt(8), "/p/\"odd\\x.bmp");
    // Saving rewrites the record and nothing else: the comment, the damaged line and the other
    // section stay, and a damaged line is no failure.
    const std::string odd[] = {" lead", "trail ", "\"q\"", "a\\b\nc\x01", "/写真/夕日.jpg", ""};
    store.SetStringCount(5);
    for (const std::string& value : odd) {
        store.SetStringAt(store.GetStringCount(), value);
    }
    ASSERT_TRUE(store.ExchangeProfile(profile, false));
    const std::string saved = ReadText(path);
    EXPECT_EQ(saved.rfind("; kept\n[Settings]\nNum_DWORD=3\n", 0), 0u) << saved;
    EXPECT_NE(saved.find("String_5=\" lead\"\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("String_9=/写真/夕日.jpg\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\n[Broken\n\n[Technology]\nMMX=0\n"), std::string::npos) << saved;
    IniProfileStore again(path);
    SettingsStore loaded;
    loaded.LoadFrom(again);
    EXPECT_EQ(loaded.GetStringCount(), 11);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(loaded.GetStringAt(5 + i), odd[i]) << i;
    }
    EXPECT_EQ(again.GetProfileInt("Technology", "MMX", 1), 0u);
}

TEST(ProfileFile, OnlyARegularFileIsReadOrReplacedAndALinkToOneKeepsPointingAtIt) {
    fixtures::TempDir dir;
    const std::string record = "[Settings]\nNum_DWORD=1\nDWORD_0=8\n";
    const std::string real = dir.Write("real.ini", fixtures::Bytes(record.begin(), record.end()));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::string link = dir.Path() + "/link.ini";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    SettingsStore store;
    IniProfileStore viaLink(link);
    store.LoadFrom(viaLink);
    EXPECT_EQ(store.GetDWordAt(0), 8u);
    store.SetDWordAt(0, 9);
    ASSERT_TRUE(store.ExchangeProfile(viaLink, false));
    struct stat st {};
    EXPECT_TRUE(::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(ReadText(real).find("DWORD_0=9\n"), std::string::npos);

    // A FIFO neither hangs the load nor takes a save; nor does a folder, a link that leads
    // nowhere or a path through a plain file. Nothing is left behind.
    const std::string fifo = dir.Path() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string toFifo = dir.Path() + "/to-fifo.ini";
    const std::string dangling = dir.Path() + "/dangling.ini";
    ASSERT_EQ(::symlink(fifo.c_str(), toFifo.c_str()), 0);
    ASSERT_EQ(::symlink((dir.Path() + "/none").c_str(), dangling.c_str()), 0);
    for (const std::string& path : {fifo, toFifo, dangling, dir.Path(), real + "/sub/x.ini"}) {
        IniProfileStore profile(path);
        SettingsStore empty;
        empty.LoadFrom(profile);
        EXPECT_EQ(empty.GetDWordCount(), 0) << path;
        EXPECT_FALSE(SettingsStore::IsStoredIn(profile)) << path;
        EXPECT_FALSE(store.ExchangeProfile(profile, false)) << path;
    }
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_EQ(::lstat((dir.Path() + "/none").c_str(), &st), -1);
    // A missing file is made, with its folders.
    IniProfileStore fresh(dir.Path() + "/new/dir/Velvetfade.ini");
    EXPECT_TRUE(store.ExchangeProfile(fresh, false));
    EXPECT_EQ(ReadText(dir.Path() + "/new/dir/Velvetfade.ini").rfind("[Settings]\nDWORD_0=9\n", 0),
              0u);
}

// A screen capture as the compositor hands it over: blue or red in the lowest byte, the top byte
// and the rows' ends undefined, and top-down or, with the y-invert flag, bottom-up. Each gives
// the screen as it looks. A show takes its part from the output's corner, black beyond it.
TEST(WaylandCapture, EitherByteOrderAndEitherRowOrderGiveTheScreenAsItLooksAndShowsTheirPart) {
    const auto screen = [](uint32_t x, uint32_t y) { return 0x102030u + (x << 16) + (y << 8); };
    for (const uint32_t format : {WL_SHM_FORMAT_XRGB8888, WL_SHM_FORMAT_XBGR8888}) {
        for (const uint32_t flags : {0u, 1u}) {  // 1: y-invert
            const bool bRedFirst = format == WL_SHM_FORMAT_XBGR8888, bBottomUp = flags == 1;
            std::vector<uint8_t> buffer(2 * 16, 0x5A);  // 3 x 2 pixels in rows of 16 bytes
            for (uint32_t y = 0; y < 2; ++y) {
                for (uint32_t x = 0; x < 3; ++x) {
                    const uint32_t c = screen(x, y);
                    uint8_t* p = &buffer[(bBottomUp ? 1 - y : y) * 16 + x * 4];
                    p[0] = static_cast<uint8_t>(bRedFirst ? c >> 16 : c);
                    p[1] = static_cast<uint8_t>(c >> 8);
                    p[2] = static_cast<uint8_t>(bRedFirst ? c : c >> 16);
                }
            }
            const PlatformImage image = CapturedImage(buffer.data(), 3, 2, 16, format, flags);
            ASSERT_EQ(image.width * image.height, 6);
            for (uint32_t i = 0; i < 6; ++i) {
                EXPECT_EQ(image.pixels[i] & 0xFFFFFFu, screen(i % 3, i / 3))
                    << "red first " << bRedFirst << ", bottom-up " << bBottomUp << ", pixel " << i;
            }
        }
    }
    const uint32_t B = 0xFF000000u;
    CapturedOutput output(PlatformImage{3, 2, {1, 2, 3, 4, 5, 6}});
    EXPECT_EQ(output.CaptureScreen(1, 1, 3, 2)->pixels, (std::vector<uint32_t>{5, 6, B, B, B, B}));
    EXPECT_EQ(output.CaptureScreen(-1, 0, 2, 2)->pixels, (std::vector<uint32_t>{B, 1, B, 4}));
    EXPECT_FALSE(CapturedOutput().CaptureScreen(0, 0, 3, 2));
}

// A turned or mirrored output's capture comes in the panel's own orientation; each of the eight
// transforms (as sway applies them, seen end to end for all eight) is undone, a quarter turn
// swapping width and height.
TEST(WaylandCapture, EveryOutputTransformIsUndone) {
    const PlatformImage panel{3, 2, {1, 2, 3, 4, 5, 6}};
    const std::vector<std::vector<uint32_t>> upright = {
        {1, 2, 3, 4, 5, 6}, {4, 1, 5, 2, 6, 3}, {6, 5, 4, 3, 2, 1}, {3, 6, 2, 5, 1, 4},
        {3, 2, 1, 6, 5, 4}, {1, 4, 2, 5, 3, 6}, {4, 5, 6, 1, 2, 3}, {6, 3, 5, 2, 4, 1}};
    for (int32_t transform = 0; transform < 8; ++transform) {
        const PlatformImage image = UprightImage(panel, transform);
        EXPECT_EQ(image.width, transform % 2 == 0 ? 3 : 2) << "transform " << transform;
        EXPECT_EQ(image.pixels, upright[static_cast<size_t>(transform)])
            << "transform " << transform;
    }
}

}  // namespace
