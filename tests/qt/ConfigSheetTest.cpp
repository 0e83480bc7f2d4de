#include <gtest/gtest.h>

#include <climits>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

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

TEST(ConfigSheet, UntouchedValuesGoBackExceptTheRebuiltBitsAndShownSlidersClamp) {
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
    // Once the Display page has been shown, its sliders' ranges hold.
    CVelvetfadeConfigDlg shown;
    shown.LoadFrom(s);
    shown.show();
    shown.Tabs()->setCurrentIndex(1);
    shown.OnOK();
    shown.SaveTo(s);
    EXPECT_EQ(s.GetDWordAt(SLOT_FRAMES_PER_SECOND), 1u);
    EXPECT_EQ(s.GetDWordAt(SLOT_FADE_STEP), 20u);
    EXPECT_EQ(s.GetDWordAt(SLOT_INTERVAL_SECONDS), 10u);
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

// The file dialog offers the four described kinds first, then every kind the saver reads; a
// folder is added as one entry, shown as a folder, and stored as a path.
TEST(ConfigSheet, TheDialogsOfferEveryPictureKindAndAddAFolderAsOneEntry) {
    const QStringList filters = CVelvetfadeConfigPage1::FileDialogFilters();
    ASSERT_EQ(filters.size(), 6);
    EXPECT_EQ(filters.mid(0, 4),
              (QStringList{"Image File (*.bmp, *.dib, *.jpg, *.gif) (*.bmp *.dib *.jpg *.gif)",
                           "Bitmap File(*.bmp, *.dib) (*.bmp *.dib)", "JPEG File (*.jpg) (*.jpg)",
                           "GIF File (*.gif) (*.gif)"}));
    const QStringList all = filters[4].section('(', 1).chopped(1).split(' ');
    for (const char* pattern :
         {"*.bmp", "*.dib", "*.jpg", "*.jpeg", "*.jpe", "*.gif", "*.png", "*.webp", "*.tiff"}) {
        EXPECT_TRUE(all.contains(pattern))
            << pattern << " missing from " << filters[4].toStdString();
    }
    EXPECT_EQ(filters[5], "All files (*)");

    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(SheetDefaults());
    CVelvetfadeConfigPage1& page = sheet.m_page1;
    QStringList offered;
    page.SetFileDialog([&](QWidget*, const QStringList& given, const QString&) {
        offered = given;
        return QStringList{"/p/a.png"};
    });
    QStringList folders{"/p/holiday", "", "/p/old/"};
    page.SetFolderDialog([&](QWidget*) { return folders.takeFirst(); });
    sheet.show();
    QCoreApplication::processEvents();
    QTest::mouseClick(page.Control(CVelvetfadeConfigPage1::IDC_ADD), Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {  // the second time, Cancel
        QTest::mouseClick(page.Control(CVelvetfadeConfigPage1::IDC_ADD_FOLDER), Qt::LeftButton);
    }
    EXPECT_EQ(offered, filters);
    EXPECT_EQ(page.m_arrFiles, (QStringList{"/p/a.png", "/p/holiday/", "/p/old/"}));
    const auto looks = [&](int row, QStyle::StandardPixmap icon) {
        return page.m_listFiles->item(row)->icon().pixmap(16).toImage() ==
               sheet.style()->standardIcon(icon).pixmap(16).toImage();
    };
    EXPECT_TRUE(looks(0, QStyle::SP_FileIcon) && looks(1, QStyle::SP_DirIcon) &&
                looks(2, QStyle::SP_DirIcon));
    EXPECT_EQ(page.m_listFiles->item(1)->text(), "/p/holiday/");
    sheet.OnOK();
    SettingsStore stored;
    sheet.SaveTo(stored);
    EXPECT_EQ(stored.GetStringAt(FIRST_PICTURE_SLOT + 1), "/p/holiday/");
}

// The About picture blends as the stored "MMX" switch says, as the show does; a save that
// fails is reported.
TEST(ConfigSheet, TheAboutPictureFollowsTheMmxSwitchAndAFailedSaveIsReported) {
    for (const uint32_t dwSwitch : {0u, 1u}) {
        MemoryProfileStore profile;
        profile.WriteProfileInt("Technology", "MMX", dwSwitch);
        profile.SetFailWrites(true);
        fixtures::RecordingSink sink;
        std::vector<bool> used;
        RunConfigurationMode(profile, sink, [&used](CVelvetfadeConfigDlg& sheet) {
            sheet.show();
            sheet.Tabs()->setCurrentIndex(3);
            for (const auto& pSurface : sheet.m_page4.m_picture.m_surfaces) {
                used.push_back(pSurface->UsesMmx());
            }
            return true;
        });
        EXPECT_EQ(used, std::vector<bool>(3, dwSwitch == 1 && ProcessorHasMmx())) << dwSwitch;
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].text, "The settings could not be saved.");
    }
}

}  // namespace
