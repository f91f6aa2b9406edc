// The merge of one update line into a security's files, through whole update runs on
// portfolios built byte by byte: what lands in F<n>.DAT and MASTER, byte for byte, and what the
// audit log says about it.

#include "update_test_support.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::updatetest;

float d(int y, int m, int day) { return fileDate(y, m, day); }

Security ibm() {
    return {1, "IBM", {row7(d(1997, 1, 13), 98, 900, 40), row7(d(1997, 1, 14), 99, 950, 41), row7(d(1997, 1, 15), 100, 1000, 42)}};
}
Security msft() { // last quote on a Wednesday
    return {2, "MSFT", {row7(d(1997, 1, 7), 79, 600, 20), row7(d(1997, 1, 8), 80, 700, 21)}};
}
Security gold() { // six fields, no DOP file: the default layout date, open, high, low, close, volume
    return {4, "GC", {{d(1997, 1, 10), 360, 362, 359, 361, 90}}, 6, {}};
}
// The usual new day for IBM and MSFT, as update lines and as the records they become.
const std::string kIbmLine = "IBM,970116,101,103,99,102,5000,60\n", kMsftLine = "MSFT,970110,81,83,80,82,7000,70\n";
const QuoteRow kIbmRow{d(1997, 1, 16), 101, 103, 99, 102, 5000, 60}, kMsftRow{d(1997, 1, 10), 81, 83, 80, 82, 7000, 70};
const std::string kNotIbm = "----> Could not add quote to symbol: IBM";
const std::string kNotMsft = "----> Could not add quote to symbol: MSFT";

class QuoteMerge : public UpdateFixture, public ::testing::Test {
protected:
    // A profile like "Daily" but changed by `edit`, for the given file numbers.
    template <class Edit>
    void assignVariant(const std::string& name, Edit edit, std::initializer_list<int> fileNumbers) {
        ProfileSpec p = profile;
        edit(p);
        writeProfile(startup, name, p);
        for (int n : fileNumbers) assignProfile(data, n, name);
    }
};

TEST_F(QuoteMerge, EachSecurityTakesItsFirstNewerLineAndTheFilesGainExactlyThatRecord) {
    portfolio({ibm(), msft(), gold()});
    updateFile("D1.TXT",
               "IBM,970115,1,1,1,1,1,1\r\n" // not later than the last date
               "IBM,970116,101,103,99,102,5000,60\r\n"
               "MSFT,970110,81,83,80,82,7000,70\r\n"
               "IBM,970117,105,106,104,105,1,1\r\n" // one quote per security and run
               "GC,970114,363,365,362,364,900,9\r\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 3);
    EXPECT_EQ(run.flags, 0);
    EXPECT_TRUE(run.recorder.messages.empty());
    // The quote line names the day after the last stored date, not the line's own date.
    EXPECT_EQ(run.audit, auditOf({"Quote for: 011697 added to: IBM", "Quote for: 010997 added to: MSFT",
                                  "Quote for: 011197 added to: GC"}));
    const Security i = plus(ibm(), {kIbmRow}), m = plus(msft(), {kMsftRow});
    const Security g = plus(gold(), {{d(1997, 1, 14), 363, 365, 362, 364, 900}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(7, m.rows));
    EXPECT_EQ(dataFile("F4.DAT"), quoteFile(6, g.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), m.entry(), g.entry()}));
    EXPECT_TRUE(namesEndingIn(data, ".~NU").empty());
    EXPECT_FALSE(exists(data + "/MASTER.~OL"));

    ASSERT_FALSE(run.recorder.progress.empty());
    EXPECT_EQ(run.recorder.progress.front().count, "0  ");
    EXPECT_EQ(run.recorder.progress.back().count, "3  ");
    EXPECT_EQ(run.recorder.progress.back().portfolio, " " + data);
    EXPECT_EQ(run.recorder.progress.back().symbol, " GC");
    EXPECT_TRUE(run.recorder.scannedFile("D1.TXT"));
}

TEST_F(QuoteMerge, NewDaysNeedOneRunEachAndARunWithNothingNewReportsEverySecurity) {
    portfolio({ibm(), msft()});
    updateFile("D.TXT", "IBM,970117,110,111,109,110,2,2\n" + kIbmLine);

    // The first newer line in scan order is taken, whatever its date.
    const RunOutcome first = runUpdate(inputs());
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(first.audit, auditOf({"Quote for: 011697 added to: IBM", kNotMsft}));
    const Security i = plus(ibm(), {{d(1997, 1, 17), 110, 111, 109, 110, 2, 2}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), msft().entry()}));

    // Now 01/16 is not later than the last date either: nothing is left for IBM.
    const RunOutcome second = runUpdate(inputs());
    EXPECT_EQ(second.count, 0);
    EXPECT_EQ(second.audit, auditOf({kNotIbm, kNotMsft}));
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({i.entry(), msft().entry()}));
    EXPECT_FALSE(exists(data + "/MASTER.~OL"));
    EXPECT_FALSE(exists(data + "/MASTER.~NU"));

    // Days listed in order are taken one per run.
    updateFile("D.TXT", kIbmLine + "IBM,970118,110,111,109,110,2,2\n");
    writePortfolio(data, {plus(ibm(), {kIbmRow})});
    EXPECT_EQ(runUpdate(inputs()).audit.back(), "Quote for: 011797 added to: IBM");
    const Security twoDays = plus(ibm(), {kIbmRow, {d(1997, 1, 18), 110, 111, 109, 110, 2, 2}});
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, twoDays.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({twoDays.entry()}));
}

TEST_F(QuoteMerge, FirstQuoteIntoAnEmptyFileSetsFirstAndLastDate) {
    portfolio({{6, "NEW", {}}});
    updateFile("D.TXT", "NEW,970116,101,103,99,102,5000,60\n");

    EXPECT_EQ(runUpdate(inputs()).count, 1);
    const Security fresh{6, "NEW", {kIbmRow}};
    EXPECT_EQ(dataFile("F6.DAT"), quoteFile(7, fresh.rows));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({fresh.entry()})) << "first and last date are both the new quote's";
}

TEST_F(QuoteMerge, PriorDayFlagGivesThePriorRecordTheNewVolumeAndOpenInterestOnly) {
    Security crude{3, "CL", {row7(d(1997, 1, 15), 20, 100, 10)}}; // one stored quote
    Security sugar{5, "SB", {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40}, {d(1997, 1, 15), 12, 13, 11, 12.5f, 50}}, 6,
                   {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"}}; // no open interest in the file
    portfolio({ibm(), crude, sugar}); // IBM's profile has no flag
    assignVariant("Futures", [](ProfileSpec& p) { p.priorDay = 1; }, {3, 5});
    updateFile("D.TXT", "CL,970116,21,23,20,22,300,30\nSB,970116,13,14,12,13.5,70,7\n" + kIbmLine);

    ASSERT_EQ(runUpdate(inputs()).count, 3);

    EXPECT_EQ(dataFile("F3.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 22, 19, 20.5f, 300, 30}, {d(1997, 1, 16), 21, 23, 20, 22, 300, 30}}));
    EXPECT_EQ(dataFile("F5.DAT"), quoteFile(6, {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40},
                                                {d(1997, 1, 15), 12, 13, 11, 12.5f, 70},
                                                {d(1997, 1, 16), 13, 14, 12, 13.5f, 70}}));
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {kIbmRow}).rows)) << "without the flag the prior day stays";
}

TEST_F(QuoteMerge, ValuesGoWhereTheFieldLayoutPutsThemAndUnnamedFieldsStayZero) {
    // Field order date, open interest, volume, close, open, high, low.
    Security odd{1, "ODD", {{d(1997, 1, 15), 10, 100, 5, 4, 6, 3}}, 7, {"DATE", "OI", "VOL", "CLOSE", "OPEN", "HIGH", "LOW"}};
    // Eight fields of which the DOP names seven: the eighth is carried as zero.
    Security wide{2, "WIDE", {{d(1997, 1, 15), 1, 2, 0.5f, 1.5f, 10, 11, 77}}, 8};
    portfolio({odd, wide});
    assignVariant("Futures", [](ProfileSpec& p) { p.priorDay = 1; }, {1});
    updateFile("D.TXT", "ODD,970116,4.5,6.5,3.5,5.5,200,20\nWIDE,970116,2,3,1,2.5,30,31\n");

    ASSERT_EQ(runUpdate(inputs()).count, 2);

    EXPECT_EQ(dataFile("F1.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 200, 5, 4, 6, 3}, {d(1997, 1, 16), 20, 200, 5.5f, 4.5f, 6.5f, 3.5f}}));
    EXPECT_EQ(dataFile("F2.DAT"), quoteFile(8, plus(wide, {{d(1997, 1, 16), 2, 3, 1, 2.5f, 30, 31, 0}}).rows));
}

TEST_F(QuoteMerge, SymbolInColumnTwoIsMatchedWithoutRegardToCaseInColumnOneByItsFirstLetter) {
    portfolio({ibm()});
    assignVariant("ByDate", [](ProfileSpec& p) { std::swap(p.symbol, p.date); }, {1});
    updateFile("D.TXT", "970116,IBMX,1,1,1,1,1,1\n970116,ibm,101,103,99,102,5000,60\n");
    EXPECT_EQ(runUpdate(inputs()).count, 1);
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {kIbmRow}).rows));

    portfolio({ibm(), msft()});
    updateFile("D.TXT", "ibm,970116,1,1,1,1,1,1\n  \tMsft CORP,970110,81,83,80,82,7000,70\n");
    EXPECT_EQ(runUpdate(inputs()).audit, auditOf({kNotIbm, "Quote for: 010997 added to: MSFT"}));
}

TEST_F(QuoteMerge, OnlyTheFirstFileInScanOrderContributesAndTheOtherIsNotRead) {
    portfolio({ibm()});
    updateFile("A.TXT", "IBM,970116,1,2,0.5,1.5,10,1\n");
    updateFile("B.TXT", "IBM,970116,2,3,1.5,2.5,20,2\n");
    // Files are scanned in the reverse of the directory's own listing order.
    std::vector<DirEntry> listing;
    ASSERT_TRUE(listDirectory(updates, listing));
    ASSERT_EQ(listing.size(), 2u);
    const std::string firstScanned = listing.back().name, notScanned = listing.front().name;

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {firstScanned == "A.TXT"
                                                                ? QuoteRow{d(1997, 1, 16), 1, 2, 0.5f, 1.5f, 10, 1}
                                                                : QuoteRow{d(1997, 1, 16), 2, 3, 1.5f, 2.5f, 20, 2}})
                                                  .rows));
    EXPECT_TRUE(run.recorder.scannedFile(firstScanned));
    EXPECT_FALSE(run.recorder.scannedFile(notScanned));
}

TEST_F(QuoteMerge, ArchivesAndProgramsAreNeverScannedAsTextButAFileNamedZipIs) {
    portfolio({ibm(), msft()});
    for (const char* name : {"a.Zip", "b.exe", "c.COM"}) updateFile(name, "IBM,970116,1,1,1,1,1,1\n");
    updateFile("ZIP", kMsftLine);
    EXPECT_EQ(runUpdate(inputs()).audit, auditOf({kNotIbm, "Quote for: 010997 added to: MSFT"}));
}

TEST_F(QuoteMerge, ShortLinesAndUnreadableDatesAreIgnoredAndOpenColumnZeroLeavesOpenZero) {
    portfolio({ibm(), {7, "X", {row7(d(1997, 1, 15), 1, 1, 1)}}});
    assignVariant("NoOpen", [](ProfileSpec& p) { p.open = 0; }, {1});
    updateFile("D.TXT", "X,970116\n"                 // nine characters and the line end: no fields
                        "IBM,971316,1,1,1,1,1,1\n" // month 13: no date
                        "IBM,970116,77,103,99,102,5000,60\n");

    const RunOutcome run = runUpdate(inputs());

    ASSERT_EQ(run.count, 1);
    EXPECT_EQ(run.audit.back(), "----> Could not add quote to symbol: X");
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {{d(1997, 1, 16), 0, 103, 99, 102, 5000, 60}}).rows));
}

TEST_F(QuoteMerge, FailedMergeIsCountedFlaggedAndLeavesTheEntryItsDates) {
    portfolio({ibm(), msft()});
    ASSERT_EQ(::unlink((data + "/F1.DAT").c_str()), 0);
    updateFile("D.TXT", kIbmLine + kMsftLine);

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 2) << "the failed merge counts";
    EXPECT_EQ(run.flags, kRunFlagMergeFailed);
    EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"AddOneQuote failure"});
    // The line was taken, so IBM has neither a quote line nor a could-not-add line.
    EXPECT_EQ(run.audit, auditOf({"Quote for: 010997 added to: MSFT"}));
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({ibm().entry(), plus(msft(), {kMsftRow}).entry()}));
    EXPECT_FALSE(exists(data + "/F1.DAT"));
    EXPECT_FALSE(exists(data + "/F1.~NU"));
}

TEST_F(QuoteMerge, QuoteFileAtTheSixteenBitRecordLimitIsNotAppendedTo) {
    const QuoteRow old = row7(d(1997, 1, 15), 10, 1, 1);
    Security full{1, "FULL", std::vector<QuoteRow>(32766, old)}; // 32767 records with the header
    Security edge{2, "EDGE", std::vector<QuoteRow>(32765, old)};
    portfolio({full, edge});
    const ByteVec fullBefore = dataFile("F1.DAT");
    updateFile("D.TXT", "FULL,970116,11,12,10,11,5,5\nEDGE,970116,11,12,10,11,5,5\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 2);
    EXPECT_EQ(run.flags, kRunFlagMergeFailed);
    EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"AddOneQuote failure"});
    EXPECT_EQ(dataFile("F1.DAT"), fullBefore);
    const ByteVec edgeAfter = dataFile("F2.DAT");
    ASSERT_EQ(edgeAfter.size(), 28u * 32767u);
    EXPECT_EQ(edgeAfter[2] | edgeAfter[3] << 8, 32767);
    edge.rows.push_back({d(1997, 1, 16), 11, 12, 10, 11, 5, 5});
    EXPECT_EQ(dataFile("MASTER"), expectedMaster({full.entry(), edge.entry()}));
    EXPECT_EQ(run.audit, auditOf({"Quote for: 011697 added to: EDGE"})) << "FULL is not named";
}

TEST_F(QuoteMerge, QuoteFileClaimingMoreRecordsThanItHoldsIsAppendedAfterItsRealRecords) {
    portfolio({ibm()});
    ByteVec file = dataFile("F1.DAT");
    setU16(file, 2, 500);
    writeBytes(data + "/F1.DAT", file);
    updateFile("D.TXT", kIbmLine);
    runUpdate(inputs());
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(ibm(), {kIbmRow}).rows));
}

TEST_F(QuoteMerge, ShownSymbolFlagOnlyWhenThatExactSymbolGetsAQuote) {
    updateFile("D.TXT", kIbmLine);
    UpdateInputs in = inputs();
    // MSFT gets nothing; the comparison is exact.
    const std::pair<const char*, int> cases[] = {{"MSFT", 0}, {"ibm", 0}, {"IBM", kRunFlagShownSymbolUpdated}};
    for (const auto& [shown, flags] : cases) {
        portfolio({ibm(), msft()});
        in.shownSymbol = shown;
        EXPECT_EQ(runUpdate(in).flags, flags) << shown;
    }
}

} // namespace
} // namespace qv
