#include "cli/BrowseCommands.h"

#include "cli/TextOutput.h"
#include "core/browse/portfolio_search.h"
#include "core/browse/quote_text.h"
#include "core/browse/symbol_list.h"
#include "core/platform/files.h"
#include "core/store/master.h"
#include "core/store/quotes.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace qv::cli {

namespace {

// The quote grid's reading rules: one reused series of this capacity, and the RECENT view.
constexpr int kQuoteChunk = 400;
constexpr int kRecentQuotes = 30;

// The directory findSecurity reports ends in '/'; shown like the portfolio list shows paths.
std::string shownDirectory(std::string directory)
{
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

void writeQuoteRow(std::ostream& out, const QuoteSeries& series, int i)
{
    const auto at = static_cast<std::size_t>(i);
    writeRecord(out, {formatDateForDisplay(series.date[at]), quotePriceText(series.open[at]),
                      quotePriceText(series.high[at]), quotePriceText(series.low[at]), quotePriceText(series.close[at]),
                      quoteAmountText(series.volume[at]), quoteAmountText(series.openInterest[at])});
}

// "%6.0f", the way the facts dialog shows a file date.
std::string factsDateText(float fileDate)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%6.0f", static_cast<double>(fileDate));
    return buffer;
}

} // namespace

int runList(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const SymbolListing listing = listSymbols(dir);
    for (const SymbolRow& row : listing.rows) {
        if (row.isDirectoryEntry)
            continue;
        const Security& security = row.security;
        writeRecord(context.out, {std::to_string(row.fileNumber), fieldText(row.symbol), fieldText(row.shownName()),
                                  formatFixed(security.firstDate, 0), formatFixed(security.lastDate, 0),
                                  std::to_string(security.fieldCount), fieldText(std::string(1, security.period)),
                                  row.skipped ? "1" : "0"});
    }
    for (const std::string& message : listing.messages)
        writeMessage(context.err, message);
    return listing.ok ? kExitSuccess : kExitFailure;
}

int runFind(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string key = securityTextArgument(args.positional[1], "KEY");
    const FoundSecurity found = findSecurity(dir, key);
    if (found.status != kStatusOk) {
        writeMessage(context.err, statusMessage(found.status));
        return kExitFailure;
    }
    writeRecord(context.out, {shownDirectory(found.directory), std::to_string(found.security.fileNumber),
                              fieldText(found.security.symbol), fieldText(found.security.name)});
    return kExitSuccess;
}

int runQuotes(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const bool recent = args.has("--recent");

    QuoteSeries series;
    StoreStatus status = readQuoteSeries(series, dir, symbol, 0, 0);
    if (status != kStatusOk) {
        writeMessage(context.err, statusMessage(status));
        return kExitFailure;
    }
    const int rows = recent ? std::min(series.quotesInFile, kRecentQuotes) : series.quotesInFile;
    if (rows <= 0)
        return kExitSuccess;
    if (initQuoteSeries(series, kQuoteChunk) != kStatusOk) {
        writeMessage(context.err, kTooManyQuotesMessage);
        return kExitFailure;
    }

    // Newest chunk first, so the history is never held whole and the newest rows come out at
    // once, as the grid shows them.
    int rowsDone = 0;
    while (rowsDone < rows) {
        const int chunk = std::min(rows - rowsDone, kQuoteChunk);
        status = recent ? readQuoteSeries(series, dir, symbol, -1, kRecentQuotes)
                        : readQuoteSeries(series, dir, symbol, rows - rowsDone - chunk, chunk);
        // A file that shrank since the count was taken would otherwise leave a gap in the rows.
        if (status != kStatusOk || series.count != chunk) {
            writeMessage(context.err, kQuoteGridErrorMessage);
            return kExitFailure;
        }
        for (int i = series.count - 1; i >= 0; --i)
            writeQuoteRow(context.out, series, i);
        rowsDone += chunk;
    }
    return kExitSuccess;
}

int runFacts(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    SecurityFacts facts;
    if (const Outcome read = loadSecurityFacts(dir, symbol, facts); !read) {
        writeMessage(context.err, read.message());
        return kExitFailure;
    }

    std::ostream& out = context.out;
    writeRecord(out, {"Path:", facts.path});
    writeRecord(out, {"File number", std::to_string(facts.fileNumber)});
    writeRecord(out, {"DAT file record length", std::to_string(facts.recordLength)});
    writeRecord(out, {"DAT file number of fields", std::to_string(facts.fieldCount)});
    writeRecord(out, {"Number of quotes", std::to_string(facts.quoteCount)});
    writeRecord(out, {"Name of issue", fieldText(facts.name)});
    writeRecord(out, {"First date in file", factsDateText(facts.firstDate)});
    writeRecord(out, {"Last date in file", factsDateText(facts.lastDate)});
    writeRecord(out, {"Data format", fieldText(periodText(facts.period))});
    writeRecord(out, {"Symbol", fieldText(facts.symbol)});

    static constexpr std::array<std::string_view, kFieldKindCount> kLabels = {"Date", "Time",  "Open", "High",
                                                                              "Low",  "Close", "Vol",  "OI"};
    for (std::size_t kind = 0; kind < kLabels.size(); ++kind) {
        const bool present = facts.layout.fieldNumber[kind] != 0;
        const std::string_view input = present ? fieldCodeText(facts.layout.inputCode[kind]) : "";
        const std::string_view display = present ? fieldCodeText(facts.layout.displayCode[kind]) : "";
        writeRecord(out, {kLabels[kind], input, display});
    }
    return kExitSuccess;
}

int runLocate(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const DayNumber date = dateArgument(args.positional[2]);
    const QuoteLocation location = findQuoteByDate(dir, symbol, date, 0);
    if (location.status != kStatusOk) {
        writeMessage(context.err, statusMessage(location.status));
        return kExitFailure;
    }
    context.out << location.index << '\n';
    return kExitSuccess;
}

int runSearch(Context& context, const Arguments& args)
{
    const std::string& root = args.positional[0];
    if (!isDirectory(root)) {
        writeMessage(context.err, root + ": no such directory");
        return kExitFailure;
    }
    const std::vector<std::string> portfolios = searchPortfolios(root, args.value("--limit").value_or(""));
    if (portfolios.empty()) {
        // Not a failure: the walk went through and found nothing, as the program reports it.
        writeMessage(context.err,
                     "Quovanta could not find any Portfolios on drive " + root + "\n(No \"master\" files were found)");
        return kExitSuccess;
    }
    for (const std::string& portfolio : portfolios)
        context.out << portfolio << '\n';
    return kExitSuccess;
}

} // namespace qv::cli
