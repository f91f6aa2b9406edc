// A whole update run on an ASCII update file. The input is a profile record's first 12 bytes, the part separator, and the
// update file; the portfolio holds ACME with one quote of 01/02/97.

#include "core/profiles/profile.h"
#include "core/update/quote_updater.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

struct QuietObserver : UpdateObserver {
    void OnProgress(const ProgressTexts&) override {}
    void ShowMessage(const std::string&) override {}
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(data, size, 2);
    if (parts.size() < 2 || parts[0].size() < 12)
        return 0;
    ScratchDir scratch;
    const std::string startup = scratch / "start", portfolio = scratch / "port", updates = scratch / "upd";
    for (const std::string& d : {startup, portfolio, updates})
        makeDir(d);
    std::vector<std::uint8_t> record(kProfileRecordSize, 0);
    std::copy_n(parts[0].begin(), 12, record.begin());
    std::copy(updates.begin(), updates.end(), record.begin() + 12);
    writeFile(startup + "/Daily.pfd", Input(record));
    writeFile(updates + "/QUOTES.TXT", parts[1]);
    writeAcmePortfolio(portfolio);
    writeFile(portfolio + "/F1.PFL", Input(*encodeAssignmentRecord("Daily")));

    UpdateInputs inputs;
    inputs.portfolios = {portfolio};
    inputs.startupDir = startup;
    inputs.runTimeText = "Friday, January 17, 1997 18:30:00";
    QuietObserver observer;
    const int added = static_cast<int>(CQuoteUpdater(inputs, observer).UpdateAllPortfolios() >> 16);
    (void)buildAnomalyReport(startup + "/AUDIT.TXT", added);
    // The report's reader on any text, as a log damaged or written by hand would be.
    writeFile(scratch / "AUDIT.TXT", parts[1]);
    (void)buildAnomalyReport(scratch / "AUDIT.TXT", 1);

    // The old quote stays, at most one is added after it, and MASTER's dates follow.
    QuoteSeries series;
    check(initQuoteSeries(series, 10) == kStatusOk, "initQuoteSeries");
    check(readQuoteSeries(series, portfolio, "ACME", 0, -1) == kStatusOk, "the security cannot be read after a run");
    check(added <= 1 && series.count == 1 + added, "quote count after the run");
    check(series.date[0] == dayNumberFromYmd(97, 1, 2), "the old quote changed");
    check(series.count == 1 || series.date[1] > series.date[0], "a quote added out of date order");
    check(dayNumberFromFileDate(series.entry.firstDate()) == series.date[0] &&
              dayNumberFromFileDate(series.entry.lastDate()) == series.date[series.count - 1],
          "MASTER's dates");
    freeQuoteSeries(series);
    return 0;
}
