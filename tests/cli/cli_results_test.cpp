// What scripts rely on: an exit status that tells whether the command did what it was asked,
// and a message that names the user's file and the cause when it did not.

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/platform/settings_file.h"
#include "core/update/update_test_support.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliResults : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path()); // 1 IBM, 2 MSFT (7 fields), 4 GC (6 fields, no OI)
    }
    void TearDown() override {
        setTodayOverride(std::nullopt);
        faults::reset();
    }
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--startup-dir", startup.path(), "--ini", ini});
        return runInProcess(args);
    }
    TempDir dir;
    TempDir startup;
    const std::string ini = startup.file("q.ini");
};

// A portfolio passed over fails the run, though the others are updated and reported.
TEST_F(CliResults, UpdateFailsWhenAPortfolioIsPassedOver) {
    updatetest::ProfileSpec profile;
    profile.updatePath = startup.subdir("Updates");
    updatetest::writeProfile(startup.path(), "Daily", profile);
    updatetest::assignProfile(dir.path(), 1, "Daily");
    const std::string missing = startup.file("Gone"), masterIsDir = startup.subdir("Odd"), emptyMaster = startup.subdir("E");
    startup.subdir("Odd/MASTER");
    fixtures::writeBytes(emptyMaster + "/MASTER", {});

    const struct {
        std::vector<std::string> portfolios;
        int status;
        std::vector<std::string> named; // portfolios the standard error must name as passed over
    } cases[] = {
        {{dir.path()}, 0, {}},
        {{missing, dir.path()}, 1, {missing}},
        {{dir.path(), masterIsDir, emptyMaster}, 1, {masterIsDir, emptyMaster}},
    };
    for (const auto& c : cases) {
        fixtures::writeStandardPortfolio(dir.path());
        fixtures::writeText(profile.updatePath + "/D.TXT", "IBM,970116,101,103,99,102,5000,60\n");
        std::vector<std::string> args{"update"};
        args.insert(args.end(), c.portfolios.begin(), c.portfolios.end());
        const CliRun r = run(args);
        SCOPED_TRACE(r.err);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(lines(r.out).front(), "1") << "the portfolios that could be updated are";
        for (const std::string& p : c.named)
            EXPECT_NE(r.err.find("MASTER at " + p + " could not be "), std::string::npos) << p;
        EXPECT_EQ(r.err.find("passed over") != std::string::npos, !c.named.empty());
    }
}

// A quote edit that could change only fields the file does not have fails and writes nothing,
// not even the record of the edit; one that also changes a field the file has goes through.
TEST_F(CliResults, QuoteEditsThatWouldChangeNothingFail) {
    const std::string gc = dir.file("F4.DAT");
    const struct {
        std::vector<std::string> args;
        std::string err; // empty: succeeds
    } cases[] = {
        {{"adjust", dir.path(), "GC", "01/02/97", "01/13/97", "1", "1", "2"},
         "Adjust Edit Failed\n" + gc + " has no open interest field; nothing was changed.\n"},
        // The dialog edits a row of the grid: a date without a quote is refused, not rewritten.
        {{"edit-quote", dir.path(), "MSFT", "01/04/97", "1", "2", "3", "4", "5", "6"},
         "Single Date Edit Failed\nThere is no quote of 01/04/97 for MSFT in " + dir.path() + ".\n"},
        {{"split", dir.path(), "MSFT", "01/06/97", "0", "1"}, "Invalid Data Entered\n"},
        {{"adjust", dir.path(), "GC", "01/02/97", "01/13/97", "2", "1", "2"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[2]);
        const auto before = fixtures::snapshot(dir.path());
        const CliRun r = run(c.args);
        EXPECT_EQ(r, c.err.empty() ? ended(0, "") : failed(c.err));
        EXPECT_EQ(fixtures::snapshot(dir.path()) == before, !c.err.empty());
        EXPECT_EQ(std::filesystem::exists(ini), c.err.empty()) << "an edit is recorded only when made";
        EXPECT_EQ(SettingsFile(ini).getString("Adjust", "PriceMult", ""), c.err.empty() ? "2" : "");
    }
}

// Whatever write fails first, the command fails with a message that names the cause and a file
// the user knows, never a temporary name the program writes through.
TEST_F(CliResults, AFailedWriteIsReportedWithTheUsersFileAndTheCause) {
    fixtures::writeText(startup.file("in.txt"), "01/02/97,1,2,0.5,1.5,100,5\n");
    const std::vector<std::vector<std::string>> commands = {
        {"create-portfolio", startup.file("NewPort")},
        {"add-symbol", dir.path(), "SIE"},
        {"delete-symbol", dir.path(), "MSFT"},
        {"edit-symbol", dir.path(), "IBM", "BIGB"},
        {"skip", dir.path(), "GC", "on"},
        {"skip-all", dir.path(), "on"},
        {"edit-quote", dir.path(), "MSFT", "01/03/97", "1", "2", "3", "4", "5", "6"},
        {"split", dir.path(), "MSFT", "01/06/97", "2", "1"},
        {"adjust", dir.path(), "MSFT", "01/02/97", "01/08/97", "2", "1", "1"},
        {"delete-quote", dir.path(), "MSFT", "01/03/97"},
        {"export", dir.path(), "MSFT", startup.file("out.txt")},
        {"import", startup.file("in.txt"), dir.path(), "--symbol", "NEW"},
        {"profile", "write", "Vendor", "path=" + dir.path()},
        {"assign", dir.path(), "IBM", "MyFirstProfile"},
    };
    for (const auto& args : commands) {
        fixtures::writeStandardPortfolio(dir.path());
        run({"profile", "list"}); // writes the sample profile once, outside the failure
        const CliRun r = [&] { faults::ScopedFailure failure(faults::Op::Write, 1); return run(args); }();
        SCOPED_TRACE(args[0] + "\n" + r.err);
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_NE(r.err.find(": Input/output error"), std::string::npos);
        EXPECT_TRUE(r.err.find(".~") == std::string::npos && r.err.find(".NEW") == std::string::npos);
    }
}

} // namespace
} // namespace qv::cli::testing
