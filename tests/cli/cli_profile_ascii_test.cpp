// The profile, assign, import and export commands end to end, each with one refusal (exit status 1).

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path()); // 1 IBM, 2 MSFT, 4 GC (six fields)
    }
    void TearDown() override { setTodayOverride(std::nullopt); }
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--startup-dir", startup.path(), "--ini", startup.file("q.ini")});
        return runInProcess(args);
    }
    TempDir dir;
    TempDir startup;
};

TEST_F(CliFiles, ProfilesAndAssign) {
    EXPECT_EQ(run({"profile", "list"}), ended(0, "MyFirstProfile\n"));
    EXPECT_EQ(run({"profile", "write", "Vendor", "path=" + dir.path(), "high=9", "dateformat=ddmmccyy",
                   "delimiter=space", "priorday=on"}),
              ended(0, ""));
    EXPECT_EQ(run({"profile", "show", "vendor"}),
              ended(0, "path\t" + dir.path() + "\nsymbol\t1\ndate\t2\nopen\t3\nhigh\t9\nlow\t5\nclose\t6\nvolume\t7\n"
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
TEST_F(CliFiles, ImportTakesTheDialogDefaultsOrTheOptionsGiven) {
    const std::string saved = "[Convert]\nDateFormat=YYMMDD\nDelimiter=2\nOpenOn=0\n";
    fixtures::writeText(startup.file("q.ini"), saved);
    fixtures::writeText(startup.file("a.txt"), "010297,1,2,0.5,1.5,100,5\n010397,1.5,2.5,1,2,200,6\n");
    EXPECT_EQ(run({"import", startup.file("a.txt"), dir.path(), "--symbol", "new", "--name", "New One"}),
              ended(0, "3\t2\n"));
    EXPECT_EQ(run({"quotes", dir.path(), "NEW"}).out,
              "01/03/97\t1.5000\t2.5000\t1.0000\t2.0000\t200\t6\n01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t5\n");
    EXPECT_EQ(fileText(startup.file("q.ini")), saved);
    EXPECT_EQ(run({"import", startup.file("a.txt"), dir.path(), "--symbol", "msft"}),
              failed("Duplicate Symbol Failure\nConversion failed.\n"));

    fixtures::writeText(startup.file("b.txt"), "Date Close Vol\n97/01/02   7.5 900\n97/01/03 8 1000\n");
    const std::string fresh = startup.subdir("fresh");
    EXPECT_EQ(run({"import", startup.file("b.txt"), fresh, "--symbol", "x", "--new-master", "--date-format",
                   "YY_MM_DD", "--delimiter", "space", "--skip", "1", "--close", "2", "--volume", "3", "--open", "0",
                   "--high", "0", "--low", "0", "--oi", "0"}),
              ended(0, "1\t2\n"));
    EXPECT_EQ(run({"list", fresh}).out, "1\tX\t\t970102\t970103\t3\tD\t0\n");
    EXPECT_EQ(run({"quotes", fresh, "X"}).out,
              "01/03/97\tN/A\tN/A\tN/A\t8.0000\t1000\tN/A\n01/02/97\tN/A\tN/A\tN/A\t7.5000\t900\tN/A\n");
}

TEST_F(CliFiles, ExportWritesTheChosenColumns) {
    const std::string out = startup.file("out.txt");
    // The defaults: every column, blanks, oldest first, no title row.
    EXPECT_EQ(run({"export", dir.path(), "MSFT", out}), ended(0, "5\n"));
    EXPECT_TRUE(fileText(out).starts_with("01/02/97 80.0000 82.0000 79.0000 80.5000 1000.00 50.00\r\n"));
    EXPECT_EQ(run({"export", dir.path(), "GC", out, "--columns", "close,oi", "--delimiter", "comma", "--title",
                   "--newest-first"}),
              ended(0, "8\n"));
    EXPECT_TRUE(fileText(out).starts_with("DATE,CLOSE,OI\r\n01/13/97,362.2500,N/A\r\n")) << fileText(out);
    EXPECT_FALSE(std::filesystem::exists(startup.file("q.ini"))) << "no settings written";
    EXPECT_EQ(run({"export", dir.path(), "NOPE", out}), failed("The symbol NOPE was not found in this portfolio.\n"));
}

} // namespace
} // namespace qv::cli::testing
