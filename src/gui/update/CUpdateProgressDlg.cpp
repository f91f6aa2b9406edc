#include "gui/update/CUpdateProgressDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>

namespace qv::gui {
namespace {

// The window's fields have always held at most this many characters.
QString limited(const std::string& text, qsizetype limit) { return QString::fromStdString(text).left(limit); }

QLabel* valueLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(160);
    return label;
}

} // namespace

CUpdateProgressDlg::CUpdateProgressDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Updating Quotes"));
    // A caption without a close box: the run cannot be cancelled.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);

    portfolio_ = valueLabel(this, "portfolio");
    portfolio_->setMinimumWidth(360);
    symbol_ = valueLabel(this, "symbol");
    quoteFile_ = valueLabel(this, "quoteFile");
    count_ = valueLabel(this, "count");
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    extractionLabel_ = new QLabel(QStringLiteral("Self-Extracting file:"), this);
    extractionLabel_->setObjectName(QStringLiteral("extractionLabel"));
    extractionFile_ = valueLabel(this, "extractionFile");

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Working on Portfolio:"), this), 0, 0, 1, 2);
    grid->addWidget(portfolio_, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Working on Symbol:"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Working on Quote File:"), this), 2, 1);
    grid->addWidget(symbol_, 3, 0);
    grid->addWidget(quoteFile_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Total quotes updated:"), this), 4, 0);
    grid->addWidget(extractionLabel_, 4, 1);
    grid->addWidget(count_, 5, 0);
    grid->addWidget(extractionFile_, 5, 1);
}

void CUpdateProgressDlg::setTexts(const qv::ProgressTexts& texts)
{
    count_->setText(limited(texts.count, 20));
    portfolio_->setText(limited(texts.portfolio, 300));
    quoteFile_->setText(limited(texts.quoteFile, 200));
    symbol_->setText(limited(texts.symbol, 200));
    extractionFile_->setText(limited(texts.extractionFile, 200));
    extractionLabel_->setText(limited(texts.extractionLabel, 200));
}

QStringList CUpdateProgressDlg::shownTexts() const
{
    return {portfolio_->text(), symbol_->text(),          quoteFile_->text(),
            count_->text(),     extractionLabel_->text(), extractionFile_->text()};
}

CUpdateProgressDlg* CUpdateProgressDlg::createSample(QWidget* parent)
{
    auto* dlg = new CUpdateProgressDlg(parent);
    qv::ProgressTexts t;
    t.portfolio = " /home/ann/MetaStock/Stocks";
    t.symbol = " IBM";
    t.quoteFile = " DAILY.TXT";
    t.count = "12  ";
    t.extractionLabel = "De-Compressing File:";
    t.extractionFile = " DAILY";
    dlg->setTexts(t);
    return dlg;
}

void CUpdateProgressDlg::reject()
{
    // Escape would end the dialog; the window stays until the run ends.
}

void CUpdateProgressDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CUpdateProgressDlg::closeEvent(QCloseEvent* event)
{
    // The window system's close request (Alt+F4) is refused; close() from the program is not
    // (QDialog's own handler would route it through reject(), which refuses everything).
    if (event->spontaneous())
        event->ignore();
    else
        event->accept();
}

} // namespace qv::gui
