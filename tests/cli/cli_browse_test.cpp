// The browsing commands on portfolios built byte by byte: exact records, exit status 1 with
// the program's status texts, and the quote grid's chunked, newest-first reading. Then
// portfolios as other programs leave them: lower-case file names, nested portfolios, counts
// that promise more than the file holds, foreign bytes in names, and plain garbage, which must
// end in status 0 or 1 and never in a crash. (A missing DOP file: GC of the standard portfolio.)

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace qv::cli::testing {
namespace {

using fixtures::EntrySpec;
using fixtures::fileDate;
using fixtures::TempDir;

class CliBrowse : public ::testing::Test {
protected:
    void SetUp() override { fixtures::writeStandardPortfolio(dir.path()); }
    TempDir dir;
    TempDir other;
};

TEST_F(CliBrowse, ListPrintsOneRecordPerSecurityInFileOrder) {
    EXPECT_EQ(runInProcess({"list", dir.path()}), ended(0, "1\tIBM\tIBM CORP\t970102\t970115\t7\tD\t0\n"
                                                         "2\tMSFT\tMICROSOFT CORP\t970102\t970108\t7\tD\t0\n"
                                                         "4\tGC\tGOLD\t970102\t970113\t6\tD\t0\n"));
    // Century dates, other periods and skip marks.
    writePortfolio(other.path(),
                   {{EntrySpec{3, "EUR", "EURO", 7, fileDate(1999, 12, 31), fileDate(2001, 3, 15), 'W'}, {}},
                    {EntrySpec{1, "DAX", "DAX INDEX", 5, fileDate(2005, 1, 3), fileDate(2005, 1, 3), 'D'}, {}, false}});
    ASSERT_EQ(runInProcess({"skip", other.path(), "DAX", "on"}).exitStatus, 0);
    EXPECT_EQ(runInProcess({"list", other.path()}).out, "3\tEUR\tEURO\t991231\t1010315\t7\tW\t0\n"
                                                        "1\tDAX\tDAX INDEX\t1050103\t1050103\t5\tD\t1\n");
    EXPECT_EQ(runInProcess({"list", dir.file("nowhere")}), failed("Failure while filling symbols grid\n"));
}

TEST_F(CliBrowse, FindMatchesSymbolOrNameAndReportsTheStatusText) {
    const CliRun found = ended(0, dir.path() + "\t1\tIBM\tIBM CORP\n");
    EXPECT_EQ(runInProcess({"find", dir.path(), "ibm"}), found);
    EXPECT_EQ(runInProcess({"find", dir.path(), "IBM CORP"}), found);
    EXPECT_EQ(runInProcess({"find", dir.path() + "/", "IBM"}), found);
    EXPECT_EQ(runInProcess({"find", dir.path(), "AAPL"}), failed("File Not Found\n"));
    EXPECT_EQ(runInProcess({"find", dir.file("nowhere"), "IBM"}), failed("File Not Found\n"));
}

TEST_F(CliBrowse, QuotesPrintsTheGridRowsNewestFirst) {
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "MSFT"}),
              ended(0, "01/08/97\t81.0000\t83.0000\t80.0000\t81.5000\t5000\t54\n"
                       "01/07/97\t80.7500\t82.7500\t79.7500\t81.2500\t4000\t53\n"
                       "01/06/97\t80.5000\t82.5000\t79.5000\t81.0000\t3000\t52\n"
                       "01/03/97\t80.2500\t82.2500\t79.2500\t80.7500\t2000\t51\n"
                       "01/02/97\t80.0000\t82.0000\t79.0000\t80.5000\t1000\t50\n"));
    // GC has six fields and no DOP file: no open interest column.
    EXPECT_EQ(lines(runInProcess({"quotes", dir.path(), "GC"}).out).at(0),
              "01/13/97\t361.7500\t363.7500\t360.7500\t362.2500\t8000\tN/A");
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "AAPL"}), failed("File Not Found\n"));
    ASSERT_EQ(runInProcess({"add-symbol", dir.path(), "NEW"}).exitStatus, 0);
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "NEW", "--recent"}), ended(0, ""));

    writePortfolio(other.path(), {{EntrySpec{1, "X", "X"}, {quote7(2004, 2, 27, -1, 12.5f, 11, 12, 0, -1)}}});
    EXPECT_EQ(runInProcess({"quotes", other.path(), "X"}).out, "02/27/04\tN/A\t12.5000\t11.0000\t12.0000\t0\tN/A\n");
}

// 1000 quotes: read as chunks of 400, 400 and 200, newest chunk first; every row must come
// out once, newest first, whatever the chunk boundaries (each quote's open is its index).
TEST_F(CliBrowse, AllQuotesComeOutInOrderAcrossChunks) {
    constexpr int kQuotes = 1000;
    std::vector<fixtures::QuoteRow> rows;
    for (int i = 0; i < kQuotes; ++i) {
        const auto value = static_cast<float>(i);
        rows.push_back(quote7(1990 + i / 336, (i % 336) / 28 + 1, i % 28 + 1, value, value + 1, value, value, 0, 0));
    }
    writePortfolio(other.path(), {{EntrySpec{1, "BIG", "BIG"}, rows}});

    const CliRun all = runInProcess({"quotes", other.path(), "BIG"});
    ASSERT_EQ(all.exitStatus, 0) << all.err;
    const std::vector<std::string> printed = lines(all.out);
    ASSERT_EQ(printed.size(), static_cast<std::size_t>(kQuotes));
    for (int row = 0; row < kQuotes; ++row) {
        const std::vector<std::string> f = fields(printed[static_cast<std::size_t>(row)]);
        ASSERT_EQ(f.size(), 7u);
        ASSERT_EQ(f[1], std::to_string(kQuotes - 1 - row) + ".0000") << "row " << row;
    }
    const std::vector<std::string> recent = lines(runInProcess({"quotes", other.path(), "BIG", "--recent"}).out);
    EXPECT_EQ(std::vector<std::string>(printed.begin(), printed.begin() + 30), recent);
}

TEST_F(CliBrowse, FactsPrintsTheAboutDialog) {
    EXPECT_EQ(runInProcess({"facts", dir.path(), "IBM"}),
              ended(0, "Path:\t" + dir.path() + "\nFile number\t1\nDAT file record length\t28\n"
                       "DAT file number of fields\t7\nNumber of quotes\t10\nName of issue\tIBM CORP\n"
                       "First date in file\t970102\nLast date in file\t970115\nData format\tD Daily\nSymbol\tIBM\n"
                       "Date\tWhole Num.\tWhole Num.\nTime\t\t\nOpen\t10,000ths\t10,000ths\n"
                       "High\t10,000ths\t10,000ths\nLow\t10,000ths\t10,000ths\nClose\t10,000ths\t10,000ths\n"
                       "Vol\t10,000ths\t10,000ths\nOI\t10,000ths\t10,000ths\n"));
    // Without a DOP file the layout is derived from the record length, all codes 0.
    const std::vector<std::string> synthetic = lines(runInProcess({"facts", dir.path(), "GC"}).out);
    ASSERT_EQ(synthetic.size(), 18u);
    EXPECT_EQ(synthetic[4], "Number of quotes\t8");
    EXPECT_EQ(synthetic[12], "Open\tWhole Num.\tWhole Num.");
    EXPECT_EQ(synthetic[17], "OI\t\t");
    EXPECT_EQ(runInProcess({"facts", dir.path(), "AAPL"}), failed("File Not Found\n"));
}

TEST_F(CliBrowse, LocateGivesTheFirstQuoteAtOrAfterTheDate) {
    writePortfolio(other.path(), {{EntrySpec{1, "X", "X"},
                                   {quote7(1997, 1, 10, 1, 1, 1, 1, 1, 1), quote7(1997, 1, 20, 2, 2, 2, 2, 2, 2),
                                    quote7(1997, 1, 30, 3, 3, 3, 3, 3, 3), quote7(1997, 2, 9, 4, 4, 4, 4, 4, 4)}}});
    for (const auto& [date, index] : std::vector<std::pair<std::string, std::string>>{
             {"01/25/97", "2\n"}, {"01/05/97", "0\n"}, {"02/09/97", "3\n"}}) {
        EXPECT_EQ(runInProcess({"locate", other.path(), "X", date}), ended(0, index)) << date;
    }
    EXPECT_EQ(runInProcess({"locate", other.path(), "X", "02/14/97"}), failed("Record Not Found\n"));
    EXPECT_EQ(runInProcess({"locate", other.path(), "Y", "02/14/97"}), failed("File Not Found\n"));
}

TEST(CliSearch, PrintsPortfoliosInListOrderHonoursTheLimitAndReportsNothingFound) {
    TempDir root;
    for (const std::string sub : {"", "data", "data/deep", "other"}) {
        fixtures::writeBytes(root.subdir(sub) + (sub == "other" ? "/master" : "/MASTER"), fixtures::masterFile({}));
    }
    // Found root, data, data/deep; the list shows them the other way round.
    EXPECT_EQ(runInProcess({"search", root.path(), "--limit", "DATA"}),
              ended(0, root.path() + "/data/deep\n" + root.path() + "/data\n" + root.path() + "\n"));
    const std::vector<std::string> all = lines(runInProcess({"search", root.path()}).out);
    EXPECT_EQ(all.size(), 4u);
    EXPECT_EQ(all.back(), root.path());

    const std::string empty = root.subdir("empty");
    EXPECT_EQ(runInProcess({"search", empty}),
              ended(0, "", "Quovanta could not find any Portfolios on drive " + empty +
                               "\n(No \"master\" files were found)\n"));
    EXPECT_EQ(runInProcess({"search", root.file("gone")}), failed(root.file("gone") + ": no such directory\n"));
}

void patchU16(const std::string& path, std::size_t offset, std::uint16_t value) {
    fixtures::ByteVec bytes = fixtures::readBytes(path);
    fixtures::setU16(bytes, offset, value);
    fixtures::writeBytes(path, bytes);
}

TEST(CliForeignFiles, LowerCaseFileNamesAndNestedPortfoliosAreFound) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "IBM", "IBM CORP"}, {quote7(1997, 1, 2, 1, 2, 0.5f, 1.5f, 100, 7)}}},
                   {fixtures::masterDirectoryEntry(2, "SUB")});
    for (const auto& [from, to] : {std::pair{"MASTER", "master"}, {"F1.DAT", "f1.dat"}, {"F1.DOP", "f1.dop"}}) {
        std::filesystem::rename(dir.file(from), dir.file(to));
    }
    writePortfolio(dir.subdir("SUB"),
                   {{EntrySpec{1, "XAU", "GOLD INDEX"}, {quote7(1998, 6, 30, 5, 6, 4, 5.5f, 10, 0)}}});

    EXPECT_EQ(runInProcess({"list", dir.path()}), ended(0, "1\tIBM\tIBM CORP\t0\t0\t7\tD\t0\n"))
        << "the directory entry is no security";
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "IBM"}).out, "01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t7\n");
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "IBM"}).out).at(10), "Date\tWhole Num.\tWhole Num.");
    EXPECT_EQ(runInProcess({"find", dir.path(), "xau"}).out, dir.path() + "/SUB\t1\tXAU\tGOLD INDEX\n");
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "XAU"}).out, "06/30/98\t5.0000\t6.0000\t4.0000\t5.5000\t10\t0\n");
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "XAU"}).out).at(0), "Path:\t" + dir.path());
}

// The quote grid counts first and then reads in chunks: a count the file cannot back must not
// turn into a failed read.
TEST(CliForeignFiles, CountsThatPromiseMoreThanTheFileHoldsAreNotTrusted) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "A", "A"},
                                 {quote7(1997, 1, 2, 1, 1, 1, 1, 1, 1), quote7(1997, 1, 3, 2, 2, 2, 2, 2, 2)}},
                                {EntrySpec{2, "B", "B"}, {}}});
    patchU16(dir.file("MASTER"), 0, 40);
    patchU16(dir.file("F1.DAT"), 2, 500);
    EXPECT_EQ(lines(runInProcess({"list", dir.path()}).out).size(), 2u);
    EXPECT_EQ(runInProcess({"find", dir.path(), "B"}).exitStatus, 0);
    const CliRun quoted = runInProcess({"quotes", dir.path(), "A"});
    EXPECT_EQ(quoted.exitStatus, 0) << quoted.err;
    EXPECT_EQ(lines(quoted.out).size(), 2u);
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "A"}).out).at(4), "Number of quotes\t2");
}

TEST(CliForeignFiles, MasterCountAbove255AndDuplicateFileNumbersAreReported) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "A", "A"}, {}}, {EntrySpec{1, "B", "B"}, {}}});
    patchU16(dir.file("MASTER"), 0, 300);
    EXPECT_EQ(runInProcess({"list", dir.path()}),
              ended(0, "1\tA\tA\t0\t0\t7\tD\t0\n", "File has 300 symbols.\nWill only display the first 255 symbols\n"
                                                      "Your master file is partially damaged\n"));
}

TEST(CliForeignFiles, Windows1252AndControlBytesInNamesKeepOneRecordPerLine) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "DAI", "\xC4KTIE\tA\nG \x80"}, {}}});
    EXPECT_EQ(runInProcess({"list", dir.path()}).out, "1\tDAI\tÄKTIE A G €\t0\t0\t7\tD\t0\n");
    EXPECT_EQ(runInProcess({"find", dir.path(), "DAI"}).out, dir.path() + "\t1\tDAI\tÄKTIE A G €\n");
}

// Random bytes where MASTER, F1.DAT and F1.DOP should be, run through the real program.
TEST(CliForeignFiles, GarbageNeverCrashesTheProgram) {
    std::mt19937 random(20240611);
    const auto garbage = [&](std::size_t maxSize) {
        fixtures::ByteVec bytes(random() % (maxSize + 1));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        return bytes;
    };
    for (int round = 0; round < 16; ++round) {
        TempDir dir;
        if (round % 2 == 0) {
            fixtures::writeBytes(dir.file("MASTER"), garbage(600));
        } else {
            // A plausible entry for X with a random layout, so the quote readers get their turn.
            fixtures::ByteVec entry = fixtures::masterEntry(EntrySpec{1, "X", "X"});
            fixtures::setByte(entry, 3, static_cast<std::uint8_t>(random()));
            fixtures::setByte(entry, 4, static_cast<std::uint8_t>(random()));
            fixtures::ByteVec master = fixtures::masterFile({entry});
            fixtures::setU16(master, 0, static_cast<std::uint16_t>(random()));
            fixtures::writeBytes(dir.file("MASTER"), master);
        }
        fixtures::writeBytes(dir.file("F1.DAT"), garbage(2000));
        if (round % 4 < 2) fixtures::writeBytes(dir.file("F1.DOP"), garbage(300));
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"list", dir.path()}, {"find", dir.path(), "X"}, {"quotes", dir.path(), "X"},
                 {"quotes", dir.path(), "X", "--recent"}, {"facts", dir.path(), "X"},
                 {"locate", dir.path(), "X", "01/02/97"}, {"skip-all", dir.path(), "on"},
                 {"add-symbol", dir.path(), "NEW"}, {"delete-symbol", dir.path(), "X"}}) {
            const CliRun run = runProgram(args);
            EXPECT_EQ(run.signal, 0) << "round " << round << ": " << args[0];
            EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << "round " << round << ": " << args[0];
        }
    }
}

} // namespace
} // namespace qv::cli::testing
