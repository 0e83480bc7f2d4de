#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include "ColorPickerButton.h"
#include "ColorTableMenu.h"

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

TEST(ColorTableMenu, TheCurrentCellIsTheLowestMatchElseTheOtherColourCell) {
    PaletteScope palette;
    ColorTableMenu table;
    EXPECT_EQ(table.BuildPopup(1312, RGB(255, 255, 255), 16), 19);  // fixed white, not window
    EXPECT_EQ(table.BuildPopup(1312, RGB(200, 100, 50), 16), 22);
    EXPECT_EQ(table.BuildPopup(1312, RGB(1, 2, 3), 16), 23);
    EXPECT_EQ(table.BuildPopup(1312, ColorTableMenu::OTHER_COLOR, 16), 23);
}

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

TEST_F(ColorPickerTest, SetColorBeforeTheWindowExistsOnlyStores) {
    ColorPickerButton button;
    EXPECT_EQ(button.GetColor(), 0u);
    button.SetColor(RGB(1, 2, 3));
    EXPECT_FALSE(button.testAttribute(Qt::WA_WState_Created));
    EXPECT_EQ(button.GetColor(), RGB(1, 2, 3));
}

TEST_F(ColorPickerTest, AClickOpensThePopupAtTheLowerLeftCorner) {
    PaletteScope palette;
    m_pButton->SetColor(RGB(255, 0, 0));
    Open();
    ColorPopup* pPopup = m_pButton->Popup();
    ASSERT_NE(pPopup, nullptr);
    EXPECT_TRUE(pPopup->isVisible());
    EXPECT_EQ(pPopup->pos(), m_pButton->mapToGlobal(QPoint(0, m_pButton->height())));
    EXPECT_EQ(pPopup->Table().CurrentCell(), 13);
    ChooseCell(16);
    EXPECT_EQ(m_pButton->GetColor(), RGB(0, 0, 255));
    EXPECT_EQ(m_pButton->Popup(), nullptr);
}

TEST_F(ColorPickerTest, EitherMouseButtonChooses) {
    Open();
    ChooseCell(2, Qt::RightButton);
    EXPECT_EQ(m_pButton->GetColor(), RGB(0, 128, 0));
}

TEST_F(ColorPickerTest, ASystemColourCellStoresItsValueOfThatMoment) {
    COLORREF chosen = 0;
    {
        PaletteScope palette;
        Open();
        ChooseCell(22);
        chosen = m_pButton->GetColor();
    }
    EXPECT_EQ(chosen, RGB(200, 100, 50));
    EXPECT_EQ(m_pButton->GetColor(), RGB(200, 100, 50));  // the palette changed back; no matter
}

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

TEST_F(ColorPickerTest, ADisabledButtonCannotBeOpened) {
    m_pButton->setEnabled(false);
    Open();
    EXPECT_EQ(m_pButton->Popup(), nullptr);
}

TEST_F(ColorPickerTest, EscapeClosesThePopupWithoutAChoice) {
    m_pButton->SetColor(RGB(5, 5, 5));
    Open();
    ColorPopup* pPopup = m_pButton->Popup();
    ASSERT_NE(pPopup, nullptr);
    QTest::keyClick(pPopup, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pButton->Popup(), nullptr);
    EXPECT_EQ(m_pButton->GetColor(), RGB(5, 5, 5));
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

// Records the notifications a button sends.
class Receiver : public QObject {
public:
    bool event(QEvent* pEvent) override {
        if (pEvent->type() == QEvent::User + 5) {
            auto* pChanged = static_cast<ColorChangedEvent*>(pEvent);
            received.emplace_back(pChanged->wParam, pChanged->lParam);
            return true;
        }
        return QObject::event(pEvent);
    }
    std::vector<std::pair<quintptr, qintptr>> received;
};

TEST_F(ColorPickerTest, UserChoicesNotifyTheTargetAndSetColorNeverDoes) {
    Receiver receiver;
    Open();
    ChooseCell(1);  // no target yet: nothing to notify
    m_pButton->SetNotifyTarget(&receiver, QEvent::User + 5, 24, -7);
    m_pButton->SetColor(RGB(1, 1, 1));
    EXPECT_TRUE(receiver.received.empty());
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    ChooseCell(4);
    ASSERT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(receiver.received[0], (std::pair<quintptr, qintptr>{24, -7}));
    m_dialogAnswer = RGB(7, 7, 7);
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    ChooseCell(23);
    EXPECT_EQ(receiver.received.size(), 2u);
    m_dialogAnswer.reset();
    QTest::mouseClick(m_pButton, Qt::LeftButton);
    ChooseCell(23);
    EXPECT_EQ(receiver.received.size(), 2u) << "Cancel sends nothing";
}

TEST_F(ColorPickerTest, TheButtonShowsItsSwatchAndGreysWhenDisabled) {
    m_pButton->SetColor(RGB(255, 0, 0));
    m_page.show();
    const QImage shown = m_pButton->grab().toImage();
    const QPoint swatchCentre((m_pButton->width() - 16) / 2, m_pButton->height() / 2);
    EXPECT_EQ(QColor(shown.pixel(swatchCentre)), QColor(255, 0, 0));
    // Between the sunken edge and the swatch's grey outline: the white box.
    EXPECT_EQ(QColor(shown.pixel(3, m_pButton->height() / 2)), QColor(Qt::white));

    m_pButton->setEnabled(false);
    const QImage disabled = m_pButton->grab().toImage();
    EXPECT_EQ(QColor(disabled.pixel(3, m_pButton->height() / 2)), QColor(192, 192, 192));
    EXPECT_EQ(QColor(disabled.pixel(swatchCentre)), QColor(255, 0, 0));

    // The other-colour marker shows "..." on the box, not a swatch.
    m_pButton->setEnabled(true);
    m_pButton->SetColor(ColorTableMenu::OTHER_COLOR);
    const QImage other = m_pButton->grab().toImage();
    int dark = 0;
    for (int x = 4; x < m_pButton->width() - 20; ++x) {
        for (int y = 4; y < m_pButton->height() - 4; ++y) {
            dark += qGray(other.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 0) << "the dots";
    EXPECT_LT(dark, 60) << "no filled swatch";
}

}  // namespace
