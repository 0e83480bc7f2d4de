#pragma once

#include <QAbstractButton>
#include <QEvent>
#include <QPointer>

#include "config/ColorTableMenu.h"
#include "imaging/GdiTypes.h"

class QPushButton;

// The colour button of the Mode page: a white box with the colour swatch and a drop-down
// arrow. A click, Space or Return opens the 24-cell colour popup at the button's lower-left
// corner (above the button where there is no room below); the "..." cell opens the colour
// dialog once the popup has closed. Its accessible description is its colour.
class ColorPickerButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorPickerButton(QWidget* pParent = nullptr);

    // Stores the colour; repaints only when the button is on screen.
    void SetColor(COLORREF crColor);
    COLORREF GetColor() const { return m_color; }

    // The change notification: after each colour the user chooses, an event of type
    // nEventType carrying the two parameters is sent to the target. Unset by default.
    void SetNotifyTarget(QObject* pTarget, int nEventType, quintptr wParam, qintptr lParam);

    // The open popup, while there is one.
    ColorPopup* Popup() const { return m_pPopup; }

    void OnClicked();
    void OnSelectCell(int nId);
    void OnChooseOtherColor();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void Notify();

    COLORREF m_color = 0;
    QPointer<QObject> m_hNotifyWnd;
    int m_nNotifyMsg = 0;
    quintptr m_wNotifyParam = 0;
    qintptr m_lNotifyParam = 0;
    QPointer<ColorPopup> m_pPopup;
    QPointer<QPushButton> m_pDefault;  // the sheet's default button, while Return is ours
};

// The event a ColorPickerButton sends to its notification target.
class ColorChangedEvent : public QEvent {
public:
    ColorChangedEvent(int nType, quintptr w, qintptr l)
        : QEvent(static_cast<QEvent::Type>(nType)), wParam(w), lParam(l) {}
    quintptr wParam;
    qintptr lParam;
};
