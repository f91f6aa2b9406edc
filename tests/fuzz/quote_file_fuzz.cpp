// F<n>.DAT read through its MASTER entry and DOP: the input is MASTER, the quote file, the DOP
// and four control bytes (capacity, start, count, searched date), cut at the separator.

#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<Input> parts = splitParts(data, size, 4);
    if (parts.size() < 2)
        return 0;
    std::uint8_t control[4] = {40, 0, 0xFF, 0x80};
    if (parts.size() > 3) {
        std::copy_n(parts[3].begin(), std::min<std::size_t>(4, parts[3].size()), control);
        parts.pop_back();
    }
    ScratchDir scratch;
    const std::string key = writePortfolio(scratch, parts).symbol();

    QuoteSeries series;
    check(initQuoteSeries(series, control[0]) == kStatusOk, "initQuoteSeries");
    const StoreStatus s = readQuoteSeries(series, scratch.path(), key, static_cast<std::int8_t>(control[1]),
                                          static_cast<std::int8_t>(control[2]));
    check(series.count >= 0 && series.count <= series.capacity, "more quotes than the series holds");
    check(s != kStatusOk || series.count <= series.quotesInFile, "more quotes read than the file holds");
    check(s != kStatusOk ||
              std::uint64_t(series.quotesInFile) * std::uint64_t(series.entry.recordLength()) <= parts[1].size(),
          "quotes counted beyond the file's size");
    freeQuoteSeries(series);

    check(initQuoteSeries(series, kMaxWholeFileQuotes) == kStatusOk, "initQuoteSeries");
    (void)readQuoteSeries(series, scratch.path(), key, 0, -1);
    freeQuoteSeries(series);
    const QuoteLocation at = findQuoteByDate(scratch.path(), key, static_cast<DayNumber>(control[3] * 97), 0);
    check(at.status != kStatusOk || at.index >= 0, "a quote found at a negative index");
    SecurityFacts facts;
    (void)readSecurityFacts(scratch.path(), key, facts);
    return 0;
}
