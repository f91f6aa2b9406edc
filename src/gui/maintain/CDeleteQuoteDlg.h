#pragma once
// "Delete Data": asks whether the quote of the date shown is to go. Yes accepts, No rejects.

#include "core/maintain/quote_edits.h"

#include <QDialog>

class QLineEdit;

namespace qv::gui {

class CDeleteQuoteDlg final : public QDialog {
    Q_OBJECT
public:
    CDeleteQuoteDlg(const QString& date, QWidget* parent);

    qv::DeleteForm form() const;
    qv::EditCheck check() const { return qv::checkDeleteForm(form()); }

private:
    QLineEdit* date_ = nullptr;
};

} // namespace qv::gui
