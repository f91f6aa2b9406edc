// The browsing commands on portfolios built byte by byte: exact records, exit status 1 with
// the program's status texts, and the quote grid's chunked, newest-first reading.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace qv::cli::testing {
namespace {

using fixtures::EntrySpec;
using fixtures::fileDate;
using fixtures::TempDir;

class CliBrowse : public ::testing::Test {
protected:
    void SetUp() override { fixtures::writeStandardPortfolio(dir.path()); }
    CliRun run(std::vector<std::string> args) { return runInProcess(args); }
    TempDir dir;
};

TEST_F(CliBrowse, ListPrintsOneRecordPerSecurityInFileOrder) {
    const CliRun listed = run({"list", dir.path()});
    EXPECT_EQ(listed.exitStatus, 0);
    EXPECT_EQ(listed.err, "");
    EXPECT_EQ(listed.out,
              "1\tIBM\tIBM CORP\t970102\t970115\t7\tD\t0\n"
              "2\tMSFT\tMICROSOFT CORP\t970102\t970108\t7\tD\t0\n"
              "4\tGC\tGOLD\t970102\t970113\t6\tD\t0\n");
}

TEST_F(CliBrowse, ListShowsCenturyDatesPeriodsAndSkipMarks) {
    TempDir other;
    writePortfolio(other.path(),
                   {{EntrySpec{3, "EUR", "EURO", 7, fileDate(1999, 12, 31), fileDate(2001, 3, 15), 'W'}, {}},
                    {EntrySpec{1, "DAX", "DAX INDEX", 5, fileDate(2005, 1, 3), fileDate(2005, 1, 3), 'D'}, {}, false}});
    ASSERT_EQ(run({"skip", other.path(), "DAX", "on"}).exitStatus, 0);
    EXPECT_EQ(run({"list", other.path()}).out,
              "3\tEUR\tEURO\t991231\t1010315\t7\tW\t0\n"
              "1\tDAX\tDAX INDEX\t1050103\t1050103\t5\tD\t1\n");
}

TEST_F(CliBrowse, ListOfADirectoryWithoutMasterFails) {
    TempDir empty;
    const CliRun listed = run({"list", empty.path()});
    EXPECT_EQ(listed.exitStatus, 1);
    EXPECT_EQ(listed.out, "");
    EXPECT_EQ(listed.err, "Failure while filling symbols grid\n");
}

TEST_F(CliBrowse, FindMatchesSymbolOrNameAndReportsTheStatusText) {
    const std::string expected = dir.path() + "\t1\tIBM\tIBM CORP\n";
    EXPECT_EQ(run({"find", dir.path(), "ibm"}).out, expected);
    EXPECT_EQ(run({"find", dir.path(), "IBM CORP"}).out, expected);
    EXPECT_EQ(run({"find", dir.path() + "/", "IBM"}).out, expected);

    const CliRun missing = run({"find", dir.path(), "AAPL"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "File Not Found\n");
    EXPECT_EQ(run({"find", dir.file("nowhere"), "IBM"}).err, "File Not Found\n");
}

TEST_F(CliBrowse, QuotesPrintsTheGridRowsNewestFirst) {
    const CliRun quotes = run({"quotes", dir.path(), "MSFT"});
    EXPECT_EQ(quotes.exitStatus, 0);
    EXPECT_EQ(quotes.out,
              "01/08/97\t81.0000\t83.0000\t80.0000\t81.5000\t5000\t54\n"
              "01/07/97\t80.7500\t82.7500\t79.7500\t81.2500\t4000\t53\n"
              "01/06/97\t80.5000\t82.5000\t79.5000\t81.0000\t3000\t52\n"
              "01/03/97\t80.2500\t82.2500\t79.2500\t80.7500\t2000\t51\n"
              "01/02/97\t80.0000\t82.0000\t79.0000\t80.5000\t1000\t50\n");
    // GC has six fields and no DOP file: no open interest column.
    EXPECT_EQ(lines(run({"quotes", dir.path(), "GC"}).out).at(0),
              "01/13/97\t361.7500\t363.7500\t360.7500\t362.2500\t8000\tN/A");
}

TEST_F(CliBrowse, QuotesPrintsNegativeValuesAsNotAvailable) {
    TempDir other;
    writePortfolio(other.path(), {{EntrySpec{1, "X", "X", 7, 0, 0, 'D'},
                                   {quote7(2004, 2, 27, -1, 12.5f, 11, 12, 0, -1)}}});
    EXPECT_EQ(run({"quotes", other.path(), "X"}).out, "02/27/04\tN/A\t12.5000\t11.0000\t12.0000\t0\tN/A\n");
}

TEST_F(CliBrowse, QuotesOfAnEmptyOrUnknownSecurity) {
    ASSERT_EQ(run({"add-symbol", dir.path(), "NEW"}).exitStatus, 0);
    const CliRun empty = run({"quotes", dir.path(), "NEW", "--recent"});
    EXPECT_EQ(empty.exitStatus, 0);
    EXPECT_EQ(empty.out + empty.err, "");

    const CliRun unknown = run({"quotes", dir.path(), "AAPL"});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_EQ(unknown.err, "File Not Found\n");
}

// 1000 quotes: read as chunks of 400, 400 and 200, newest chunk first; every row must come
// out once, in strictly descending order, whatever the chunk boundaries.
TEST_F(CliBrowse, AllQuotesComeOutInOrderAcrossChunks) {
    constexpr int kQuotes = 1000;
    std::vector<fixtures::QuoteRow> rows;
    std::vector<std::string> dates;
    for (int i = 0; i < kQuotes; ++i) {
        const int year = 1990 + i / 336, month = (i % 336) / 28 + 1, day = i % 28 + 1;
        const auto value = static_cast<float>(i);
        rows.push_back(quote7(year, month, day, value, value + 1, value, value + 0.5f, value * 10, 0));
        char text[16];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d", month, day, year % 100);
        dates.push_back(text);
    }
    TempDir other;
    writePortfolio(other.path(), {{EntrySpec{1, "BIG", "BIG", 7, 0, 0, 'D'}, rows}});

    const CliRun all = run({"quotes", other.path(), "BIG"});
    ASSERT_EQ(all.exitStatus, 0) << all.err;
    const std::vector<std::string> printed = lines(all.out);
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(kQuotes));
    for (int row = 0; row < kQuotes; ++row) {
        const int quote = kQuotes - 1 - row;
        const std::vector<std::string> f = fields(printed[static_cast<std::size_t>(row)]);
        ASSERT_EQ(f.size(), 7u);
        ASSERT_EQ(f[0], dates[static_cast<std::size_t>(quote)]) << "row " << row;
        ASSERT_EQ(f[1], std::to_string(quote) + ".0000") << "row " << row;
    }

    const std::vector<std::string> recent = lines(run({"quotes", other.path(), "BIG", "--recent"}).out);
    ASSERT_EQ(recent.size(), 30u);
    EXPECT_EQ(std::vector<std::string>(printed.begin(), printed.begin() + 30), recent);
}

TEST_F(CliBrowse, FactsPrintsTheAboutDialog) {
    const CliRun facts = run({"facts", dir.path(), "IBM"});
    EXPECT_EQ(facts.exitStatus, 0);
    EXPECT_EQ(facts.out, "Path:\t" + dir.path() +
                             "\n"
                             "File number\t1\n"
                             "DAT file record length\t28\n"
                             "DAT file number of fields\t7\n"
                             "Number of quotes\t10\n"
                             "Name of issue\tIBM CORP\n"
                             "First date in file\t970102\n"
                             "Last date in file\t970115\n"
                             "Data format\tD Daily\n"
                             "Symbol\tIBM\n"
                             "Date\tWhole Num.\tWhole Num.\n"
                             "Time\t\t\n"
                             "Open\t10,000ths\t10,000ths\n"
                             "High\t10,000ths\t10,000ths\n"
                             "Low\t10,000ths\t10,000ths\n"
                             "Close\t10,000ths\t10,000ths\n"
                             "Vol\t10,000ths\t10,000ths\n"
                             "OI\t10,000ths\t10,000ths\n");
    // Without a DOP file the layout is derived from the record length, all codes 0.
    const std::vector<std::string> synthetic = lines(run({"facts", dir.path(), "GC"}).out);
    ASSERT_EQ(synthetic.size(), 18u);
    EXPECT_EQ(synthetic[4], "Number of quotes\t8");
    EXPECT_EQ(synthetic[12], "Open\tWhole Num.\tWhole Num.");
    EXPECT_EQ(synthetic[17], "OI\t\t");

    const CliRun unknown = run({"facts", dir.path(), "AAPL"});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "File Not Found\n");
}

TEST_F(CliBrowse, LocateGivesTheFirstQuoteAtOrAfterTheDate) {
    TempDir other;
    writePortfolio(other.path(), {{EntrySpec{1, "X", "X", 7, 0, 0, 'D'},
                                   {quote7(1997, 1, 10, 1, 1, 1, 1, 1, 1), quote7(1997, 1, 20, 2, 2, 2, 2, 2, 2),
                                    quote7(1997, 1, 30, 3, 3, 3, 3, 3, 3), quote7(1997, 2, 9, 4, 4, 4, 4, 4, 4)}}});
    EXPECT_EQ(run({"locate", other.path(), "X", "01/25/97"}).out, "2\n");
    EXPECT_EQ(run({"locate", other.path(), "X", "01/05/97"}).out, "0\n");
    EXPECT_EQ(run({"locate", other.path(), "X", "02/09/97"}).out, "3\n");
    const CliRun after = run({"locate", other.path(), "X", "02/14/97"});
    EXPECT_EQ(after.exitStatus, 1);
    EXPECT_EQ(after.out, "");
    EXPECT_EQ(after.err, "Record Not Found\n");
    EXPECT_EQ(run({"locate", other.path(), "Y", "02/14/97"}).err, "File Not Found\n");
}

TEST(CliSearch, PrintsPortfoliosInListOrderAndHonoursTheLimit) {
    TempDir root;
    fixtures::writeBytes(root.file("MASTER"), fixtures::masterFile({}));
    fixtures::writeBytes(root.subdir("data") + "/MASTER", fixtures::masterFile({}));
    fixtures::writeBytes(root.subdir("data/deep") + "/MASTER", fixtures::masterFile({}));
    fixtures::writeBytes(root.subdir("other") + "/master", fixtures::masterFile({}));
    root.subdir("empty/MASTER"); // a directory named MASTER makes no portfolio

    const CliRun limited = runInProcess({"search", root.path(), "--limit", "DATA"});
    EXPECT_EQ(limited.exitStatus, 0);
    // Found root, data, data/deep; the list shows them the other way round.
    EXPECT_EQ(limited.out, root.path() + "/data/deep\n" + root.path() + "/data\n" + root.path() + "\n");

    const std::vector<std::string> all = lines(runInProcess({"search", root.path()}).out);
    EXPECT_EQ(all.size(), 4u);
    EXPECT_EQ(all.back(), root.path());
}

TEST(CliSearch, NothingFoundIsReportedButNoFailure) {
    TempDir root;
    root.subdir("empty");
    const CliRun none = runInProcess({"search", root.path()});
    EXPECT_EQ(none.exitStatus, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Quovanta could not find any Portfolios on drive " + root.path() +
                            "\n(No \"master\" files were found)\n");

    const CliRun missing = runInProcess({"search", root.file("gone")});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.err, root.file("gone") + ": no such directory\n");
}

} // namespace
} // namespace qv::cli::testing
