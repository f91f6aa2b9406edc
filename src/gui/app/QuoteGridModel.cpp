#include "gui/app/QuoteGridModel.h"

#include "core/browse/quote_text.h"

namespace qv::gui {

QuoteGridModel::QuoteGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int QuoteGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int QuoteGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString QuoteGridModel::cellText(const Row& row, int column)
{
    if (column == Date)
        return QString::fromStdString(formatDateForDisplay(row.date));
    if (column < Open || column >= ColumnCount)
        return {};
    const float value = row.values[static_cast<std::size_t>(column - Open)];
    const bool wholeNumber = column == Volume || column == OpenInterest;
    return QString::fromStdString(wholeNumber ? qv::quoteAmountText(value) : qv::quotePriceText(value));
}

QVariant QuoteGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole: return cellText(rows_[static_cast<std::size_t>(index.row())], index.column());
    case Qt::UserRole: return index.row(); // the row's item data: its own index
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant QuoteGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kHeaders[ColumnCount] = {"Date",  "Open",   "High",         "Low",
                                                      "Close", "Volume", "Open Interest"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

void QuoteGridModel::clear()
{
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void QuoteGridModel::reserve(int rows)
{
    if (rows > 0)
        rows_.reserve(static_cast<std::size_t>(rows));
}

void QuoteGridModel::append(const Row* first, int count)
{
    if (count <= 0)
        return;
    const int at = rowCount();
    beginInsertRows({}, at, at + count - 1);
    rows_.insert(rows_.end(), first, first + count);
    endInsertRows();
}

} // namespace qv::gui
