#pragma once
// The portfolio list: one directory per row, in the order the search gives. Each draw reads the
// portfolio's skip list, so a mark set elsewhere shows at the next paint.

#include <QAbstractListModel>
#include <QStringList>

#include <string>
#include <vector>

namespace qv::gui {

class PortfolioListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PortfolioListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void clear();
    void setPortfolios(std::vector<std::string> directories);
    const std::vector<std::string>& portfolios() const { return dirs_; }

    // Marked when any security of the portfolio (positions 1 to 255 of its skip list) is
    // skipped; position 0 belongs to no security. An invalid skip list leaves it unmarked.
    static bool isMarked(const std::string& skipFlags);

signals:
    // The first time in the program's run that a portfolio's skip list is not 256 marks long.
    void invalidSkipListDrawn(const QString& portfolioDir);

private:
    std::vector<std::string> dirs_;
};

} // namespace qv::gui
