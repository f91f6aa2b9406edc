#pragma once
// Row drawing shared by the portfolio list and both grids: window colours, highlight colours
// for the selection, red text for a skip mark (white on red when selected), and for the grids
// light grey lines under each row and at the right of each column.

#include <QStyledItemDelegate>

namespace qv::gui {

class GridDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { List, Grid };
    explicit GridDelegate(Kind kind, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    struct Colours {
        QColor text;
        QColor background;
    };
    // The colours of a row: marked = skip mark, selected = part of the selection.
    static Colours coloursFor(bool marked, bool selected, const QPalette& palette);

private:
    Kind kind_;
};

} // namespace qv::gui
