#include "gui/maintain/CPortfolioSkipDlg.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv::gui {

CPortfolioSkipDlg::CPortfolioSkipDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Portfolio Skip Adjustment"));
    auto* group = new QGroupBox(QStringLiteral("For this Portfolio's present Symbols:"), this);
    skipAll_ = new QRadioButton(QStringLiteral("Skip all Symbols presently in this Portfolio"), group);
    skipAll_->setObjectName(QStringLiteral("skipAll"));
    skipNone_ = new QRadioButton(QStringLiteral("Don't Skip any Symbols presently in this Portfolio"), group);
    skipNone_->setObjectName(QStringLiteral("skipNone"));
    skipAll_->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(skipAll_);
    groupLayout->addWidget(skipNone_);
    auto* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

bool CPortfolioSkipDlg::skipAll() const { return skipAll_->isChecked(); }

} // namespace qv::gui
