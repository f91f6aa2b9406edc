// Whole update runs on portfolios built byte by byte: what lands in F<n>.DAT and MASTER and what
// the audit log says; then which securities and portfolios a run takes part in.

#include "update_test_support.h"

#include "core/platform/fault_injection.h"
#include "fixtures/crash_harness.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace qv {
namespace {

using namespace qv::updatetest;

float d(int y, int m, int day) { return fileDate(y, m, day); }

SecuritySpec ibm()
{
    return {
        1,
        "IBM",
        {row7(d(1997, 1, 13), 98, 900, 40), row7(d(1997, 1, 14), 99, 950, 41), row7(d(1997, 1, 15), 100, 1000, 42)}};
}
SecuritySpec msft()
{ // last quote on a Wednesday
    return {2, "MSFT", {row7(d(1997, 1, 7), 79, 600, 20), row7(d(1997, 1, 8), 80, 700, 21)}};
}
SecuritySpec gold()
{ // six fields, no DOP file: the default layout date, open, high, low, close, volume
    return {4, "GC", {{d(1997, 1, 10), 360, 362, 359, 361, 90}}, 6, {}};
}
// The usual new day for IBM and MSFT, as update lines and as the records they become.
const std::string kIbmLine = "IBM,970116,101,103,99,102,5000,60\n", kMsftLine = "MSFT,970110,81,83,80,82,7000,70\n";
const QuoteRow kIbmRow{d(1997, 1, 16), 101, 103, 99, 102, 5000, 60}, kMsftRow{d(1997, 1, 10), 81, 83, 80, 82, 7000, 70};
const std::string kNotIbm = "----> Could not add quote to symbol: IBM",
                  kNotMsft = "----> Could not add quote to symbol: MSFT";

class QuoteMerge : public UpdateFixture, public ::testing::Test {
protected:
    // A profile like "Daily" but changed by `edit`, for the given file numbers.
    template <class Edit>
    void assignVariant(const std::string& name, Edit edit, std::initializer_list<int> fileNumbers)
    {
        ProfileSpec p = profile;
        edit(p);
        writeProfile(startup, name, p);
        for (int n : fileNumbers)
            assignProfile(data, n, name);
    }
};

TEST_F(QuoteMerge, EachSecurityTakesItsFirstNewerLineAndTheFilesGainExactlyThatRecord)
{
    portfolio({ibm(), msft(), gold()});
    updateFile("D1.TXT",
               "IBM,970115,1,1,1,1,1,1\r\n" // not later than the last date
               "IBM,970116,101,103,99,102,5000,60\r\n"
               "MSFT,970110,81,83,80,82,7000,70\r\n"
               "IBM,970117,105,106,104,105,1,1\r\n" // one quote per security and run
               "GC,970114,363,365,362,364,900,9\r\n");
    const RunOutcome run = runUpdate(inputs());
    EXPECT_EQ(run.count, 3);
    EXPECT_TRUE(run.flags == 0 && run.recorder.messages.empty());
    // The quote line names the day after the last stored date, not the line's own date.
    EXPECT_EQ(run.audit, auditOf({"Quote for: 011697 added to: IBM", "Quote for: 010997 added to: MSFT",
                                  "Quote for: 011197 added to: GC"}));
    const SecuritySpec i = plus(ibm(), {kIbmRow}), m = plus(msft(), {kMsftRow});
    const SecuritySpec g = plus(gold(), {{d(1997, 1, 14), 363, 365, 362, 364, 900}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(7, m.rows));
    EXPECT_EQ(dataFile("F4.DAT"), quoteFile(6, g.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), m.entry(), g.entry()}));
    EXPECT_EQ(namesEndingIn(data, ".~NU").size() + namesEndingIn(data, ".~OL").size(), 0u);
    EXPECT_TRUE(exists(updates + "/D1.TXT")) << "DeleteTxt is off";
}

// A series ending 1960-12-30 takes 12/31/60 (day 0) and keeps its stored dates byte for byte; a
// MASTER last date of -8770 is no date; an empty file takes its first quote as first and last
// date; a file claiming more records than it holds is appended to after its real records.
TEST_F(QuoteMerge, OldDatesNoDatesEmptyFilesAndOverstatedCounts)
{
    const SecuritySpec dow{3, "DJ", {row7(281001, 240, 10, 0), row7(601230, 615, 20, 0)}};
    portfolio({ibm(), msft(), dow, {6, "NEW", {}}});
    ByteVec master = dataFile("MASTER");
    setMbf(master, 2 * 53 + 29, -8770); // MSFT's last date
    writeBytes(data + "/MASTER", master);
    ByteVec file = dataFile("F1.DAT");
    setU16(file, 2, 500);
    writeBytes(data + "/F1.DAT", file);
    updateFile("D1.TXT", "DJ,601231,616,618,614,617,30,0\nNEW,970116,101,103,99,102,5000,60\n" + kIbmLine + kMsftLine);
    const RunOutcome run = runUpdate(inputs());
    EXPECT_EQ(run.count, 4);
    for (const char* line : {"Quote for: 123160 added to: DJ", "Quote for: 010161 added to: MSFT"})
        EXPECT_NE(std::ranges::find(run.audit, line), run.audit.end()) << line;
    const SecuritySpec i = plus(ibm(), {kIbmRow}), m = plus(msft(), {kMsftRow}), fresh{6, "NEW", {kIbmRow}};
    const SecuritySpec dj = plus(dow, {{601231, 616, 618, 614, 617, 30, 0}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(7, m.rows));
    EXPECT_EQ(dataFile("F3.DAT"), quoteFile(7, dj.rows));
    EXPECT_EQ(dataFile("F6.DAT"), quoteFile(7, fresh.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), m.entry(), dj.entry(), fresh.entry()}));
}

TEST_F(QuoteMerge, NewDaysNeedOneRunEachAndARunWithNothingNewReportsEverySecurity)
{
    portfolio({ibm(), msft()});
    updateFile("D.TXT", "IBM,970117,110,111,109,110,2,2\n" + kIbmLine);
    // The first newer line in scan order is taken, whatever its date.
    const RunOutcome first = runUpdate(inputs());
    EXPECT_EQ(first.audit, auditOf({"Quote for: 011697 added to: IBM", kNotMsft}));
    const SecuritySpec i = plus(ibm(), {{d(1997, 1, 17), 110, 111, 109, 110, 2, 2}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), msft().entry()}));
    // Now 01/16 is not later than the last date either: nothing is left for IBM.
    const auto before = snapshot(data);
    EXPECT_EQ(runUpdate(inputs()).audit, auditOf({kNotIbm, kNotMsft}));
    EXPECT_EQ(snapshot(data), before);
}

// Writing through an entry that contradicts itself, or a second entry of a number, would store
// records of one layout in a file of another: each is passed over with an ERROR line.
TEST_F(QuoteMerge, EntriesThatContradictThemselvesOrRepeatANumberArePassedOverWithAnError)
{
    portfolio({ibm(), msft()});
    ByteVec ibmEntry = masterEntry(ibm().entry());
    setByte(ibmEntry, 3, 24); // 7 fields in records of 24 bytes
    const ByteVec dup = masterEntry({2, "DUP", "DUP INC", 6, d(1997, 1, 2), d(1997, 1, 3)});
    writeBytes(data + "/MASTER", masterFile({ibmEntry, masterEntry(msft().entry()), dup}));
    updateFile("D.TXT", kIbmLine + kMsftLine + "DUP,970110,1,2,3,4,5,6\n");
    const auto before = snapshot(data);

    const RunOutcome run = runUpdate(inputs());
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.audit,
              auditOf({"ERROR: IBM passed over: The MASTER entry of IBM (file number 1) gives a record length of 24 "
                       "bytes for 7 fields of 4 bytes.",
                       "Quote for: 010997 added to: MSFT",
                       "ERROR: DUP passed over: The MASTER entry of DUP (file number 2) repeats the file number of an "
                       "earlier entry, MSFT, whose files those are."}));
    const SecuritySpec m = plus(msft(), {kMsftRow});
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(7, m.rows));
    EXPECT_EQ(dataFile("MASTER"), masterFile({ibmEntry, masterEntry(m.entry()), dup}));
    EXPECT_EQ(without(snapshot(data), {"F2.DAT", "MASTER"}), without(before, {"F2.DAT", "MASTER"}));
    const AnomalyReport report = buildAnomalyReport(startup + "/AUDIT.TXT", run.count);
    EXPECT_EQ(std::count_if(report.entries.begin(), report.entries.end(),
                            [](const std::string& e) { return e.find("ERROR: ") == 0; }),
              2);
    // A run with failures never says it had none.
    EXPECT_EQ(std::count(report.entries.begin(), report.entries.end(), "No anomalies to report!"), 0);
}

// The prior-day flag gives the prior record the new volume and open interest only; values go
// where each file's field layout puts them.
TEST_F(QuoteMerge, PriorDayFlagAndFieldLayouts)
{
    SecuritySpec crude{3, "CL", {row7(d(1997, 1, 15), 20, 100, 10)}}; // one stored quote
    SecuritySpec sugar{5,
                       "SB",
                       {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40}, {d(1997, 1, 15), 12, 13, 11, 12.5f, 50}},
                       6,
                       {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"}}; // no open interest in the file
    SecuritySpec odd{
        7, "ODD", {{d(1997, 1, 15), 10, 100, 5, 4, 6, 3}}, 7, {"DATE", "OI", "VOL", "CLOSE", "OPEN", "HIGH", "LOW"}};
    portfolio({ibm(), crude, sugar, odd}); // IBM's profile has no flag
    assignVariant("Futures", [](ProfileSpec& p) { p.priorDay = 1; }, {3, 5, 7});
    updateFile("D.TXT", "CL,970116,21,23,20,22,300,30\nSB,970116,13,14,12,13.5,70,7\n" + kIbmLine +
                            "ODD,970116,4.5,6.5,3.5,5.5,200,20\n");
    ASSERT_EQ(runUpdate(inputs()).count, 4);
    EXPECT_EQ(dataFile("F3.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 22, 19, 20.5f, 300, 30}, {d(1997, 1, 16), 21, 23, 20, 22, 300, 30}}));
    EXPECT_EQ(dataFile("F5.DAT"), quoteFile(6, {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40},
                                                {d(1997, 1, 15), 12, 13, 11, 12.5f, 70},
                                                {d(1997, 1, 16), 13, 14, 12, 13.5f, 70}}));
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {kIbmRow}).rows)) << "without the flag the prior day stays";
    EXPECT_EQ(dataFile("F7.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 200, 5, 4, 6, 3}, {d(1997, 1, 16), 20, 200, 5.5f, 4.5f, 6.5f, 3.5f}}));
}

// The symbol is the first word of its column, after blanks and tabs; its first letter's case
// matters, the rest's does not.
TEST_F(QuoteMerge, SymbolIsTheFirstWordOfItsColumnAndOnlyItsFirstLettersCaseMatters)
{
    portfolio({ibm(), msft()});
    updateFile("D.TXT", "ibm,970116,1,1,1,1,1,1\nIBMX,970116,1,1,1,1,1,1\n  \tMsft CORP,970110,81,83,80,82,7000,70\n");
    EXPECT_EQ(runUpdate(inputs()).audit, auditOf({kNotIbm, "Quote for: 010997 added to: MSFT"}));
}

// Files are scanned in the reverse of the directory's own listing order; archives and programs
// are never scanned as text, but a file named ZIP is.
TEST_F(QuoteMerge, OnlyTheFirstFileInScanOrderContributesAndArchivesAreNotScanned)
{
    portfolio({ibm(), msft(), gold()});
    updateFile("A.TXT", "IBM,970116,1,2,0.5,1.5,10,1\n");
    updateFile("B.TXT", "IBM,970116,2,3,1.5,2.5,20,2\n");
    for (const char* name : {"a.Zip", "b.exe", "c.COM"})
        updateFile(name, "GC,970114,1,1,1,1,1,1\n");
    updateFile("ZIP", kMsftLine);
    std::vector<DirEntry> listing;
    ASSERT_TRUE(listDirectory(updates, listing));
    const auto at = [&](const char* name) {
        return std::ranges::find(listing, name, &DirEntry::name) - listing.begin();
    };
    const bool aFirst = at("A.TXT") > at("B.TXT");
    runUpdate(inputs());
    const QuoteRow a{d(1997, 1, 16), 1, 2, 0.5f, 1.5f, 10, 1}, b{d(1997, 1, 16), 2, 3, 1.5f, 2.5f, 20, 2};
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {aFirst ? a : b}).rows));
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(7, plus(msft(), {kMsftRow}).rows));
    EXPECT_EQ(dataFile("F4.DAT"), quoteFile(6, gold().rows));
}

TEST_F(QuoteMerge, UnreadableDatesAreIgnoredAndOpenColumnZeroLeavesOpenZero)
{
    portfolio({ibm()});
    assignVariant("NoOpen", [](ProfileSpec& p) { p.open = 0; }, {1});
    updateFile("D.TXT", "IBM,971316,1,1,1,1,1,1\n" // month 13: no date
                        "IBM,970116,77,103,99,102,5000,60\n");
    ASSERT_EQ(runUpdate(inputs()).count, 1);
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {{d(1997, 1, 16), 0, 103, 99, 102, 5000, 60}}).rows));
}

// A merge that fails is counted, flagged and leaves its entry's dates: a quote file that is
// gone, and one at the sixteen-bit record limit (one record less still takes its quote).
TEST_F(QuoteMerge, FailedMergesAreCountedFlaggedAndLeaveTheEntryItsDates)
{
    const QuoteRow old = row7(d(1997, 1, 15), 10, 1, 1);
    SecuritySpec full{3, "FULL", std::vector<QuoteRow>(32766, old)}; // 32767 records with the header
    SecuritySpec edge{4, "EDGE", std::vector<QuoteRow>(32765, old)};
    portfolio({ibm(), msft(), full, edge});
    ASSERT_EQ(::unlink((data + "/F1.DAT").c_str()), 0);
    const ByteVec fullBefore = dataFile("F3.DAT");
    updateFile("D.TXT", kIbmLine + kMsftLine + "FULL,970116,11,12,10,11,5,5\nEDGE,970116,11,12,10,11,5,5\n");
    const RunOutcome run = runUpdate(inputs());
    EXPECT_EQ(run.count, 4) << "the failed merges count";
    EXPECT_EQ(run.flags, kRunFlagMergeFailed);
    EXPECT_EQ(run.recorder.messages,
              (std::vector<std::string>{"AddOneQuote failure\nIBM: open " + data + "/F1.DAT: No such file or directory",
                                        "AddOneQuote failure\nFULL: " + data +
                                            "/F3.DAT holds as many quotes as a quote file can"}));
    // The line was taken, so there is no could-not-add line, but an ERROR line for the anomaly report.
    EXPECT_EQ(run.audit, auditOf({"ERROR: Quote for: 011697 could not be added to: IBM in " + data,
                                  "Quote for: 010997 added to: MSFT",
                                  "ERROR: Quote for: 011697 could not be added to: FULL in " + data,
                                  "Quote for: 011697 added to: EDGE"}));
    EXPECT_FALSE(exists(data + "/F1.DAT") || exists(data + "/F1.~NU"));
    EXPECT_EQ(dataFile("F3.DAT"), fullBefore);
    edge.rows.push_back({d(1997, 1, 16), 11, 12, 10, 11, 5, 5});
    EXPECT_EQ(dataFile("F4.DAT"), quoteFile(7, edge.rows));
    EXPECT_EQ(dataFile("MASTER"),
              expectedMaster({ibm().entry(), plus(msft(), {kMsftRow}).entry(), full.entry(), edge.entry()}));
}

SecuritySpec sec(int n, const std::string& symbol) { return {n, symbol, {row7(d(1997, 1, 15), 10, 100, 1)}}; }
std::string line(const std::string& symbol) { return symbol + ",970116,11,12,10,11.5,200,2\n"; }

class UpdateRun : public UpdateFixture, public ::testing::Test {};

// A directory entry of the MASTER is no security either.
TEST_F(UpdateRun, SkippedSecuritiesLeaveNoTraceAndAnAllSkippedPortfolioIsNotTouched)
{
    portfolio({sec(1, "IBM"), sec(2, "MSFT"), sec(4, "GC")}, {1, 4});
    writeBytes(data + "/MASTER", masterFile({masterEntry(sec(1, "IBM").entry()), masterDirectoryEntry(3, "SUB"),
                                             masterEntry(sec(2, "MSFT").entry()), masterEntry(sec(4, "GC").entry())}));
    assignProfile(data, 3, "Daily");
    const std::string other = tmp.subdir("Other");
    writePortfolio(other, {sec(3, "XOM"), sec(5, "T")}, {3, 5});
    for (int n : {3, 5})
        assignProfile(other, n, "Daily");
    updateFile("D.TXT", line("IBM") + line("MSFT") + line("GC") + line("XOM") + line("T"));
    const auto dataBefore = snapshot(data), otherBefore = snapshot(other);
    UpdateInputs in = inputs();
    in.portfolios.push_back(other);
    const RunOutcome run = runUpdate(in);
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data), "Quote for: 011697 added to: MSFT", "",
                                                   auditFor(other)}));
    EXPECT_EQ(snapshot(other), otherBefore);
    EXPECT_EQ(without(snapshot(data), {"F2.DAT", "MASTER"}), without(dataBefore, {"F2.DAT", "MASTER"}));
}

TEST_F(UpdateRun, PortfolioWhoseMasterCannotBeUsedIsPassedOverUntouchedAndTheRunGoesOn)
{
    const std::string missingDir = tmp.file("NoPortfolio"), emptyMaster = tmp.subdir("EmptyMaster"),
                      masterIsDir = tmp.subdir("MasterIsDir");
    writeBytes(emptyMaster + "/MASTER", {});
    tmp.subdir("MasterIsDir/MASTER");
    portfolio({sec(1, "IBM")});
    updateFile("D.TXT", line("IBM"));
    const auto emptyBefore = snapshot(emptyMaster), dirBefore = snapshot(masterIsDir);
    UpdateInputs in = inputs();
    in.portfolios = {missingDir, emptyMaster, masterIsDir, data};
    const RunOutcome run = runUpdate(in);
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(std::pair(snapshot(emptyMaster), snapshot(masterIsDir)), std::pair(emptyBefore, dirBefore));
    EXPECT_FALSE(exists(missingDir));
    // Each heading is followed by one error line, also handed to the caller (for the exit status).
    ASSERT_EQ(run.audit.size(), 1u + 3u * 3u + 3u);
    ASSERT_EQ(run.passedOver.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p)
        EXPECT_EQ("ERROR: " + run.passedOver[p], run.audit[3 + 3 * p]);
    EXPECT_NE(run.passedOver[0].find(missingDir), std::string::npos);
    EXPECT_EQ(run.recorder.messages, run.passedOver) << "each is shown when it happens";
}

// DeleteTxt removes the files quotes were taken from and no other; files it cannot delete are
// named (a used update file would be read again by the next run).
TEST_F(UpdateRun, DeleteTxtRemovesUsedFilesAndThoseThatCouldNotBeDeletedAreNamedWithTheCause)
{
    const auto prepare = [&] {
        portfolio({sec(1, "IBM")});
        updateFile("USED.TXT", line("IBM"));
        updateFile("OLD.TXT", "IBM,970110,1,1,1,1,1,1\n");
    };
    UpdateInputs in = inputs();
    in.settings.deleteTxt = true;
    prepare();
    faults::reset();
    runUpdate(in);
    EXPECT_FALSE(exists(updates + "/USED.TXT"));
    EXPECT_TRUE(exists(updates + "/OLD.TXT"));
    const int unlinks = faults::callCount(faults::Op::Unlink);
    int keptCopy = 0, keptUsed = 0;
    for (int n = 1; n <= unlinks; ++n) {
        prepare();
        RunOutcome run;
        {
            faults::ScopedFailure failure(faults::Op::Unlink, n);
            run = runUpdate(in);
        }
        SCOPED_TRACE(n);
        EXPECT_EQ(run.count, 1);
        if (exists(data + "/MASTER.~OL")) {
            ++keptCopy;
            EXPECT_NE(std::ranges::find(run.audit, "ERROR: the copy of MASTER at " + data +
                                                       " could not be deleted (delete " + data +
                                                       "/MASTER.~OL: Input/output error)"),
                      run.audit.end());
        }
        if (exists(updates + "/USED.TXT")) {
            ++keptUsed;
            EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"These used update files could not be deleted:\n"
                                                                      "delete " +
                                                                      updates + "/USED.TXT: Input/output error"});
        }
    }
    EXPECT_EQ(keptCopy, 1);
    EXPECT_EQ(keptUsed, 1);
}

} // namespace
} // namespace qv
