#pragma once

#include <QGroupBox>
#include <QWidget>
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

#include "config/DialogUnits.h"

// Places a page's controls by its template's dialog units. Where a text needs more room than
// its template width gives, the whole page widens by one factor, so nothing is clipped and the
// arrangement stays.
class TemplateLayout {
public:
    explicit TemplateLayout(const QWidget& page) : m_units(page) {}

    // bFitText: the control shows a text that must fit its width.
    void Add(QWidget* pWidget, int x, int y, int w, int h, bool bFitText = false) {
        m_placed.push_back({pWidget, x, y, w, h, bFitText});
    }

    // Places and shows every control (the page may already be on screen); returns the units,
    // widened as needed, for measuring the page itself.
    const DialogUnits& Apply() {
        double scale = 1.0;
        for (const Placed& p : m_placed) {
            const int width = m_units.X(p.w);
            if (p.fitText && width > 0) {
                scale = std::max(scale, static_cast<double>(p.widget->sizeHint().width()) / width);
            }
        }
        m_units.SetWidthScale(scale);
        for (const Placed& p : m_placed) {
            m_units.Place(p.widget, p.x, p.y, p.w, p.h);
            p.widget->show();
        }
        return m_units;
    }

private:
    struct Placed {
        QWidget* widget;
        int x, y, w, h;
        bool fitText;
    };
    DialogUnits m_units;
    std::vector<Placed> m_placed;
};

// A group box whose caption's mnemonic moves the focus to the next control in Tab order, as
// a group's label does on a Windows page (Qt's own moves it only to a control inside the box).
class LabelGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    bool event(QEvent* pEvent) override;
};

// A control's text without its mnemonic: "&Frame rate" and "フレームレート(&F)" become
// "Frame rate" and "フレームレート", for the accessible names of the controls it labels.
QString PlainText(const QString& text);

// Keeps a page's controls, placed from its left edge by the template, centred across the page
// however wide the sheet makes it (the widest page sets the width of all), and gives the page
// the dialog's own background. Call once the controls are placed.
void CentreControls(QWidget& page);

// A page's controls by their template ids.
class ControlMap {
public:
    // Null before the page's controls are made.
    QWidget* Control(int nId) const {
        const auto it = m_controls.find(nId);
        return it != m_controls.end() ? it->second : nullptr;
    }

protected:
    template <typename T>
    T* Register(int nId, T* pWidget) {
        m_controls[nId] = pWidget;
        return pWidget;
    }
    // Check boxes and their int members: checked is 1, cleared is 0.
    void ExchangeChecks(bool bSaveAndValidate,
                        std::initializer_list<std::pair<int, int*>> checks) const;

private:
    std::map<int, QWidget*> m_controls;
};
