#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

// Places controls by the dialog templates' own dialog units: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its height. The pages
// keep the templates' arrangement and grow with the font, so longer texts still fit.
class DialogUnits {
public:
    explicit DialogUnits(const QWidget& widget) {
        const QFontMetrics fm(widget.font());
        const QString alphabet =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_baseX = (fm.horizontalAdvance(alphabet) + 26) / 52;
        m_baseY = fm.height();
    }
    int X(int dlu) const { return (dlu * m_baseX + 2) / 4; }
    int Y(int dlu) const { return (dlu * m_baseY + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    void Place(QWidget* pWidget, int x, int y, int w, int h) const {
        pWidget->setGeometry(Rect(x, y, w, h));
    }

private:
    int m_baseX = 6;
    int m_baseY = 13;
};
