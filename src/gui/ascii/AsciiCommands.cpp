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
    CImportDlg dlg(qv::readImportSettings(settings), view.window());
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
    if (result.ok)
        signalDone(view);
    // A security whose quotes went in despite a failed date check is in the portfolio too.
    if (result.securityAdded && samePortfolio(result.outputDir, view.portfolioDir()))
        view.FillSymbolGrid(0);
}

void OnExport(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view))
        return;
    SettingsFile& settings = view.settingsFile();
    CExportDlg dlg(qv::readExportSettings(settings), view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    const qv::ExportOptions options = dlg.values();
    const QString path = QFile::decodeName(QByteArray::fromStdString(options.path));
    // Looked at, not opened: opening a named pipe of that name would wait for its writer.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isDir()) {
        if (!MessageBox::question(view.window(), text(qv::exportReplaceQuestion(path.toStdString()))))
            return;
    }
    view.SettingSaved(qv::writeExportSettings(settings, options));

    qv::ExportResult result;
    {
        WaitCursor wait;
        result = qv::exportQuotes(view.portfolioDir(), view.currentSymbol(), options);
    }
    if (!result.ok) {
        MessageBox::warning(view.window(), text(result.message));
        return;
    }
    signalDone(view);
}

} // namespace qv::gui
