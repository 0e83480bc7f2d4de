#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <array>

#include "imaging/GdiTypes.h"

class QPainter;

// The colour popup's table and painter: 24 cells in 4 columns of 6, the first 20 fixed
// colours, then the menu, window and button-face colours of the current palette, and last the
// "..." cell that opens the colour dialog. Short-lived: built afresh for every popup, cell
// choice and repaint, so the palette colours are always current.
class ColorTableMenu {
public:
    static constexpr int FIRST_CELL_ID = 1312;
    static constexpr int COLUMNS = 4;
    static constexpr int ROWS = 6;
    static constexpr int CELL_COUNT = COLUMNS * ROWS;
    static constexpr int OTHER_COLOR_CELL = CELL_COUNT - 1;
    static constexpr COLORREF OTHER_COLOR = 0xFFFFFFFF;  // the "..." marker

    // The 20 fixed colours, in their order: the classic 20 system colours.
    static const std::array<COLORREF, 20> FIXED_COLORS;

    ColorTableMenu();

    // Rebuilds the table; always succeeds here (the fixed colours are ours).
    bool FillTable();
    // Finds the current cell (the lowest index holding the colour, else the "..." cell) and
    // sets the cell size to cellSize - 4 wide and cellSize + 4 high. Returns the current cell.
    int BuildPopup(int nFirstId, COLORREF crCurrent, int nCellSize);
    QSize MeasureItem() const { return m_itemSize; }

    COLORREF ColorAt(int nIndex) const;
    int CurrentCell() const { return m_nCurrent; }
    // The cell at column k, row r has index 6k + r; the popup places it accordingly.
    QRect CellRect(int nIndex) const;

    // Paints one cell. bSelectChange: a change of highlight is being drawn (the background is
    // painted); bSelected: highlighted; bChecked: the current colour's cell.
    void DrawItem(QPainter& painter, const QRect& rc, COLORREF crItem, bool bSelectChange,
                  bool bSelected, bool bChecked) const;
    // Highlighted: the highlight colour with a raised inner edge; else the background colour
    // over the cell grown by one pixel. Returns bSelected.
    bool DrawCellBackground(QPainter& painter, const QRect& rc, bool bSelected) const;

private:
    std::array<COLORREF, CELL_COUNT> m_table{};
    QSize m_itemSize{16, 16};
    int m_nCurrent = OTHER_COLOR_CELL;
    int m_nFirstId = FIRST_CELL_ID;
};

// The popup itself: a frameless pop-up window of cells under the button. Either mouse button
// chooses the cell under it; the arrow keys move the highlight and Return or Space chooses it;
// Escape or a click outside closes it without a choice. A screen reader sees its cells as the
// items of a menu, named by their colours.
class ColorPopup : public QWidget {
    Q_OBJECT

public:
    ColorPopup(COLORREF crCurrent, QWidget* pOwner);

    int HighlightedCell() const { return m_nHighlighted; }
    const ColorTableMenu& Table() const { return m_table; }
    // The cell under a point of the popup, or -1; where a cell lies in the popup.
    int CellAt(QPoint pt) const;
    QRect CellGeometry(int nCell) const {
        return m_table.CellRect(nCell).translated(MARGIN, MARGIN);
    }
    // A colour in words, for a screen reader; a cell's name.
    static QString Describe(COLORREF cr);
    QString CellName(int nCell) const;

signals:
    // A cell was chosen; its command id. Sent after the popup has closed.
    void cellChosen(int nId);
    // The popup is gone from the screen, with or without a choice.
    void closed();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void Choose(int nCell);
    void Highlight(int nCell);

    static constexpr int MARGIN = 2;
    ColorTableMenu m_table;
    int m_nHighlighted = -1;
};

// Palette colour of a role as a colour value.
COLORREF PaletteColorRef(QPalette::ColorRole role);
QColor ToQColor(COLORREF cr);
COLORREF FromQColor(const QColor& color);
