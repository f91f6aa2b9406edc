// Split Search over a portfolio: the input is MASTER, then quote file and DOP of each of the
// first three securities MASTER lists, cut at the separator.

#include "core/maintain/split_search.h"
#include "core/store/quotes.h"
#include "fuzz_support.h"

#include <algorithm>
#include <set>

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 7);
    ScratchDir scratch;
    writeFile(scratch / "MASTER", parts[0]);
    std::set<int> numbers;
    std::size_t next = 1;
    for (std::size_t off = kMasterRecordSize; off + kMasterRecordSize <= parts[0].size() && next < parts.size();
         off += kMasterRecordSize) {
        const int n = parts[0][off];
        if (!numbers.insert(n).second)
            continue;
        writeFile(scratch / quoteFileName(n, "DAT"), parts[next++]);
        if (next < parts.size())
            writeFile(scratch / quoteFileName(n, "DOP"), parts[next++]);
    }

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
