// `import` and `export` end to end: options map onto the dialogs' choices, defaults are the
// dialogs' own (never the saved settings), refusals give the program's messages and exit 1.

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliAscii : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path());
    }
    void TearDown() override { setTodayOverride(std::nullopt); }
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", ini});
        return runInProcess(args);
    }
    std::string input(const std::string& text) {
        fixtures::writeText(tmp.file("in.txt"), text);
        return tmp.file("in.txt");
    }
    TempDir dir;
    TempDir tmp;
    const std::string ini = tmp.file("q.ini");
};

TEST_F(CliAscii, ImportWithTheDialogDefaultsIgnoresSavedSettings) {
    // Saved choices that would read these lines differently; the command must not use them.
    const std::string saved = "[Convert]\nDateFormat=YYMMDD\nDelimiter=2\nOpenOn=0\n";
    fixtures::writeText(ini, saved);
    const std::string in = input("010297,1,2,0.5,1.5,100,5\n010397,1.5,2.5,1,2,200,6\n");
    EXPECT_EQ(run({"import", in, dir.path(), "--symbol", "new", "--name", "New One"}), ended(0, "3\t2\n"));
    EXPECT_EQ(lines(run({"list", dir.path()}).out).back(), "3\tNEW\tNew One\t970102\t970103\t7\tD\t0");
    EXPECT_EQ(run({"quotes", dir.path(), "NEW"}).out,
              "01/03/97\t1.5000\t2.5000\t1.0000\t2.0000\t200\t6\n01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t5\n");
    EXPECT_EQ(fileText(ini), saved) << "settings left alone";
}

TEST_F(CliAscii, ImportOptionsChooseLayoutAndTarget) {
    const std::string in = input("Date Close Vol\n97/01/02   7.5 900\n97/01/03 8 1000\n");
    const std::string fresh = tmp.subdir("fresh");
    EXPECT_EQ(run({"import", in, fresh, "--symbol", "x", "--new-master", "--date-format", "YY_MM_DD", "--delimiter",
                   "space", "--skip", "1", "--close", "2", "--volume", "3", "--open", "0", "--high", "0", "--low", "0",
                   "--oi", "0"}),
              ended(0, "1\t2\n"));
    EXPECT_EQ(run({"list", fresh}).out, "1\tX\t\t970102\t970103\t3\tD\t0\n");
    EXPECT_EQ(run({"quotes", fresh, "X"}).out,
              "01/03/97\tN/A\tN/A\tN/A\t8.0000\t1000\tN/A\n01/02/97\tN/A\tN/A\tN/A\t7.5000\t900\tN/A\n");
}

TEST_F(CliAscii, ImportRefusalsShowTheDialogsMessages) {
    const std::string in = input("01/02/97,1,2,3,4,5,6\n");
    const auto before = fixtures::snapshot(dir.path());
    EXPECT_EQ(run({"import", in, dir.path(), "--symbol", "msft"}),
              failed("Duplicate Symbol Failure\nConversion failed.\n"));
    EXPECT_EQ(run({"import", in, dir.path(), "--symbol", "A", "--high", "25"}),
              failed("Enter a column number from 1 to 20 for High\n"));
    EXPECT_EQ(run({"import", in, dir.path(), "--symbol", "A", "--close", "1"}),
              failed("Duplicate columns specified\nCorrect or disable\n"));
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
    // MMDDYY is the default: the separators do not fit it, yet the quotes are still imported.
    EXPECT_EQ(run({"import", in, dir.path(), "--symbol", "A", "--date-format", "MMDDYY"}),
              ended(1, "", "You specified a numeric-only date format\nbut a non-numeric date character was found.\n"
                           "Line 1, column 1 of the input file is not a date in the chosen format (\"01/02/97\"); "
                           "it was stored as 0.\nConversion failed.\n"));
    EXPECT_NE(fixtures::snapshot(dir.path()), before);
}

TEST_F(CliAscii, ExportWritesTheChosenColumns) {
    const std::string out = tmp.file("out.txt");
    // GC has six fields and eight quotes: no open interest.
    EXPECT_EQ(run({"export", dir.path(), "GC", out}), ended(0, "8\n"));
    const std::string plain = fileText(out);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), 8);
    EXPECT_TRUE(plain.starts_with("01/02/97 ")) << plain;
    EXPECT_NE(plain.find(" N/A\r\n"), std::string::npos);

    EXPECT_EQ(run({"export", dir.path(), "GC", out, "--columns", "close,oi", "--delimiter", "comma", "--title",
                   "--newest-first"}),
              ended(0, "8\n"));
    const std::string newest = fileText(out);
    EXPECT_TRUE(newest.starts_with("DATE,CLOSE,OI\r\n")) << newest;
    EXPECT_TRUE(newest.ends_with("\r\n01/02/97,360.5000,N/A\r\n")) << newest;
    EXPECT_FALSE(std::filesystem::exists(ini)) << "no settings written";

    EXPECT_EQ(run({"export", dir.path(), "NOPE", out}), failed("The symbol NOPE was not found in this portfolio.\n"));
    const CliRun noDir = run({"export", dir.path(), "GC", tmp.file("none/out.txt")});
    EXPECT_EQ(noDir.exitStatus, 1);
    EXPECT_EQ(lines(noDir.err).at(0), "File export error");
}

} // namespace
} // namespace qv::cli::testing
