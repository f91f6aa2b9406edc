// The lines of an ASCII update file, as the line parser cuts them and as a whole update run
// takes its quote from them. The input is a profile record, the part separator, and the text
// of the update file; the portfolio is a sound one security ("ACME", one quote of 01/02/97).

#include "core/profiles/profile.h"
#include "core/store/quotes.h"
#include "core/update/dos_text.h"
#include "core/update/line_parser.h"
#include "core/update/quote_updater.h"
#include "fuzz_support.h"

#include <sys/stat.h>

using namespace qv;
using namespace qv::fuzz;

namespace {

class QuietObserver : public UpdateObserver {
public:
    void OnProgress(const ProgressTexts&) override {}
    void ShowMessage(const std::string&) override {}
};

void checkLine(std::string_view line, int delimiterCode, int symbolColumn)
{
    LineFields fields;
    const std::string_view symbolText = splitLine(line, delimiterCode, symbolColumn, fields);
    check(fields.count >= 0 && fields.count <= kMaxLineFields, "field count");
    check(line.size() >= kMinQuoteLineLength || fields.count == 0, "fields of a short line");
    for (int c = 1; c <= fields.count; ++c) {
        const std::string_view f = fields.column(c);
        check(!f.empty() && f.data() >= line.data() && f.data() + f.size() <= line.data() + line.size(),
              "a field outside its line");
        check(f.find(delimiterOf(delimiterCode)) == std::string_view::npos, "a field holds its delimiter");
        (void)leadingNumber(f);
    }
    check(symbolText == fields.column(symbolColumn), "symbol column");
    check(fields.column(0).empty() && fields.column(fields.count + 1).empty(), "columns beyond the line");
    (void)firstWordMatches(line, delimiterCode, "ACME");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 2);
    if (parts.size() < 2 || parts[0].size() < 12)
        return 0;
    const Input profileBytes = parts[0];
    const std::string_view text = asText(parts[1]);

    // The parser alone, on every line as the run reads them.
    const std::string normalized = normalizeDosText(text);
    DosLineReader reader(normalized);
    for (std::string_view line; reader.next(line);) {
        check(line.size() <= kDosLineLimit + 1, "a line longer than the reader's limit");
        checkLine(line, profileBytes[11] % 4, profileBytes[1] % (kMaxLineFields + 2));
    }

    // A whole run on it.
    ScratchDir scratch;
    const std::string startup = scratch / "start";
    const std::string portfolio = scratch / "port";
    const std::string updates = scratch / "upd";
    for (const std::string& d : {startup, portfolio, updates})
        if (mkdir(d.c_str(), 0755) != 0)
            fail("mkdir");
    std::vector<std::uint8_t> record(kProfileRecordSize, 0);
    std::copy_n(profileBytes.begin(), std::min<std::size_t>(12, profileBytes.size()), record.begin());
    std::copy(updates.begin(), updates.end(), record.begin() + 12);
    writeFile(startup + "/Daily.pfd", Input(record));
    writeFile(updates + "/QUOTES.TXT", parts[1]);
    writeFile(portfolio + "/MASTER", Input(masterFileBytes({masterEntryRecord(1, 7, "ACME", 970102, 970102)})));
    writeFile(portfolio + "/F1.DAT", Input(quoteFileBytes(7, {{970102, 10, 12, 9, 11, 1000, 50}})));
    writeFile(portfolio + "/F1.DOP", kSevenFieldDop);
    const std::vector<std::uint8_t> assignment = *encodeAssignmentRecord("Daily");
    writeFile(portfolio + "/F1.PFL", Input(assignment));

    UpdateInputs inputs;
    inputs.portfolios = {portfolio};
    inputs.startupDir = startup;
    inputs.runTimeText = "Friday, January 17, 1997 18:30:00";
    QuietObserver observer;
    std::uint32_t result = 0;
    {
        CQuoteUpdater updater(inputs, observer);
        result = updater.UpdateAllPortfolios();
    }
    const int added = static_cast<int>(result >> 16);
    check(added <= 1, "more than one quote added to one security in one run");
    const AnomalyReport report = buildAnomalyReport(startup + "/AUDIT.TXT", added);
    check(report.title.rfind("Results of Quovanta for ", 0) == 0, "AUDIT.TXT's first line");
    // The report's reader on any text, as a log damaged or written by hand would be.
    writeFile(scratch / "AUDIT.TXT", parts[1]);
    (void)buildAnomalyReport(scratch / "AUDIT.TXT", 1);

    // The security holds its old quote and at most one new one, after it in time; MASTER's
    // dates are those of the first and the last quote.
    QuoteSeries series;
    check(initQuoteSeries(series, 10) == kStatusOk, "initQuoteSeries");
    check(readQuoteSeries(series, portfolio, "ACME", 0, -1) == kStatusOk, "the security cannot be read after a run");
    check(series.count == 1 + added, "quote count after the run");
    check(series.date[0] == dayNumberFromYmd(97, 1, 2), "the old quote changed");
    if (series.count == 2) {
        check(series.date[1] > series.date[0], "a quote added out of date order");
        check(dayNumberFromFileDate(series.entry.lastDate()) == series.date[1], "MASTER's last date");
    }
    check(dayNumberFromFileDate(series.entry.firstDate()) == series.date[0], "MASTER's first date");
    freeQuoteSeries(series);
    return 0;
}
