#include "core/maintain/split_search.h"

#include "core/browse/symbol_list.h"
#include "core/platform/files.h"
#include "core/store/quotes.h"

#include <algorithm>
#include <cmath>

namespace qv {

const std::vector<SplitRatio>& splitRatios()
{
    static const std::vector<SplitRatio> ratios = [] {
        std::vector<SplitRatio> out;
        for (int i = 1; i <= 4; ++i) {
            for (int j = 1; j <= 4; ++j) {
                // 2 for 4 is 1 for 2 again; 3 for 4 and 4 for 3 are no splits anyone makes.
                if (i == j || i * j == 8 || i * j == 12)
                    continue;
                out.push_back({i, j});
            }
        }
        return out;
    }();
    return ratios;
}

std::optional<SplitRatio> splitRatioOfPair(const QuotePair& p, bool hasHighLow)
{
    if (p.close0 == 0.0f || p.close1 == 0.0f || !hasHighLow)
        return std::nullopt;
    const float q = p.close0 / p.close1;
    for (const SplitRatio& ratio : splitRatios()) {
        const double r = static_cast<double>(ratio.newShares) / ratio.oldShares;
        if (!(kSplitLowerTolerance * r < q && q < kSplitUpperTolerance * r))
            continue;
        const float d = kSplitGapFactor * std::fabs(p.close0 - p.close1);
        // The gap runs between the bars in the direction the price moved.
        const float g = p.close1 < p.close0 ? p.low0 - p.high1 : p.high0 - p.low1;
        // The ratio windows do not overlap, so at most one ratio gets this far.
        if (std::fabs(g) > d)
            return ratio;
    }
    return std::nullopt;
}

std::string splitCandidateLine(const SplitCandidate& c)
{
    return c.symbol + " possible " + std::to_string(c.ratio.newShares) + " for " + std::to_string(c.ratio.oldShares) +
           " split on " + formatDateForDisplay(c.date);
}

std::optional<SplitSearchMessage> SplitSearchOutcome::finalMessage() const
{
    if (done() && candidates.empty())
        return SplitSearchMessage{std::string(kSplitSearchNoneFoundMessage), true};
    return std::nullopt;
}

namespace {

struct SeriesGuard {
    QuoteSeries& series;
    ~SeriesGuard() { freeQuoteSeries(series); }
};

void report(const SplitSearchReporter& reporter, const SplitSearchMessage& message)
{
    if (reporter.onMessage)
        reporter.onMessage(message);
}

} // namespace

SplitSearchOutcome runSplitSearch(const std::string& dir, const SplitSearchReporter& reporter)
{
    SplitSearchOutcome outcome;
    const auto fail = [&](SplitSearchOutcome::End end, StoreStatus status, std::string file, std::string_view message) {
        outcome.end = end;
        outcome.failure = Outcome::failure(status, std::move(file), std::string(message));
        return outcome;
    };

    const SymbolListing listing = listSymbols(dir);
    if (!listing.ok)
        return fail(SplitSearchOutcome::End::NoPortfolio, kStatusFileRead, masterPath(dir), kSymbolListFailureMessage);

    QuoteSeries series;
    if (const StoreStatus s = initQuoteSeries(series, kSplitSearchChunkQuotes); s != kStatusOk)
        return fail(SplitSearchOutcome::End::TooManyBars, s, {}, kSplitSearchTooManyBarsMessage);
    SeriesGuard guard{series};

    for (const SymbolRow& row : listing.rows) {
        // A directory entry names a nested portfolio, not a quote file.
        if (row.isDirectoryEntry)
            continue;
        const std::string& symbol = row.symbol;
        const auto readFailed = [&](StoreStatus status) {
            return fail(SplitSearchOutcome::End::ReadFailed, status == kStatusOk ? kStatusFileRead : status,
                        resolveFile(dir, row.security.quoteFileName()), kSplitSearchReadErrorMessage);
        };
        // The facts read fails for a security whose files are missing or unusable; the count
        // left over from the previous security must not stand in for its own.
        if (const StoreStatus s = readQuoteSeries(series, dir, symbol, 0, 0); s != kStatusOk)
            return readFailed(s);
        const int total = series.quotesInFile;
        if (total < 2) {
            report(reporter, {"For symbol " + symbol +
                                  "\nSplitSearch cannot perform search\n"
                                  "as there are fewer than 2 quotes.",
                              false});
        } else {
            const bool hasHighLow = series.layout.has(FieldKind::High) && series.layout.has(FieldKind::Low);
            int start = 0;
            while (start + 1 < total) {
                const int wanted = std::min(total - start, kSplitSearchChunkQuotes);
                // A file cut short since its count was read yields fewer quotes than asked
                // for; fewer than two would never move the search on.
                if (const StoreStatus s = readQuoteSeries(series, dir, symbol, start, wanted);
                    s != kStatusOk || series.count < 2)
                    return readFailed(s);
                const int got = std::min(wanted, series.count);
                for (int k = 0; k + 1 < got; ++k, ++start) {
                    const QuotePair pair{series.close[k],     series.high[k],     series.low[k],
                                         series.close[k + 1], series.high[k + 1], series.low[k + 1]};
                    const std::optional<SplitRatio> ratio = splitRatioOfPair(pair, hasHighLow);
                    if (!ratio)
                        continue;
                    SplitCandidate candidate{symbol, *ratio, series.date[k + 1], start + 1};
                    if (reporter.onCandidate)
                        reporter.onCandidate(candidate);
                    outcome.candidates.push_back(std::move(candidate));
                }
                if (got < wanted)
                    break; // the file ended early: its last pair has been tested
            }
        }
        ++outcome.securitiesSearched;
        if (reporter.onSymbolDone)
            reporter.onSymbolDone(symbol);
    }
    return outcome;
}

std::string splitSearchReportText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

Outcome saveSplitSearchReport(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string text = splitSearchReportText(lines);
    if (IoStatus s = replaceFile(path, baseName(path) + ".~NU", Bytes(text.begin(), text.end())); !s)
        return Outcome::cannotWrite(path, s, "The search results could not be saved.");
    return Outcome::ok();
}

} // namespace qv
