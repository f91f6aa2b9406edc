// F<n>.DAT read through its MASTER entry and DOP: the input is MASTER, the quote file, the DOP
// and four control bytes (capacity, start, count, searched date), cut at the separator. The
// quote and DOP files take the file number of MASTER's first security.

#include "core/store/quotes.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 4);
    if (parts.size() < 2)
        return 0;
    ScratchDir scratch;
    writeFile(scratch / "MASTER", parts[0]);
    const std::optional<MasterEntry> entry = firstSecurity(parts[0]);
    const int n = entry ? entry->fileNumber() : 1;
    writeFile(scratch / quoteFileName(n, "DAT"), parts[1]);
    if (parts.size() > 2)
        writeFile(scratch / quoteFileName(n, "DOP"), parts[2]);
    std::uint8_t control[4] = {40, 0, 0xFF, 0x80};
    if (parts.size() > 3)
        std::copy_n(parts[3].begin(), std::min<std::size_t>(4, parts[3].size()), control);
    const std::string key = entry ? entry->symbol() : "ACME";
    const int capacity = control[0];
    const int start = static_cast<std::int8_t>(control[1]);
    const int count = static_cast<std::int8_t>(control[2]);

    QuoteSeries series;
    check(initQuoteSeries(series, capacity) == kStatusOk, "initQuoteSeries");
    const StoreStatus s = readQuoteSeries(series, scratch.path(), key, start, count);
    check(series.count >= 0 && series.count <= series.capacity, "more quotes than the series holds");
    if (s == kStatusOk) {
        check(series.count <= series.quotesInFile, "more quotes read than the file holds");
        check(series.quotesInFile <= kMaxQuoteRecords, "quote count beyond the record counter");
        const int recordLength = series.entry.recordLength();
        check(static_cast<std::uint64_t>(series.quotesInFile) * static_cast<std::uint64_t>(recordLength) <=
                  parts[1].size(),
              "quotes counted beyond the file's size");
        for (int i = 0; i < series.count; ++i) {
            (void)ymdFromDayNumber(series.date[i]);
            (void)unpackTime(series.time[i]);
        }
    }
    freeQuoteSeries(series);

    check(initQuoteSeries(series, kMaxWholeFileQuotes) == kStatusOk, "initQuoteSeries");
    (void)readQuoteSeries(series, scratch.path(), key, 0, -1);
    freeQuoteSeries(series);

    const DayNumber target = static_cast<DayNumber>(control[3] * 97);
    const QuoteLocation at = findQuoteByDate(scratch.path(), key, target, 0);
    if (at.status == kStatusOk)
        check(at.index >= 0, "a quote found at a negative index");

    SecurityFacts facts;
    (void)readSecurityFacts(scratch.path(), key, facts);
    return 0;
}
