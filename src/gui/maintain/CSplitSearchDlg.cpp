#include "gui/maintain/CSplitSearchDlg.h"

#include "core/store/windows1252.h"
#include "gui/common/FileDialog.h"
#include "gui/common/MessageBox.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

QString fromFile(const std::string& bytes) { return QString::fromStdString(qv::windows1252ToUtf8(bytes)); }

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// Lets the window show what the search has found so far; input waits until it ends.
void refresh() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

} // namespace

CSplitSearchDlg::CSplitSearchDlg(std::function<std::string()> portfolio, std::function<bool()> quietSounds,
                                 QWidget* parent)
    : QDialog(parent), portfolio_(std::move(portfolio)), quietSounds_(std::move(quietSounds))
{
    setWindowTitle(QStringLiteral("Split Search"));
    setModal(false);

    auto* results = new QGroupBox(QStringLiteral("Search Results"), this);
    list_ = new QListWidget(results);
    list_->setObjectName(QStringLiteral("resultList"));
    list_->setSortingEnabled(false);
    list_->setMinimumSize(340, 180);
    (new QVBoxLayout(results))->addWidget(list_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    auto* advice = new QLabel(
        QString::fromUtf8(qv::kSplitSearchAdviceText.data(), static_cast<qsizetype>(qv::kSplitSearchAdviceText.size())),
        this);
    advice->setWordWrap(true);

    search_ = button(QStringLiteral("Search"), "search", this);
    search_->setDefault(true);
    saveAs_ = button(QStringLiteral("Save As..."), "saveAs", this);
    saveAs_->setEnabled(false);
    close_ = button(QStringLiteral("Close"), "close", this);
    connect(search_, &QPushButton::clicked, this, &CSplitSearchDlg::OnSearch);
    connect(saveAs_, &QPushButton::clicked, this, &CSplitSearchDlg::OnSaveAs);
    connect(close_, &QPushButton::clicked, this, &CSplitSearchDlg::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(search_);
    buttons->addWidget(saveAs_);
    buttons->addWidget(close_);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(results, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(status_);
    layout->addWidget(advice);
}

QStringList CSplitSearchDlg::lines() const
{
    QStringList out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

QString CSplitSearchDlg::statusText() const { return status_->text(); }

void CSplitSearchDlg::SetStatus(const QString& text)
{
    status_->setText(text);
    refresh();
}

void CSplitSearchDlg::AddCandidate(const qv::SplitCandidate& candidate)
{
    const std::string line = qv::splitCandidateLine(candidate);
    lines_.push_back(line);
    list_->addItem(fromFile(line));
    list_->scrollToBottom();
    saveAs_->setEnabled(true);
    refresh();
}

void CSplitSearchDlg::OnSearch()
{
    if (searching_)
        return;
    // The securities of the symbol grid as it is now: the user may have chosen another
    // portfolio since the window opened.
    const std::string dir = portfolioDir();
    if (dir.empty()) {
        MessageBox::warning(this, QStringLiteral("No portfolio is selected in the main window."));
        return;
    }
    searching_ = true;
    search_->setEnabled(false);
    close_->setEnabled(false);

    qv::SplitSearchReporter reporter;
    reporter.onCandidate = [this](const qv::SplitCandidate& c) { AddCandidate(c); };
    reporter.onMessage = [this](const qv::SplitSearchMessage& m) {
        MessageBox::show(this, fromFile(m.text),
                         m.information ? MessageBox::Icon::Information : MessageBox::Icon::Warning);
    };
    reporter.onSymbolDone = [this](const std::string& symbol) { SetStatus(fromFile(symbol)); };
    // The list is kept from one search to the next: each search adds to it.
    const qv::SplitSearchOutcome outcome = qv::runSplitSearch(dir, reporter);

    if (outcome.done()) {
        SetStatus(QString::fromUtf8(qv::kSplitSearchDoneText.data(),
                                    static_cast<qsizetype>(qv::kSplitSearchDoneText.size())));
        if (!(quietSounds_ && quietSounds_()))
            beep();
        if (const auto message = outcome.finalMessage())
            MessageBox::information(this, QString::fromStdString(message->text));
    } else {
        MessageBox::warning(this, QString::fromStdString(outcome.failure.message()));
    }

    searching_ = false;
    search_->setEnabled(true);
    close_->setEnabled(true);
    if (closeRequested_)
        reject();
}

void CSplitSearchDlg::OnSaveAs()
{
    QString name = FileDialog::saveFileName(this, QStringLiteral("Save As"), QStringLiteral("result.txt"),
                                            QStringLiteral("Text Files (*.txt);;All Files (*.*)"));
    if (name.isEmpty())
        return;
    // The default extension goes on a name typed without one; the dialog asked about the name
    // as typed, so the name with the extension is asked about here.
    if (QFileInfo(name).suffix().isEmpty()) {
        name += QStringLiteral(".txt");
        if (QFileInfo::exists(name) &&
            !MessageBox::question(this, QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(name)))
            return;
    }
    if (const qv::Outcome saved = qv::saveSplitSearchReport(QFile::encodeName(name).toStdString(), lines_); !saved)
        MessageBox::warning(this, QString::fromStdString(saved.message()));
}

void CSplitSearchDlg::reject()
{
    if (searching_) {
        closeRequested_ = true;
        return;
    }
    closeRequested_ = false;
    QDialog::reject();
}

} // namespace qv::gui
