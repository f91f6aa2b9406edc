#pragma once
// "Adjust Data": a date range and the multipliers of prices, volume and open interest.
// accept() runs the core check; on a refusal it shows "Invalid Data Entered" and stays open.

#include "core/maintain/quote_edits.h"

#include <QDialog>

class QLineEdit;

namespace qv::gui {

class CAdjustDlg final : public QDialog {
    Q_OBJECT
public:
    // from, to: the dates of the security's first and last quote as the grid shows them, as the range
    // offered first; dates: the same as day numbers, which bound the range.
    CAdjustDlg(const QString& from, const QString& to, const qv::QuoteDates& dates, QWidget* parent);

    qv::AdjustForm form() const;
    qv::EditCheck check() const { return qv::checkAdjustForm(form(), dates_); }
    void accept() override;

private:
    qv::QuoteDates dates_;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QLineEdit* price_ = nullptr;
    QLineEdit* volume_ = nullptr;
    QLineEdit* openInterest_ = nullptr;
};

} // namespace qv::gui
