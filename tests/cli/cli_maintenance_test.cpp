// The maintenance commands end to end: what they print, the files they leave, the program's
// own refusal messages with exit status 1, and for the quote edits the record written to the
// settings file.

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::fileDate;
using fixtures::TempDir;

class CliMaintenance : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path()); // 1 IBM, 2 MSFT, 4 GC
    }
    void TearDown() override { setTodayOverride(std::nullopt); }
    CliRun run(const std::vector<std::string>& args) { return runInProcess(args); }
    std::vector<std::string> listed() { return lines(run({"list", dir.path()}).out); }
    bool exists(const std::string& name) { return std::filesystem::exists(dir.file(name)); }
    TempDir dir;
};

TEST_F(CliMaintenance, RefusalsShowTheProgramsMessagesAndTouchNothing) {
    const std::string d = dir.path();
    const std::string notFound = "The symbol AAPL was not found in this portfolio.\n";
    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"create-portfolio", d},
              "This directory already holds a portfolio (a MASTER file).\nIt was left unchanged.\n"},
             {{"add-symbol", d, "ibm"}, "Duplicate Symbol failure\n"},
             {{"add-symbol", d, "GOLD"}, "Duplicate Symbol failure\n"}, // a name counts too
             {{"add-symbol", d, "   "}, "You did not enter a symbol\n"},
             {{"edit-symbol", d, "IBM", ""}, "You must enter a symbol\n"},
             {{"edit-symbol", d, "AAPL", "X"}, notFound},
             {{"delete-symbol", d, "AAPL"}, notFound},
             {{"skip", d, "AAPL", "on"}, notFound}}) {
        const auto before = fixtures::snapshot(d);
        EXPECT_EQ(run(args), failed(message)) << args[0] << " " << args.back();
        EXPECT_EQ(fixtures::snapshot(d), before) << args[0] << " " << args.back();
    }

    TempDir full;
    fixtures::writeBytes(full.file("MASTER"), fixtures::masterHeader(255, 255));
    EXPECT_EQ(run({"add-symbol", full.path(), "X"}),
              failed("This portfolio already has the\nmaximum number of symbols (255).\n"
                     "Choose a different or new portfolio.\n"));
    EXPECT_EQ(fixtures::readBytes(full.file("MASTER")), fixtures::masterHeader(255, 255));
}

TEST_F(CliMaintenance, CreatePortfolioMakesTheDirectoryAndAnEmptyMaster) {
    EXPECT_EQ(run({"create-portfolio", dir.file("new")}), ended(0, ""));
    EXPECT_EQ(fixtures::readBytes(dir.file("new/MASTER")), fixtures::ByteVec(53, 0));
}

TEST_F(CliMaintenance, AddSymbolPrintsTheLowestFreeFileNumber) {
    EXPECT_EQ(run({"add-symbol", dir.path(), "aapl", "Apple"}), ended(0, "3\n"));
    EXPECT_EQ(listed().back(), "3\tAAPL\tApple\t1050315\t1050315\t7\tD\t0");
    EXPECT_TRUE(exists("F3.DAT") && exists("F3.DOP"));
    // Without a name the symbol is the name.
    EXPECT_EQ(run({"add-symbol", dir.path(), "T"}), ended(0, "5\n"));
    EXPECT_EQ(listed().back(), "5\tT\tT\t1050315\t1050315\t7\tD\t0");
}

TEST_F(CliMaintenance, NamesAreStoredAsWindows1252AndShownAsUtf8) {
    ASSERT_EQ(run({"add-symbol", dir.path(), "SIE", "Müller €"}).exitStatus, 0);
    const fixtures::ByteVec master = fixtures::readBytes(dir.file("MASTER"));
    const std::size_t name = 4 * 53 + 7; // the fourth entry's name field
    ASSERT_GE(master.size(), name + 16);
    EXPECT_EQ(std::string(master.begin() + name, master.begin() + name + 16), "M\xFCller \x80        ");
    EXPECT_EQ(fields(listed().back()).at(2), "Müller €");
    EXPECT_EQ(run({"find", dir.path(), "Müller €"}).exitStatus, 0) << "the key is converted too";
}

TEST_F(CliMaintenance, DeleteSymbolRemovesEntryAndFiles) {
    EXPECT_EQ(run({"delete-symbol", dir.path(), "MSFT"}), ended(0, ""));
    EXPECT_EQ(listed().size(), 2u);
    EXPECT_FALSE(exists("F2.DAT") || exists("F2.DOP"));
}

TEST_F(CliMaintenance, EditSymbolKeepsTheNameUnlessOneIsGiven) {
    ASSERT_EQ(run({"skip", dir.path(), "IBM", "on"}).exitStatus, 0);
    EXPECT_EQ(run({"edit-symbol", dir.path(), "IBM", "BIGB"}), ended(0, ""));
    EXPECT_EQ(listed().at(0), "1\tBIGB\tIBM CORP\t970102\t970115\t7\tD\t1");
    EXPECT_EQ(run({"edit-symbol", dir.path(), "BIGB", "IBM", "Big Blue"}), ended(0, ""));
    EXPECT_EQ(listed().at(0), "1\tIBM\tBig Blue\t970102\t970115\t7\tD\t1");
}

TEST_F(CliMaintenance, SkipMarksOneSecurityOrAll) {
    const auto marks = [&] {
        std::string text;
        for (const std::string& line : listed()) text += fields(line).at(7);
        return text;
    };
    for (const auto& [args, expected] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"skip", dir.path(), "gc", "on"}, "001"}, {{"skip-all", dir.path(), "on"}, "111"},
             {{"skip", dir.path(), "MSFT", "off"}, "101"}, {{"skip-all", dir.path(), "off"}, "000"}}) {
        EXPECT_EQ(run(args), ended(0, "")) << args[0] << " " << args.back();
        EXPECT_EQ(marks(), expected) << args[0] << " " << args.back();
    }
    EXPECT_EQ(fixtures::readBytes(dir.file("SKIPQVTA.PBG")), fixtures::ByteVec(256, 0));
}

class QuoteEditCli : public ::testing::Test {
protected:
    void SetUp() override {
        writePortfolio(dir.path(), {{{1, "XYZ", "XYZ INC", 7, fileDate(1997, 3, 13), fileDate(1997, 3, 17)},
                                     {quote7(1997, 3, 13, 40, 42, 39, 41, 1000, 30),
                                      quote7(1997, 3, 14, 41, 43, 40, 42.5f, 1500, 31),
                                      quote7(1997, 3, 17, 22, 23, 21, 22.25f, 2500, 60)}}});
    }
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", ini()});
        return runInProcess(args);
    }
    std::vector<std::string> grid() { return lines(run({"quotes", dir.path(), "XYZ"}).out); }
    std::string ini() const { return dir.file("q.ini"); }
    std::string setting(const char* section, const char* key) {
        return SettingsFile(ini()).getString(section, key, "(none)");
    }
    TempDir dir;
};

TEST_F(QuoteEditCli, SplitScalesTheQuotesBeforeItsDateAndIsRecorded) {
    EXPECT_EQ(run({"split", dir.path(), "xyz", "03/17/97", "2", "1"}), ended(0, ""));
    EXPECT_EQ(grid(), (std::vector<std::string>{
                          "03/17/97\t22.0000\t23.0000\t21.0000\t22.2500\t2500\t60",
                          "03/14/97\t20.5000\t21.5000\t20.0000\t21.2500\t3000\t62",
                          "03/13/97\t20.0000\t21.0000\t19.5000\t20.5000\t2000\t60",
                      }));
    EXPECT_EQ(setting("Split", "Date"), "03/17/97");
    EXPECT_EQ(setting("Split", "New"), "2");
    EXPECT_TRUE(std::filesystem::exists(dir.file("F1.BAK")));
}

TEST_F(QuoteEditCli, AdjustEditAndDeleteChangeWhatTheyName) {
    EXPECT_EQ(run({"adjust", dir.path(), "XYZ", "03/14/97", "03/17/97", "1", "2", "0.5"}), ended(0, ""));
    EXPECT_EQ(run({"edit-quote", dir.path(), "XYZ", "03/13/97", "1.5", "2", "1", "1.75", "N/A", "9"}), ended(0, ""));
    EXPECT_EQ(grid(), (std::vector<std::string>{
                          "03/17/97\t22.0000\t23.0000\t21.0000\t22.2500\t5000\t30",
                          "03/14/97\t41.0000\t43.0000\t40.0000\t42.5000\t3000\t16",
                          "03/13/97\t1.5000\t2.0000\t1.0000\t1.7500\t1000\t9",
                      }));
    EXPECT_EQ(setting("Adjust", "VolMult"), "2");
    EXPECT_EQ(setting("Edit", "Vol"), "N/A");

    EXPECT_EQ(run({"delete-quote", dir.path(), "XYZ", "03/17/97"}), ended(0, ""));
    EXPECT_EQ(grid().size(), 2u);
    EXPECT_EQ(fields(lines(run({"list", dir.path()}).out).at(0)).at(4), "970314") << "MASTER's last date follows";
    EXPECT_EQ(setting("Delete", "Date"), "03/17/97");
}

TEST_F(QuoteEditCli, RefusalsShowTheProgramsMessagesAndTouchNothing) {
    const std::string d = dir.path();
    const std::string invalid = "Invalid Data Entered\n";
    const auto dat = fixtures::readBytes(dir.file("F1.DAT"));
    const auto master = fixtures::readBytes(dir.file("MASTER"));
    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"split", d, "XYZ", "03/17/1997", "2", "1"}, invalid},
             {{"split", d, "XYZ", "03/18/97", "2", "1"}, invalid},
             {{"split", d, "XYZ", "03/17/97", "0", "1"}, invalid},
             {{"adjust", d, "XYZ", "03/13/97", "03/17/97", "1", "x", "1"}, invalid},
             {{"edit-quote", d, "XYZ", "03/13/97", "1", "2", "abc", "4", "5", "6"}, invalid},
             {{"edit-quote", d, "XYZ", "03/15/97", "1", "2", "3", "4", "5", "6"}, "Single Date Edit Failed\n"},
             {{"delete-quote", d, "XYZ", "03/15/97"}, "Failure in delete quote for findrec\nDelete Edit Failed\n"},
             {{"delete-quote", d, "NOPE", "03/14/97"}, "Delete Edit Failed\n"},
             {{"split", d, "NOPE", "03/14/97", "2", "1"}, "Split Edit Failed\n"}}) {
        EXPECT_EQ(run(args), failed(message)) << args[0] << " " << args[2];
    }
    EXPECT_EQ(fixtures::readBytes(dir.file("F1.DAT")), dat);
    EXPECT_EQ(fixtures::readBytes(dir.file("MASTER")), master);
    EXPECT_FALSE(std::filesystem::exists(ini())) << "nothing is recorded for a refused command";
}

// A security whose quotes start on 1997-03-03, one a day, closes as given and bars 2% either side.
Security security(int fileNumber, const std::string& symbol, const std::vector<float>& closes) {
    Security s{{fileNumber, symbol, symbol + " CORP", 7}, {}};
    for (std::size_t k = 0; k < closes.size(); ++k) {
        const float c = closes[k];
        s.quotes.push_back(quote7(1997, 3, 3 + static_cast<int>(k), c, c * 1.02f, c * 0.98f, c, 1000, 0));
    }
    return s;
}

TEST(SplitSearchCli, PrintsCandidatesInPortfolioOrderSaysWhenThereIsNoneAndFailsOnAReadError) {
    TempDir found;
    writePortfolio(found.path(), {security(3, "IBM", {40, 40, 20, 20, 60}), security(1, "MSFT", {10, 10, 10}),
                                  security(2, "T", {12, 12, 18})});
    EXPECT_EQ(runInProcess({"split-search", found.path()}),
              ended(0, "IBM possible 2 for 1 split on 03/05/97\nIBM possible 1 for 3 split on 03/07/97\n"
                       "T possible 2 for 3 split on 03/05/97\n"));

    TempDir none;
    writePortfolio(none.path(), {security(1, "FLAT", {10, 10.5f, 10, 9.5f}), security(2, "ONE", {10})});
    EXPECT_EQ(runProgram({"split-search", none.path()}),
              ended(0, "", "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.\n"
                           "No candidate splits found\n"));

    TempDir broken;
    writePortfolio(broken.path(), {security(1, "A", {10, 20}), security(2, "B", {10, 20})});
    fixtures::writeBytes(broken.file("F2.DAT"), {});
    EXPECT_EQ(runInProcess({"split-search", broken.path()}),
              ended(1, "A possible 1 for 2 split on 03/04/97\n", "Error in SplitSearch bars read\n"));
    EXPECT_EQ(runInProcess({"split-search", broken.file("nowhere")}), failed("Failure while filling symbols grid\n"));
}

} // namespace
} // namespace qv::cli::testing
