// The command line itself: help, exit status 2 for wrong usage, the global options, and the
// argument conversions that refuse a text before anything is touched.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

const std::string kUsagePrefix = "Usage: quovanta-cli [--ini FILE] [--startup-dir DIR] ";

// The complaint, then the usage of the command named (or a pointer to --help), and nothing
// written, not even by the commands that would write into the start-up directory.
TEST(CliUsage, HelpAndWrongUsage)
{
    const CliRun help = runProgram({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with(kUsagePrefix + "COMMAND [ARGS...]\n")) << help.out;
    // --help wins over whatever else is on the line.
    EXPECT_EQ(lines(runInProcess({"quotes", "--help", "--bogus"}).out).at(0),
              kUsagePrefix + "quotes DIR SYMBOL [--recent]");

    const TempDir startup;
    using Case = std::tuple<std::vector<std::string>, std::string, std::string>; // args, complaint, usage of
    for (const auto& [args, complaint, usageOf] :
         std::vector<Case>{{{}, "no command given", ""},
                           {{"frobnicate"}, "unknown command frobnicate", ""},
                           {{"list"}, "missing arguments", "list"},
                           {{"quotes", "a", "IBM", "--all"}, "unknown option --all", "quotes"},
                           {{"profile", "write", "X", "open=two"}, "open needs a number, not \"two\"", "profile"}}) {
        std::vector<std::string> line = {"--startup-dir=" + startup.path(), "--ini", startup.file("q.ini")};
        line.insert(line.end(), args.begin(), args.end());
        const CliRun run = runProgram(line);
        EXPECT_TRUE(run.exitStatus == 2 && run.out.empty()) << complaint;
        const std::vector<std::string> text = lines(run.err);
        ASSERT_GE(text.size(), 2u) << complaint;
        EXPECT_EQ(text[0], "quovanta-cli: " + complaint);
        EXPECT_TRUE(text[1].starts_with(usageOf.empty() ? "Try 'quovanta-cli --help'." : kUsagePrefix + usageOf + " "))
            << text[1];
    }
    EXPECT_TRUE(fixtures::snapshot(startup.path()).empty());
}

// A limit counted in bytes would refuse 16 characters of UTF-8; a date reader taking two
// characters at fixed offsets would read other shapes as other dates, and 02/30/97 as March 2nd.
TEST(CliUsage, SecurityTextsAreCountedInCharactersAndDatesMustBe_MM_DD_YY)
{
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path()); // IBM holds the weekdays 01/02/97 .. 01/15/97
    const auto before = fixtures::snapshot(dir.path());
    EXPECT_EQ(lines(runInProcess({"add-symbol", dir.path(), "ABCDEFGHIJKLMNOPQ"}).err).at(0),
              "quovanta-cli: SYMBOL \"ABCDEFGHIJKLMNOPQ\" is longer than 16 characters");
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
    EXPECT_EQ(runInProcess({"add-symbol", dir.path(), "X", "ÄÖÜ€ GMBH 123456"}), ended(0, "3\n"));

    // "--" ends the options; any one separator will do.
    EXPECT_EQ(runInProcess({"locate", "--", dir.path(), "IBM", "01-06-97"}), ended(0, "2\n"));
    for (const std::string text : {"1/6/97", "01/06/1997", "02/30/97", "1997-02-29", ""}) {
        const CliRun run = runInProcess({"locate", dir.path(), "IBM", text});
        EXPECT_EQ(run.exitStatus, 2) << text;
        EXPECT_EQ(lines(run.err).at(0),
                  "quovanta-cli: \"" + text + "\" is not a date of the form MM/DD/YY or YYYY-MM-DD");
    }
}

} // namespace
} // namespace qv::cli::testing
