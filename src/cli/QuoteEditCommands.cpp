#include "cli/QuoteEditCommands.h"

#include "cli/TextOutput.h"
#include "core/maintain/quote_edits.h"
#include "core/platform/settings_file.h"
#include "core/store/quotes.h"

#include <string>

namespace qv::cli {

namespace {

int refuse(Context& context, std::string_view message)
{
    writeMessage(context.err, message);
    return kExitFailure;
}

int failed(Context& context, QuoteCommand command, const Outcome& failure)
{
    for (const std::string& message : rewriteFailureMessages(command, failure))
        writeMessage(context.err, message);
    return kExitFailure;
}

// Rewrites with the checked request; on success records the form. The record is a note of the
// last edit that nothing reads back, so a settings file that cannot be written does not undo
// or fail the edit (a script that took exit 1 for a failed split would split again): it is
// said on standard error.
template <typename Form>
int apply(Context& context, QuoteCommand command, const std::string& dir, const std::string& symbol, const Form& form,
          const EditCheck& check)
{
    if (!check.accepted())
        return refuse(context, check.message);
    if (const Outcome rewritten = rewriteQuotes(dir, symbol, check.request); !rewritten)
        return failed(context, command, rewritten);
    SettingsFile settings(context.iniPath);
    if (IoStatus s = rememberForm(settings, form); !s)
        writeMessage(context.err, rememberFailureMessage(settings, s));
    return kExitSuccess;
}

} // namespace

int runEditQuote(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    QuoteEditForm form;
    form.date = args.positional[2];
    for (std::size_t k = 0; k < form.values.size(); ++k)
        form.values[k] = args.positional[3 + k];
    const EditCheck check = checkQuoteEditForm(form);
    if (check.accepted()) {
        // The dialog edits a quote row of the grid; DATE stands for that row, so a date without
        // a quote is refused instead of rewriting the file unchanged.
        const QuoteLocation at = findQuoteByDate(dir, symbol, check.request.firstDate, 0);
        if (at.status == kStatusRecordNotFound || (at.status == kStatusOk && at.date != check.request.firstDate))
            return failed(
                context, QuoteCommand::Edit,
                Outcome::failure(kStatusRecordNotFound, dir, {},
                                 "There is no quote of " + form.date + " for " + symbol + " in " + dir + "."));
    }
    return apply(context, QuoteCommand::Edit, dir, symbol, form, check);
}

int runSplit(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const QuoteDates dates = readQuoteDates(dir, symbol);
    if (dates.status != kStatusOk)
        return failed(context, QuoteCommand::Split, Outcome::failure(dates.status, dir, {}));
    const SplitForm form{args.positional[2], args.positional[3], args.positional[4]};
    return apply(context, QuoteCommand::Split, dir, symbol, form, checkSplitForm(form, dates));
}

int runAdjust(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const QuoteDates dates = readQuoteDates(dir, symbol);
    if (dates.status != kStatusOk)
        return failed(context, QuoteCommand::Adjust, Outcome::failure(dates.status, dir, {}));
    const AdjustForm form{args.positional[2], args.positional[3], args.positional[4], args.positional[5],
                          args.positional[6]};
    return apply(context, QuoteCommand::Adjust, dir, symbol, form, checkAdjustForm(form, dates));
}

int runDeleteQuote(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const DeleteForm form{args.positional[2]};
    return apply(context, QuoteCommand::Delete, dir, symbol, form, checkDeleteForm(form));
}

} // namespace qv::cli
