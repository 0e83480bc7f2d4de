#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "config/ColorPickerButton.h"
#include "config/ColorTableMenu.h"

namespace {

// The "..." cell runs the colour dialog once the popup has closed; Cancel keeps the colour.
TEST(ColorPicker, TheOtherColourCellRunsTheDialogAfterThePopupHasClosed) {
    QWidget page;
    page.resize(200, 100);
    auto* pButton = new ColorPickerButton(&page);
    pButton->setGeometry(20, 10, 75, 24);
    std::optional<COLORREF> answer = RGB(12, 34, 56);
    std::vector<COLORREF> asked;
    pButton->SetColorDialog([&](COLORREF crInitial, QWidget*) -> std::optional<COLORREF> {
        EXPECT_EQ(pButton->Popup(), nullptr);
        asked.push_back(crInitial);
        return answer;
    });
    pButton->SetColor(RGB(9, 9, 9));
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    for (int run = 0; run < 2; ++run) {
        QTest::mouseClick(pButton, Qt::LeftButton);
        ColorPopup* pPopup = pButton->Popup();
        ASSERT_NE(pPopup, nullptr);
        const QPoint at = pPopup->Table().CellRect(23).center();
        QMouseEvent release(QEvent::MouseButtonRelease, at, pPopup->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pPopup, &release);
        QCoreApplication::processEvents();
        answer.reset();  // Cancel the second time
    }
    EXPECT_EQ(asked, (std::vector<COLORREF>{RGB(9, 9, 9), RGB(12, 34, 56)}));
    EXPECT_EQ(pButton->GetColor(), RGB(12, 34, 56));
}

}  // namespace
