#include "gui/maintain/QuoteEditCommands.h"

#include "core/maintain/quote_edits.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/maintain/CAdjustDlg.h"
#include "gui/maintain/CDeleteQuoteDlg.h"
#include "gui/maintain/CQuoteEditDlg.h"
#include "gui/maintain/CSplitDlg.h"

#include <QTableView>

namespace qv::gui {

namespace {

bool hasSelectedQuote(const CQuovantaView& view)
{
    return !view.currentSymbol().empty() && view.quotePosition() >= 0 &&
           view.quotePosition() < view.quoteModel()->rowCount();
}

QString selectedDate(const CQuovantaView& view)
{
    return QuoteGridModel::cellText(view.quoteModel()->row(view.quotePosition()), QuoteGridModel::Date);
}

// The first and last quote dates the view read with its last fill.
qv::QuoteDates viewQuoteDates(const CQuovantaView& view)
{
    qv::QuoteDates dates;
    dates.first = qv::parseEditDate(view.firstDateText().toStdString());
    dates.last = qv::parseEditDate(view.lastDateText().toStdString());
    return dates;
}

QuoteRowSource rowSource(CQuovantaView& view)
{
    QuoteRowSource source;
    source.quotesInFile = [&view] { return view.quotesInFile(); };
    source.rowsShown = [&view] { return view.quoteModel()->rowCount(); };
    source.showingRecent = [&view] { return view.settings().displayLimit; };
    source.row = [&view](int r) { return view.quoteModel()->row(r); };
    source.showAllQuotes = [&view] {
        if (view.settings().displayLimit)
            view.OnRecentAll();
    };
    source.selectRow = [&view](int r) {
        view.quoteGrid()->setCurrentIndex(view.quoteModel()->index(r, 0));
        view.quoteGrid()->selectRow(r);
    };
    return source;
}

// Runs the checked request; on success refills the grid and records the form. The record is a
// note that nothing reads back, so a settings file that cannot be written does not fail the edit
// (it is said).
template <typename Form>
void finish(CQuovantaView& view, qv::QuoteCommand command, const qv::EditCheck& check, const Form& form)
{
    if (!check.accepted())
        return; // the dialog's accept() refuses this before it closes
    if (const qv::Outcome rewritten = qv::rewriteQuotes(view.portfolioDir(), view.currentSymbol(), check.request);
        !rewritten) {
        for (const std::string& message : qv::rewriteFailureMessages(command, rewritten))
            MessageBox::warning(&view, QString::fromStdString(message));
        return;
    }
    const QString symbol = QString::fromStdString(view.currentSymbol());
    view.FillQuoteGrid();
    const QString done[] = {QStringLiteral("Quote changed: %1"), QStringLiteral("Split entered: %1"),
                            QStringLiteral("Quotes scaled: %1"), QStringLiteral("Quote deleted: %1")};
    emit view.statusMessage(done[static_cast<int>(command)].arg(symbol));
    if (qv::IoStatus s = qv::rememberForm(view.settingsFile(), form); !s)
        MessageBox::warning(&view, QString::fromStdString(qv::rememberFailureMessage(view.settingsFile(), s)));
}

} // namespace

void OnQuotesEdit(CQuovantaView& view)
{
    if (!hasSelectedQuote(view))
        return;
    CQuoteEditDlg dlg(rowSource(view), view.quotePosition(), view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    finish(view, qv::QuoteCommand::Edit, dlg.check(), dlg.form());
}

void OnQuotesSplit(CQuovantaView& view)
{
    if (!hasSelectedQuote(view))
        return;
    CSplitDlg dlg(selectedDate(view), viewQuoteDates(view), view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    finish(view, qv::QuoteCommand::Split, dlg.check(), dlg.form());
}

void OnQuotesAdjust(CQuovantaView& view)
{
    if (!hasSelectedQuote(view))
        return;
    CAdjustDlg dlg(view.firstDateText(), view.lastDateText(), viewQuoteDates(view), view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    finish(view, qv::QuoteCommand::Adjust, dlg.check(), dlg.form());
}

void OnQuotesDelete(CQuovantaView& view)
{
    if (!hasSelectedQuote(view))
        return;
    CDeleteQuoteDlg dlg(selectedDate(view), view.window());
    if (!view.settings().soundDisable)
        beep();
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    finish(view, qv::QuoteCommand::Delete, dlg.check(), dlg.form());
}

} // namespace qv::gui
