#include "config/ColorTableMenu.h"

#include <qdrawutil.h>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>

const std::array<COLORREF, 20> ColorTableMenu::FIXED_COLORS = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
    RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

QColor ToQColor(COLORREF cr) {
    return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

COLORREF FromQColor(const QColor& color) {
    return RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
               static_cast<uint8_t>(color.blue()));
}

COLORREF PaletteColorRef(QPalette::ColorRole role) {
    return FromQColor(QApplication::palette().color(QPalette::Active, role));
}

ColorTableMenu::ColorTableMenu() {
    FillTable();
}

bool ColorTableMenu::FillTable() {
    m_table.fill(0);
    m_table[CELL_COUNT - 1] = OTHER_COLOR;
    m_table[CELL_COUNT - 2] = PaletteColorRef(QPalette::Button);  // button face
    m_table[CELL_COUNT - 3] = PaletteColorRef(QPalette::Base);    // window
    m_table[CELL_COUNT - 4] = PaletteColorRef(QPalette::Window);  // menu
    std::copy(FIXED_COLORS.begin(), FIXED_COLORS.end(), m_table.begin());
    return true;
}

int ColorTableMenu::BuildPopup(int nFirstId, COLORREF crCurrent, int nCellSize) {
    m_nFirstId = nFirstId;
    m_nCurrent = OTHER_COLOR_CELL;
    for (int i = 0; i < CELL_COUNT; ++i) {
        if (m_table[static_cast<size_t>(i)] == crCurrent) {
            m_nCurrent = i;
            break;
        }
    }
    m_itemSize = QSize(nCellSize - 4, nCellSize + 4);
    return m_nCurrent;
}

COLORREF ColorTableMenu::ColorAt(int nIndex) const {
    return nIndex >= 0 && nIndex < CELL_COUNT ? m_table[static_cast<size_t>(nIndex)] : 0;
}

QRect ColorTableMenu::CellRect(int nIndex) const {
    const int column = nIndex / ROWS, row = nIndex % ROWS;
    return QRect(QPoint(column * m_itemSize.width(), row * m_itemSize.height()), m_itemSize);
}

bool ColorTableMenu::DrawCellBackground(QPainter& painter, const QRect& rc, bool bSelected) const {
    const QPalette& pal = QApplication::palette();
    if (bSelected) {
        painter.fillRect(rc, pal.color(QPalette::Highlight));
        qDrawShadeRect(&painter, rc, pal, false, 1);
        painter.setBackground(pal.color(QPalette::Highlight));
    } else {
        painter.fillRect(rc.adjusted(-1, -1, 1, 1), painter.background());
    }
    return bSelected;
}

void ColorTableMenu::DrawItem(QPainter& painter, const QRect& rc, COLORREF crItem,
                              bool bSelectChange, bool bSelected, bool bChecked) const {
    painter.setPen(Qt::NoPen);
    const QPalette& pal = QApplication::palette();
    bool bHighlighted = false;
    if (bSelectChange) {
        bHighlighted = DrawCellBackground(painter, rc, bSelected);
    }
    if (!bHighlighted && bChecked) {
        // A pushed-in button: the current colour's cell.
        qDrawShadePanel(&painter, rc, pal, true, 1, &pal.brush(QPalette::Midlight));
    }
    if (crItem == OTHER_COLOR) {
        painter.setPen(bSelected ? Qt::white : Qt::black);
        painter.drawText(rc, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("..."));
        // A raised edge of two rings: in the button, whose sunken edge covers the outer one,
        // the inner one still shows.
        qDrawWinPanel(&painter, rc, pal, false, nullptr);
        return;
    }
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(ToQColor(crItem));
    // Inset 3 pixels; a rectangle drawn with a pen covers its right and bottom edge too.
    painter.drawRect(rc.adjusted(3, 3, -4, -4));
    painter.setBrush(Qt::NoBrush);
}

// ---------------------------------------------------------------------------------------------

namespace {

// One cell of the popup for a screen reader: a menu item named by its colour, checked when it
// holds the current colour, focused while highlighted.
class CellAccessible : public QAccessibleInterface {
public:
    CellAccessible(ColorPopup* pPopup, int nCell) : m_pPopup(pPopup), m_nCell(nCell) {}

    bool isValid() const override { return m_pPopup != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_pPopup->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_pPopup);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? m_pPopup->CellName(m_nCell) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect cell = m_pPopup->CellGeometry(m_nCell);
        return QRect(m_pPopup->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = state.checkable = true;
        state.focused = m_pPopup->HighlightedCell() == m_nCell;
        state.checked = m_pPopup->Table().CurrentCell() == m_nCell;
        return state;
    }

private:
    QPointer<ColorPopup> m_pPopup;
    int m_nCell;
};

class PopupAccessible : public QAccessibleWidget {
public:
    explicit PopupAccessible(ColorPopup* pPopup)
        : QAccessibleWidget(pPopup, QAccessible::PopupMenu) {}
    ~PopupAccessible() override {
        for (const QAccessible::Id id : m_cells) {
            if (id != 0) {
                QAccessible::deleteAccessibleInterface(id);
            }
        }
    }

    int childCount() const override { return ColorTableMenu::CELL_COUNT; }
    QAccessibleInterface* child(int nCell) const override {
        if (nCell < 0 || nCell >= ColorTableMenu::CELL_COUNT) {
            return nullptr;
        }
        QAccessible::Id& id = m_cells[static_cast<size_t>(nCell)];
        if (id == 0) {
            id = QAccessible::registerAccessibleInterface(new CellAccessible(Popup(), nCell));
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* pChild) const override {
        for (int i = 0; i < ColorTableMenu::CELL_COUNT; ++i) {
            if (m_cells[static_cast<size_t>(i)] != 0 && child(i) == pChild) {
                return i;
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(Popup()->CellAt(Popup()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override { return child(Popup()->HighlightedCell()); }

private:
    ColorPopup* Popup() const { return static_cast<ColorPopup*>(widget()); }

    mutable std::array<QAccessible::Id, ColorTableMenu::CELL_COUNT> m_cells{};
};

QAccessibleInterface* PopupAccessibleFactory(const QString& className, QObject* pObject) {
    auto* pPopup = qobject_cast<ColorPopup*>(pObject);
    return className == QLatin1String("ColorPopup") && pPopup != nullptr
               ? new PopupAccessible(pPopup)
               : nullptr;
}

}  // namespace

ColorPopup::ColorPopup(COLORREF crCurrent, QWidget* pOwner)
    : QWidget(pOwner, Qt::Popup | Qt::FramelessWindowHint) {
    static const bool bFactory = (QAccessible::installFactory(PopupAccessibleFactory), true);
    Q_UNUSED(bFactory);
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setAccessibleName(tr("Colors"));
    m_table.BuildPopup(ColorTableMenu::FIRST_CELL_ID, crCurrent, 16);
    const QSize cell = m_table.MeasureItem();
    setFixedSize(cell.width() * ColorTableMenu::COLUMNS + 2 * MARGIN,
                 cell.height() * ColorTableMenu::ROWS + 2 * MARGIN);
}

QString ColorPopup::Describe(COLORREF cr) {
    return tr("Red %1, green %2, blue %3").arg(GetRValue(cr)).arg(GetGValue(cr)).arg(GetBValue(cr));
}

QString ColorPopup::CellName(int nCell) const {
    return nCell == ColorTableMenu::OTHER_COLOR_CELL ? tr("Other color...")
                                                     : Describe(m_table.ColorAt(nCell));
}

int ColorPopup::CellAt(QPoint pt) const {
    for (int i = 0; i < ColorTableMenu::CELL_COUNT; ++i) {
        if (CellGeometry(i).contains(pt)) {
            return i;
        }
    }
    return -1;
}

void ColorPopup::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Window));
    qDrawShadePanel(&painter, rect(), pal, false, 1);
    painter.setBackground(pal.color(QPalette::Window));
    for (int i = 0; i < ColorTableMenu::CELL_COUNT; ++i) {
        const QRect rc = CellGeometry(i);
        painter.setBackground(pal.color(QPalette::Window));
        m_table.DrawItem(painter, rc, m_table.ColorAt(i), true, i == m_nHighlighted,
                         i == m_table.CurrentCell());
    }
}

void ColorPopup::mouseMoveEvent(QMouseEvent* pEvent) {
    const int cell = CellAt(pEvent->position().toPoint());
    if (cell != m_nHighlighted) {
        Highlight(cell);
    }
}

void ColorPopup::Highlight(int nCell) {
    m_nHighlighted = nCell;
    update();
    if (nCell >= 0) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(nCell);
        QAccessible::updateAccessibility(&event);
    }
}

void ColorPopup::mouseReleaseEvent(QMouseEvent* pEvent) {
    // Either button chooses.
    const int cell = CellAt(pEvent->position().toPoint());
    if (cell >= 0) {
        Choose(cell);
    }
}

void ColorPopup::Choose(int nCell) {
    close();
    emit cellChosen(ColorTableMenu::FIRST_CELL_ID + nCell);
}

void ColorPopup::hideEvent(QHideEvent* pEvent) {
    QWidget::hideEvent(pEvent);
    emit closed();
}

void ColorPopup::keyPressEvent(QKeyEvent* pEvent) {
    // As in a menu of columns: up and down run through the cells in order, from one column into
    // the next; left and right move across the columns. The first arrow starts at the current
    // colour.
    constexpr int kCells = ColorTableMenu::CELL_COUNT;
    int step = 0;
    switch (pEvent->key()) {
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (m_nHighlighted >= 0) {
                Choose(m_nHighlighted);
            } else {
                close();
            }
            return;
        case Qt::Key_Down:
            step = 1;
            break;
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Right:
            step = ColorTableMenu::ROWS;
            break;
        case Qt::Key_Left:
            step = -ColorTableMenu::ROWS;
            break;
        default:
            QWidget::keyPressEvent(pEvent);
            return;
    }
    if (m_nHighlighted < 0) {
        const int current = m_table.CurrentCell();
        Highlight(current >= 0 ? current : 0);
    } else {
        Highlight(((m_nHighlighted + step) % kCells + kCells) % kCells);
    }
}
