#include "gui/app/CSearchProgressDlg.h"

#include <QGridLayout>
#include <QLabel>

namespace qv::gui {

CSearchProgressDlg::CSearchProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("searchProgress"));
    setWindowTitle(QStringLiteral("Searching for Master Files"));
    setModal(false);
    path_ = new QLabel(QStringLiteral("starting..."), this);
    path_->setObjectName(QStringLiteral("searchPath"));
    path_->setMinimumWidth(360);
    path_->setTextFormat(Qt::PlainText);
    count_ = new QLabel(QStringLiteral("0"), this);
    count_->setObjectName(QStringLiteral("searchCount"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(path_, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Number of Master files found:"), this), 1, 0);
    layout->addWidget(count_, 1, 1);
    layout->setColumnStretch(1, 1);
}

void CSearchProgressDlg::setPath(const QString& path)
{
    // Long paths keep their end, which names the directory being walked.
    path_->setText(path_->fontMetrics().elidedText(path, Qt::ElideMiddle, path_->width()));
    path_->setToolTip(path);
}

void CSearchProgressDlg::setFound(int count) { count_->setText(QString::asprintf("%d", count)); }

QString CSearchProgressDlg::pathText() const { return path_->toolTip().isEmpty() ? path_->text() : path_->toolTip(); }

} // namespace qv::gui
