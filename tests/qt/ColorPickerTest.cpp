#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "config/ColorPickerButton.h"
#include "config/ColorTableMenu.h"

namespace {

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

}  // namespace
