#pragma once
// The symbol grid's rows: the securities of one portfolio in MASTER order, then XMASTER's,
// each with its skip mark. Symbols and names are bytes of a Windows program and are shown as Windows-1252.

#include "core/browse/symbol_list.h"
#include "core/store/skip_list.h"

#include <QAbstractTableModel>

#include <vector>

namespace qv::gui {

// Roles the grid delegates read.
inline constexpr int kItemDataRole = Qt::UserRole;     // the row's item data (qint64)
inline constexpr int kSkipMarkRole = Qt::UserRole + 1; // bool: drawn in red

class SymbolGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Symbol, Name, ColumnCount };

    explicit SymbolGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void clear();
    void setRows(std::vector<qv::SymbolRow> rows, const std::string& portfolioDir);
    const qv::SymbolRow& row(int r) const { return rows_[static_cast<std::size_t>(r)]; }

    // Reads the portfolio's skip list again and repaints the marks that changed.
    void refreshSkipFlags();
    // Whether the row's file number is marked in the skip list (false when the list is invalid),
    // or, from file number 256 on, in SKIPQVTX.PBG.
    bool isSkipped(int row) const;
    bool skipFlagsValid() const { return flags_.size() == kSkipFlagCount; }

signals:
    // The first time in the program's run that a row is drawn while the skip list is not
    // 256 marks long.
    void invalidSkipListDrawn(const QString& portfolioDir);

private:
    void readHighFlags(qv::SkipFlags& out) const;

    std::vector<qv::SymbolRow> rows_;
    std::string dir_;
    qv::SkipFlags flags_;
    qv::SkipFlags highFlags_; // marks of file numbers 256 and up (SKIPQVTX.PBG)
    // The skip list is missing and the folder cannot take it: rows show no marks, and the
    // view has said why (never the wrong-length message).
    bool readOnly_ = false;
};

} // namespace qv::gui
