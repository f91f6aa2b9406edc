#include "gui/app/GridDelegate.h"

#include "gui/app/SymbolGridModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace qv::gui {
namespace {
const QColor kSkipRed(255, 0, 0);
const QColor kGridLine(192, 192, 192);
} // namespace

GridDelegate::GridDelegate(Kind kind, QObject* parent) : QStyledItemDelegate(parent), kind_(kind) {}

GridDelegate::Colours GridDelegate::coloursFor(bool marked, bool selected, const QPalette& palette)
{
    if (marked && selected)
        return {Qt::white, kSkipRed};
    if (marked)
        return {kSkipRed, palette.color(QPalette::Base)};
    if (selected)
        return {palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)};
    return {palette.color(QPalette::Text), palette.color(QPalette::Base)};
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QVariant mark = index.data(kSkipMarkRole);
    const Colours colours = coloursFor(mark.isValid() && mark.toBool(), selected, option.palette);

    painter->save();
    QRect cell = option.rect;
    painter->fillRect(cell, colours.background);
    painter->setPen(colours.text);
    painter->setFont(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (kind_ == Kind::List) {
        painter->drawText(cell.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
        const QRect textRect = cell.adjusted(2, 0, -3, 0);
        painter->setClipRect(cell);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(text, Qt::ElideNone, textRect.width()));
        painter->setClipping(false);
        painter->setPen(kGridLine);
        painter->drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        painter->drawLine(cell.right() - 2, cell.top(), cell.right() - 2, cell.bottom());
    }
    // In the grids the whole row shows the selection; a focus frame around one cell would not.
    if (kind_ == Kind::List && option.state.testFlag(QStyle::State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.rect = option.rect;
        focus.state = option.state | QStyle::State_KeyboardFocusChange;
        focus.backgroundColor = colours.background;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    return {option.fontMetrics.horizontalAdvance(text) + 6, option.fontMetrics.height() + 4};
}

} // namespace qv::gui
