#pragma once
// The table under the symbol and quote grids, walked from the keyboard cell by cell: Tab moves
// to the next cell of the row, then to the first cell of the next row (Shift+Tab back the same
// way); Tab on the last cell (Shift+Tab on the first) goes on to the next control, and
// Ctrl+Tab (Ctrl+Shift+Tab) leaves the grid from any cell, so keyboard-only use is never
// caught in a long grid.

#include <QTableView>

namespace qv::gui {

class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent);

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The cell after (or before) the current one in reading order; invalid past either end.
    // Without a current cell, the first (or last) cell.
    QModelIndex neighbourCell(bool next) const;
};

} // namespace qv::gui
