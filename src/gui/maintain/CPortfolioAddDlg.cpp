#include "gui/maintain/CPortfolioAddDlg.h"

#include "core/maintain/symbol_commands.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CPortfolioAddDlg::CPortfolioAddDlg(const QString& initialPath, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add Portfolio"));
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("path"));
    // No length limit: a cut path would name another directory, which OK would then create.
    path_->setText(initialPath);
    path_->setMinimumWidth(path_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    browse_->setObjectName(QStringLiteral("browse"));
    browse_->setAutoDefault(false);

    auto* label = new QLabel(QStringLiteral("Path"), this);
    label->setBuddy(path_);
    auto* row = new QGridLayout;
    row->addWidget(label, 0, 0);
    row->addWidget(path_, 0, 1);
    row->addWidget(browse_, 0, 2);
    auto* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);

    connect(browse_, &QPushButton::clicked, this, &CPortfolioAddDlg::browse);
}

void CPortfolioAddDlg::browse()
{
    if (std::optional<QString> chosen = CChooseDir::choose(this, path_->text()))
        path_->setText(*chosen);
}

void CPortfolioAddDlg::accept()
{
    const qv::CommandResult r = qv::addPortfolio(QFile::encodeName(path_->text()).toStdString());
    if (!r.ok()) {
        MessageBox::warning(this, QString::fromStdString(r.message()));
        return;
    }
    directory_ = r.directory;
    QDialog::accept();
}

} // namespace qv::gui
