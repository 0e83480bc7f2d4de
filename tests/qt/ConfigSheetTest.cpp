#include <gtest/gtest.h>

#include <climits>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <algorithm>
#include <set>

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

// What a person sees, in English and in Japanese: the sheet centred, every page's controls
// centred on one face, the About picture without a box, a stored 0xFFFFFFFF drawn as "..." with
// its raised edge; and what a screen reader tells: every control by a name of its own, the
// colour buttons with their colours, the popup's cells, all in the sheet's language.
TEST(ConfigSheet, ByEye) {
    for (const bool bJapanese : {false, true}) {
        QTranslator translator;
        const QLocale locale;
        if (bJapanese) {
            ASSERT_TRUE(translator.load(QStringLiteral(":/translations/velvetfade_ja.qm")));
            QCoreApplication::installTranslator(&translator);
            QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        }
        // English texts are ASCII; the Japanese ones are not.
        auto inLanguage = [bJapanese](const QString& text) {
            return !text.isEmpty() && std::any_of(text.begin(), text.end(), [](QChar c) {
                                          return c.unicode() > 0x7F;
                                      }) == bJapanese;
        };
        SettingsStore s = SheetDefaults();
        s.SetDWordAt(SLOT_SINGLE_COLOR, 0xFFFFFFFF);
        CVelvetfadeConfigDlg sheet;
        sheet.LoadFrom(s);
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
            std::set<QString> names;
            for (QWidget* pWidget : pPage->findChildren<QWidget*>()) {
                // Buttons, sliders, lists, boxes and the picture; not a list's own scroll bars.
                const bool focusable = pWidget->focusPolicy() != Qt::NoFocus;
                const bool named = focusable || pWidget->inherits("QGroupBox") ||
                                   pWidget == &sheet.m_page4.m_picture;
                QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(pWidget);
                if (named && !pWidget->inherits("QScrollBar") && pWidget->isVisible() &&
                    pAccessible != nullptr) {
                    const QString name = pAccessible->text(QAccessible::Name);
                    EXPECT_FALSE(name.isEmpty())
                        << "page " << i << ": an unnamed " << pWidget->metaObject()->className();
                    EXPECT_TRUE(!focusable || (names.insert(name).second && inLanguage(name)))
                        << "page " << i << ": " << name.toStdString();
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

        ColorPickerButton& button = sheet.m_page1.m_btnSingleColor;
        for (const ColorPickerButton* pButton :
             {&button, &sheet.m_page1.m_btnGradColor1, &sheet.m_page1.m_btnGradColor2}) {
            EXPECT_TRUE(inLanguage(pButton->accessibleDescription()));
        }
        // The raised edge's inner ring, inside the button's sunken edge, is not the white box.
        sheet.Tabs()->setCurrentIndex(0);
        const QImage look = button.grab().toImage();
        EXPECT_NE(look.pixel(look.width() / 3, look.height() - 3), qRgb(255, 255, 255));
        button.click();
        ASSERT_NE(button.Popup(), nullptr);
        QAccessibleInterface* pCells = QAccessible::queryAccessibleInterface(button.Popup());
        for (int i = 0; i < pCells->childCount(); ++i) {
            EXPECT_TRUE(inLanguage(pCells->child(i)->text(QAccessible::Name))) << i;
            EXPECT_EQ(pCells->child(i)->state().checked, i == ColorTableMenu::OTHER_COLOR_CELL);
        }
        button.Popup()->close();
        QCoreApplication::removeTranslator(&translator);
        QLocale::setDefault(locale);
    }
}

// By keyboard alone, as a Linux user would: the focus shows from the start; Tab runs through
// the tabs, the page, OK and Cancel; Return acts on the focused button; the popup stays on the
// screen; Delete in the list deletes; the page keys work wherever the focus is.
TEST(ConfigSheet, ByKeyboard) {
    SettingsStore s = SheetDefaults();
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, "/p/b.gif");
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    QFont larger = sheet.m_page3.font();  // a page that needs more room than the first
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    sheet.m_page3.setFont(larger);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    QTabBar* pTabs = sheet.Tabs()->tabBar();
    ASSERT_EQ(QApplication::focusWidget(), pTabs);
    const QImage focused = pTabs->grab().toImage();
    sheet.setAttribute(Qt::WA_KeyboardFocusChange, false);
    EXPECT_NE(pTabs->grab().toImage(), focused) << "the focus is not to be seen";

    CVelvetfadeConfigPage1& page = sheet.m_page1;
    auto* pButtons = sheet.findChild<QDialogButtonBox*>();
    QPushButton* pOk = pButtons->button(QDialogButtonBox::Ok);
    QPushButton* pCancel = pButtons->button(QDialogButtonBox::Cancel);
    using P = CVelvetfadeConfigPage1;
    for (QWidget* pNext :
         {page.Control(P::IDC_RANDOM_SINGLE), static_cast<QWidget*>(&page.m_btnSingleColor),
          page.Control(P::IDC_RANDOM_GRAD1), static_cast<QWidget*>(&page.m_btnGradColor1),
          page.Control(P::IDC_RANDOM_GRAD2), static_cast<QWidget*>(&page.m_btnGradColor2),
          page.Control(P::IDC_RANDOM_ORDER), static_cast<QWidget*>(page.m_listFiles),
          page.Control(P::IDC_ADD), page.Control(P::IDC_ADD_FOLDER), page.Control(P::IDC_DELETE),
          page.Control(P::IDC_PLACEMENT), static_cast<QWidget*>(pOk),
          static_cast<QWidget*>(pCancel), static_cast<QWidget*>(pTabs)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), pNext) << pNext->metaObject()->className();
    }

    // Return on a colour button 60 pixels above the screen's end and 20 from its right edge
    // opens its popup above it, moved in from the edge; OK does not look like the default
    // meanwhile. The first arrow marks the current cell, black; right twice and down once from
    // there is red.
    ColorPickerButton& button = page.m_btnSingleColor;
    const QRect area = sheet.screen()->availableGeometry();
    const QPoint corner = button.mapToGlobal(button.rect().bottomLeft());
    sheet.move(sheet.pos() +
               QPoint(area.right() - 20 - corner.x(), area.bottom() - 60 - corner.y()));
    QCoreApplication::processEvents();
    button.setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(pOk->isDefault());
    QTest::keyClick(&button, Qt::Key_Return);
    ColorPopup* pPopup = button.Popup();
    ASSERT_NE(pPopup, nullptr);
    const QRect at(button.mapToGlobal(QPoint(0, 0)), button.size());
    ASSERT_GT(at.bottom() + pPopup->height(), area.bottom());
    EXPECT_TRUE(area.contains(pPopup->geometry()));
    EXPECT_EQ(pPopup->geometry().bottom() + 1, at.top());
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down}) {
        QTest::keyClick(pPopup, key);
    }
    QAccessibleInterface* pCells = QAccessible::queryAccessibleInterface(pPopup);
    ASSERT_EQ(pCells->childCount(), ColorTableMenu::CELL_COUNT);
    EXPECT_EQ(pCells->focusChild(), pCells->child(13));
    EXPECT_TRUE(pCells->child(0)->state().checked);
    EXPECT_EQ(pCells->child(23)->text(QAccessible::Name), QStringLiteral("Other color..."));
    QTest::keyClick(pPopup, Qt::Key_Return);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(button.GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(button.accessibleDescription(), QStringLiteral("Red 255, green 0, blue 0"));
    page.Control(P::IDC_RANDOM_ORDER)->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(pOk->isDefault());

    // Delete in the list deletes the selection.
    page.m_listFiles->item(0)->setSelected(true);
    page.m_listFiles->setFocus(Qt::TabFocusReason);
    QTest::keyClick(page.m_listFiles, Qt::Key_Delete);
    EXPECT_EQ(page.m_arrFiles, QStringList{QStringLiteral("/p/b.gif")});

    // The page keys, wherever the focus is. The Details page widens the sheet about its centre,
    // and it cannot be resized.
    const struct {
        QWidget* pFocus;
        QKeyCombination key;
        int nPage;
    } pageKeys[] = {{page.Control(P::IDC_PLACEMENT), Qt::CTRL | Qt::Key_Tab, 1},
                    {pOk, Qt::CTRL | Qt::Key_PageDown, 2},
                    {pCancel, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 1},
                    {pOk, Qt::CTRL | Qt::Key_PageUp, 0},
                    {page.m_listFiles, Qt::CTRL | Qt::Key_PageUp, 3},
                    {pTabs, Qt::CTRL | Qt::Key_PageDown, 0}};
    const QSize before = sheet.size();
    const QPoint centre = sheet.geometry().center();
    for (const auto& step : pageKeys) {
        step.pFocus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(step.pFocus, step.key.key(), step.key.keyboardModifiers());
        EXPECT_EQ(sheet.Tabs()->currentIndex(), step.nPage)
            << step.pFocus->metaObject()->className();
        // Never left on the page itself, where it is nowhere to be seen.
        EXPECT_NE(QApplication::focusWidget()->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_GT(sheet.width(), before.width());
    EXPECT_LE((sheet.geometry().center() - centre).manhattanLength(), 2);
    EXPECT_EQ(sheet.minimumSize(), sheet.size());
    EXPECT_EQ(sheet.maximumSize(), sheet.size());

    // Return on Cancel is Cancel.
    pCancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pCancel, Qt::Key_Return);
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_FALSE(sheet.isVisible());
}

// Only a damaged file holds entries longer than a path; deleting half a long list keeps the rest
// in order (how quickly: bench/SheetBench.cpp).
TEST(ConfigSheet, OverlongEntriesAreLeftOutAndDeletingKeepsTheRestInOrder) {
    SettingsStore s = SheetDefaults();
    const std::string longest = "/" + std::string(PATH_MAX - 2, 'a');
    s.SetStringAt(5, "/p/a.jpg");
    s.SetStringAt(6, longest);
    s.SetStringAt(7, longest + "a");
    s.SetStringAt(8, std::string(10'000'000, 'b'));
    CVelvetfadeConfigDlg sheet;
    sheet.LoadFrom(s);
    EXPECT_EQ(sheet.m_page1.m_arrFiles, (QStringList{"/p/a.jpg", QString::fromStdString(longest)}));
    for (int i = 0; i < 1000; ++i) {
        sheet.m_page1.m_arrFiles.append(QStringLiteral("/pictures/%1.jpg").arg(i));
    }
    sheet.show();
    QCoreApplication::processEvents();
    QListWidget* pList = sheet.m_page1.m_listFiles;
    pList->selectionModel()->select(
        QItemSelection(pList->model()->index(0, 0), pList->model()->index(499, 0)),
        QItemSelectionModel::Select);
    QTest::mouseClick(sheet.m_page1.Control(CVelvetfadeConfigPage1::IDC_DELETE), Qt::LeftButton);
    ASSERT_EQ(sheet.m_page1.m_arrFiles.size(), 502);
    EXPECT_EQ(sheet.m_page1.m_arrFiles.front(), QStringLiteral("/pictures/498.jpg"));
    EXPECT_EQ(pList->item(501)->text(), QStringLiteral("/pictures/999.jpg"));
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
