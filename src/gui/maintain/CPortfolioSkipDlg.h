#pragma once
// "Portfolio Skip Adjustment": skip every present symbol of the portfolio, or none.

#include <QDialog>

class QRadioButton;

namespace qv::gui {

class CPortfolioSkipDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CPortfolioSkipDlg(QWidget* parent);
    bool skipAll() const;

private:
    QRadioButton* skipAll_ = nullptr;
    QRadioButton* skipNone_ = nullptr;
};

} // namespace qv::gui
