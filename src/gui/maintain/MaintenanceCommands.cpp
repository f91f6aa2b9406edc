#include "gui/maintain/MaintenanceCommands.h"

#include "core/maintain/portfolio_delete.h"
#include "core/maintain/symbol_commands.h"
#include "core/store/quotes.h"
#include "core/store/windows1252.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/maintain/CDeleteConfirmDlg.h"
#include "gui/maintain/CPortfolioAddDlg.h"
#include "gui/maintain/CPortfolioSkipDlg.h"
#include "gui/maintain/CSymbolAboutDlg.h"
#include "gui/maintain/CSymbolDlg.h"
#include "gui/profiles/ProfileCommands.h"

#include <QApplication>
#include <QFile>

#include <memory>

namespace qv::gui {
namespace {

QString fromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

bool hasSymbol(const CQuovantaView& view) { return view.symbolCount() > 0 && !view.currentSymbol().empty(); }

// Asked before anything is deleted; the warning beep first unless sounds are off.
bool confirmed(CQuovantaView& view, CDeleteConfirmDlg& dlg)
{
    if (!view.settings().soundDisable)
        beep();
    return ModalDialog::exec(dlg) == QDialog::Accepted;
}

// A failure, or a notice that came with success (files left in the portfolio, kept files).
void showFailure(CQuovantaView& view, const qv::CommandResult& r)
{
    if (!r.ok())
        MessageBox::warning(view.window(), QString::fromStdString(r.message()));
    else if (!r.notice.empty())
        MessageBox::information(view.window(), QString::fromStdString(r.notice));
}

} // namespace

bool refuseNestedPortfolioRow(CQuovantaView& view)
{
    if (!view.browserState().directoryRow)
        return false;
    const qv::SymbolRow& row = view.symbolModel()->row(view.currentSymbolIndex());
    const QString name = fromPath(row.entry.directoryName());
    MessageBox::information(view.window(), QStringLiteral("The selected row is the nested portfolio %1, not a symbol.\n"
                                                          "Select a symbol to use this command.")
                                               .arg(name));
    return true;
}

// Symbol Edit and Symbol Delete leave XMASTER securities alone: the user learns it before
// typing a new symbol or confirming.
bool refuseXmasterRow(CQuovantaView& view, std::string_view command)
{
    const qv::SymbolRow& row = view.symbolModel()->row(view.currentSymbolIndex());
    if (!row.security.fromXmaster())
        return false;
    MessageBox::information(view.window(), QString::fromStdString(qv::xmasterRefusal(row.security, command)));
    return true;
}

void OnPortfolioAdd(CQuovantaView& view)
{
    CPortfolioAddDlg dlg(fromPath(view.currentRoot()), view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    // The new portfolio's MASTER is already written: listing and selecting it fills its (empty)
    // symbol grid.
    view.AddPortfolio(dlg.directory());
}

void OnPortfolioDelete(CQuovantaView& view)
{
    const std::string dir = view.portfolioDir();
    if (dir.empty())
        return;
    std::unique_ptr<CDeleteConfirmDlg> dlg(CDeleteConfirmDlg::portfolio(fromPath(dir), view.window()));
    if (!confirmed(view, *dlg))
        return;
    qv::PortfolioDeletion deletion;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        deletion = qv::deletePortfolio(dir);
        QApplication::restoreOverrideCursor();
    }
    if (!deletion.complete)
        MessageBox::information(view.window(), QString::fromStdString(std::string(qv::kPortfolioNotAllDeletedMessage)));
    // In every case: the list then shows whatever still holds a MASTER.
    if (!view.currentRoot().empty())
        view.Search(view.currentRoot());
}

void OnPortfolioSkipAdjust(CQuovantaView& view)
{
    const std::string dir = view.portfolioDir();
    if (dir.empty())
        return;
    CPortfolioSkipDlg dlg(view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    showFailure(view, qv::adjustPortfolioSkip(dir, dlg.skipAll()));
    view.RefreshSkipMarks();
}

void OnSymbolAdd(CQuovantaView& view)
{
    const std::string dir = view.portfolioDir();
    if (dir.empty())
        return;
    std::unique_ptr<CSymbolDlg> dlg(CSymbolDlg::add(dir, view.window()));
    if (ModalDialog::exec(*dlg) != QDialog::Accepted)
        return;
    const int fileNumber = dlg->commandResult().fileNumber;
    const qv::CommandResult added = dlg->commandResult();
    dlg.reset();
    showFailure(view, added);
    view.FillSymbolGrid(0);
    const SymbolGridModel* grid = view.symbolModel();
    for (int r = 0; r < grid->rowCount(); ++r) {
        const qv::SymbolRow& row = grid->row(r);
        if (!row.isDirectoryEntry && row.fileNumber == fileNumber) {
            view.SelectSymbolRow(r);
            // The new security has no profile yet: offer to assign one now.
            OnProfiles(view);
            return;
        }
    }
}

void OnSymbolDelete(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view) || !hasSymbol(view) || refuseXmasterRow(view, "Symbol Delete"))
        return;
    const std::string dir = view.portfolioDir();
    const std::string symbol = view.currentSymbol();
    const int row = view.currentSymbolIndex();
    std::unique_ptr<CDeleteConfirmDlg> dlg(
        CDeleteConfirmDlg::symbol(QString::fromStdString(qv::windows1252ToUtf8(symbol)), view.window()));
    if (!confirmed(view, *dlg))
        return;
    showFailure(view, qv::deleteSymbol(dir, symbol));
    view.FillSymbolGrid(row);
}

void OnSymbolSkip(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view) || !hasSymbol(view))
        return;
    // The mark the grid shows is what the menu's check mark shows; the command flips it for the
    // selected row's file number.
    const int fileNumber = view.symbolModel()->row(view.currentSymbolIndex()).fileNumber;
    showFailure(view, qv::setSkipMark(view.portfolioDir(), fileNumber, !view.currentSymbolSkipped()));
    view.RefreshSkipMarks();
}

void OnSymbolEdit(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view) || !hasSymbol(view) || refuseXmasterRow(view, "Symbol Edit"))
        return;
    const int row = view.currentSymbolIndex();
    std::unique_ptr<CSymbolDlg> dlg(
        CSymbolDlg::edit(view.portfolioDir(), view.currentSymbol(), view.currentName(), view.window()));
    if (ModalDialog::exec(*dlg) != QDialog::Accepted)
        return;
    // A notice of the successful edit (an EMASTER left as it is) is shown.
    const qv::CommandResult edited = dlg->commandResult();
    dlg.reset();
    showFailure(view, edited);
    // The row shows the new symbol and name, they become the current ones, and the chart, when
    // shown, is drawn again for them.
    view.FillSymbolGrid(row);
}

void OnSymbolAbout(CQuovantaView& view)
{
    if (refuseNestedPortfolioRow(view) || !hasSymbol(view))
        return;
    qv::SecurityFacts facts;
    if (const qv::Outcome read = qv::loadSecurityFacts(view.portfolioDir(), view.currentSymbol(), facts); !read) {
        MessageBox::warning(view.window(), QString::fromStdString(read.message()));
        return;
    }
    CSymbolAboutDlg dlg(facts, view.window());
    ModalDialog::exec(dlg);
}

} // namespace qv::gui
