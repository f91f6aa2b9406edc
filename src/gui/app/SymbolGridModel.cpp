#include "gui/app/SymbolGridModel.h"

#include "core/store/windows1252.h"

#include <algorithm>

namespace qv::gui {
namespace {
// Shown once per run of the program, as the message would otherwise repeat with every paint.
bool g_invalidSkipListReported = false;
} // namespace

SymbolGridModel::SymbolGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int SymbolGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SymbolGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

bool SymbolGridModel::isSkipped(int row) const
{
    if (!skipFlagsValid() || row < 0 || row >= rowCount())
        return false;
    const int fileNumber = rows_[static_cast<std::size_t>(row)].fileNumber;
    if (fileNumber >= qv::kFirstHighSkipNumber)
        return qv::highSkipMarked(highFlags_, fileNumber);
    return fileNumber >= 0 && fileNumber < static_cast<int>(kSkipFlagCount) &&
           flags_[static_cast<std::size_t>(fileNumber)] == '1';
}

QVariant SymbolGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const qv::SymbolRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(qv::windows1252ToUtf8(index.column() == Symbol ? r.symbol : r.shownName()));
    case kItemDataRole: return QVariant::fromValue(static_cast<qint64>(r.itemData()));
    case kSkipMarkRole:
        if (!skipFlagsValid() && !readOnly_ && !g_invalidSkipListReported) {
            g_invalidSkipListReported = true;
            emit const_cast<SymbolGridModel*>(this)->invalidSkipListDrawn(QString::fromStdString(dir_));
        }
        return isSkipped(index.row());
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant SymbolGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == Symbol)
        return QStringLiteral("Symbol");
    if (section == Name)
        return QStringLiteral("Name");
    return {};
}

void SymbolGridModel::clear()
{
    beginResetModel();
    rows_.clear();
    dir_.clear();
    flags_.clear();
    highFlags_.clear();
    endResetModel();
}

void SymbolGridModel::setRows(std::vector<qv::SymbolRow> rows, const std::string& portfolioDir)
{
    beginResetModel();
    rows_ = std::move(rows);
    dir_ = portfolioDir;
    // A portfolio without securities has no row to draw, and its skip list is not created.
    qv::IoStatus why;
    flags_ = rows_.empty() ? qv::SkipFlags{} : qv::readSkipFlags(dir_, &why);
    readOnly_ = !rows_.empty() && !skipFlagsValid() && qv::skipListUnkeepable(dir_, why);
    readHighFlags(highFlags_);
    endResetModel();
}

void SymbolGridModel::readHighFlags(qv::SkipFlags& out) const
{
    out.clear();
    // Only a grid with XMASTER rows looks for their marks; one that cannot be read shows them
    // unmarked (the listing has said why).
    const bool anyHigh = std::any_of(rows_.begin(), rows_.end(),
                                     [](const qv::SymbolRow& r) { return r.fileNumber >= qv::kFirstHighSkipNumber; });
    if (anyHigh && !qv::readHighSkipFlags(dir_, out))
        out.clear();
}

void SymbolGridModel::refreshSkipFlags()
{
    if (rows_.empty())
        return;
    qv::IoStatus why;
    qv::SkipFlags fresh = qv::readSkipFlags(dir_, &why);
    readOnly_ = fresh.size() != kSkipFlagCount && qv::skipListUnkeepable(dir_, why);
    qv::SkipFlags freshHigh;
    readHighFlags(freshHigh);
    if (fresh == flags_ && freshHigh == highFlags_)
        return;
    flags_ = std::move(fresh);
    highFlags_ = std::move(freshHigh);
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {kSkipMarkRole});
}

} // namespace qv::gui
