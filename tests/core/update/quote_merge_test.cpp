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
    Security s{4, "GC", {{d(1997, 1, 10), 360, 362, 359, 361, 90}}, 6, {}};
    return s;
}

class QuoteMerge : public UpdateFixture, public ::testing::Test {};

TEST_F(QuoteMerge, EachSecurityTakesItsFirstNewerLineAndTheFilesGainExactlyThatRecord) {
    portfolio({ibm(), msft(), gold()});
    updateFile("D1.TXT",
               "IBM,970115,1,1,1,1,1,1\r\n"           // not later than the last date
               "IBM,970116,101,103,99,102,5000,60\r\n" // taken
               "MSFT,970110,81,83,80,82,7000,70\r\n"
               "IBM,970117,105,106,104,105,1,1\r\n" // one quote per security and run
               "GC,970114,363,365,362,364,900,9\r\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 3);
    EXPECT_EQ(run.flags, 0);
    EXPECT_TRUE(run.recorder.messages.empty());
    // The quote line names the day after the last stored date, not the line's own date.
    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data), "Quote for: 011697 added to: IBM",
                                                   "Quote for: 010997 added to: MSFT",
                                                   "Quote for: 011197 added to: GC"}));

    Security i = ibm(), m = msft(), g = gold();
    i.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    m.rows.push_back({d(1997, 1, 10), 81, 83, 80, 82, 7000, 70});
    g.rows.push_back({d(1997, 1, 14), 363, 365, 362, 364, 900});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(readBytes(data + "/F2.DAT"), quoteFile(7, m.rows));
    EXPECT_EQ(readBytes(data + "/F4.DAT"), quoteFile(6, g.rows));
    EXPECT_EQ(readBytes(data + "/MASTER"), expectedMaster({i.entry(), m.entry(), g.entry()}));
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
    updateFile("D.TXT", "IBM,970117,110,111,109,110,2,2\nIBM,970116,101,103,99,102,5000,60\n");

    // The first newer line in scan order is taken, whatever its date.
    const RunOutcome first = runUpdate(inputs());
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(first.audit, (std::vector<std::string>{title(), "", auditFor(data), "Quote for: 011697 added to: IBM",
                                                     "----> Could not add quote to symbol: MSFT"}));
    Security i = ibm();
    i.rows.push_back({d(1997, 1, 17), 110, 111, 109, 110, 2, 2});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));

    // Now 01/16 is not later than the last date either: nothing is left for IBM.
    const ByteVec masterAfterFirst = readBytes(data + "/MASTER");
    EXPECT_EQ(masterAfterFirst, expectedMaster({i.entry(), msft().entry()}));
    const RunOutcome second = runUpdate(inputs());
    EXPECT_EQ(second.count, 0);
    EXPECT_EQ(second.audit, (std::vector<std::string>{title(), "", auditFor(data),
                                                      "----> Could not add quote to symbol: IBM",
                                                      "----> Could not add quote to symbol: MSFT"}));
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(readBytes(data + "/MASTER"), masterAfterFirst);
    EXPECT_FALSE(exists(data + "/MASTER.~OL"));
    EXPECT_FALSE(exists(data + "/MASTER.~NU"));
}

TEST_F(QuoteMerge, SecondRunTakesTheNextDayWhenTheFileListsDaysInOrder) {
    portfolio({ibm()});
    updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\nIBM,970117,110,111,109,110,2,2\n");
    runUpdate(inputs());
    const RunOutcome second = runUpdate(inputs());
    EXPECT_EQ(second.audit.back(), "Quote for: 011797 added to: IBM");
    Security i = ibm();
    i.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    i.rows.push_back({d(1997, 1, 17), 110, 111, 109, 110, 2, 2});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
    EXPECT_EQ(readBytes(data + "/MASTER"), expectedMaster({i.entry()}));
}

TEST_F(QuoteMerge, FirstQuoteIntoAnEmptyFileSetsFirstAndLastDate) {
    Security fresh{6, "NEW", {}};
    portfolio({fresh});
    updateFile("D.TXT", "NEW,970116,101,103,99,102,5000,60\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 1);
    fresh.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    EXPECT_EQ(readBytes(data + "/F6.DAT"), quoteFile(7, fresh.rows));
    EXPECT_EQ(readBytes(data + "/MASTER"), expectedMaster({fresh.entry()}))
        << "first and last date are both the new quote's";
}

TEST_F(QuoteMerge, PriorDayFlagGivesThePriorRecordTheNewVolumeAndOpenInterestOnly) {
    ProfileSpec futures = profile;
    futures.priorDay = 1;
    writeProfile(startup, "Futures", futures);
    Security crude{3, "CL", {row7(d(1997, 1, 15), 20, 100, 10)}}; // one stored quote
    Security sugar{5, "SB", {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40}, {d(1997, 1, 15), 12, 13, 11, 12.5f, 50}}, 6,
                   {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"}}; // no open interest in the file
    Security plain = ibm();                                          // profile without the flag
    portfolio({plain, crude, sugar});
    assignProfile(data, 3, "Futures");
    assignProfile(data, 5, "Futures");
    updateFile("D.TXT", "CL,970116,21,23,20,22,300,30\nSB,970116,13,14,12,13.5,70,7\n"
                        "IBM,970116,101,103,99,102,5000,60\n");

    const RunOutcome run = runUpdate(inputs());
    ASSERT_EQ(run.count, 3);

    EXPECT_EQ(readBytes(data + "/F3.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 22, 19, 20.5f, 300, 30}, {d(1997, 1, 16), 21, 23, 20, 22, 300, 30}}));
    EXPECT_EQ(readBytes(data + "/F5.DAT"), quoteFile(6, {{d(1997, 1, 14), 11, 12, 10, 11.5f, 40},
                                                         {d(1997, 1, 15), 12, 13, 11, 12.5f, 70},
                                                         {d(1997, 1, 16), 13, 14, 12, 13.5f, 70}}));
    plain.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, plain.rows)) << "without the flag the prior day stays";
}

TEST_F(QuoteMerge, ValuesGoWhereTheFieldLayoutPutsThemAndUnnamedFieldsStayZero) {
    ProfileSpec futures = profile;
    futures.priorDay = 1;
    writeProfile(startup, "Futures", futures);
    // Field order date, open interest, volume, close, open, high, low.
    Security odd{1, "ODD", {{d(1997, 1, 15), 10, 100, 5, 4, 6, 3}}, 7, {"DATE", "OI", "VOL", "CLOSE", "OPEN", "HIGH", "LOW"}};
    // Eight fields of which the DOP names seven: the eighth is carried as zero.
    Security wide{2, "WIDE", {{d(1997, 1, 15), 1, 2, 0.5f, 1.5f, 10, 11, 77}}, 8};
    portfolio({odd, wide});
    assignProfile(data, 1, "Futures");
    updateFile("D.TXT", "ODD,970116,4.5,6.5,3.5,5.5,200,20\nWIDE,970116,2,3,1,2.5,30,31\n");

    const RunOutcome run = runUpdate(inputs());
    ASSERT_EQ(run.count, 2);

    EXPECT_EQ(readBytes(data + "/F1.DAT"),
              quoteFile(7, {{d(1997, 1, 15), 20, 200, 5, 4, 6, 3}, {d(1997, 1, 16), 20, 200, 5.5f, 4.5f, 6.5f, 3.5f}}));
    wide.rows.push_back({d(1997, 1, 16), 2, 3, 1, 2.5f, 30, 31, 0});
    EXPECT_EQ(readBytes(data + "/F2.DAT"), quoteFile(8, wide.rows));
}

TEST_F(QuoteMerge, SymbolInColumnTwoIsMatchedWithoutRegardToCase) {
    ProfileSpec byDate = profile;
    byDate.symbol = 2;
    byDate.date = 1;
    writeProfile(startup, "ByDate", byDate);
    portfolio({ibm()});
    assignProfile(data, 1, "ByDate");
    updateFile("D.TXT", "970116,IBMX,1,1,1,1,1,1\n970116,ibm,101,103,99,102,5000,60\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 1);
    Security i = ibm();
    i.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
}

TEST_F(QuoteMerge, SymbolInColumnOneMustMatchTheCaseOfItsFirstLetter) {
    portfolio({ibm(), msft()});
    updateFile("D.TXT", "ibm,970116,1,1,1,1,1,1\n  \tMsft CORP,970110,81,83,80,82,7000,70\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data),
                                                   "----> Could not add quote to symbol: IBM",
                                                   "Quote for: 010997 added to: MSFT"}));
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

    Security i = ibm();
    i.rows.push_back(firstScanned == "A.TXT" ? QuoteRow{d(1997, 1, 16), 1, 2, 0.5f, 1.5f, 10, 1}
                                             : QuoteRow{d(1997, 1, 16), 2, 3, 1.5f, 2.5f, 20, 2});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
    EXPECT_TRUE(run.recorder.scannedFile(firstScanned));
    EXPECT_FALSE(run.recorder.scannedFile(notScanned));
}

TEST_F(QuoteMerge, ArchivesAndProgramsAreNeverScannedAsTextButAFileNamedZipIs) {
    portfolio({ibm(), msft()});
    updateFile("a.Zip", "IBM,970116,1,1,1,1,1,1\n");
    updateFile("b.exe", "IBM,970116,1,1,1,1,1,1\n");
    updateFile("c.COM", "IBM,970116,1,1,1,1,1,1\n");
    updateFile("ZIP", "MSFT,970110,81,83,80,82,7000,70\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data),
                                                   "----> Could not add quote to symbol: IBM",
                                                   "Quote for: 010997 added to: MSFT"}));
}

TEST_F(QuoteMerge, ShortLinesAndUnreadableDatesAreIgnoredAndOpenColumnZeroLeavesOpenZero) {
    ProfileSpec noOpen = profile;
    noOpen.open = 0;
    writeProfile(startup, "NoOpen", noOpen);
    Security x{7, "X", {row7(d(1997, 1, 15), 1, 1, 1)}};
    portfolio({ibm(), x});
    assignProfile(data, 1, "NoOpen");
    updateFile("D.TXT", "X,970116\n"                 // nine characters and the line end: no fields
                        "IBM,971316,1,1,1,1,1,1\n" // month 13: no date
                        "IBM,970116,77,103,99,102,5000,60\n");

    const RunOutcome run = runUpdate(inputs());

    ASSERT_EQ(run.count, 1);
    EXPECT_EQ(run.audit.back(), "----> Could not add quote to symbol: X");
    Security i = ibm();
    i.rows.push_back({d(1997, 1, 16), 0, 103, 99, 102, 5000, 60});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
}

TEST_F(QuoteMerge, FailedMergeIsCountedFlaggedAndLeavesTheEntryItsDates) {
    portfolio({ibm(), msft()});
    ASSERT_EQ(::unlink((data + "/F1.DAT").c_str()), 0);
    updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\nMSFT,970110,81,83,80,82,7000,70\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 2) << "the failed merge counts";
    EXPECT_EQ(run.flags, kRunFlagMergeFailed);
    EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"AddOneQuote failure"});
    // The line was taken, so IBM has neither a quote line nor a could-not-add line.
    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data), "Quote for: 010997 added to: MSFT"}));
    Security m = msft();
    m.rows.push_back({d(1997, 1, 10), 81, 83, 80, 82, 7000, 70});
    EXPECT_EQ(readBytes(data + "/MASTER"), expectedMaster({ibm().entry(), m.entry()}));
    EXPECT_FALSE(exists(data + "/F1.DAT"));
    EXPECT_FALSE(exists(data + "/F1.~NU"));
}

TEST_F(QuoteMerge, QuoteFileAtTheSixteenBitRecordLimitIsNotAppendedTo) {
    const QuoteRow old = row7(d(1997, 1, 15), 10, 1, 1);
    Security full{1, "FULL", std::vector<QuoteRow>(32766, old)}; // 32767 records with the header
    Security edge{2, "EDGE", std::vector<QuoteRow>(32765, old)};
    portfolio({full, edge});
    const ByteVec fullBefore = readBytes(data + "/F1.DAT");
    updateFile("D.TXT", "FULL,970116,11,12,10,11,5,5\nEDGE,970116,11,12,10,11,5,5\n");

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 2);
    EXPECT_EQ(run.flags, kRunFlagMergeFailed);
    EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"AddOneQuote failure"});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), fullBefore);
    const ByteVec edgeAfter = readBytes(data + "/F2.DAT");
    ASSERT_EQ(edgeAfter.size(), 28u * 32767u);
    EXPECT_EQ(edgeAfter[2] | edgeAfter[3] << 8, 32767);
    edge.rows.push_back({d(1997, 1, 16), 11, 12, 10, 11, 5, 5});
    EXPECT_EQ(readBytes(data + "/MASTER"), expectedMaster({full.entry(), edge.entry()}));
    EXPECT_EQ(std::count(run.audit.begin(), run.audit.end(), "Quote for: 011697 added to: EDGE"), 1);
    EXPECT_EQ(std::count_if(run.audit.begin(), run.audit.end(),
                            [](const std::string& l) { return l.find("FULL") != std::string::npos; }),
              0);
}

TEST_F(QuoteMerge, QuoteFileClaimingMoreRecordsThanItHoldsIsAppendedAfterItsRealRecords) {
    portfolio({ibm()});
    ByteVec file = readBytes(data + "/F1.DAT");
    setU16(file, 2, 500);
    writeBytes(data + "/F1.DAT", file);
    updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\n");

    runUpdate(inputs());

    Security i = ibm();
    i.rows.push_back({d(1997, 1, 16), 101, 103, 99, 102, 5000, 60});
    EXPECT_EQ(readBytes(data + "/F1.DAT"), quoteFile(7, i.rows));
}

TEST_F(QuoteMerge, ShownSymbolFlagOnlyWhenThatExactSymbolGetsAQuote) {
    portfolio({ibm(), msft()});
    updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\n");
    UpdateInputs in = inputs();
    in.shownSymbol = "MSFT";
    EXPECT_EQ(runUpdate(in).flags, 0) << "MSFT got nothing";

    writePortfolio(data, {ibm(), msft()});
    in.shownSymbol = "ibm";
    EXPECT_EQ(runUpdate(in).flags, 0) << "the comparison is exact";

    writePortfolio(data, {ibm(), msft()});
    in.shownSymbol = "IBM";
    EXPECT_EQ(runUpdate(in).flags, kRunFlagShownSymbolUpdated);
}

} // namespace
} // namespace qv
