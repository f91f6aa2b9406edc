// Portfolios as other programs leave them: lower-case file names, nested portfolios, counts
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

TEST(CliForeignFiles, LowerCaseFileNamesAreFound) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "IBM", "IBM CORP", 7, fileDate(1997, 1, 2), fileDate(1997, 1, 2), 'D'},
                                 {quote7(1997, 1, 2, 1, 2, 0.5f, 1.5f, 100, 7)}}});
    std::filesystem::rename(dir.file("MASTER"), dir.file("master"));
    std::filesystem::rename(dir.file("F1.DAT"), dir.file("f1.dat"));
    std::filesystem::rename(dir.file("F1.DOP"), dir.file("f1.dop"));

    EXPECT_EQ(runInProcess({"list", dir.path()}).out, "1\tIBM\tIBM CORP\t970102\t970102\t7\tD\t0\n");
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "IBM"}).out, "01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t7\n");
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "IBM"}).out).at(10), "Date\tWhole Num.\tWhole Num.");
}

TEST(CliForeignFiles, NestedPortfolioIsSearchedThroughItsDirectoryEntry) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "IBM", "IBM CORP", 7, 0, 0, 'D'}, {}}},
                   {fixtures::masterDirectoryEntry(2, "SUB")});
    writePortfolio(dir.subdir("SUB"), {{EntrySpec{1, "XAU", "GOLD INDEX", 7, 0, 0, 'D'},
                                        {quote7(1998, 6, 30, 5, 6, 4, 5.5f, 10, 0)}}});

    EXPECT_EQ(runInProcess({"find", dir.path(), "xau"}).out, dir.path() + "/SUB\t1\tXAU\tGOLD INDEX\n");
    EXPECT_EQ(runInProcess({"quotes", dir.path(), "XAU"}).out, "06/30/98\t5.0000\t6.0000\t4.0000\t5.5000\t10\t0\n");
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "XAU"}).out).at(0), "Path:\t" + dir.path());
    EXPECT_EQ(runInProcess({"list", dir.path()}).out, "1\tIBM\tIBM CORP\t0\t0\t7\tD\t0\n")
        << "the directory entry is no security";
}

TEST(CliForeignFiles, CountsThatPromiseMoreThanTheFileHoldsAreNotTrusted) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "A", "A", 7, 0, 0, 'D'},
                                 {quote7(1997, 1, 2, 1, 1, 1, 1, 1, 1), quote7(1997, 1, 3, 2, 2, 2, 2, 2, 2)}},
                                {EntrySpec{2, "B", "B", 7, 0, 0, 'D'}, {}}});
    fixtures::ByteVec master = fixtures::readBytes(dir.file("MASTER"));
    fixtures::setU16(master, 0, 40);
    fixtures::writeBytes(dir.file("MASTER"), master);
    fixtures::ByteVec quotes = fixtures::readBytes(dir.file("F1.DAT"));
    fixtures::setU16(quotes, 2, 500);
    fixtures::writeBytes(dir.file("F1.DAT"), quotes);

    const CliRun listed = runInProcess({"list", dir.path()});
    EXPECT_EQ(listed.exitStatus, 0);
    EXPECT_EQ(lines(listed.out).size(), 2u);
    EXPECT_EQ(runInProcess({"find", dir.path(), "B"}).exitStatus, 0);
    const CliRun quoted = runInProcess({"quotes", dir.path(), "A"});
    EXPECT_EQ(quoted.exitStatus, 0) << quoted.err;
    EXPECT_EQ(lines(quoted.out).size(), 2u);
    EXPECT_EQ(lines(runInProcess({"facts", dir.path(), "A"}).out).at(4), "Number of quotes\t2");
}

TEST(CliForeignFiles, MasterCountAbove255AndDuplicateFileNumbersAreReported) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "A", "A", 7, 0, 0, 'D'}, {}}, {EntrySpec{1, "B", "B", 7, 0, 0, 'D'}, {}}});
    fixtures::ByteVec master = fixtures::readBytes(dir.file("MASTER"));
    fixtures::setU16(master, 0, 300);
    fixtures::writeBytes(dir.file("MASTER"), master);
    const CliRun listed = runInProcess({"list", dir.path()});
    EXPECT_EQ(listed.exitStatus, 0);
    EXPECT_EQ(listed.out, "1\tA\tA\t0\t0\t7\tD\t0\n");
    EXPECT_EQ(listed.err,
              "File has 300 symbols.\nWill only display the first 255 symbols\nYour master file is partially damaged\n");
}

TEST(CliForeignFiles, Windows1252AndControlBytesInNamesKeepOneRecordPerLine) {
    TempDir dir;
    writePortfolio(dir.path(), {{EntrySpec{1, "DAI", "\xC4KTIE\tA\nG \x80", 7, 0, 0, 'D'}, {}}});
    const CliRun listed = runInProcess({"list", dir.path()});
    EXPECT_EQ(listed.out, "1\tDAI\tÄKTIE A G €\t0\t0\t7\tD\t0\n");
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
            fixtures::ByteVec entry = fixtures::masterEntry(EntrySpec{1, "X", "X", 7, 0, 0, 'D'});
            fixtures::setByte(entry, 3, static_cast<std::uint8_t>(random()));
            fixtures::setByte(entry, 4, static_cast<std::uint8_t>(random()));
            fixtures::ByteVec master = fixtures::masterFile({entry});
            fixtures::setU16(master, 0, static_cast<std::uint16_t>(random()));
            fixtures::writeBytes(dir.file("MASTER"), master);
        }
        fixtures::writeBytes(dir.file("F1.DAT"), garbage(2000));
        if (round % 4 < 2) fixtures::writeBytes(dir.file("F1.DOP"), garbage(300));

        const std::vector<std::vector<std::string>> commandLines = {
            {"list", dir.path()},           {"find", dir.path(), "X"},         {"quotes", dir.path(), "X"},
            {"quotes", dir.path(), "X", "--recent"}, {"facts", dir.path(), "X"},
            {"locate", dir.path(), "X", "01/02/97"}, {"skip-all", dir.path(), "on"},
            {"add-symbol", dir.path(), "NEW"},       {"delete-symbol", dir.path(), "X"},
        };
        for (const auto& args : commandLines) {
            const CliRun run = runProgram(args);
            EXPECT_EQ(run.signal, 0) << "round " << round << ": " << args[0];
            EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << "round " << round << ": " << args[0];
        }
    }
}

} // namespace
} // namespace qv::cli::testing
