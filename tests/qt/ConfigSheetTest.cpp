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

#include "Fixtures.h"
#include "app/MemoryProfileStore.h"
#include "app/SettingsSlots.h"
#include "app/SettingsStore.h"
#include "config/CVelvetfadeConfigDlg.h"
#include "config/ConfigurationMode.h"
#include "config/ProgramIcon.h"
#include "imaging/ImagingPlatform.h"
#include "platform/QtDesktopSource.h"

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

// What a person sees: the sheet centred, every page's controls centred on one face, the About
// picture without a box, every control named for a screen reader.
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

TEST(ConfigurationMode, ASaveThatFailsIsReported) {
    MemoryProfileStore profile;
    profile.SetFailWrites(true);
    fixtures::RecordingSink sink;
    RunConfigurationMode(profile, sink, [](CVelvetfadeConfigDlg&) { return true; });
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].title, "Setting of Velvetfade");
    EXPECT_EQ(sink.messages[0].text, "The settings could not be saved.");
}

}  // namespace
