#include "gui/maintain/CDeleteQuoteDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CDeleteQuoteDlg::CDeleteQuoteDlg(const QString& date, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Delete Data"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Selected Date to Delete:"), this));
    date_ = new QLineEdit(this);
    date_->setObjectName(QStringLiteral("date"));
    date_->setReadOnly(true);
    date_->setText(date);
    layout->addWidget(date_);
    auto* question = new QLabel(QStringLiteral("Are you sure you want to delete the data for the above date? "), this);
    question->setObjectName(QStringLiteral("question"));
    question->setWordWrap(true);
    layout->addWidget(question);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
    QPushButton* no = buttons->button(QDialogButtonBox::No);
    buttons->button(QDialogButtonBox::Yes)->setObjectName(QStringLiteral("yes"));
    no->setObjectName(QStringLiteral("no"));
    no->setDefault(true); // a stray Enter keeps the quote
    connect(buttons, &QDialogButtonBox::accepted, this, &CDeleteQuoteDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDeleteQuoteDlg::reject);
    layout->addWidget(buttons);
}

qv::DeleteForm CDeleteQuoteDlg::form() const { return {date_->text().toStdString()}; }

} // namespace qv::gui
