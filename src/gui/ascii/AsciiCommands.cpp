#include "gui/ascii/AsciiCommands.h"

#include "core/ascii/export.h"
#include "core/ascii/import.h"
#include "gui/app/CQuovantaView.h"
#include "gui/ascii/CExportDlg.h"
#include "gui/ascii/CImportDlg.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/maintain/MaintenanceCommands.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace qv::gui {
namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString text(const std::string& s) { return QString::fromStdString(s); }

bool samePortfolio(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    const QString ca = QFileInfo(QFile::decodeName(QByteArray::fromStdString(a))).canonicalFilePath();
    const QString cb = QFileInfo(QFile::decodeName(QByteArray::fromStdString(b))).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

void signalDone(CQuovantaView& view)
{
    if (!view.settings().soundDisable)
        beep();
}

} // namespace

void OnImport(CQuovantaView& view)
{
    SettingsFile& settings = view.settingsFile();
    std::optional<qv::ImportDialogValues>& draft = view.asciiDrafts().import;
    CImportDlg dlg(draft.value_or(qv::readImportSettings(settings)), view.window());
    draft.reset();
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    const qv::ImportDialogValues values = dlg.values();
    view.SettingSaved(qv::writeImportDialogSettings(settings, values));

    const qv::ImportJob job = qv::makeImportJob(values);
    qv::ImportResult result;
    {
        WaitCursor wait;
        result = qv::importQuotes(job);
    }
    if (result.securityAdded)
        view.SettingSaved(qv::writeImportPaths(settings, job, result.outputDir));
    for (const qv::ImportMessage& m : result.messages) {
        MessageBox::show(view.window(), text(m.text),
                         m.icon == qv::ImportMessage::Icon::Information ? MessageBox::Icon::Information
                                                                        : MessageBox::Icon::Warning);
    }
    if (result.ok()) {
        signalDone(view);
        emit view.statusMessage(
            QStringLiteral("Imported %1 quotes of %2 into %3")
                .arg(result.quoteCount)
                .arg(text(job.symbol), QFile::decodeName(QByteArray::fromStdString(result.outputDir))));
    } else if (!result.securityAdded) {
        draft = values;
    }
    // A security whose quotes went in despite a failed date check is in the portfolio too; a
    // portfolio the import made is listed (and shown) at once.
    if (result.securityAdded) {
        if (samePortfolio(result.outputDir, view.portfolioDir())) {
            view.FillSymbolGrid(0);
        } else {
            const std::vector<std::string> listed = view.portfolios();
            if (std::none_of(listed.begin(), listed.end(),
                             [&](const std::string& dir) { return samePortfolio(dir, result.outputDir); }))
                view.AddPortfolio(result.outputDir);
        }
    }
}

void OnExport(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view))
        return;
    SettingsFile& settings = view.settingsFile();
    std::optional<qv::ExportOptions>& draft = view.asciiDrafts().exported;
    CExportDlg dlg(draft.value_or(qv::readExportSettings(settings)), view.window());
    draft.reset();
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    const qv::ExportOptions options = dlg.values();
    const QString path = QFile::decodeName(QByteArray::fromStdString(options.path));
    // Looked at, not opened: opening a named pipe of that name would wait for its writer.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isDir()) {
        if (!MessageBox::question(view.window(), text(qv::exportReplaceQuestion(path.toStdString())))) {
            draft = options;
            return;
        }
    }
    view.SettingSaved(qv::writeExportSettings(settings, options));

    qv::ExportResult result;
    {
        WaitCursor wait;
        result = qv::exportQuotes(view.portfolioDir(), view.currentSymbol(), options);
    }
    if (!result.ok()) {
        MessageBox::warning(view.window(), text(result.outcome.message()));
        draft = options;
        return;
    }
    signalDone(view);
    emit view.statusMessage(QStringLiteral("Exported %1 quotes of %2 to %3")
                                .arg(result.quotesWritten)
                                .arg(text(view.currentSymbol()), path));
}

} // namespace qv::gui
