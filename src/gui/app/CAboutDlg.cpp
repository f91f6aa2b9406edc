#include "gui/app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef QUOVANTA_VERSION
#define QUOVANTA_VERSION "0.1.0"
#endif

namespace qv::gui {
namespace {

QLabel* plain(const QString& text, QWidget* parent, const char* name = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Quovanta"));

    QLabel* name = plain(QStringLiteral("Quovanta Version %1").arg(QStringLiteral(QUOVANTA_VERSION)), this, "name");
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    QLabel* description = plain(QStringLiteral("Converts ASCII text financial data and updates / manages historical "
                                               "data in MetaStock or CompuTrac format"),
                                this, "description");
    description->setWordWrap(true);

    auto* notices = new QHBoxLayout;
    notices->addWidget(
        plain(QStringLiteral("MetaStock is a\nregistered trademark of\nEQUIS International Inc."), this, "notice1"));
    notices->addSpacing(24);
    notices->addWidget(
        plain(QStringLiteral("CompuTrac is a\nregistered trademark of\nDow Jones Telerate"), this, "notice2"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(description);
    layout->addSpacing(12);
    layout->addLayout(notices);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

CTutorialDlg::CTutorialDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tutorial"));
    QLabel* hello = plain(QStringLiteral("Hello, New User!"), this);
    QFont bold = hello->font();
    bold.setBold(true);
    hello->setFont(bold);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* yes = buttons->addButton(QStringLiteral("Yes"), QDialogButtonBox::YesRole);
    yes->setObjectName(QStringLiteral("yes"));
    yes->setDefault(true);
    QPushButton* no = buttons->addButton(QStringLiteral("No"), QDialogButtonBox::NoRole);
    no->setObjectName(QStringLiteral("no"));
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hello);
    layout->addWidget(plain(QStringLiteral("Thanks for trying Quovanta."), this));
    layout->addWidget(plain(QStringLiteral("Would you like to visit the Tutorial?"), this));
    layout->addWidget(buttons);
}

} // namespace qv::gui
