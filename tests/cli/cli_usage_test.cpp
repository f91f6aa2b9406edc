// The command line itself: global options, help texts, exit status 2 for wrong usage, and the
// argument conversions that refuse a text before anything is touched.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

constexpr const char* kUsagePrefix = "Usage: quovanta-cli [--ini FILE] [--startup-dir DIR] ";

const std::vector<std::string> kCommands = {"list", "find", "quotes", "facts", "locate", "search",
                                            "create-portfolio", "add-symbol", "delete-symbol",
                                            "edit-symbol", "skip", "skip-all"};

TEST(CliUsage, HelpListsEveryCommandAndEachCommandHasItsOwnUsage) {
    const CliRun overview = runProgram({"--help"});
    EXPECT_EQ(overview.exitStatus, 0);
    EXPECT_EQ(overview.err, "");
    EXPECT_EQ(overview.out.rfind("Usage: quovanta-cli [--ini FILE] [--startup-dir DIR] COMMAND [ARGS...]\n", 0), 0u);
    for (const std::string& command : kCommands) {
        EXPECT_NE(overview.out.find("\n  " + command + " "), std::string::npos) << command;
        // --help wins over whatever else is on the line, even wrong arguments.
        const CliRun help = runInProcess({command, "--help", "extra", "--bogus"});
        EXPECT_EQ(help.exitStatus, 0) << command;
        EXPECT_EQ(help.out.rfind(kUsagePrefix + command + " ", 0), 0u) << help.out;
    }
    EXPECT_EQ(lines(runInProcess({"quotes", "--help"}).out).at(0),
              std::string(kUsagePrefix) + "quotes DIR SYMBOL [--recent]");
}

TEST(CliUsage, WrongUsageEndsWithStatus2AndTheUsageOnStandardError) {
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {{}, "quovanta-cli: no command given"},
        {{"frobnicate"}, "quovanta-cli: unknown command frobnicate"},
        {{"--verbose", "list", "."}, "quovanta-cli: unknown option --verbose"},
        {{"--ini"}, "quovanta-cli: option --ini needs a value"},
        {{"--startup-dir="}, "quovanta-cli: option --startup-dir needs a value"},
        {{"list"}, "quovanta-cli: missing arguments"},
        {{"list", "a", "b"}, "quovanta-cli: too many arguments"},
        {{"quotes", "a", "IBM", "--all"}, "quovanta-cli: unknown option --all"},
        {{"search", "/", "--limit"}, "quovanta-cli: option --limit needs a value"},
        {{"skip", "a", "IBM", "yes"}, "quovanta-cli: expected on or off, not \"yes\""},
        {{"skip-all", "a", "ON"}, "quovanta-cli: expected on or off, not \"ON\""},
    };
    for (const Case& c : cases) {
        const CliRun run = runProgram(c.args);
        EXPECT_EQ(run.exitStatus, 2) << c.firstLine;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err).at(0), c.firstLine);
        EXPECT_GE(lines(run.err).size(), 2u) << "the usage follows the complaint";
    }
}

TEST(CliUsage, GlobalOptionsAreConsumedInBothSpellings) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    const CliRun plain = runInProcess({"list", dir.path()});
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_EQ(runInProcess({"--ini", dir.file("q.ini"), "--startup-dir", dir.path(), "list", dir.path()}).out, plain.out);
    EXPECT_EQ(runInProcess({"--ini=" + dir.file("q.ini"), "--startup-dir=" + dir.path(), "list", dir.path()}).out,
              plain.out);
    // Options of a command may stand anywhere after it; "--" ends them.
    EXPECT_EQ(runInProcess({"quotes", "--recent", dir.path(), "IBM"}).out,
              runInProcess({"quotes", dir.path(), "IBM", "--recent"}).out);
    EXPECT_EQ(runInProcess({"find", "--", dir.path(), "--recent"}).exitStatus, 1);
}

TEST(CliUsage, SecurityTextsAreLimitedTo16CharactersNotBytes) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    const auto before = fixtures::snapshot(dir.path());

    const CliRun tooLong = runInProcess({"add-symbol", dir.path(), "ABCDEFGHIJKLMNOPQ"});
    EXPECT_EQ(tooLong.exitStatus, 2);
    EXPECT_EQ(lines(tooLong.err).at(0), "quovanta-cli: SYMBOL \"ABCDEFGHIJKLMNOPQ\" is longer than 16 characters");
    EXPECT_EQ(runInProcess({"add-symbol", dir.path(), "X", "A NAME OF 17 CHRS"}).exitStatus, 2);
    EXPECT_EQ(runInProcess({"edit-symbol", dir.path(), "IBM", "ABCDEFGHIJKLMNOPQ"}).exitStatus, 2);
    EXPECT_EQ(runInProcess({"find", dir.path(), "ABCDEFGHIJKLMNOPQ"}).exitStatus, 2);
    EXPECT_EQ(fixtures::snapshot(dir.path()), before) << "a refused command line changes nothing";

    // 16 characters, 20 bytes of UTF-8: one byte each in the portfolio file.
    const CliRun umlauts = runInProcess({"add-symbol", dir.path(), "X", "ÄÖÜ€ GMBH 123456"});
    EXPECT_EQ(umlauts.exitStatus, 0) << umlauts.err;
}

TEST(CliUsage, DatesMustBeTyped_MM_DD_YY) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    // IBM holds the weekdays 01/02/97 .. 01/15/97.
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01/06/97"}).out, "2\n");
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01-06-97"}).out, "2\n");
    // Each of these would be read as some other date by the fixed-offset reader, or as none.
    for (const std::string text : {"1/6/97", "01/06/1997", "01/06/97x", "02/30/97", "13/01/97", "00/00/00",
                                   "01/06", "today", ""}) {
        const CliRun run = runInProcess({"locate", dir.path(), "IBM", text});
        EXPECT_EQ(run.exitStatus, 2) << text;
        EXPECT_EQ(lines(run.err).at(0), "quovanta-cli: \"" + text + "\" is not a date of the form MM/DD/YY");
    }
}

} // namespace
} // namespace qv::cli::testing
