#include "gui/maintain/CAdjustDlg.h"

#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CAdjustDlg::CAdjustDlg(const QString& from, const QString& to, const qv::QuoteDates& dates, QWidget* parent)
    : QDialog(parent), dates_(dates)
{
    setWindowTitle(QStringLiteral("Adjust Data"));
    auto field = [&](QFormLayout* form, const QString& label, const char* name, const QString& text) {
        return formField(form, this, label, name, text);
    };
    auto* range = new QGroupBox(QStringLiteral("Dates"), this);
    auto* rangeForm = new QFormLayout(range);
    from_ = field(rangeForm, QStringLiteral("From:"), "from", from);
    to_ = field(rangeForm, QStringLiteral("To:"), "to", to);
    auto* factors = new QGroupBox(QStringLiteral("Multipliers"), this);
    auto* factorForm = new QFormLayout(factors);
    price_ = field(factorForm, QStringLiteral("Price"), "price", QStringLiteral("1"));
    volume_ = field(factorForm, QStringLiteral("Volume"), "volume", QStringLiteral("1"));
    openInterest_ = field(factorForm, QStringLiteral("Open Interest"), "openInterest", QStringLiteral("1"));

    auto* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range);
    layout->addWidget(factors);
    layout->addWidget(buttons);
}

qv::AdjustForm CAdjustDlg::form() const
{
    return {from_->text().toStdString(), to_->text().toStdString(), price_->text().toStdString(),
            volume_->text().toStdString(), openInterest_->text().toStdString()};
}

void CAdjustDlg::accept()
{
    if (MessageBox::passes(this, check().message))
        QDialog::accept();
}

} // namespace qv::gui
