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
    // Widens every horizontal measure, keeping the arrangement (for texts longer than the
    // template allowed for).
    void SetWidthScale(double scale) { m_scaleX = scale; }
    int X(int dlu) const { return static_cast<int>((dlu * m_baseX * m_scaleX + 2) / 4); }
    int Y(int dlu) const { return (dlu * m_baseY + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    void Place(QWidget* pWidget, int x, int y, int w, int h) const {
        pWidget->setGeometry(Rect(x, y, w, h));
    }

private:
    int m_baseX = 6;
    double m_scaleX = 1.0;
    int m_baseY = 13;
};
