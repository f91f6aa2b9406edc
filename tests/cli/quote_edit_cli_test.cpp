// The quote edits end to end: the quote grid before and after, the program's messages on
// standard error with exit status 1, and the record written to the settings file.

#include "cli_harness.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class QuoteEditCli : public ::testing::Test {
protected:
    void SetUp() override {
        Security xyz;
        xyz.entry.fileNumber = 1;
        xyz.entry.symbol = "XYZ";
        xyz.entry.name = "XYZ INC";
        xyz.quotes = {quote7(1997, 3, 13, 40, 42, 39, 41, 1000, 30), quote7(1997, 3, 14, 41, 43, 40, 42.5f, 1500, 31),
                      quote7(1997, 3, 17, 22, 23, 21, 22.25f, 2500, 60)};
        xyz.entry.firstDate = xyz.quotes.front()[0];
        xyz.entry.lastDate = xyz.quotes.back()[0];
        writePortfolio(dir.path(), {xyz});
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
    const CliRun split = run({"split", dir.path(), "xyz", "03/17/97", "2", "1"});
    EXPECT_EQ(split.exitStatus, 0) << split.err;
    EXPECT_EQ(split.out + split.err, "");
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
    ASSERT_EQ(run({"adjust", dir.path(), "XYZ", "03/14/97", "03/17/97", "1", "2", "0.5"}).exitStatus, 0);
    ASSERT_EQ(run({"edit-quote", dir.path(), "XYZ", "03/13/97", "1.5", "2", "1", "1.75", "N/A", "9"}).exitStatus, 0);
    EXPECT_EQ(grid(), (std::vector<std::string>{
                          "03/17/97\t22.0000\t23.0000\t21.0000\t22.2500\t5000\t30",
                          "03/14/97\t41.0000\t43.0000\t40.0000\t42.5000\t3000\t16",
                          "03/13/97\t1.5000\t2.0000\t1.0000\t1.7500\t1000\t9",
                      }));
    EXPECT_EQ(setting("Adjust", "VolMult"), "2");
    EXPECT_EQ(setting("Edit", "Vol"), "N/A");

    ASSERT_EQ(run({"delete-quote", dir.path(), "XYZ", "03/17/97"}).exitStatus, 0);
    EXPECT_EQ(grid().size(), 2u);
    EXPECT_EQ(fields(lines(run({"list", dir.path()}).out).at(0)).at(4), "970314") << "MASTER's last date follows";
    EXPECT_EQ(setting("Delete", "Date"), "03/17/97");
}

TEST_F(QuoteEditCli, RefusalsShowTheProgramsMessagesAndTouchNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string d = dir.path();
    const std::vector<Case> cases = {
        {{"split", d, "XYZ", "03/17/1997", "2", "1"}, "Invalid Data Entered\n"},
        {{"split", d, "XYZ", "03/18/97", "2", "1"}, "Invalid Data Entered\n"},
        {{"split", d, "XYZ", "03/17/97", "0", "1"}, "Invalid Data Entered\n"},
        {{"adjust", d, "XYZ", "03/13/97", "03/17/97", "1", "x", "1"}, "Invalid Data Entered\n"},
        {{"edit-quote", d, "XYZ", "03/13/97", "1", "2", "abc", "4", "5", "6"}, "Invalid Data Entered\n"},
        {{"edit-quote", d, "XYZ", "03/15/97", "1", "2", "3", "4", "5", "6"}, "Single Date Edit Failed\n"},
        {{"delete-quote", d, "XYZ", "03/15/97"}, "Failure in delete quote for findrec\nDelete Edit Failed\n"},
        {{"delete-quote", d, "NOPE", "03/14/97"}, "Delete Edit Failed\n"},
        {{"split", d, "NOPE", "03/14/97", "2", "1"}, "Split Edit Failed\n"},
    };
    const auto datBefore = fixtures::readBytes(dir.file("F1.DAT"));
    const auto masterBefore = fixtures::readBytes(dir.file("MASTER"));
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitStatus, 1) << c.args[0] << " " << c.args[2];
        EXPECT_EQ(r.err, c.err) << c.args[0] << " " << c.args[2];
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(fixtures::readBytes(dir.file("F1.DAT")), datBefore);
    EXPECT_EQ(fixtures::readBytes(dir.file("MASTER")), masterBefore);
    EXPECT_FALSE(std::filesystem::exists(ini())) << "nothing is recorded for a refused command";
}

TEST_F(QuoteEditCli, WrongArgumentCountsAreUsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"split", dir.path(), "XYZ", "03/17/97", "2"},
                                               {"adjust", dir.path(), "XYZ", "03/13/97", "03/17/97", "1", "1"},
                                               {"edit-quote", dir.path(), "XYZ", "03/13/97", "1", "2", "3", "4", "5"},
                                               {"delete-quote", dir.path(), "XYZ", "03/13/97", "extra"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.exitStatus, 2) << args[0];
        EXPECT_NE(r.err.find("Usage: quovanta-cli [--ini FILE] [--startup-dir DIR] " + args[0] + " DIR SYMBOL "),
                  std::string::npos)
            << r.err;
    }
}

} // namespace
} // namespace qv::cli::testing
