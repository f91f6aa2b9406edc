#include "gui/maintain/CQuoteEditDlg.h"

#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

QPushButton* addButton(QHBoxLayout* row, QWidget* parent, const QString& text, const char* name)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

CQuoteEditDlg::CQuoteEditDlg(QuoteRowSource source, int position, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), position_(position)
{
    setWindowTitle(QStringLiteral("Edit Selected Quote"));
    auto* form = new QFormLayout;
    date_ = formField(form, this, QStringLiteral("Date:"), "date");
    date_->setReadOnly(true);
    const char* names[] = {"open", "high", "low", "close", "volume", "openInterest"};
    const QString labels[] = {QStringLiteral("Open:"),  QStringLiteral("High:"),   QStringLiteral("Low:"),
                              QStringLiteral("Close:"), QStringLiteral("Volume:"), QStringLiteral("Open Interest:")};
    for (std::size_t k = 0; k < values_.size(); ++k)
        values_[k] = formField(form, this, labels[k], names[k]);

    auto* moves = new QHBoxLayout;
    previous_ = addButton(moves, this, QStringLiteral("Previous"), "previous");
    next_ = addButton(moves, this, QStringLiteral("Next"), "next");
    first_ = addButton(moves, this, QStringLiteral("First"), "first");
    last_ = addButton(moves, this, QStringLiteral("Last"), "last");
    // Row 0 is the newest quote: Next moves up towards it, Previous down to older quotes.
    connect(previous_, &QPushButton::clicked, this, [this] { moveTo(position_ + 1); });
    connect(next_, &QPushButton::clicked, this, [this] { moveTo(position_ - 1); });
    connect(last_, &QPushButton::clicked, this, [this] { moveTo(0); });
    connect(first_, &QPushButton::clicked, this, [this] {
        if (source_.showingRecent())
            source_.showAllQuotes();
        moveTo(source_.rowsShown() - 1);
    });

    auto* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(moves);
    layout->addWidget(buttons);
    load();
}

void CQuoteEditDlg::moveTo(int row)
{
    // The recent quotes end at row 30: going past them shows every quote first.
    if (row >= source_.rowsShown() && source_.showingRecent())
        source_.showAllQuotes();
    if (row < 0 || row >= source_.rowsShown())
        return;
    position_ = row;
    source_.selectRow(row);
    load();
}

void CQuoteEditDlg::load()
{
    const int rows = source_.rowsShown();
    if (position_ >= 0 && position_ < rows) {
        const QuoteGridModel::Row row = source_.row(position_);
        date_->setText(QuoteGridModel::cellText(row, QuoteGridModel::Date));
        for (std::size_t k = 0; k < values_.size(); ++k)
            values_[k]->setText(QuoteGridModel::cellText(row, QuoteGridModel::Open + static_cast<int>(k)));
    }
    const bool newest = position_ <= 0;
    const bool oldest = position_ >= source_.quotesInFile() - 1;
    next_->setEnabled(!newest);
    last_->setEnabled(!newest);
    previous_->setEnabled(!oldest);
    first_->setEnabled(!oldest);
}

qv::QuoteEditForm CQuoteEditDlg::form() const
{
    qv::QuoteEditForm f;
    f.date = date_->text().toStdString();
    for (std::size_t k = 0; k < values_.size(); ++k)
        f.values[k] = values_[k]->text().toStdString();
    return f;
}

void CQuoteEditDlg::accept()
{
    if (MessageBox::passes(this, check().message))
        QDialog::accept();
}

} // namespace qv::gui
