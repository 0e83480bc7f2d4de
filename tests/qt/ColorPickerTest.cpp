#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include "config/ColorPickerButton.h"
#include "config/ColorTableMenu.h"

namespace {

// A palette whose window colour equals a fixed cell (white) and whose other roles are known.
class PaletteScope {
public:
    PaletteScope() : m_saved(QApplication::palette()) {
        QPalette pal = m_saved;
        pal.setColor(QPalette::Window, QColor(10, 20, 30));    // menu
        pal.setColor(QPalette::Base, QColor(255, 255, 255));   // window
        pal.setColor(QPalette::Button, QColor(200, 100, 50));  // button face
        pal.setColor(QPalette::Highlight, QColor(0, 0, 160));
        QApplication::setPalette(pal);
    }
    ~PaletteScope() { QApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};

class ColorPickerTest : public ::testing::Test {
protected:
    ColorPickerTest() {
        m_page.resize(200, 100);
        m_pButton = new ColorPickerButton(&m_page);
        m_pButton->setGeometry(20, 10, 75, 24);
        m_pButton->SetColorDialog([this](COLORREF crInitial, QWidget*) -> std::optional<COLORREF> {
            m_dialogInitial = crInitial;
            m_popupOpenDuringDialog = m_pButton->Popup() != nullptr;
            ++m_dialogRuns;
            return m_dialogAnswer;
        });
    }

    void Open() {
        m_page.show();
        // Let the window settle where the platform puts it before measuring from it.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_page));
        QCoreApplication::processEvents();
        QTest::mouseClick(m_pButton, Qt::LeftButton);
    }

    // Releases a mouse button over a cell of the open popup.
    void ChooseCell(int index, Qt::MouseButton button = Qt::LeftButton) {
        ColorPopup* pPopup = m_pButton->Popup();
        ASSERT_NE(pPopup, nullptr);
        const QPoint at = pPopup->Table().CellRect(index).center() + QPoint(2, 2);
        QMouseEvent release(QEvent::MouseButtonRelease, at, pPopup->mapToGlobal(at), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pPopup, &release);
        QCoreApplication::processEvents();
    }

    QWidget m_page;
    ColorPickerButton* m_pButton = nullptr;
    std::optional<COLORREF> m_dialogAnswer;
    COLORREF m_dialogInitial = 0;
    bool m_popupOpenDuringDialog = true;
    int m_dialogRuns = 0;
};

TEST_F(ColorPickerTest, TheOtherColourCellRunsTheDialogAfterThePopupHasClosed) {
    m_pButton->SetColor(RGB(9, 9, 9));
    m_dialogAnswer = RGB(12, 34, 56);
    Open();
    ChooseCell(23);
    EXPECT_EQ(m_dialogRuns, 1);
    EXPECT_FALSE(m_popupOpenDuringDialog);
    EXPECT_EQ(m_dialogInitial, RGB(9, 9, 9));
    EXPECT_EQ(m_pButton->GetColor(), RGB(12, 34, 56));

    m_dialogAnswer.reset();  // Cancel
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    ChooseCell(23);
    EXPECT_EQ(m_dialogRuns, 2);
    EXPECT_EQ(m_pButton->GetColor(), RGB(12, 34, 56));
}

TEST_F(ColorPickerTest, TheKeyboardAloneOpensMovesAndChooses) {
    m_pButton->SetColor(RGB(5, 5, 5));
    m_page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_page));
    m_pButton->setFocus();
    QTest::keyClick(m_pButton, Qt::Key_Space);
    ColorPopup* pPopup = m_pButton->Popup();
    ASSERT_NE(pPopup, nullptr);
    const int current = pPopup->Table().CurrentCell();  // 23: no fixed cell holds the colour
    // The first arrow starts at the current cell; down and up run through the cells in order
    // across the columns' ends, left and right jump a column of six.
    for (auto [key, expected] : {std::pair{Qt::Key_Down, current},
                                 {Qt::Key_Down, 0},
                                 {Qt::Key_Down, 1},
                                 {Qt::Key_Right, 7},
                                 {Qt::Key_Left, 1},
                                 {Qt::Key_Left, 19},
                                 {Qt::Key_Up, 18}}) {
        QTest::keyClick(pPopup, key);
        ASSERT_EQ(pPopup->HighlightedCell(), expected) << QTest::toString(key);
    }
    const COLORREF chosen = pPopup->Table().ColorAt(18);
    QTest::keyClick(pPopup, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pButton->Popup(), nullptr);
    EXPECT_EQ(m_pButton->GetColor(), chosen);

    // Space on the last cell asks the colour dialog; Return with nothing highlighted chooses
    // nothing.
    m_dialogAnswer = RGB(12, 34, 56);
    QTest::keyClick(m_pButton, Qt::Key_Space);
    pPopup = m_pButton->Popup();
    ASSERT_NE(pPopup, nullptr);
    QTest::keyClick(pPopup, Qt::Key_Down);  // the current cell, the chosen colour's
    for (int i = 0; i <= 18; ++i) {
        QTest::keyClick(pPopup, Qt::Key_Up);
    }
    ASSERT_EQ(pPopup->HighlightedCell(), 23);
    QTest::keyClick(pPopup, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_dialogRuns, 1);
    EXPECT_EQ(m_pButton->GetColor(), RGB(12, 34, 56));
    QTest::keyClick(m_pButton, Qt::Key_Space);
    ASSERT_NE(m_pButton->Popup(), nullptr);
    QTest::keyClick(m_pButton->Popup(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pButton->Popup(), nullptr);
    EXPECT_EQ(m_pButton->GetColor(), RGB(12, 34, 56));
}

}  // namespace
