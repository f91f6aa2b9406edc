#pragma once
// The quote grid's rows: one security's quotes, newest first. Rows hold numbers; the texts
// (core/browse/quote_text.h, dates as formatDateForDisplay) are made when a cell is painted, so
// filling thousands of rows costs no formatting.

#include "core/store/encodings.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

namespace qv::gui {

class QuoteGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Date, Open, High, Low, Close, Volume, OpenInterest, ColumnCount };

    struct Row {
        DayNumber date = kNoDay;
        // Open, high, low, close, volume, open interest; below 0 when the file has no such field.
        std::array<float, 6> values{};
    };

    explicit QuoteGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void clear();
    // Room for the rows a fill announces in advance.
    void reserve(int rows);
    // Appends rows below the present ones (the next older quotes).
    void append(const Row* first, int count);
    const Row& row(int r) const { return rows_[static_cast<std::size_t>(r)]; }

    // The text of a cell, as the grid shows it.
    static QString cellText(const Row& row, int column);

private:
    std::vector<Row> rows_;
};

} // namespace qv::gui
