// Folders with EMASTER and XMASTER beside MASTER: the one list of their securities, the
// readers of F<n>.MWD, layouts from the field bitset, and damaged EMASTER/XMASTER reported.

#include "core/browse/symbol_list.h"
#include "core/maintain/symbol_commands.h"
#include "core/profiles/assignment.h"
#include "core/store/quotes.h"
#include "core/store/securities.h"
#include "core/store/skip_list.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace qv {
namespace {

using namespace qv::fixtures;

struct Expected {
    SecuritySource source;
    int fileNumber;
    std::string symbol, name;
    int quotes;
    float firstQuoteDate, firstClose; // of the first quote
};

// Every security of `dir` is listed as expected, and found, read and described by its symbol.
void expectReadable(const std::string& dir, const std::vector<Expected>& expected)
{
    SecurityList list;
    ASSERT_TRUE(readSecurities(dir, list).isOk()) << dir;
    EXPECT_TRUE(list.problems.empty()) << dir << ": " << (list.problems.empty() ? "" : list.problems.front());
    ASSERT_EQ(list.securities.size(), expected.size()) << dir;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const Security& s = list.securities[i];
        SCOPED_TRACE(dir + " " + e.symbol);
        EXPECT_EQ(std::tuple(s.source, s.fileNumber, s.symbol, s.name),
                  std::tuple(e.source, e.fileNumber, e.symbol, e.name));
        const FoundSecurity found = findSecurity(dir, e.symbol);
        ASSERT_EQ(found.status, kStatusOk);
        EXPECT_EQ(std::pair(found.security.fileNumber, found.security.source), std::pair(e.fileNumber, e.source));
        QuoteSeries series;
        ASSERT_EQ(initQuoteSeries(series, 100), kStatusOk);
        ASSERT_EQ(readQuoteSeries(series, dir, e.symbol, 0, -1), kStatusOk);
        ASSERT_EQ(series.count, e.quotes);
        EXPECT_EQ(series.quotesInFile, e.quotes);
        EXPECT_EQ(fileDateValue(series.date[0]), e.firstQuoteDate);
        EXPECT_FLOAT_EQ(series.close[0], e.firstClose);
        SecurityFacts facts;
        ASSERT_EQ(readSecurityFacts(dir, e.symbol, facts), 0);
        EXPECT_EQ(std::tuple(facts.fileNumber, facts.quoteCount, facts.fromXmaster),
                  std::tuple(e.fileNumber, e.quotes, e.source == SecuritySource::Xmaster));
        const QuoteLocation at = findQuoteByDate(dir, e.symbol, series.date[e.quotes - 1], series.time[e.quotes - 1]);
        EXPECT_EQ(std::pair(at.status, at.index), std::pair(kStatusOk, e.quotes - 1));
    }
}

constexpr auto M = SecuritySource::Master;
constexpr auto X = SecuritySource::Xmaster;

// The real folders: MASTER entries with bytes 1..2 = 65 00, EMASTER long names, XMASTER
// securities in F<n>.MWD, and an intraday security without DOP whose second field is its time.
TEST(ModernFolders, RealFoldersListAndReadEverySecurity)
{
    expectReadable(realFolder("msdir_equis_b"), {{M, 1, ".DJX", "1/100 Dow Jones INDU", 1, 970923.0f, 79.7f},
                                                 {M, 2, ".FCHI", "CAC 40 INDICE", 2, 880819.0f, 1308.62f},
                                                 {X, 256, "AZM.L", "AZM.L", 1, 961231.0f, 28.5818f},
                                                 {X, 2853, ".N225", "NIKKEI 225 INDEX", 2, 820104.0f, 7718.84f}});
    expectReadable(realFolder("msdir_stooq"), {{M, 1, "2HR.DE", "H&R", 2, 1131115.0f, 8.65f}});
    // The time takes part in the search: 09:10 falls between the two bars of the day.
    const QuoteLocation at = findQuoteByDate(realFolder("msdir_stooq"), "2HR.DE", dayNumberFromFileDate(1131115.0f),
                                             PackedTime{9 * 1800 + 10 * 30});
    EXPECT_EQ(at.index, 1);
}

// A folder built byte by byte: XMASTER securities of 6 fields and of intraday bars read each
// value from its own column; EMASTER's long name is shown where it is set.
class BuiltFolder : public ::testing::Test {
protected:
    TempDir tmp;
    EntrySpec ibm{1, "IBM", "IBM CORP", 7, fileDate(1997, 1, 2), fileDate(1997, 1, 3), 'D'};
    EntrySpec gold{2, "GC", "GOLD", 7, fileDate(1997, 1, 2), fileDate(1997, 1, 3), 'D'};
    EntrySpec six{300, "SIX", "SIX FIELDS SECURITY WITH A LONG NAME", 6, 0, 0, 'D'};
    EntrySpec bars{40000, "BARS", "INTRADAY", 7, 0, 0, 'I'};
    std::vector<QuoteRow> sevenRows{{fileDate(1997, 1, 2), 10, 12, 9, 11, 1000, 5},
                                    {fileDate(1997, 1, 3), 11, 13, 10, 12, 2000, 6}};

    void SetUp() override
    {
        writeBytes(tmp.file("MASTER"), masterFile({masterEntry(ibm), masterEntry(gold)}));
        writeBytes(tmp.file("EMASTER"), emasterFile({emasterEntry(ibm, "INTERNATIONAL BUSINESS MACHINES", 0x7F),
                                                     emasterEntry(gold, "", 0x7F)}));
        writeBytes(tmp.file("F1.DAT"), quoteFile(7, sevenRows));
        writeBytes(tmp.file("F2.DAT"), quoteFile(7, sevenRows));
        writeXmaster(xmasterFile(
            {xmasterEntry(six, 0x3F, 19970102, 19970103), xmasterEntry(bars, 0xBF, 20240102, 20240102)}, 40001));
        writeBytes(tmp.file("F300.MWD"), mwdFile(6, {{fileDate(1997, 1, 2), 20, 22, 19, 21, 500},
                                                     {fileDate(1997, 1, 3), 21, 23, 20, 22, 600}}));
        writeBytes(tmp.file("F40000.MWD"), mwdFile(7, {{fileDate(2024, 1, 2), 93000, 5, 6, 4, 5.5f, 70}}));
    }
    void writeXmaster(const ByteVec& bytes) { writeBytes(tmp.file("XMASTER"), bytes); }
};

TEST_F(BuiltFolder, ListsMasterThenXmasterAndReadsEachColumn)
{
    expectReadable(tmp.path(), {{M, 1, "IBM", "INTERNATIONAL BUSINESS MACHINES", 2, fileDate(1997, 1, 2), 11},
                                {M, 2, "GC", "GOLD", 2, fileDate(1997, 1, 2), 11},
                                {X, 300, "SIX", "SIX FIELDS SECURITY WITH A LONG NAME", 2, fileDate(1997, 1, 2), 21},
                                {X, 40000, "BARS", "INTRADAY", 1, fileDate(2024, 1, 2), 5.5f}});
    SecurityList list;
    ASSERT_TRUE(readSecurities(tmp.path(), list).isOk());
    EXPECT_EQ(
        std::tuple(list.securities[2].quoteFileName(), list.securities[2].recordLength, list.securities[3].period),
        std::tuple("F300.MWD", 24, 'I'));
    EXPECT_EQ(list.securities[2].lastDate, fileDate(1997, 1, 3));
    QuoteSeries series;
    ASSERT_EQ(initQuoteSeries(series, 10), kStatusOk);
    ASSERT_EQ(readQuoteSeries(series, tmp.path(), "six", 0, -1), kStatusOk);
    EXPECT_EQ((std::vector<float>{series.open[1], series.high[1], series.low[1], series.close[1], series.volume[1],
                                  series.openInterest[1]}),
              (std::vector<float>{21, 23, 20, 22, 600, -1}));
    ASSERT_EQ(readQuoteSeries(series, tmp.path(), "BARS", 0, -1), kStatusOk);
    EXPECT_EQ(series.time[0], packTime(9, 30, 0));
    EXPECT_EQ((std::vector<float>{series.open[0], series.high[0], series.volume[0]}), (std::vector<float>{5, 6, 70}));
    SecurityFacts facts;
    ASSERT_EQ(readSecurityFacts(tmp.path(), "IBM", facts), 0);
    EXPECT_EQ(facts.longName, "INTERNATIONAL BUSINESS MACHINES");
    EXPECT_EQ(facts.name, "IBM CORP        ");
    // Found by name as well, and never through MASTER's writers.
    const FoundSecurity found = findSecurity(tmp.path(), "intraday");
    EXPECT_EQ(found.security.fileNumber, 40000);
    EXPECT_FALSE(entryWriteProblem(found).empty());
}

// Damage in EMASTER or XMASTER is reported, never written over, and MASTER's securities are
// listed and read all the same.
TEST_F(BuiltFolder, DisagreeingEmasterOrXmasterIsReportedAndMasterStillWorks)
{
    const ByteVec sixRecord = xmasterEntry(six, 0x3F, 19970102, 19970103);
    const ByteVec barsRecord = xmasterEntry(bars, 0xBF, 20240102, 20240102);
    ByteVec noMarker = xmasterFile({sixRecord}, 301);
    setByte(noMarker, 0, 0);
    ByteVec shortCount = xmasterFile({sixRecord, barsRecord}, 40001);
    setU16(shortCount, 14, 1);
    EntrySpec low = six;
    low.fileNumber = 12;
    EntrySpec twin = bars;
    twin.fileNumber = 300;

    // The file, its bytes, a part of the one problem reported, and the securities listed. IBM
    // keeps its long name unless EMASTER is the damaged one.
    const ByteVec goodEmaster = readBytes(tmp.file("EMASTER"));
    ByteVec emasterTorn = goodEmaster;
    shrinkTo(emasterTorn, 192 * 2 + 100);
    const std::tuple<std::string, ByteVec, std::string, std::size_t> cases[] = {
        {"EMASTER",
         emasterFile({emasterEntry(ibm, "X", 0x7F), emasterEntry(gold, "", 0x7F), emasterEntry(gold, "", 0x7F)}),
         "EMASTER counts 3 securities where MASTER counts 2", 4},
        {"EMASTER", emasterFile({emasterEntry(gold, "", 0x7F), emasterEntry(ibm, "X", 0x7F)}),
         "EMASTER record 1 names file number 2", 4},
        {"EMASTER", emasterTorn, "EMASTER holds 1 of the 2 records", 4},
        {"EMASTER", concat({goodEmaster, ByteVec(7, 0)}), "EMASTER holds 7 bytes more", 4},
        {"XMASTER", concat({xmasterHeader(1, 40001), sixRecord, barsRecord}),
         "XMASTER holds 150 bytes more than the 1 records", 3},
        {"XMASTER", noMarker, "XMASTER does not begin with its marker", 2},
        {"XMASTER", shortCount, "XMASTER counts 2 records in one place and 1", 4},
        {"XMASTER", xmasterFile({xmasterEntry(low, 0x3F, 0, 0), barsRecord}, 40001), "below 256", 3},
        {"XMASTER", xmasterFile({sixRecord, xmasterEntry(twin, 0xBF, 0, 0)}, 40001), "repeats file number 300", 3},
        {"XMASTER", xmasterFile({sixRecord, barsRecord}, 39999), "next file number, 39999", 4},
    };
    const ByteVec goodXmaster = readBytes(tmp.file("XMASTER"));
    for (const auto& [file, bytes, problem, listed] : cases) {
        SCOPED_TRACE(problem);
        writeBytes(tmp.file("EMASTER"), goodEmaster);
        writeXmaster(goodXmaster);
        writeBytes(tmp.file(file), bytes);
        const auto before = snapshot(tmp.path());
        SecurityList list;
        ASSERT_TRUE(readSecurities(tmp.path(), list).isOk());
        ASSERT_EQ(list.problems.size(), 1u);
        EXPECT_NE(list.problems[0].find(problem), std::string::npos) << list.problems[0];
        EXPECT_EQ(list.securities.size(), listed);
        const std::string longName = file == "EMASTER" ? "IBM CORP" : "INTERNATIONAL BUSINESS MACHINES";
        EXPECT_EQ(list.securities[0].name, longName);
        EXPECT_EQ(findSecurity(tmp.path(), "IBM").security.name, longName);
        QuoteSeries series;
        ASSERT_EQ(initQuoteSeries(series, 10), kStatusOk);
        EXPECT_EQ(readQuoteSeries(series, tmp.path(), "GC", 0, -1), kStatusOk);
        EXPECT_EQ(series.count, 2);
        EXPECT_EQ(snapshot(tmp.path()), before);
    }
}

// The grid's rows reach every XMASTER security, with item data that holds its file number; its
// skip mark goes to SKIPQVTX.PBG, which leaves SKIPQVTA.PBG at 256 bytes; its assignment file
// is F<n>.PFL like any other.
TEST_F(BuiltFolder, XmasterRowsHaveSkipMarksOfTheirOwnAndAssignments)
{
    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_EQ(listing.rows.size(), 4u);
    EXPECT_TRUE(listing.messages.empty());
    EXPECT_EQ(listing.rows[0].shownName(), "INTERNATIONAL BUSINESS MACHINES");
    EXPECT_EQ(listing.rows[0].name, "IBM CORP        "); // what Symbol Edit starts from
    EXPECT_EQ(listing.rows[3].itemData(), std::int64_t{40000} * 65536 + 1);

    ASSERT_TRUE(setSymbolSkip(tmp.path(), "BARS", true).ok());
    ASSERT_TRUE(setSkipMark(tmp.path(), 300, true).ok());
    ByteVec high(40000 - 256 + 1, 0);
    high[300 - 256] = 1;
    high.back() = 1;
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTX.PBG")), high);
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTA.PBG")), concat({ByteVec{1}, ByteVec(255, 0)}));
    listing = listSymbols(tmp.path());
    EXPECT_TRUE(!listing.rows[1].skipped && listing.rows[2].skipped && listing.rows[3].skipped);
    ASSERT_TRUE(clearSkipMark(tmp.path(), 300).isOk());
    high[300 - 256] = 0;
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTX.PBG")), high);

    ASSERT_TRUE(adjustPortfolioSkip(tmp.path(), false).ok());
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTX.PBG")), ByteVec{});
    ASSERT_TRUE(adjustPortfolioSkip(tmp.path(), true).ok());
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTA.PBG")), concat({ByteVec{0, 1, 1}, ByteVec(253, 0)}));
    high[300 - 256] = 1;
    EXPECT_EQ(readBytes(tmp.file("SKIPQVTX.PBG")), high);

    TempDir startup;
    writeBytes(startup.file("Daily.pfd"), ByteVec(313, 0));
    ASSERT_TRUE(assignProfileToSymbol(startup.path(), tmp.path(), "SIX", "Daily").ok);
    EXPECT_EQ(readBytes(tmp.file("F300.PFL")), assignmentRecord("Daily"));
    const AssignmentResult all = assignProfileToAllSymbols(startup.path(), tmp.path(), "Daily");
    EXPECT_EQ(all.assigned, 4);
    EXPECT_EQ(readBytes(tmp.file("F40000.PFL")), assignmentRecord("Daily"));
}

} // namespace
} // namespace qv
