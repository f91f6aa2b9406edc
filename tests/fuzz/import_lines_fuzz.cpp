// Import of historical ASCII quotes: ten control bytes (delimiter, existing or new MASTER,
// skipped lines, date format, the seven columns), then the text file imported, into an empty
// portfolio or into the MASTER of one sound security.

#include "core/ascii/import.h"
#include "core/store/securities.h"
#include "fuzz_support.h"

#include <map>

using namespace qv;
using namespace qv::fuzz;

static std::map<std::string, Bytes> snapshot(const std::string& dir)
{
    std::map<std::string, Bytes> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        check(readWholeFile(e.path().string(), files[e.path().filename().string()]).isOk(),
              "a portfolio file cannot be read");
    return files;
}

static OptionalColumn optionalColumn(std::uint8_t b) { return {b % 21 != 0, std::max(1, b % 21)}; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 10)
        return 0;
    ScratchDir scratch;
    const std::string portfolio = scratch / "port";
    makeDir(portfolio);
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
    if (v.useExistingMaster)
        writeAcmePortfolio(portfolio);
    const auto before = snapshot(portfolio);

    const ImportResult result = importQuotes(makeImportJob(v));
    check(result.ok() || (!result.messages.empty() && result.messages.back().text == kImportFailedMessage),
          "a failed import without its message");
    if (!result.securityAdded) {
        check(snapshot(portfolio) == before, "a failed import changed the portfolio");
        return 0;
    }
    QuoteSeries series;
    check(initQuoteSeries(series, 1) == kStatusOk, "initQuoteSeries");
    check(readQuoteSeries(series, portfolio, "NEWCO", 0, 0) == kStatusOk, "the imported security cannot be read");
    check(series.quotesInFile == result.quoteCount, "the quote file does not hold every quote imported");
    check(series.entry.fileNumber() == result.fileNumber, "file number of the imported security");
    freeQuoteSeries(series);
    if (v.useExistingMaster) {
        check(findSecurity(portfolio, "ACME").status == kStatusOk, "the import lost the security already listed");
        check(snapshot(portfolio).at("F1.DAT") == before.at("F1.DAT"), "the import changed another security's quotes");
    }
    return 0;
}
