#include "gui/maintain/CSplitDlg.h"

#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CSplitDlg::CSplitDlg(const QString& date, const qv::QuoteDates& dates, QWidget* parent) : QDialog(parent), dates_(dates)
{
    setWindowTitle(QStringLiteral("Split Data"));
    auto* form = new QFormLayout;
    date_ = formField(form, this, QStringLiteral("Split Date"), "splitDate", date);
    newShares_ = formField(form, this, QStringLiteral("New Shares"), "newShares", QStringLiteral("1"));
    oldShares_ = formField(form, this, QStringLiteral("Old Shares"), "oldShares", QStringLiteral("1"));

    auto* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

qv::SplitForm CSplitDlg::form() const
{
    return {date_->text().toStdString(), newShares_->text().toStdString(), oldShares_->text().toStdString()};
}

void CSplitDlg::accept()
{
    if (MessageBox::passes(this, check().message))
        QDialog::accept();
}

} // namespace qv::gui
