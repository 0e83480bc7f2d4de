#include <gtest/gtest.h>

#include <climits>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "Fixtures.h"
#include "app/MemoryProfileStore.h"
#include "app/SettingsView.h"
#include "config/CVelvetfadeConfigDlg.h"
#include "config/ConfigurationMode.h"

namespace {

SettingsStore SheetDefaults() {
    SettingsStore s;
    PutSheetDefaults(s);
    return s;
}

TEST(ConfigSheet, UntouchedValuesGoBackExceptTheRebuiltBitsAndShownPagesStoreWhatTheyShow) {
    SettingsStore s = SheetDefaults();
    s.SetDWordAt(SLOT_EXIT_CONDITIONS, 0xFFFF00D2);  // left button and movement, other bits noise
    s.SetDWordAt(SLOT_RANDOM_FLAGS, 0xF5);
    s.SetDWordAt(SLOT_GRADATION_COLOR2, 0xFFFFFFFF);
    s.SetDWordAt(SLOT_PICTURE_PLACEMENT, 3);
    s.SetDWordAt(SLOT_FRAMES_PER_SECOND, 0);  // out of range: survives when not shown
    s.SetDWordAt(SLOT_FADE_STEP, 50);
    s.SetDWordAt(11, 77);  // twelve slots
    s.SetStringAt(2, "kept");
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, "/p/b.gif");
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    sheet.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_EXIT_CONDITIONS), 0x11Au);  // + middle + hidden cursor
    EXPECT_EQ(s.GetDWordAt(SLOT_RANDOM_FLAGS), 0x5u);
    EXPECT_EQ(s.GetDWordAt(SLOT_GRADATION_COLOR2), 0xFFFFFFFFu);
    EXPECT_EQ(s.GetDWordAt(SLOT_PICTURE_PLACEMENT), 3u);
    EXPECT_EQ(s.GetDWordAt(SLOT_FRAMES_PER_SECOND), 0u);
    EXPECT_EQ(s.GetDWordAt(11), 77u);
    EXPECT_EQ(s.GetStringCount(), 7);
    EXPECT_EQ(s.GetStringAt(2), "kept");
    EXPECT_EQ(s.GetStringAt(6), "/p/b.gif");
    // Shown, the Mode page greys each colour button whose colour is drawn at random, and Add
    // appends the chosen files to the list. Once the Display page has been shown, its sliders'
    // ranges hold; an arrow moves its slider by one, and the labels show what the sliders do.
    CVelvetfadeConfigDlg shown;
    shown.LoadFrom(s);
    CVelvetfadeConfigPage1& mode = shown.m_page1;
    mode.SetFileDialog([](QWidget*, const QStringList&, const QString&) {
        return QStringList{"/p/c.png", "/p/a.jpg"};
    });
    shown.show();
    const auto enabled = [&mode] {
        return std::vector<bool>{mode.m_btnSingleColor.isEnabled(),
                                 mode.m_btnGradColor1.isEnabled(),
                                 mode.m_btnGradColor2.isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, false}));
    for (int nId : {CVelvetfadeConfigPage1::IDC_RANDOM_GRAD1,
                    CVelvetfadeConfigPage1::IDC_RANDOM_SINGLE, CVelvetfadeConfigPage1::IDC_ADD}) {
        static_cast<QAbstractButton*>(mode.Control(nId))->click();
    }
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false}));
    const QStringList files{"/p/a.jpg", "/p/b.gif", "/p/c.png", "/p/a.jpg"};
    ASSERT_EQ(mode.m_listFiles->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mode.m_listFiles->item(i)->text(), files[i]);
    }
    shown.Tabs()->setCurrentIndex(1);
    CVelvetfadeConfigPage2& display = shown.m_page2;
    display.Control(CVelvetfadeConfigPage2::IDC_INTERVAL_SPIN)
        ->findChild<QToolButton*>(QStringLiteral("left"))
        ->click();
    QStringList labels;
    for (int nId : {CVelvetfadeConfigPage2::IDC_FRAME_RATE_LABEL,
                    CVelvetfadeConfigPage2::IDC_SMOOTHNESS_LABEL,
                    CVelvetfadeConfigPage2::IDC_INTERVAL_LABEL}) {
        labels << static_cast<QLabel*>(display.Control(nId))->text();
    }
    EXPECT_EQ(labels, (QStringList{"1", "20", "9"}));
    shown.OnOK();
    shown.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_RANDOM_FLAGS), RANDOM_GRADATION_COLOR1 | RANDOM_GRADATION_COLOR2);
    EXPECT_EQ(s.GetDWordAt(SLOT_FRAMES_PER_SECOND), 1u);
    EXPECT_EQ(s.GetDWordAt(SLOT_FADE_STEP), 20u);
    EXPECT_EQ(s.GetDWordAt(SLOT_INTERVAL_SECONDS), 9u);
    ASSERT_EQ(s.GetStringCount(), 9);
    EXPECT_EQ(s.GetStringAt(7), "/p/c.png");
}

// What a person sees: the sheet centred, every page's controls centred on one face, the About
// picture without a box, every control named for a screen reader.
TEST(ConfigSheet, ByEye) {
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(SheetDefaults());
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
            << "page " << i;
        pages.push_back(pPage->grab().toImage());
        for (QWidget* pWidget : pPage->findChildren<QWidget*>()) {
            // Buttons, sliders, lists, boxes and the picture; not a list's own scroll bars.
            const bool named = pWidget->focusPolicy() != Qt::NoFocus ||
                               pWidget->inherits("QGroupBox") ||
                               pWidget == &sheet.m_page4.m_picture;
            QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(pWidget);
            if (named && !pWidget->inherits("QScrollBar") && pWidget->isVisible() &&
                pAccessible != nullptr) {
                EXPECT_FALSE(pAccessible->text(QAccessible::Name).isEmpty())
                    << "page " << i << ": an unnamed " << pWidget->metaObject()->className();
            }
        }
        // One face on every page (the bottom left corner is empty on each).
        EXPECT_EQ(pages[i].pixel(3, pages[i].height() - 4),
                  pages[0].pixel(3, pages[0].height() - 4));
    }
    // The About picture's corner (magenta in the art) is the face beside it.
    const QRect picture = sheet.m_page4.m_picture.geometry();
    EXPECT_EQ(pages[3].pixel(picture.topLeft() + QPoint(1, 1)),
              pages[3].pixel(picture.topLeft() - QPoint(4, 0)));
}

// Only a damaged file holds entries longer than a path; a list of 100,000 pictures opens and
// loses half of them at once.
TEST(ConfigSheet, OverlongEntriesAreLeftOutAndLongListsStayQuick) {
    SettingsStore s = SheetDefaults();
    const std::string longest = "/" + std::string(PATH_MAX - 2, 'a');
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, longest);
    s.SetStringAt(7, longest + "a");
    s.SetStringAt(8, std::string(10'000'000, 'b'));
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    EXPECT_EQ(sheet.m_page1.m_arrFiles, (QStringList{"/p/a.jpg", QString::fromStdString(longest)}));
    for (int i = 0; i < 100'000; ++i) {
        sheet.m_page1.m_arrFiles.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    }
    QElapsedTimer timer;
    timer.start();
    sheet.show();
    QCoreApplication::processEvents();
    EXPECT_LT(timer.elapsed(), 1500) << "opening";
    QListWidget* pList = sheet.m_page1.m_listFiles;
    pList->selectionModel()->select(
        QItemSelection(pList->model()->index(0, 0), pList->model()->index(49'999, 0)),
        QItemSelectionModel::Select);
    timer.restart();
    QTest::mouseClick(sheet.m_page1.Control(CVelvetfadeConfigPage1::IDC_DELETE), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_LT(timer.elapsed(), 500) << "deleting";  // one item at a time: over a second
    ASSERT_EQ(sheet.m_page1.m_arrFiles.size(), 50'002);
    EXPECT_EQ(sheet.m_page1.m_arrFiles.front(), QStringLiteral("/pictures/49998.jpg"));
    EXPECT_EQ(pList->item(50'001)->text(), QStringLiteral("/pictures/99999.jpg"));
}

// Nothing stored yet: every page shows the sheet's defaults, and OK stores what they showed. The
// About picture blends as the stored "MMX" switch says, as the show does, and fades into the
// second picture and back, a step a tick; a save that fails is reported.
TEST(ConfigSheet, NothingStoredShowsAndStoresTheDefaultsAndTheAboutPictureFadesBackAndForth) {
    std::vector<int> cycle;  // the levels of one period: 0 up to 100 and back down to 0
    for (int level = 0; level < 201; ++level) {
        cycle.push_back(std::min(level, 200 - level));
    }
    for (const uint32_t dwSwitch : {0u, 1u}) {
        MemoryProfileStore profile;
        profile.WriteProfileInt("Technology", "MMX", dwSwitch);
        profile.SetFailWrites(dwSwitch == 1);
        fixtures::RecordingSink sink;
        std::vector<bool> used;
        std::vector<int> levels;
        RunConfigurationMode(profile, sink, [&](CVelvetfadeConfigDlg& sheet) {
            sheet.show();
            for (int i = 0; i < 4; ++i) {
                sheet.Tabs()->setCurrentIndex(i);
            }
            AnimatedPicture& picture = sheet.m_page4.m_picture;
            for (const auto& pSurface : picture.m_surfaces) {
                used.push_back(pSurface->UsesMmx());
            }
            for (int i = 0; i < 2 * 201; ++i, picture.Advance()) {
                levels.push_back(picture.Level());
            }
            const auto look = [&picture](int nPosition) {
                picture.m_nPosition = nPosition;
                return picture.grab().toImage();
            };
            EXPECT_EQ(look(150), look(50));
            EXPECT_NE(look(100), look(0));
            sheet.OnOK();
            return true;
        });
        EXPECT_EQ(used, std::vector<bool>(3, dwSwitch == 1 && ProcessorHasMmx())) << dwSwitch;
        ASSERT_EQ(levels.size(), 2 * cycle.size());
        EXPECT_TRUE(std::equal(cycle.begin(), cycle.end(), levels.begin()) &&
                    std::equal(cycle.begin(), cycle.end(), levels.begin() + 201));
        if (dwSwitch == 1) {
            ASSERT_EQ(sink.messages.size(), 1u);
            EXPECT_EQ(sink.messages[0].text, "The settings could not be saved.");
            continue;
        }
        // Colour black, every exit box, 5 frames a second, 1 % a frame, 10 seconds, random
        // positions.
        const uint32_t stored[] = {319, 5, 0, 0, 1, 0, 0, 0, 0, 10};
        EXPECT_EQ(profile.GetProfileInt("Settings", "Num_DWORD", 0), 10u);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(profile.GetProfileInt("Settings", "DWORD_" + std::to_string(i), 99),
                      stored[i])
                << i;
        }
        EXPECT_TRUE(sink.messages.empty());
    }
}

}  // namespace
