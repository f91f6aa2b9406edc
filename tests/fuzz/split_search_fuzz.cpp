// Split Search over a portfolio: MASTER, then quote file and DOP of each of the first three
// securities MASTER lists, cut at the separator.

#include "core/maintain/split_search.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    writePortfolio(scratch, splitParts(data, size, 7));
    int symbolsDone = 0;
    SplitSearchReporter reporter;
    reporter.onSymbolDone = [&](const std::string&) { ++symbolsDone; };
    const SplitSearchOutcome outcome = runSplitSearch(scratch.path(), reporter);
    const std::vector<SplitRatio>& ratios = splitRatios();
    for (const SplitCandidate& c : outcome.candidates) {
        check(c.index >= 1, "a split before the first quote");
        check(std::find(ratios.begin(), ratios.end(), c.ratio) != ratios.end(), "a ratio never tried");
        (void)splitCandidateLine(c);
    }
    check(outcome.securitiesSearched <= symbolsDone, "securities searched without being reported");
    (void)outcome.finalMessage();
    return 0;
}
