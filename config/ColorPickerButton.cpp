#include "config/ColorPickerButton.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

#include "config/ColorTableMenu.h"

ColorPickerButton::ColorPickerButton(QWidget* pParent) : QAbstractButton(pParent) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &ColorPickerButton::OnClicked);
    setAccessibleDescription(ColorPopup::Describe(m_color));
}

QSize ColorPickerButton::sizeHint() const {
    return QSize(75, 24);
}

void ColorPickerButton::SetColor(COLORREF crColor) {
    m_color = crColor;
    setAccessibleDescription(ColorPopup::Describe(crColor));
    if (testAttribute(Qt::WA_WState_Created)) {
        update();
    }
}

void ColorPickerButton::SetNotifyTarget(QObject* pTarget, int nEventType, quintptr wParam,
                                        qintptr lParam) {
    m_hNotifyWnd = pTarget;
    m_nNotifyMsg = nEventType;
    m_wNotifyParam = wParam;
    m_lNotifyParam = lParam;
}

void ColorPickerButton::Notify() {
    if (m_hNotifyWnd != nullptr) {
        ColorChangedEvent event(m_nNotifyMsg, m_wNotifyParam, m_lNotifyParam);
        QCoreApplication::sendEvent(m_hNotifyWnd, &event);
    }
}

void ColorPickerButton::OnClicked() {
    if (m_pPopup != nullptr) {
        return;
    }
    m_pPopup = new ColorPopup(m_color, this);
    connect(m_pPopup, &ColorPopup::closed, this, [this] { m_pPopup = nullptr; });
    connect(m_pPopup, &ColorPopup::cellChosen, this, &ColorPickerButton::OnSelectCell);
    // Under the button's lower-left corner; as a menu does, above it where the screen ends below,
    // and moved in from the screen's edges.
    const QRect button(mapToGlobal(QPoint(0, 0)), size());
    QPoint at = button.bottomLeft() + QPoint(0, 1);
    const QScreen* pScreen = QGuiApplication::screenAt(button.center());
    if (pScreen == nullptr) {
        pScreen = screen();
    }
    if (pScreen != nullptr) {
        const QRect area = pScreen->availableGeometry();
        const QSize popup = m_pPopup->size();
        if (at.y() + popup.height() > area.bottom() + 1) {
            at.setY(std::max(button.top() - popup.height(), area.top()));
        }
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() + 1 - popup.width())));
    }
    m_pPopup->move(at);
    m_pPopup->show();
}

void ColorPickerButton::OnSelectCell(int nId) {
    const int nIndex = nId - ColorTableMenu::FIRST_CELL_ID;
    if (nIndex < 0 || nIndex >= ColorTableMenu::CELL_COUNT) {
        return;
    }
    if (nIndex == ColorTableMenu::OTHER_COLOR_CELL) {
        // Posted: the dialog opens only after the popup's choice has been fully handled.
        QMetaObject::invokeMethod(this, &ColorPickerButton::OnChooseOtherColor,
                                  Qt::QueuedConnection);
        return;
    }
    const ColorTableMenu table;  // fresh, so a palette colour is its value of this moment
    SetColor(table.ColorAt(nIndex));
    Notify();
}

void ColorPickerButton::OnChooseOtherColor() {
    const QColor chosen = QColorDialog::getColor(ToQColor(m_color), parentWidget());
    if (chosen.isValid()) {  // not on Cancel
        SetColor(FromQColor(chosen));
        Notify();
    }
}

void ColorPickerButton::keyPressEvent(QKeyEvent* pEvent) {
    // Return acts on the focused button, as on a push button, not on the sheet's default one.
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        if (!pEvent->isAutoRepeat()) {
            click();
        }
        return;
    }
    QAbstractButton::keyPressEvent(pEvent);
}

void ColorPickerButton::focusInEvent(QFocusEvent* pEvent) {
    // While Return is this button's, the sheet's default button does not look like it (as a
    // push button that takes the focus does). The popup taking the focus changes nothing.
    if (pEvent->reason() != Qt::PopupFocusReason) {
        for (QPushButton* pButton : window()->findChildren<QPushButton*>()) {
            if (pButton->isDefault()) {
                m_pDefault = pButton;
                pButton->setDefault(false);
            }
        }
    }
    QAbstractButton::focusInEvent(pEvent);
}

void ColorPickerButton::focusOutEvent(QFocusEvent* pEvent) {
    if (pEvent->reason() != Qt::PopupFocusReason && m_pDefault != nullptr) {
        m_pDefault->setDefault(true);
        m_pDefault = nullptr;
    }
    QAbstractButton::focusOutEvent(pEvent);
}

void ColorPickerButton::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    const QRect R = rect();
    const QPalette& pal = palette();
    const bool bDisabled = !isEnabled();
    const bool bPressed = isDown();

    // The box: white, or light grey while disabled, leaving room for the arrow.
    const QRect box(R.left(), R.top(), R.width() - 16, R.height());
    painter.fillRect(box, bDisabled ? QColor(192, 192, 192) : QColor(Qt::white));
    painter.setBackground(bDisabled ? QColor(128, 128, 128) : QColor(Qt::white));

    // The swatch, painted exactly as the popup paints a cell.
    const QRect inner = box.adjusted(1, 1, -1, -1);
    const ColorTableMenu table;
    table.DrawItem(painter, inner, m_color, bPressed, bPressed, false);

    // The drop-down arrow, like a scroll bar's down button.
    const QRect arrow(R.right() - 17, R.top() + 2, 16, R.height() - 4);
    QStyleOptionButton arrowButton;
    arrowButton.initFrom(this);
    arrowButton.rect = arrow;
    arrowButton.state = (bDisabled ? QStyle::State_None : QStyle::State_Enabled) |
                        (bPressed ? QStyle::State_Sunken : QStyle::State_Raised);
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &arrowButton, &painter, this);
    QStyleOption arrowGlyph;
    arrowGlyph.initFrom(this);
    arrowGlyph.rect = arrow.adjusted(3, 3, -3, -3);
    if (bDisabled) {
        arrowGlyph.state &= ~QStyle::State_Enabled;
    }
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrowGlyph, &painter, this);

    // A sunken edge around the whole button.
    qDrawShadePanel(&painter, R, pal, true, 2, nullptr);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
