// Import of historical ASCII quotes: the input is ten control bytes (delimiter, existing or new
// MASTER, skipped lines, date format, the seven columns) and then the text file imported.
// The portfolio is empty, or holds one sound security when the import adds to its MASTER.

#include "core/ascii/import.h"
#include "core/store/quotes.h"
#include "fuzz_support.h"

#include <sys/stat.h>

#include <map>

using namespace qv;
using namespace qv::fuzz;

namespace {

using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const std::string& dir)
{
    Snapshot files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        Bytes bytes;
        if (!readWholeFile(e.path().string(), bytes))
            fail("a portfolio file cannot be read");
        files[e.path().filename().string()] = std::string(bytes.begin(), bytes.end());
    }
    return files;
}

OptionalColumn optionalColumn(std::uint8_t b) { return {b % 21 != 0, std::max(1, b % 21)}; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 10)
        return 0;
    ScratchDir scratch;
    const std::string portfolio = scratch / "port";
    if (mkdir(portfolio.c_str(), 0755) != 0)
        fail("mkdir");
    writeFile(scratch / "input.txt", Input(data + 10, size - 10));

    ImportDialogValues v;
    v.inputPath = scratch / "input.txt";
    v.delimiter = data[0] % 3;
    v.useExistingMaster = (data[0] & 0x10) != 0;
    v.skipOn = (data[0] & 0x20) != 0;
    v.skipRows = data[9] % (kImportMaxSkipRows + 1);
    v.dateFormat = 1 + data[1] % kDateFormatCount;
    v.dateColumn = 1 + data[2] % kImportMaxColumn;
    v.open = optionalColumn(data[3]);
    v.high = optionalColumn(data[4]);
    v.low = optionalColumn(data[5]);
    v.closeColumn = 1 + data[6] % kImportMaxColumn;
    v.volume = optionalColumn(data[7]);
    v.openInterest = optionalColumn(data[8]);
    v.outputDir = portfolio;
    v.symbol = "NEWCO";
    v.name = "New Company";
    if (v.useExistingMaster) {
        writeFile(portfolio + "/MASTER", Input(masterFileBytes({masterEntryRecord(1, 7, "ACME", 970102, 970102)})));
        writeFile(portfolio + "/F1.DAT", Input(quoteFileBytes(7, {{970102, 10, 12, 9, 11, 1000, 50}})));
        writeFile(portfolio + "/F1.DOP", kSevenFieldDop);
    }
    const Snapshot before = snapshot(portfolio);

    const ImportResult result = importQuotes(makeImportJob(v));
    check(result.ok || (!result.messages.empty() && result.messages.back().text == kImportFailedMessage),
          "a failed import without its message");
    if (!result.securityAdded) {
        check(snapshot(portfolio) == before, "a failed import changed the portfolio");
        return 0;
    }
    check(result.quoteCount >= 1 && result.quoteCount <= kImportMaxQuotes, "quote count of an import");
    QuoteSeries series;
    check(initQuoteSeries(series, 1) == kStatusOk, "initQuoteSeries");
    check(readQuoteSeries(series, portfolio, "NEWCO", 0, 0) == kStatusOk, "the imported security cannot be read");
    check(series.quotesInFile == result.quoteCount, "the quote file does not hold every quote imported");
    check(series.entry.fileNumber() == result.fileNumber, "file number of the imported security");
    freeQuoteSeries(series);
    if (v.useExistingMaster) {
        check(findSecurity(portfolio, "ACME").status == kStatusOk, "the import lost the security already listed");
        Bytes dat;
        check(readWholeFile(portfolio + "/F1.DAT", dat).isOk() && std::string(dat.begin(), dat.end()) == before.at("F1.DAT"),
              "the import changed another security's quotes");
    }
    return 0;
}
