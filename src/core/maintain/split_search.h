#pragma once
// Split Search: looks through every security of a portfolio for two neighbouring quotes whose
// closes differ by a split-like ratio (2 for 1, 1 for 3, ...) while their bars do not overlap.
// It only reads; the user confirms a candidate and enters the split by hand.
//
// The search reports as it goes through a reporter (the window shows each candidate and the
// symbol it works on at once); it shows nothing itself.

#include "core/platform/io_status.h"
#include "core/store/encodings.h"
#include "core/store/outcome.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr int kSplitSearchChunkQuotes = 400;
inline constexpr double kSplitLowerTolerance = 0.9;
inline constexpr double kSplitUpperTolerance = 1.1;
inline constexpr float kSplitGapFactor = 0.8f;

inline constexpr std::string_view kSplitSearchDoneText = "Done search";
inline constexpr std::string_view kSplitSearchAdviceText = "Search results should be confirmed before editing data.";
inline constexpr std::string_view kSplitSearchTooManyBarsMessage = "Too many bars";
inline constexpr std::string_view kSplitSearchReadErrorMessage = "Error in SplitSearch bars read";
inline constexpr std::string_view kSplitSearchNoneFoundMessage = "No candidate splits found";

// A ratio "i for j": i new shares for j old ones.
struct SplitRatio {
    int newShares = 0;
    int oldShares = 0;
    bool operator==(const SplitRatio&) const = default;
};

// The ratios tried, in the order tried: 1 for 2, 1 for 3, 1 for 4, 2 for 1, 2 for 3, 3 for 1,
// 3 for 2, 4 for 1.
const std::vector<SplitRatio>& splitRatios();

// One neighbouring pair of quotes as the test sees it: closes, highs and lows of the earlier
// (0) and the later (1) quote; -1.0 where the file has no such field.
struct QuotePair {
    float close0 = 0, high0 = 0, low0 = 0;
    float close1 = 0, high1 = 0, low1 = 0;
};

// The ratio whose window holds close0 / close1 and for which the bars lie apart by more than
// the gap factor times the change of the close; none when a close is 0. `hasHighLow` false
// (the file lacks the high or the low field) never yields a ratio: without both there is no
// gap to measure.
std::optional<SplitRatio> splitRatioOfPair(const QuotePair& pair, bool hasHighLow = true);

struct SplitCandidate {
    std::string symbol; // as the symbol grid shows it
    SplitRatio ratio;
    DayNumber date = kNoDay; // the later quote's date
    int index = 0;           // the later quote's 0-based index in the quote file
};

// "%s possible %d for %d split on %s", the date as MM/DD/YY.
std::string splitCandidateLine(const SplitCandidate& candidate);

struct SplitSearchMessage {
    std::string text;
    bool information = false; // the information icon; otherwise a warning
};

struct SplitSearchReporter {
    // A candidate, as soon as it is found.
    std::function<void(const SplitCandidate&)> onCandidate;
    // A message box the search shows while it goes on (a security with fewer than 2 quotes).
    std::function<void(const SplitSearchMessage&)> onMessage;
    // A security has been searched (or passed over): the status text names it.
    std::function<void(const std::string& symbol)> onSymbolDone;
};

struct SplitSearchOutcome {
    enum class End {
        Done,        // every security searched: "Done search", the beep, the final message
        NoPortfolio, // the MASTER could not be read: nothing searched
        TooManyBars, // the series could not be made
        ReadFailed,  // a quote read failed: the search ended there
    };
    End end = End::Done;
    std::vector<SplitCandidate> candidates; // this search's, in the order found
    int securitiesSearched = 0;
    // Why a search did not get through (ok for Done): the read's status, the MASTER or quote
    // file concerned, and the message that ends the search.
    Outcome failure;

    bool done() const { return end == End::Done; }
    // The message shown after "Done search" (information icon), or none.
    std::optional<SplitSearchMessage> finalMessage() const;
};

// Searches every security listed by dir's MASTER, in the symbol grid's order, reading its
// quotes in chunks of 400 that overlap by one quote so each neighbouring pair is tested once.
SplitSearchOutcome runSplitSearch(const std::string& dir, const SplitSearchReporter& reporter = {});

// The text Save As writes: each line followed by a line break.
std::string splitSearchReportText(const std::vector<std::string>& lines);
// Writes that text to `path`, replacing any file there atomically. On failure "The search
// results could not be saved.", the cause below it.
Outcome saveSplitSearchReport(const std::string& path, const std::vector<std::string>& lines);

} // namespace qv
