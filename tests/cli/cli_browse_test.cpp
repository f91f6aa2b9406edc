// The browsing commands on the standard portfolio (1 IBM, 2 MSFT, 4 GC: six fields, no DOP file): one
// check of each output format, and exit status 1 with the program's status text.

#include "cli_harness.h"
#include "core/platform/files.h"
#include "fixtures/portfolio_builder.h"
#include "fixtures/read_only_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliBrowse : public ::testing::Test {
protected:
    void SetUp() override { fixtures::writeStandardPortfolio(dir.path()); }
    TempDir dir;
};

TEST_F(CliBrowse, ListFindQuotesLocate)
{
    EXPECT_EQ(runInProcess({"list", dir.path()}), ended(0, "1\tIBM\tIBM CORP\t970102\t970115\t7\tD\t0\n"
                                                           "2\tMSFT\tMICROSOFT CORP\t970102\t970108\t7\tD\t0\n"
                                                           "4\tGC\tGOLD\t970102\t970113\t6\tD\t0\n"));
    EXPECT_EQ(runInProcess({"find", dir.path(), "ibm corp"}), ended(0, dir.path() + "\t1\tIBM\tIBM CORP\n"));
    EXPECT_EQ(runInProcess({"find", dir.path(), "AAPL"}), failed("File Not Found\n"));
    const CliRun quotes = runInProcess({"quotes", dir.path(), "MSFT"}); // newest first: CliQuotes
    EXPECT_TRUE(quotes.exitStatus == 0 && lines(quotes.out).size() == 5u);
    EXPECT_EQ(lines(quotes.out).at(0), "01/08/97\t81.0000\t83.0000\t80.0000\t81.5000\t5000\t54");
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01/04/97"}), ended(0, "2\n"));
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01/16/97"}), failed("Record Not Found\n"));
}

TEST_F(CliBrowse, FactsPrintsTheAboutDialog)
{
    EXPECT_EQ(runInProcess({"facts", dir.path(), "IBM"}),
              ended(0, "Path:\t" + dir.path() +
                           "\nFile number\t1\nDAT file record length\t28\n"
                           "DAT file number of fields\t7\nNumber of quotes\t10\nName of issue\tIBM CORP\n"
                           "First date in file\t970102\nLast date in file\t970115\nData format\tD Daily\nSymbol\tIBM\n"
                           "Date\tWhole Num.\tWhole Num.\nTime\t\t\nOpen\t10,000ths\t10,000ths\n"
                           "High\t10,000ths\t10,000ths\nLow\t10,000ths\t10,000ths\nClose\t10,000ths\t10,000ths\n"
                           "Vol\t10,000ths\t10,000ths\nOI\t10,000ths\t10,000ths\n"));
    // Worded as the About dialog words it, with the reason below.
    EXPECT_EQ(runInProcess({"facts", dir.path(), "AAPL"}),
              failed("The facts of AAPL could not be read.\nFile Not Found\n"));
}

// A real folder: XMASTER's securities (file numbers from 256 on) are listed after MASTER's; its damage
// goes to standard error and fails nothing. (Their quotes are CliDumpRealFolders'.)
TEST(CliModernFolder, ListReachesXmasterSecuritiesAndTellsItsDamage)
{
    TempDir dir;
    for (const auto& e : std::filesystem::directory_iterator(fixtures::realFolder("msdir_equis_b")))
        std::filesystem::copy_file(e.path(), dir.file(e.path().filename().string()));
    fixtures::ByteVec xmaster = fixtures::readBytes(dir.file("XMASTER"));
    fixtures::setU16(xmaster, 10, 3); // counts a record it does not hold
    fixtures::setU16(xmaster, 14, 3);
    fixtures::writeBytes(dir.file("XMASTER"), xmaster);
    const CliRun damaged = runInProcess({"list", dir.path()});
    EXPECT_TRUE(damaged.exitStatus == 0 && lines(damaged.out).size() == 4u);
    EXPECT_EQ(lines(damaged.out).at(3), "2853\t.N225\tNIKKEI 225 INDEX\t820104\t1111227\t7\tD\t0");
    EXPECT_EQ(damaged.err, "Your master file is partially damaged\nXMASTER holds 2 of the 3 records it counts.\n");
    EXPECT_EQ(fixtures::readBytes(dir.file("XMASTER")), xmaster);
}

// The command reads 1000 quotes in chunks of 400, newest chunk first: every row comes out once,
// newest first (each quote's open is its index). A count the file cannot back is no failed read.
TEST(CliQuotes, AllQuotesComeOutInOrderAcrossChunksAndCountsAreNotTrusted)
{
    std::vector<fixtures::QuoteRow> rows;
    for (int i = 0; i < 1000; ++i)
        rows.push_back({fixtures::fileDate(1990 + i / 336, i % 336 / 28 + 1, i % 28 + 1), float(i), 0, 0, 0, 0, 0});
    TempDir dir;
    fixtures::writeSingleSecurity(dir.path(), rows);
    const std::vector<std::string> printed = lines(runInProcess({"quotes", dir.path(), "ABC"}).out);
    ASSERT_EQ(printed.size(), rows.size());
    for (std::size_t row = 0; row < printed.size(); ++row)
        ASSERT_EQ(printed[row].find('\t' + std::to_string(999 - row) + ".0000\t"), 8u) << row;
    EXPECT_EQ(lines(runInProcess({"quotes", dir.path(), "ABC", "--recent"}).out),
              std::vector<std::string>(printed.begin(), printed.begin() + 30));

    fixtures::ByteVec dat = fixtures::readBytes(dir.file("F1.DAT"));
    fixtures::setU16(dat, 2, 1500);
    fixtures::writeBytes(dir.file("F1.DAT"), dat);
    EXPECT_EQ(lines(runInProcess({"quotes", dir.path(), "ABC"}).out), printed);
}

// Quotes from 1928 and around the eve of 1961 (day 0): shown with their century where two digits
// would name another year, and located by either form of date. A MASTER date that is no date is
// listed as stored.
TEST(CliEarlyDates, QuotesBefore1961AreShownAndLocated)
{
    TempDir dir;
    fixtures::writeBytes(dir.file("MASTER"),
                         fixtures::masterFile({fixtures::masterEntry({1, "ABC", "ABC", 7, 281001, 610101}),
                                               fixtures::masterEntry({2, "BAD", "BAD", 7, -8770, -8770})}));
    fixtures::writeBytes(dir.file("F1.DAT"), fixtures::quoteFile(7, {{281001, 1, 2, 1, 2, 10, 0},
                                                                     {601231, 3, 4, 3, 4, 30, 0},
                                                                     {610101, 5, 6, 5, 6, 50, 0}}));
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "ABC"}),
              ended(0, "01/01/61\t5.0000\t6.0000\t5.0000\t6.0000\t50\t0\n"
                       "12/31/60\t3.0000\t4.0000\t3.0000\t4.0000\t30\t0\n"
                       "1928-10-01\t1.0000\t2.0000\t1.0000\t2.0000\t10\t0\n"));
    for (const auto& [date, index] : {std::pair{"1928-10-02", "1\n"}, {"12/31/60", "1\n"}, {"1961-01-01", "2\n"}})
        EXPECT_EQ(runInProcess({"locate", dir.path(), "ABC", date}), ended(0, index)) << date;
    EXPECT_EQ(lines(runInProcess({"list", dir.path()}).out).at(1), "2\tBAD\tBAD\t-8770\t-8770\t7\tD\t0");

    // A year written with its century is that year, also before 1960 (it was read as 2028).
    fixtures::writeText(dir.file("dj.txt"), "19281001,1,2,1,2,10\n19600104,3,4,3,4,30\n");
    ASSERT_EQ(runInProcess({"import", dir.file("dj.txt"), dir.subdir("P"), "--symbol", "DJ", "--new-master",
                            "--date-format", "CCYYMMDD", "--oi", "0"})
                  .exitStatus,
              0);
    EXPECT_EQ(runInProcess({"quotes", dir.file("P"), "DJ"}),
              ended(0, "01/04/60\t3.0000\t4.0000\t3.0000\t4.0000\t30\tN/A\n"
                       "1928-10-01\t1.0000\t2.0000\t1.0000\t2.0000\t10\tN/A\n"));
}

// Names from other programs hold Windows-1252 and control bytes: shown as UTF-8, and still one
// record per line.
TEST(CliForeignFiles, NamesKeepOneRecordPerLine)
{
    TempDir dir;
    fixtures::writeBytes(dir.file("MASTER"),
                         fixtures::masterFile({fixtures::masterEntry({1, "DAI", "\xC4KTIE\tA\nG \x80"})}));
    EXPECT_EQ(runInProcess({"list", dir.path()}).out, "1\tDAI\tÄKTIE A G €\t0\t0\t7\tD\t0\n");
}

TEST(CliSearch, PrintsPortfoliosInListOrderUnderTheLimit)
{
    TempDir root;
    for (const std::string sub : {"", "data", "data/deep", "other"})
        fixtures::writeBytes(root.subdir(sub) + "/MASTER", fixtures::masterFile({}));
    EXPECT_EQ(runInProcess({"search", root.path(), "--limit", "DATA"}),
              ended(0, root.path() + "/data/deep\n" + root.path() + "/data\n" + root.path() + "\n"));
    EXPECT_EQ(runInProcess({"search", root.file("gone")}), failed(root.file("gone") + ": no such directory\n"));
}

// A portfolio on a folder that refuses writes: `list` prints every security with mark 0, says once why
// and succeeds; a command that would write fails with that reason. (The update run passing it over is
// ReadOnlyPortfolio's, its exit status CliResults'.)
TEST(CliReadOnlyFolder, ListShowsNoMarksAndSaysOnceWritesFail)
{
    fixtures::TempDir dir, writable; // listing `writable` makes its skip list; `dir` must have none
    for (const fixtures::TempDir* d : {&dir, &writable})
        fixtures::writeStandardPortfolio(d->path());
    const std::string listed = runInProcess({"list", writable.path()}).out;
    const auto before = fixtures::snapshot(dir.path());
    fixtures::ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.active())
        GTEST_SKIP() << "no read-only folder can be made here: " << readOnly.reason();
    const std::string notice = readOnlyFolderMessage(dir.path());
    EXPECT_EQ(runProgram({"list", dir.path()}), ended(0, listed, notice + "\n"));
    EXPECT_EQ(runInProcess({"skip", dir.path(), "IBM", "on"}), failed(notice + "\n"));
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

} // namespace
} // namespace qv::cli::testing
