// The commands end to end on the standard portfolio (1 IBM, 2 MSFT with 7 fields, 4 GC with 6, no OI):
// what they print and write, and what scripts rely on: an exit status that tells whether the command did
// what it was asked, and a message that names the user's file and the cause when it did not.

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/platform/settings_file.h"
#include "core/update/update_test_support.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliResults : public ::testing::Test {
protected:
    void SetUp() override
    {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path());
    }
    void TearDown() override
    {
        setTodayOverride(std::nullopt);
        faults::reset();
    }
    CliRun run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--startup-dir", startup.path(), "--ini", ini});
        return runInProcess(args);
    }
    std::vector<std::string> listed() { return lines(run({"list", dir.path()}).out); }
    TempDir dir;
    TempDir startup;
    const std::string ini = startup.file("q.ini");
};
class CliMaintenance : public CliResults {};
class CliFiles : public CliResults {};

TEST_F(CliMaintenance, SymbolCommands)
{
    EXPECT_EQ(run({"create-portfolio", dir.file("new")}), ended(0, ""));
    EXPECT_TRUE(std::filesystem::exists(dir.file("new/MASTER")));
    EXPECT_EQ(run({"add-symbol", dir.path(), "ibm"}), failed("Duplicate Symbol failure\n"));

    // Names are stored as Windows-1252 and shown as UTF-8 (UTF-8 bytes would show as two letters).
    EXPECT_EQ(run({"add-symbol", dir.path(), "sie", "Müller €"}), ended(0, "3\n"));
    EXPECT_EQ(listed().back(), "3\tSIE\tMüller €\t1050315\t1050315\t7\tD\t0");
    EXPECT_EQ(run({"edit-symbol", dir.path(), "IBM", "BIGB"}), ended(0, ""));
    EXPECT_EQ(run({"skip", dir.path(), "gc", "on"}), ended(0, ""));
    EXPECT_EQ(run({"delete-symbol", dir.path(), "MSFT"}), ended(0, ""));
    EXPECT_EQ(listed(), (std::vector<std::string>{"1\tBIGB\tIBM CORP\t970102\t970115\t7\tD\t0",
                                                  "4\tGC\tGOLD\t970102\t970113\t6\tD\t1",
                                                  "3\tSIE\tMüller €\t1050315\t1050315\t7\tD\t0"}));
    EXPECT_EQ(run({"skip-all", dir.path(), "on"}), ended(0, ""));
    for (const std::string& line : listed())
        EXPECT_TRUE(line.ends_with("\t1")) << line;
}

// A split of MSFT on 01/06/97, which the split search then finds; each edit is recorded in the settings.
TEST_F(CliMaintenance, QuoteEditsAndSplitSearch)
{
    EXPECT_EQ(run({"split-search", dir.path()}), ended(0, "", "No candidate splits found\n"));
    EXPECT_EQ(run({"split", dir.path(), "msft", "01/06/97", "2", "1"}), ended(0, ""));
    EXPECT_EQ(SettingsFile(ini).getString("Split", "Date", ""), "01/06/97");
    EXPECT_EQ(run({"split-search", dir.path()}), ended(0, "MSFT possible 1 for 2 split on 01/06/97\n"));
    EXPECT_EQ(run({"adjust", dir.path(), "MSFT", "01/07/97", "01/08/97", "1", "2", "2"}), ended(0, ""));
    EXPECT_EQ(run({"edit-quote", dir.path(), "MSFT", "01/02/97", "1.5", "2", "1", "1.75", "N/A", "9"}), ended(0, ""));
    EXPECT_EQ(run({"delete-quote", dir.path(), "MSFT", "01/06/97"}), ended(0, ""));
    EXPECT_EQ(run({"quotes", dir.path(), "MSFT"}).out, "01/08/97\t81.0000\t83.0000\t80.0000\t81.5000\t10000\t108\n"
                                                       "01/07/97\t80.7500\t82.7500\t79.7500\t81.2500\t8000\t106\n"
                                                       "01/03/97\t40.1250\t41.1250\t39.6250\t40.3750\t4000\t102\n"
                                                       "01/02/97\t1.5000\t2.0000\t1.0000\t1.7500\t2000\t9\n");
}

TEST_F(CliFiles, ProfilesAndAssign)
{
    EXPECT_EQ(run({"profile", "list"}), ended(0, "MyFirstProfile\n"));
    EXPECT_EQ(run({"profile", "write", "Vendor", "path=" + dir.path(), "high=9", "dateformat=ddmmccyy",
                   "delimiter=space", "priorday=on"}),
              ended(0, ""));
    EXPECT_EQ(run({"profile", "show", "vendor"}),
              ended(0, "path\t" + dir.path() +
                           "\nsymbol\t1\ndate\t2\nopen\t3\nhigh\t9\nlow\t5\nclose\t6\nvolume\t7\n"
                           "oi\t8\npriorday\t1\ndateformat\tDDMMCCYY\ndelimiter\tspace\n"));
    EXPECT_EQ(run({"profile", "write", "Other", "path=" + dir.path(), "close=2"}),
              failed("Duplicate columns specified\nCorrect or disable\n"));
    EXPECT_EQ(run({"assign", dir.path(), "msft", "VENDOR"}), ended(0, ""));
    EXPECT_EQ(fixtures::readBytes(dir.file("F2.PFL")), fixtures::assignmentRecord("Vendor"));
    EXPECT_EQ(run({"assign", dir.path(), "--all", "MyFirstProfile"}), ended(0, ""));
    EXPECT_EQ(fixtures::readBytes(dir.file("F4.PFL")), fixtures::assignmentRecord("MyFirstProfile"));
    EXPECT_EQ(run({"assign", dir.path(), "IBM", "Weekly"}), failed("Error creating Profile for symbol\n"));
}

// Options not given take the dialog's defaults, never the saved settings, which stay as they were.
TEST_F(CliFiles, ImportTakesTheDialogDefaultsOrTheOptionsGiven)
{
    const std::string saved = "[Convert]\nDateFormat=YYMMDD\nDelimiter=2\nOpenOn=0\n";
    fixtures::writeText(ini, saved);
    fixtures::writeText(startup.file("a.txt"), "010297,1,2,0.5,1.5,100,5\n010397,1.5,2.5,1,2,200,6\n");
    EXPECT_EQ(run({"import", startup.file("a.txt"), dir.path(), "--symbol", "new", "--name", "New One"}),
              ended(0, "3\t2\n"));
    EXPECT_EQ(run({"quotes", dir.path(), "NEW"}).out,
              "01/03/97\t1.5000\t2.5000\t1.0000\t2.0000\t200\t6\n01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t5\n");
    EXPECT_EQ(fileText(ini), saved);
    EXPECT_EQ(run({"import", startup.file("a.txt"), dir.path(), "--symbol", "msft"}),
              failed("Duplicate Symbol Failure\nConversion failed.\n"));

    fixtures::writeText(startup.file("b.txt"), "Date Close Vol\n97/01/02   7.5 900\n97/01/03 8 1000\n");
    const std::string fresh = startup.subdir("fresh");
    std::vector<std::string> args{"import", startup.file("b.txt"), fresh, "--symbol", "x", "--new-master"};
    std::istringstream options("--date-format YY_MM_DD --delimiter space --skip 1 --close 2 --volume 3 --open 0 "
                               "--high 0 --low 0 --oi 0");
    for (std::string word; options >> word;)
        args.push_back(word);
    EXPECT_EQ(run(args), ended(0, "1\t2\n"));
    EXPECT_EQ(run({"list", fresh}).out, "1\tX\t\t970102\t970103\t3\tD\t0\n");
    EXPECT_EQ(run({"quotes", fresh, "X"}).out,
              "01/03/97\tN/A\tN/A\tN/A\t8.0000\t1000\tN/A\n01/02/97\tN/A\tN/A\tN/A\t7.5000\t900\tN/A\n");
}

TEST_F(CliFiles, ExportWritesTheChosenColumns)
{
    const std::string out = startup.file("out.txt");
    // The defaults: every column, blanks, oldest first, no title row.
    EXPECT_EQ(run({"export", dir.path(), "MSFT", out}), ended(0, "5\n"));
    EXPECT_TRUE(fileText(out).starts_with("01/02/97 80.0000 82.0000 79.0000 80.5000 1000.00 50.00\r\n"));
    EXPECT_EQ(run({"export", dir.path(), "GC", out, "--columns", "close,oi", "--delimiter", "comma", "--title",
                   "--newest-first"}),
              ended(0, "8\n"));
    EXPECT_TRUE(fileText(out).starts_with("DATE,CLOSE,OI\r\n01/13/97,362.2500,N/A\r\n")) << fileText(out);
    EXPECT_FALSE(std::filesystem::exists(ini)) << "no settings written";
    EXPECT_EQ(run({"export", dir.path(), "NOPE", out}), failed("The symbol NOPE was not found in this portfolio.\n"));
}

// A portfolio passed over fails the run, though the others are updated and reported.
TEST_F(CliResults, UpdateFailsWhenAPortfolioIsPassedOver)
{
    updatetest::ProfileSpec profile;
    profile.updatePath = startup.subdir("Updates");
    updatetest::writeProfile(startup.path(), "Daily", profile);
    updatetest::assignProfile(dir.path(), 1, "Daily");
    const std::string missing = startup.file("Gone"), masterIsDir = startup.subdir("Odd"),
                      emptyMaster = startup.subdir("E");
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
    // A quote that could not be stored (its file is a directory) fails the run in the window's words.
    fixtures::writeStandardPortfolio(dir.path());
    std::filesystem::remove(dir.file("F1.DAT"));
    std::filesystem::create_directory(dir.file("F1.DAT"));
    const CliRun r = run({"update", dir.path()});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.err.find("General quote import problem"), std::string::npos) << r.err;
}

// A quote edit that could change only fields the file does not have fails and writes nothing,
// not even the record of the edit; one that also changes a field the file has goes through.
TEST_F(CliResults, QuoteEditsThatWouldChangeNothingFail)
{
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
TEST_F(CliResults, AFailedWriteIsReportedWithTheUsersFileAndTheCause)
{
    fixtures::writeText(startup.file("in.txt"), "01/02/97,1,2,0.5,1.5,100,5\n");
    const std::vector<std::vector<std::string>> commands = {
        {"create-portfolio", startup.file("NewPort")},
        {"add-symbol", dir.path(), "SIE"},
        {"delete-symbol", dir.path(), "MSFT"},
        {"edit-symbol", dir.path(), "IBM", "BIGB"},
        {"skip", dir.path(), "GC", "on"},
        {"edit-quote", dir.path(), "MSFT", "01/03/97", "1", "2", "3", "4", "5", "6"},
        {"delete-quote", dir.path(), "MSFT", "01/03/97"},
        {"export", dir.path(), "MSFT", startup.file("out.txt")},
        {"import", startup.file("in.txt"), dir.path(), "--symbol", "NEW"},
        {"profile", "write", "Vendor", "path=" + dir.path()},
        {"assign", dir.path(), "IBM", "MyFirstProfile"},
    };
    for (const auto& args : commands) {
        fixtures::writeStandardPortfolio(dir.path());
        run({"profile", "list"}); // writes the sample profile once, outside the failure
        const CliRun r = [&] {
            faults::ScopedFailure failure(faults::Op::Write, 1);
            return run(args);
        }();
        SCOPED_TRACE(args[0] + "\n" + r.err);
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_NE(r.err.find(": Input/output error"), std::string::npos);
        EXPECT_TRUE(r.err.find(".~") == std::string::npos && r.err.find(".NEW") == std::string::npos);
    }
}

} // namespace
} // namespace qv::cli::testing
