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
    void SetUp() override
    {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path());
        ini = tmp.file("q.ini");
    }
    void TearDown() override { setTodayOverride(std::nullopt); }
    CliRun run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--ini", ini});
        return runInProcess(args);
    }
    std::string input(const std::string& text)
    {
        const std::string path = tmp.file("in.txt");
        fixtures::writeText(path, text);
        return path;
    }
    TempDir dir;
    TempDir tmp;
    std::string ini;
};

TEST_F(CliAscii, ImportWithTheDialogDefaultsIgnoresSavedSettings)
{
    // Saved choices that would read these lines differently; the command must not use them.
    const std::string saved = "[Convert]\nDateFormat=YYMMDD\nDelimiter=2\nOpenOn=0\n";
    fixtures::writeText(ini, saved);
    const std::string in = input("010297,1,2,0.5,1.5,100,5\n010397,1.5,2.5,1,2,200,6\n");
    const CliRun r = run({"import", in, dir.path(), "--symbol", "new", "--name", "New One"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "3\t2\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(lines(run({"list", dir.path()}).out).back(), "3\tNEW\tNew One\t970102\t970103\t7\tD\t0");
    EXPECT_EQ(run({"quotes", dir.path(), "NEW"}).out,
              "01/03/97\t1.5000\t2.5000\t1.0000\t2.0000\t200\t6\n01/02/97\t1.0000\t2.0000\t0.5000\t1.5000\t100\t5\n");
    EXPECT_EQ(fixtures::readBytes(ini), fixtures::ByteVec(saved.begin(), saved.end())) << "settings left alone";
}

TEST_F(CliAscii, ImportOptionsChooseLayoutAndTarget)
{
    const std::string in = input("Date Close Vol\n97/01/02   7.5 900\n97/01/03 8 1000\n");
    const std::string fresh = tmp.file("fresh");
    std::filesystem::create_directory(fresh);
    const CliRun r = run({"import", in, fresh, "--symbol", "x", "--new-master", "--date-format", "YY_MM_DD",
                          "--delimiter", "space", "--skip", "1", "--close", "2", "--volume", "3", "--open", "0",
                          "--high", "0", "--low", "0", "--oi", "0"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "1\t2\n");
    EXPECT_EQ(lines(run({"list", fresh}).out), std::vector<std::string>{"1\tX\t\t970102\t970103\t3\tD\t0"});
    EXPECT_EQ(run({"quotes", fresh, "X"}).out,
              "01/03/97\tN/A\tN/A\tN/A\t8.0000\t1000\tN/A\n01/02/97\tN/A\tN/A\tN/A\t7.5000\t900\tN/A\n");
}

TEST_F(CliAscii, ImportRefusalsAndWrongUsage)
{
    const std::string in = input("01/02/97,1,2,3,4,5,6\n");
    const auto before = fixtures::snapshot(dir.path());
    CliRun r = run({"import", in, dir.path(), "--symbol", "msft"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Duplicate Symbol Failure\nConversion failed.\n");
    r = run({"import", in, dir.path(), "--symbol", "A", "--high", "25"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Enter a column number from 1 to 20 for High\n");
    r = run({"import", in, dir.path(), "--symbol", "A", "--close", "1"});
    EXPECT_EQ(r.err, "Duplicate columns specified\nCorrect or disable\n");
    r = run({"import", in, dir.path(), "--symbol", "A", "--date-format", "MMDDYY"});
    EXPECT_EQ(r.exitStatus, 1) << "MMDDYY is the default: the separators do not fit it";
    EXPECT_EQ(r.err, "You specified a numeric-only date format\nbut a non-numeric date character was found.\n"
                     "Line 1, column 1 of the input file is not a date in the chosen format (\"01/02/97\"); it was "
                     "stored as 0.\nConversion failed.\n");
    EXPECT_NE(fixtures::snapshot(dir.path()), before) << "the quotes are still imported";

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"import", in, dir.path()},
             {"import", in, dir.path(), "--symbol", "B", "--close", "0"},
             {"import", in, dir.path(), "--symbol", "B", "--date-format", "DDMMM"},
             {"import", in, dir.path(), "--symbol", "B", "--delimiter", "semicolon"},
             {"import", in, dir.path(), "--symbol", "B", "--skip", "two"},
             {"import", in, dir.path(), "--symbol", "SEVENTEEN_LETTERS"}}) {
        EXPECT_EQ(run(args).exitStatus, 2) << args.back();
    }
}

TEST_F(CliAscii, ExportWritesTheChosenColumns)
{
    const std::string out = tmp.file("out.txt");
    CliRun r = run({"export", dir.path(), "GC", out});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::vector<std::string> plain = lines(std::string(r.out));
    ASSERT_EQ(plain.size(), 1u);
    const std::string text = [&] {
        const fixtures::ByteVec b = fixtures::readBytes(out);
        return std::string(b.begin(), b.end());
    }();
    const auto rows = static_cast<std::size_t>(std::stoi(plain[0]));
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), rows);
    // GC has six fields: no open interest.
    EXPECT_TRUE(text.starts_with("01/02/97 ")) << text;
    EXPECT_NE(text.find(" N/A\r\n"), std::string::npos);

    r = run({"export", dir.path(), "GC", out, "--columns", "close,oi", "--delimiter", "comma", "--title",
             "--newest-first"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const fixtures::ByteVec b = fixtures::readBytes(out);
    const std::string newest(b.begin(), b.end());
    EXPECT_TRUE(newest.starts_with("DATE,CLOSE,OI\r\n")) << newest;
    EXPECT_TRUE(newest.ends_with(",N/A\r\n"));
    EXPECT_NE(newest.find("\r\n01/02/97,"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(ini)) << "no settings written";

    r = run({"export", dir.path(), "NOPE", out});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "The symbol NOPE was not found in this portfolio.\n");
    EXPECT_EQ(run({"export", dir.path(), "GC", out, "--columns", "close,vol"}).exitStatus, 2);
    EXPECT_EQ(run({"export", dir.path(), "GC", tmp.file("none/out.txt")}).exitStatus, 1);
}

} // namespace
} // namespace qv::cli::testing
