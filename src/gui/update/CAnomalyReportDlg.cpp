#include "gui/update/CAnomalyReportDlg.h"

#include "gui/help/CHelpWindow.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

CAnomalyReportDlg::CAnomalyReportDlg(const qv::AnomalyReport& report, int quoteCount, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Anomaly Report"));

    // The title is the log's first line; its line end is not for showing.
    QString title = QString::fromStdString(report.title);
    while (title.endsWith(QLatin1Char('\n')) || title.endsWith(QLatin1Char('\r')))
        title.chop(1);
    auto* titleLabel = new QLabel(title.left(100), this);
    titleLabel->setObjectName(QStringLiteral("title"));
    titleLabel->setTextFormat(Qt::PlainText);

    auto* countLabel = new QLabel(QString::number(quoteCount), this);
    countLabel->setObjectName(QStringLiteral("count"));
    countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("reportList"));
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setSortingEnabled(false);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMinimumSize(420, 180);
    for (const std::string& entry : report.entries)
        list_->addItem(QString::fromStdString(entry));

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Number of updated quote:"), this));
    countRow->addStretch();
    countRow->addWidget(countLabel);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* help = buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(help, &QPushButton::clicked, this, &CAnomalyReportDlg::reject);
    connect(ok, &QPushButton::clicked, this, &CAnomalyReportDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel);
    layout->addLayout(countRow);
    layout->addWidget(list_);
    layout->addWidget(new QLabel(QStringLiteral("See file  AUDIT.TXT for more details."), this));
    layout->addWidget(buttons);
}

QStringList CAnomalyReportDlg::entries() const
{
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

void CAnomalyReportDlg::reject()
{
    // Help, Escape and the close box all ask for help; only OK closes the report.
    CHelpWindow::showTopic(this, QStringLiteral("anomaly-report.html"));
}

CAnomalyReportDlg* CAnomalyReportDlg::createSample(QWidget* parent)
{
    qv::AnomalyReport report;
    report.title = "Results of Quovanta for Friday, January 17, 1997 18:30:00";
    report.entries = {"GC in /home/ann/MetaStock/Futures ", "MSFT in /home/ann/MetaStock/Stocks ", "",
                      "ERROR: De-Compress failure for file DAILY.ZIP "};
    return new CAnomalyReportDlg(report, 12, parent);
}

} // namespace qv::gui
