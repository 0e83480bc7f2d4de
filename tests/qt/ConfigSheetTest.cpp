#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "CVelvetfadeConfigDlg.h"
#include "ConfigurationMode.h"
#include "Fixtures.h"
#include "ImagingPlatform.h"
#include "MemoryProfileStore.h"
#include "QtDesktopSource.h"
#include "SettingsSlots.h"
#include "SettingsStore.h"

namespace {

SettingsStore ConfigurationDefaults() {
    SettingsStore s;
    s.SetDWordAt(SLOT_EXIT_CONDITIONS, 0x13F);
    s.SetDWordAt(SLOT_FRAMES_PER_SECOND, 5);
    s.SetDWordAt(SLOT_FADE_STEP, 1);
    s.SetDWordAt(SLOT_INTERVAL_SECONDS, 10);
    return s;
}

TEST(ConfigMapping, UntouchedValuesGoBackExceptTheRebuiltBits) {
    SettingsStore s = ConfigurationDefaults();
    s.SetDWordAt(SLOT_EXIT_CONDITIONS, 0xFFFF00C2);  // left button, other bits noise
    s.SetDWordAt(SLOT_SCENE_KIND, 2);
    s.SetDWordAt(SLOT_RANDOM_FLAGS, 0xF5);
    s.SetDWordAt(SLOT_SINGLE_COLOR, 0x123456);
    s.SetDWordAt(SLOT_GRADATION_COLOR2, 0xFFFFFFFF);
    s.SetDWordAt(SLOT_PICTURE_PLACEMENT, 3);
    s.SetDWordAt(SLOT_FRAMES_PER_SECOND, 0);  // out of range: survives when not shown
    s.SetDWordAt(11, 77);                     // twelve slots
    s.SetStringAt(2, "kept");
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, "/p/b.gif");

    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    EXPECT_EQ(sheet.m_page1.m_arrFiles, (QStringList{"/p/a.jpg", "/p/b.gif"}));
    EXPECT_EQ(sheet.m_page3.m_bExitLeftButton, 1);
    EXPECT_EQ(sheet.m_page3.m_bExitOtherApp, 0);
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_EXIT_CONDITIONS), 0x10Au);  // left + middle + hidden cursor
    EXPECT_EQ(s.GetDWordAt(SLOT_RANDOM_FLAGS), 0x5u);
    EXPECT_EQ(s.GetDWordAt(SLOT_SCENE_KIND), 2u);
    EXPECT_EQ(s.GetDWordAt(SLOT_SINGLE_COLOR), 0x123456u);
    EXPECT_EQ(s.GetDWordAt(SLOT_GRADATION_COLOR2), 0xFFFFFFFFu);
    EXPECT_EQ(s.GetDWordAt(SLOT_PICTURE_PLACEMENT), 3u);
    EXPECT_EQ(s.GetDWordAt(SLOT_FRAMES_PER_SECOND), 0u);
    EXPECT_EQ(s.GetDWordCount(), 12);
    EXPECT_EQ(s.GetDWordAt(11), 77u);
    EXPECT_EQ(s.GetStringCount(), 7);
    EXPECT_EQ(s.GetStringAt(2), "kept");
    EXPECT_EQ(s.GetStringAt(6), "/p/b.gif");
}

TEST(ConfigMapping, EveryBoxClearedStores264AndAnEmptyListFiveStrings) {
    SettingsStore s = ConfigurationDefaults();
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    sheet.m_page3.m_bExitLeftButton = sheet.m_page3.m_bExitRightButton = 0;
    sheet.m_page3.m_bExitMouseMove = sheet.m_page3.m_bExitKeyDown = 0;
    sheet.m_page3.m_bExitOtherApp = 0;
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_EXIT_CONDITIONS), 264u);
    EXPECT_EQ(s.GetStringCount(), 5);
    sheet.m_page3.m_bExitLeftButton = sheet.m_page3.m_bExitRightButton = 1;
    sheet.m_page3.m_bExitMouseMove = sheet.m_page3.m_bExitKeyDown = 1;
    sheet.m_page3.m_bExitOtherApp = 1;
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_EXIT_CONDITIONS), 319u);
}

TEST(ConfigMapping, AModeOrPlacementOutsideTheChoicesStoresMinusOneOnceShown) {
    SettingsStore s = ConfigurationDefaults();
    s.SetDWordAt(SLOT_SCENE_KIND, 9);
    s.SetDWordAt(SLOT_PICTURE_PLACEMENT, 4);
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    sheet.show();  // the Mode page is always created
    sheet.OnOK();
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_SCENE_KIND), 0xFFFFFFFFu);
    EXPECT_EQ(s.GetDWordAt(SLOT_PICTURE_PLACEMENT), 0xFFFFFFFFu);
}

TEST(ConfigMapping, ASliderValueOutOfRangeIsClampedOnlyWhenTheDisplayPageWasShown) {
    SettingsStore s = ConfigurationDefaults();
    s.SetDWordAt(SLOT_FRAMES_PER_SECOND, 0);
    s.SetDWordAt(SLOT_FADE_STEP, 50);
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    sheet.show();
    sheet.Tabs()->setCurrentIndex(1);
    sheet.OnOK();
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_FRAMES_PER_SECOND), 1u);
    EXPECT_EQ(s.GetDWordAt(SLOT_FADE_STEP), 20u);
    EXPECT_EQ(s.GetDWordAt(SLOT_INTERVAL_SECONDS), 10u);
}

TEST(ConfigSheet, PagesAreMadeWhenFirstShownAndReadBackWhenLeft) {
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(ConfigurationDefaults());
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Setting of Velvetfade"));
    EXPECT_EQ(sheet.Tabs()->count(), 4);
    EXPECT_FALSE(sheet.m_page1.IsCreated());
    sheet.show();
    EXPECT_TRUE(sheet.m_page1.IsCreated());
    EXPECT_FALSE(sheet.m_page2.IsCreated());
    EXPECT_FALSE(sheet.m_page3.IsCreated());
    sheet.Tabs()->setCurrentIndex(2);
    ASSERT_TRUE(sheet.m_page3.IsCreated());
    auto* pOther = qobject_cast<QCheckBox*>(sheet.m_page3.Control(1020));
    EXPECT_TRUE(pOther->isChecked());
    pOther->setChecked(false);
    sheet.Tabs()->setCurrentIndex(0);  // leaving reads the page back
    EXPECT_EQ(sheet.m_page3.m_bExitOtherApp, 0);
    EXPECT_FALSE(sheet.m_page2.IsCreated());
}

// The whole configuration mode over an in-memory profile, the sheet run by the test.
TEST(ConfigurationMode, CancelWritesNothingAndOkWritesTheMappedValues) {
    MemoryProfileStore profile;
    profile.SetRaw("Settings", "Num_DWORD", "3");
    profile.SetRaw("Settings", "DWORD_2", "1");
    profile.SetRaw("Settings", "Num_String", "1");
    profile.SetRaw("Settings", "String_0", "reserved");
    const MemoryProfileStore before = profile;
    fixtures::RecordingSink sink;

    RunConfigurationMode(profile, sink, [](CVelvetfadeConfigDlg& sheet) {
        EXPECT_EQ(sheet.m_page1.m_nMode, 1);
        EXPECT_EQ(sheet.m_page2.m_nInterval, 10);  // the default where nothing was stored
        sheet.m_page1.m_nMode = 3;
        return false;
    });
    EXPECT_EQ(profile.Size(), before.Size());
    EXPECT_EQ(profile.GetProfileString("Settings", "DWORD_2", ""), "1");
    EXPECT_FALSE(profile.Has("Settings", "DWORD_9"));

    RunConfigurationMode(profile, sink, [](CVelvetfadeConfigDlg& sheet) {
        sheet.m_page1.m_btnSingleColor.SetColor(RGB(0, 128, 255));
        sheet.m_page1.m_arrFiles << "/p/x.jpg";
        return true;
    });
    EXPECT_EQ(profile.GetProfileInt("Settings", "Num_DWORD", 0), 10u);
    EXPECT_EQ(profile.GetProfileInt("Settings", "DWORD_0", 0), 319u);
    EXPECT_EQ(profile.GetProfileInt("Settings", "DWORD_2", 0), 1u);
    EXPECT_EQ(profile.GetProfileInt("Settings", "DWORD_5", 0), RGB(0, 128, 255));
    EXPECT_EQ(profile.GetProfileInt("Settings", "DWORD_9", 0), 10u);
    EXPECT_EQ(profile.GetProfileInt("Settings", "Num_String", 0), 6u);
    EXPECT_EQ(profile.GetProfileString("Settings", "String_0", ""), "reserved");
    EXPECT_EQ(profile.GetProfileString("Settings", "String_5", ""), "/p/x.jpg");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(ConfigurationMode, ASaveThatFailsIsReported) {
    MemoryProfileStore profile;
    profile.SetFailWrites(true);
    fixtures::RecordingSink sink;
    RunConfigurationMode(profile, sink, [](CVelvetfadeConfigDlg&) { return true; });
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "Setting of Velvetfade");
    EXPECT_EQ(sink.messages[0].text, "The settings could not be saved.");
}

class DisplayPageTest : public ::testing::Test {
protected:
    void Make(int fps, int smooth, int interval) {
        m_page.m_nFrameRate = fps;
        m_page.m_nSmoothness = smooth;
        m_page.m_nInterval = interval;
        m_page.Create();
    }
    QString Label(int id) { return static_cast<QLabel*>(m_page.Control(id))->text(); }
    void Arrow(int spinId, const char* side) {
        auto* pButton = m_page.Control(spinId)->findChild<QToolButton*>(QString::fromLatin1(side));
        QTest::mouseClick(pButton, Qt::LeftButton);
    }
    CVelvetfadeConfigPage2 m_page;
};

TEST_F(DisplayPageTest, DefaultsAndRanges) {
    Make(5, 1, 10);
    EXPECT_EQ(m_page.Slider(1015)->value(), 5);
    EXPECT_EQ(m_page.Slider(1017)->value(), 1);
    EXPECT_EQ(m_page.Slider(1016)->value(), 10);
    EXPECT_EQ(Label(1021), QStringLiteral("5"));
    EXPECT_EQ(Label(1023), QStringLiteral("1"));
    EXPECT_EQ(Label(1019), QStringLiteral("10"));
    EXPECT_EQ(m_page.Slider(1015)->minimum(), 1);
    EXPECT_EQ(m_page.Slider(1015)->maximum(), 60);
    EXPECT_EQ(m_page.Slider(1015)->tickInterval(), 5);
    EXPECT_EQ(m_page.Slider(1017)->maximum(), 20);
    EXPECT_EQ(m_page.Slider(1017)->tickInterval(), 1);
    EXPECT_EQ(m_page.Slider(1016)->minimum(), 0);
    EXPECT_EQ(m_page.Slider(1016)->maximum(), 60);
}

TEST_F(DisplayPageTest, AStoredZeroShowsTheSliderAtOneAndTheLabelAtZeroUntilAScroll) {
    Make(0, 1, 10);
    EXPECT_EQ(m_page.Slider(1015)->value(), 1);
    EXPECT_EQ(Label(1021), QStringLiteral("0"));
    m_page.Slider(1016)->setValue(11);  // any scroll
    EXPECT_EQ(Label(1021), QStringLiteral("1"));
    EXPECT_EQ(Label(1019), QStringLiteral("11"));
    EXPECT_EQ(m_page.m_nFrameRate, 1);
}

TEST_F(DisplayPageTest, ArrowsMoveByOneAndStopAtTheEnds) {
    Make(60, 20, 0);
    Arrow(1018, "right");
    EXPECT_EQ(m_page.m_nFrameRate, 60);
    EXPECT_EQ(Label(1021), QStringLiteral("60"));
    Arrow(1018, "left");
    EXPECT_EQ(m_page.m_nFrameRate, 59);
    EXPECT_EQ(m_page.Slider(1015)->value(), 59);
    Arrow(1022, "left");
    EXPECT_EQ(m_page.m_nInterval, 0);
    EXPECT_EQ(Label(1019), QStringLiteral("0"));
    Arrow(1022, "right");
    EXPECT_EQ(Label(1019), QStringLiteral("1"));
    Arrow(1020, "right");
    EXPECT_EQ(m_page.m_nSmoothness, 20);
    // A drag updates every label from its own slider.
    m_page.Slider(1017)->setValue(7);
    EXPECT_EQ(Label(1023), QStringLiteral("7"));
    EXPECT_EQ(Label(1021), QStringLiteral("59"));
}

// The embedded bitmaps 131 and 132 through the program's own resources.
class AboutPageTest : public ::testing::Test {
protected:
    AboutPageTest() {
        ImagingPlatform platform;
        platform.resources = &m_resources;
        m_scope = std::make_unique<ScopedImagingPlatform>(platform);
    }
    QtBitmapResources m_resources;
    std::unique_ptr<ScopedImagingPlatform> m_scope;
};

TEST_F(AboutPageTest, TheLevelFoldsBackAndTheTimerRunsOnlyWhileActive) {
    CVelvetfadeConfigPage4 page;
    page.Create();
    AnimatedPicture& picture = page.m_picture;
    ASSERT_EQ(picture.m_surfaces.size(), 3u);
    EXPECT_EQ(picture.m_surfaces[0]->GetWidth(), 128);
    EXPECT_EQ(picture.m_surfaces[0]->GetHeight(), 32);
    EXPECT_TRUE(picture.IsTimerRunning());
    EXPECT_EQ(picture.Level(), 0);  // the second picture alone
    std::vector<int> levels;
    for (int i = 0; i < 201; ++i) {
        picture.Advance();
        levels.push_back(picture.Level());
    }
    EXPECT_EQ(levels[99], 100);  // position 100: the first picture alone
    EXPECT_EQ(levels[199], 0);   // position 200
    EXPECT_EQ(levels[200], 0);   // and the following 0
    EXPECT_EQ(levels[149], 50);
    page.OnKillActive();
    EXPECT_FALSE(picture.IsTimerRunning());
    const int position = picture.m_nPosition;
    page.OnSetActive();
    EXPECT_TRUE(picture.IsTimerRunning());
    EXPECT_EQ(picture.m_nPosition, position);
}

TEST_F(AboutPageTest, MagentaBecomesTheButtonFaceAndNothingElseChanges) {
    AnimatedPicture picture;
    ASSERT_EQ(picture.LoadPictures(131, 132), 1);
    auto count = [](DibSurface& s, COLORREF c) {
        int n = 0;
        for (int i = 0; i + 2 < s.GetImageSize(); i += 3) {
            n += RGB(s.m_pBits[i + 2], s.m_pBits[i + 1], s.m_pBits[i]) == c ? 1 : 0;
        }
        return n;
    };
    DibSurface& first = *picture.m_surfaces[0];
    const int letters = count(first, RGB(4, 4, 4));
    const int background = count(first, RGB(255, 0, 255));
    EXPECT_GT(letters, 100);
    EXPECT_EQ(letters + background, 128 * 32);
    picture.ReplaceColor(RGB(255, 0, 255), RGB(10, 200, 30));
    EXPECT_EQ(count(first, RGB(255, 0, 255)), 0);
    EXPECT_EQ(count(first, RGB(10, 200, 30)), background);
    EXPECT_EQ(count(first, RGB(4, 4, 4)), letters);
    EXPECT_EQ(count(*picture.m_surfaces[1], RGB(255, 0, 255)), 0);
    EXPECT_GT(count(*picture.m_surfaces[1], RGB(255, 255, 255)), 100);
    // A picture that cannot be loaded leaves no surfaces and nothing fails.
    EXPECT_EQ(picture.LoadPictures(131, 999), 0);
    EXPECT_TRUE(picture.m_surfaces.empty());
}

}  // namespace
