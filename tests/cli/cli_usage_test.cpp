// The command line itself: global options, help texts, exit status 2 for wrong usage, and the
// argument conversions that refuse a text before anything is touched.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

const std::string kUsagePrefix = "Usage: quovanta-cli [--ini FILE] [--startup-dir DIR] ";

TEST(CliUsage, HelpListsEveryCommandAndEachCommandHasItsOwnUsage) {
    const CliRun overview = runProgram({"--help"});
    EXPECT_EQ(overview.exitStatus, 0);
    EXPECT_EQ(overview.err, "");
    EXPECT_TRUE(overview.out.starts_with(kUsagePrefix + "COMMAND [ARGS...]\n")) << overview.out;
    for (const std::string command :
         {"list", "find", "quotes", "facts", "locate", "search", "create-portfolio", "add-symbol", "delete-symbol",
          "edit-symbol", "skip", "skip-all", "edit-quote", "split", "adjust", "delete-quote", "split-search",
          "profile", "assign", "update", "import", "export"}) {
        EXPECT_NE(overview.out.find("\n  " + command + " "), std::string::npos) << command;
        // --help wins over whatever else is on the line, even wrong arguments.
        const CliRun help = runInProcess({command, "--help", "extra", "--bogus"});
        EXPECT_EQ(help.exitStatus, 0) << command;
        EXPECT_TRUE(help.out.starts_with(kUsagePrefix + command + " ")) << help.out;
    }
    EXPECT_EQ(lines(runInProcess({"quotes", "--help"}).out).at(0), kUsagePrefix + "quotes DIR SYMBOL [--recent]");
}

// The complaint, then the usage of the command named (or a pointer to --help), and nothing
// written: not even by the commands that would write into the start-up directory.
TEST(CliUsage, WrongUsageEndsWithStatus2TheComplaintAndTheUsage) {
    struct Case {
        std::vector<std::string> args;
        std::string complaint;
        std::string usageOf; // empty: the line pointing to --help
    };
    const std::vector<Case> cases = {
        {{}, "no command given", ""},
        {{"frobnicate"}, "unknown command frobnicate", ""},
        {{"--verbose", "list", "."}, "unknown option --verbose", ""},
        {{"--ini"}, "option --ini needs a value", ""},
        {{"--startup-dir="}, "option --startup-dir needs a value", ""},
        {{"list"}, "missing arguments", "list"},
        {{"list", "a", "b"}, "too many arguments", "list"},
        {{"quotes", "a", "IBM", "--all"}, "unknown option --all", "quotes"},
        {{"search", "/", "--limit"}, "option --limit needs a value", "search"},
        {{"skip", "a", "IBM", "yes"}, "expected on or off, not \"yes\"", "skip"},
        {{"skip-all", "a", "ON"}, "expected on or off, not \"ON\"", "skip-all"},
        {{"split", "a", "XYZ", "03/17/97", "2"}, "missing arguments", "split"},
        {{"adjust", "a", "XYZ", "03/13/97", "03/17/97", "1", "1"}, "missing arguments", "adjust"},
        {{"edit-quote", "a", "XYZ", "03/13/97", "1", "2", "3", "4", "5"}, "missing arguments", "edit-quote"},
        {{"delete-quote", "a", "XYZ", "03/13/97", "extra"}, "too many arguments", "delete-quote"},
        {{"split-search"}, "missing arguments", "split-search"},
        {{"profile"}, "missing arguments", "profile"},
        {{"profile", "remove", "X"}, "unknown profile command remove", "profile"},
        {{"profile", "show"}, "missing arguments", "profile"},
        {{"profile", "write", "X", "colour=red"}, "unknown key colour", "profile"},
        {{"profile", "write", "X", "open=two"}, "open needs a number, not \"two\"", "profile"},
        {{"profile", "write", "X", "open=1", "open=2"}, "open is given twice", "profile"},
        {{"profile", "write", "X", "dateformat=YYYY"}, "unknown date format \"YYYY\"", "profile"},
        {{"assign", "a", "IBM"}, "missing arguments", "assign"},
        {{"assign", "a", "IBM", "P", "--all"}, "too many arguments", "assign"},
        {{"import", "in", "a"}, "--symbol is required", "import"},
        {{"import", "in", "a", "--symbol", "B", "--close", "0"}, "--close cannot be 0: the field is always read",
         "import"},
        {{"import", "in", "a", "--symbol", "B", "--date-format", "DDMMM"}, "unknown date format \"DDMMM\"", "import"},
        {{"import", "in", "a", "--symbol", "B", "--delimiter", "semicolon"},
         "--delimiter takes comma|tab|space, not \"semicolon\"", "import"},
        {{"import", "in", "a", "--symbol", "B", "--skip", "two"}, "--skip needs a number, not \"two\"", "import"},
        {{"export", "a", "GC", "out", "--columns", "close,vol"},
         "--columns takes open|high|low|close|volume|oi, not \"vol\"", "export"},
    };
    const TempDir startup;
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (!args.empty() && !args[0].starts_with("--")) {
            args.insert(args.begin(), {"--startup-dir", startup.path(), "--ini", startup.file("q.ini")});
        }
        const CliRun run = runProgram(args);
        EXPECT_EQ(run.exitStatus, 2) << c.complaint;
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> text = lines(run.err);
        ASSERT_GE(text.size(), 2u) << c.complaint;
        EXPECT_EQ(text[0], "quovanta-cli: " + c.complaint);
        if (c.usageOf.empty()) {
            EXPECT_EQ(text[1], "Try 'quovanta-cli --help'.");
        } else {
            EXPECT_TRUE(text[1].starts_with(kUsagePrefix + c.usageOf + " ")) << text[1];
        }
    }
    EXPECT_TRUE(fixtures::snapshot(startup.path()).empty());
}

TEST(CliUsage, GlobalOptionsAreConsumedInBothSpellings) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    const CliRun plain = runInProcess({"list", dir.path()});
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_EQ(runInProcess({"--ini", dir.file("q.ini"), "--startup-dir", dir.path(), "list", dir.path()}), plain);
    EXPECT_EQ(runInProcess({"--ini=" + dir.file("q.ini"), "--startup-dir=" + dir.path(), "list", dir.path()}), plain);
    // Options of a command may stand anywhere after it; "--" ends them.
    EXPECT_EQ(runInProcess({"quotes", "--recent", dir.path(), "IBM"}),
              runInProcess({"quotes", dir.path(), "IBM", "--recent"}));
    EXPECT_EQ(runInProcess({"find", "--", dir.path(), "--recent"}).exitStatus, 1);
}

TEST(CliUsage, SecurityTextsAreLimitedTo16CharactersNotBytes) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    const auto before = fixtures::snapshot(dir.path());
    const std::string seventeen = "ABCDEFGHIJKLMNOPQ";
    for (const auto& [args, what] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"add-symbol", dir.path(), seventeen}, "SYMBOL"},
             {{"add-symbol", dir.path(), "X", "A NAME OF 17 CHRS"}, "NAME"},
             {{"edit-symbol", dir.path(), "IBM", seventeen}, "NEW"},
             {{"find", dir.path(), seventeen}, "KEY"},
             {{"import", dir.file("in"), dir.path(), "--symbol", seventeen}, "--symbol"}}) {
        const CliRun run = runInProcess(args);
        EXPECT_EQ(run.exitStatus, 2) << what;
        EXPECT_EQ(lines(run.err).at(0),
                  "quovanta-cli: " + what + " \"" + args.back() + "\" is longer than 16 characters");
    }
    EXPECT_EQ(fixtures::snapshot(dir.path()), before) << "a refused command line changes nothing";

    // 16 characters, 20 bytes of UTF-8: one byte each in the portfolio file.
    EXPECT_EQ(runInProcess({"add-symbol", dir.path(), "X", "ÄÖÜ€ GMBH 123456"}), ended(0, "3\n"));
}

TEST(CliUsage, DatesMustBeTyped_MM_DD_YY) {
    TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
    // IBM holds the weekdays 01/02/97 .. 01/15/97.
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01/06/97"}), ended(0, "2\n"));
    EXPECT_EQ(runInProcess({"locate", dir.path(), "IBM", "01-06-97"}), ended(0, "2\n"));
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
