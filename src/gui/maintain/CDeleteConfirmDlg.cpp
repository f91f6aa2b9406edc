#include "gui/maintain/CDeleteConfirmDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CDeleteConfirmDlg* CDeleteConfirmDlg::portfolio(const QString& directory, QWidget* parent)
{
    return new CDeleteConfirmDlg(QStringLiteral("Delete Portfolio"), QStringLiteral("Selected Portfolio to Delete:"),
                                 directory,
                                 {QStringLiteral("Are you sure you want to delete the portfolio? "),
                                  QStringLiteral("(The directory and all its contents will be deleted.)")},
                                 parent);
}

CDeleteConfirmDlg* CDeleteConfirmDlg::symbol(const QString& symbol, QWidget* parent)
{
    return new CDeleteConfirmDlg(QStringLiteral("Delete Symbol"), QStringLiteral("Selected Symbol to Delete:"), symbol,
                                 {QStringLiteral("Are you sure you want to delete the Symbol shown above? ")}, parent);
}

CDeleteConfirmDlg::CDeleteConfirmDlg(const QString& title, const QString& caption, const QString& item,
                                     const QStringList& texts, QWidget* parent)
    // Shown whole: a path cut to its first 100 characters could name another directory than
    // the one Yes deletes.
    : QDialog(parent), item_(item)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(caption, this));
    // Read-only, so that a long path can be scrolled through but not changed.
    auto* shown = new QLineEdit(item_, this);
    shown->setObjectName(QStringLiteral("item"));
    shown->setReadOnly(true);
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    layout->addWidget(shown);
    for (const QString& text : texts) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("question"));
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
    // No is the safe answer to Enter.
    buttons->button(QDialogButtonBox::No)->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons->button(QDialogButtonBox::Yes), &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons->button(QDialogButtonBox::No), &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace qv::gui
