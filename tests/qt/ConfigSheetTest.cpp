#include <gtest/gtest.h>

#include <climits>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "CVelvetfadeConfigDlg.h"
#include "ConfigurationMode.h"
#include "Fixtures.h"
#include "ImagingPlatform.h"
#include "MemoryProfileStore.h"
#include "ProgramIcon.h"
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
    s.SetDWordAt(SLOT_EXIT_CONDITIONS, 0xFFFF00D2);  // left button and movement, other bits noise
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
    EXPECT_EQ(s.GetDWordAt(SLOT_EXIT_CONDITIONS), 0x11Au);  // + middle + hidden cursor
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

// What a person sees and reaches: the sheet centred, every page's controls centred on one
// face, the About picture without a box, every control named for a screen reader, and the
// Display page's mnemonics and Tab stops as on the template.
TEST(ConfigSheet, ByKeyboardAndByEye) {
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(ConfigurationDefaults());
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    const QPoint screenCentre = sheet.screen()->availableGeometry().center();
    EXPECT_LE((sheet.frameGeometry().center() - screenCentre).manhattanLength(), 8);

    std::vector<QImage> pages;
    for (int i = 0; i < 4; ++i) {
        sheet.Tabs()->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QWidget* pPage = sheet.Tabs()->widget(i);
        const QRect controls = pPage->childrenRect();
        EXPECT_LE(std::abs(controls.left() - (pPage->width() - controls.right() - 1)), 2)
            << "page " << i << ": " << controls.left() << " of " << pPage->width();
        pages.push_back(pPage->grab().toImage());
        for (QWidget* pWidget : pPage->findChildren<QWidget*>()) {
            // A list's scroll bars are the list's own parts.
            const bool interactive = qobject_cast<QScrollBar*>(pWidget) == nullptr &&
                                     (qobject_cast<QAbstractButton*>(pWidget) != nullptr ||
                                      qobject_cast<QAbstractSlider*>(pWidget) != nullptr ||
                                      qobject_cast<QComboBox*>(pWidget) != nullptr ||
                                      qobject_cast<QAbstractItemView*>(pWidget) != nullptr ||
                                      qobject_cast<QGroupBox*>(pWidget) != nullptr ||
                                      pWidget == &sheet.m_page4.m_picture);
            QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(pWidget);
            if (interactive && pAccessible != nullptr && pWidget->isVisible()) {
                EXPECT_FALSE(pAccessible->text(QAccessible::Name).isEmpty())
                    << "page " << i << ": an unnamed " << pWidget->metaObject()->className();
            }
        }
    }
    // One face on every page (the bottom left corner is empty on each).
    for (const QImage& page : pages) {
        EXPECT_EQ(page.pixel(3, page.height() - 4), pages[0].pixel(3, pages[0].height() - 4));
    }
    // The About picture's corner (magenta in the art) is the face beside it.
    const QRect picture = sheet.m_page4.m_picture.geometry();
    EXPECT_EQ(pages[3].pixel(picture.topLeft() + QPoint(1, 1)),
              pages[3].pixel(picture.topLeft() - QPoint(4, 0)));
    EXPECT_LE(std::abs(picture.center().x() - sheet.m_page4.width() / 2), 4);

    // A radio button on a group frame is no wider than its text.
    for (int id : {1001, 1004, 1005}) {
        QWidget* pRadio = sheet.m_page1.Control(id);
        EXPECT_EQ(pRadio->width(), pRadio->sizeHint().width()) << id;
    }

    // Display page: a group's mnemonic reaches its slider; Tab skips the spin arrows.
    sheet.Tabs()->setCurrentIndex(1);
    QCoreApplication::processEvents();
    for (auto [key, id] : {std::pair{Qt::Key_S, 1017}, {Qt::Key_T, 1016}, {Qt::Key_F, 1015}}) {
        QTest::keyClick(&sheet, key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), sheet.m_page2.Control(id)) << id;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), sheet.m_page2.Control(1017));
}

// Only a damaged file holds entries longer than a path; a list of 100,000 pictures opens and
// loses half of them at once.
TEST(ConfigSheet, OverlongEntriesAreLeftOutAndLongListsStayQuick) {
    SettingsStore s = ConfigurationDefaults();
    const std::string longest = "/" + std::string(PATH_MAX - 2, 'a');
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, longest);
    s.SetStringAt(7, longest + "a");
    s.SetStringAt(8, std::string(10'000'000, 'b'));
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    EXPECT_EQ(sheet.m_page1.m_arrFiles,
              (QStringList{QStringLiteral("/p/a.jpg"), QString::fromStdString(longest)}));

    for (int i = 0; i < 100'000; ++i) {
        sheet.m_page1.m_arrFiles.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    }
    QElapsedTimer timer;
    timer.start();
    sheet.show();
    QCoreApplication::processEvents();
    EXPECT_LT(timer.elapsed(), 1500) << "opening";
    QListWidget* pList = sheet.m_page1.m_listFiles;
    ASSERT_EQ(pList->count(), 100'002);
    pList->selectionModel()->select(
        QItemSelection(pList->model()->index(0, 0), pList->model()->index(49'999, 0)),
        QItemSelectionModel::Select);
    timer.restart();
    QTest::mouseClick(qobject_cast<QAbstractButton*>(sheet.m_page1.Control(1009)), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_LT(timer.elapsed(), 500) << "deleting";  // one item at a time: over a second
    ASSERT_EQ(sheet.m_page1.m_arrFiles.size(), 50'002);
    EXPECT_EQ(sheet.m_page1.m_arrFiles.front(), QStringLiteral("/pictures/49998.jpg"));
    EXPECT_EQ(pList->count(), 50'002);
    EXPECT_EQ(pList->item(50'001)->text(), QStringLiteral("/pictures/99999.jpg"));
}

// Under a Japanese locale fontconfig picks IPA Gothic, whose Latin letters are fixed-pitch.
TEST(ConfigSheet, JapaneseTextsTakeTheProportionalGothic) {
    const QFont saved = QApplication::font();
    QFont fixed = saved;
    fixed.setFamilies({QStringLiteral("IPAGothic")});
    QApplication::setFont(fixed);
    UseJapaneseUiFont();
    const QFontMetrics metrics(QApplication::font());
    EXPECT_LT(metrics.horizontalAdvance(QStringLiteral("iiii")),
              metrics.horizontalAdvance(QStringLiteral("WWWW")));
    QApplication::setFont(saved);
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
