#pragma once
// "Split Data": the split date and the share ratio. accept() runs the core check; on a refusal
// it shows "Invalid Data Entered" and stays open.

#include "core/maintain/quote_edits.h"

#include <QDialog>

class QLineEdit;

namespace qv::gui {

class CSplitDlg final : public QDialog {
    Q_OBJECT
public:
    // date: the selected quote's date as the grid shows it; dates: the security's first and last quote.
    CSplitDlg(const QString& date, const qv::QuoteDates& dates, QWidget* parent);

    qv::SplitForm form() const;
    qv::EditCheck check() const { return qv::checkSplitForm(form(), dates_); }
    void accept() override;

private:
    qv::QuoteDates dates_;
    QLineEdit* date_ = nullptr;
    QLineEdit* newShares_ = nullptr;
    QLineEdit* oldShares_ = nullptr;
};

} // namespace qv::gui
