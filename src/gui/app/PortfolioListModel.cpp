#include "gui/app/PortfolioListModel.h"

#include "core/store/skip_list.h"
#include "gui/app/SymbolGridModel.h"

#include <QFile>

namespace qv::gui {
namespace {
bool g_invalidSkipListReported = false;
} // namespace

PortfolioListModel::PortfolioListModel(QObject* parent) : QAbstractListModel(parent) {}

int PortfolioListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(dirs_.size());
}

bool PortfolioListModel::isMarked(const std::string& skipFlags)
{
    if (skipFlags.size() != kSkipFlagCount)
        return false;
    return skipFlags.find('1', 1) != std::string::npos;
}

QVariant PortfolioListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::string& dir = dirs_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return QFile::decodeName(QByteArray::fromStdString(dir));
    case kItemDataRole: return index.row();
    case kSkipMarkRole: {
        qv::IoStatus why;
        const qv::SkipFlags flags = qv::readSkipFlags(dir, &why);
        // A read-only folder holds no skip list to delete: the symbol grid says so instead.
        if (flags.size() != kSkipFlagCount && !g_invalidSkipListReported && !qv::skipListUnkeepable(dir, why)) {
            g_invalidSkipListReported = true;
            emit const_cast<PortfolioListModel*>(this)->invalidSkipListDrawn(
                QFile::decodeName(QByteArray::fromStdString(dir)));
        }
        if (isMarked(flags))
            return true;
        // XMASTER securities' marks are in a file of their own.
        qv::SkipFlags high;
        return qv::readHighSkipFlags(dir, high).isOk() && high.find('1') != std::string::npos;
    }
    default: return {};
    }
}

void PortfolioListModel::clear()
{
    beginResetModel();
    dirs_.clear();
    endResetModel();
}

void PortfolioListModel::setPortfolios(std::vector<std::string> directories)
{
    beginResetModel();
    dirs_ = std::move(directories);
    endResetModel();
}

} // namespace qv::gui
