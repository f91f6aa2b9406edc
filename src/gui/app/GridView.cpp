#include "gui/app/GridView.h"

#include <QKeyEvent>

namespace qv::gui {

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    // The walk is this class's own; the table's would wrap around from the last cell to the
    // first and never let Tab leave.
    setTabKeyNavigation(false);
}

QModelIndex GridView::neighbourCell(bool next) const
{
    const QAbstractItemModel* m = model();
    if (!m)
        return {};
    const int rows = m->rowCount(rootIndex());
    const int columns = m->columnCount(rootIndex());
    if (rows == 0 || columns == 0)
        return {};
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : (next ? 0 : rows - 1);
    int column = current.isValid() ? current.column() : (next ? -1 : columns);
    // Hidden columns are passed over; a row is never hidden in these grids.
    do {
        column += next ? 1 : -1;
        if (column >= columns) {
            column = 0;
            ++row;
        } else if (column < 0) {
            column = columns - 1;
            --row;
        }
        if (row < 0 || row >= rows)
            return {};
    } while (isColumnHidden(column));
    return m->index(row, column, rootIndex());
}

bool GridView::focusNextPrevChild(bool next)
{
    if (const QModelIndex cell = neighbourCell(next); cell.isValid()) {
        setCurrentIndex(cell);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        const bool next = event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(next);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace qv::gui
