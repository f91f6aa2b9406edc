// The profile commands end to end through the program: what they print, the files they
// leave, the dialog's messages on standard error and the exit statuses.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::ByteVec;
using fixtures::TempDir;

class ProfileCli : public ::testing::Test {
protected:
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--startup-dir", startup.path()});
        return runProgram(args);
    }
    TempDir startup;
    TempDir updates;
};

TEST_F(ProfileCli, ListCreatesTheSampleWhenThereIsNoProfile) {
    const CliRun listed = run({"profile", "list"});
    EXPECT_EQ(listed.exitStatus, 0) << listed.err;
    EXPECT_EQ(listed.out, "MyFirstProfile\n");
    EXPECT_EQ(fixtures::readBytes(startup.file("MyFirstProfile.pfd")).size(), 313U);

    fixtures::writeBytes(startup.file("zeta.PFD"), ByteVec(313, 0));
    fixtures::writeBytes(startup.file("Alpha.pfd"), ByteVec(313, 0));
    startup.subdir("dir.pfd");
    EXPECT_EQ(run({"profile", "list"}).out, "Alpha\nMyFirstProfile\nzeta\n");

    const std::string missing = startup.file("missing");
    const CliRun failed = runProgram({"--startup-dir", missing, "profile", "list"});
    EXPECT_EQ(failed.exitStatus, 1);
    EXPECT_EQ(failed.err, "Creation of MyFirstProfile.pfd failed\n");
}

TEST_F(ProfileCli, ShowPrintsTheSampleProfile) {
    ASSERT_EQ(run({"profile", "list"}).exitStatus, 0);
    const CliRun shown = run({"profile", "show", "myfirstprofile"});
    EXPECT_EQ(shown.exitStatus, 0) << shown.err;
    EXPECT_EQ(shown.out, "path\t" + startup.path() + "/SAMPLE/TEXTDATA\n"
                         "symbol\t1\ndate\t2\nopen\t3\nhigh\t4\nlow\t5\nclose\t6\nvolume\t7\noi\t0\n"
                         "priorday\t0\ndateformat\tMM_DD_YY\ndelimiter\tcomma\n");
}

TEST_F(ProfileCli, ShowReadsARecordWrittenElsewhere) {
    ByteVec record(313, 0);
    const std::vector<std::uint8_t> head = {1, 3, 1, 0xFF, 0, 2, 4, 0, 0, 1, 10, 1};
    std::copy(head.begin(), head.end(), record.begin());
    fixtures::setText(record, 12, "/srv/Quotes Today");
    fixtures::writeBytes(startup.file("Futures.pfd"), record);
    const CliRun shown = run({"profile", "show", "Futures"});
    EXPECT_EQ(shown.out, "path\t/srv/Quotes Today\nsymbol\t3\ndate\t1\nopen\t0\nhigh\t0\nlow\t2\nclose\t4\n"
                         "volume\t0\noi\t0\npriorday\t1\ndateformat\tMMDDCCYY\ndelimiter\ttab\n");

    fixtures::shrinkTo(record, 312);
    fixtures::writeBytes(startup.file("Short.pfd"), record);
    const CliRun shortFile = run({"profile", "show", "Short"});
    EXPECT_EQ(shortFile.exitStatus, 1);
    EXPECT_EQ(shortFile.out, "");
    EXPECT_EQ(shortFile.err, "Error reading Short\n");
}

TEST_F(ProfileCli, WriteTakesNewProfileDefaultsForKeysNotGiven) {
    const CliRun written = run({"profile", "write", "Vendor", "path=" + updates.path(), "oi=0", "high=9",
                                "dateformat=ddmmccyy", "delimiter=space", "priorday=on"});
    EXPECT_EQ(written.exitStatus, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(run({"profile", "show", "Vendor"}).out,
              "path\t" + updates.path() + "\nsymbol\t1\ndate\t2\nopen\t3\nhigh\t9\nlow\t5\nclose\t6\nvolume\t7\n"
              "oi\t0\npriorday\t1\ndateformat\tDDMMCCYY\ndelimiter\tspace\n");
}

TEST_F(ProfileCli, WriteRefusalsShowTheDialogsMessages) {
    struct Case {
        std::vector<std::string> settings;
        std::string message;
    };
    const std::string path = "path=" + updates.path();
    const std::vector<Case> cases = {
        {{path, "close=2"}, "Duplicate columns specified\nCorrect or disable"},
        {{"path=C:"}, "The Path you specified is invalid"},
        {{path, "symbol=21"}, "Enter a column number from 1 to 20 for Symbol"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"profile", "write", "Vendor"};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        const CliRun refused = run(args);
        EXPECT_EQ(refused.exitStatus, 1) << c.message;
        EXPECT_EQ(refused.err, c.message + "\n");
    }
    const CliRun blank = run({"profile", "write", "   ", "path=" + updates.path()});
    EXPECT_EQ(blank.err, "You did not enter a Profile name\n");
    EXPECT_TRUE(fixtures::snapshot(startup.path()).empty());
}

TEST_F(ProfileCli, WriteEditsAnExistingProfileUnderItsOwnFileName) {
    ASSERT_EQ(run({"profile", "write", "NewProfile", "path=" + updates.path()}).exitStatus, 0);
    // The name exists (in another case), so this is an edit: no refusal, the same file.
    const CliRun edited = run({"profile", "write", "NEWPROFILE", "path=" + updates.path(), "delimiter=tab"});
    EXPECT_EQ(edited.exitStatus, 0) << edited.err;
    const auto files = fixtures::snapshot(startup.path());
    ASSERT_EQ(files.size(), 1U);
    EXPECT_EQ(files[0].first, "NewProfile.pfd");
    EXPECT_EQ(files[0].second.at(11), 1) << "delimiter code of tab";
}

TEST_F(ProfileCli, WrongUsageEndsWithStatusTwoAndWritesNothing) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"profile"},
             {"profile", "remove", "X"},
             {"profile", "show"},
             {"profile", "write", "X", "colour=red"},
             {"profile", "write", "X", "open=two"},
             {"profile", "write", "X", "open=1", "open=2"},
             {"profile", "write", "X", "dateformat=YYYY"},
             {"assign", startup.path(), "IBM"},
             {"assign", startup.path(), "IBM", "P", "--all"},
         }) {
        const CliRun wrong = run(args);
        EXPECT_EQ(wrong.exitStatus, 2) << args.back() << ": " << wrong.err;
        EXPECT_NE(wrong.err.find("Usage:"), std::string::npos);
    }
    EXPECT_TRUE(fixtures::snapshot(startup.path()).empty());
}

TEST_F(ProfileCli, AssignOneAndAll) {
    TempDir portfolio;
    fixtures::writeStandardPortfolio(portfolio.path()); // 1 IBM, 2 MSFT, 4 GC
    ASSERT_EQ(run({"profile", "write", "Daily", "path=" + updates.path()}).exitStatus, 0);

    const CliRun one = run({"assign", portfolio.path(), "msft", "DAILY"});
    EXPECT_EQ(one.exitStatus, 0) << one.err;
    EXPECT_EQ(fixtures::readBytes(portfolio.file("F2.PFL")), fixtures::assignmentRecord("Daily"));
    EXPECT_FALSE(std::filesystem::exists(portfolio.file("F1.PFL")));

    const CliRun all = run({"assign", portfolio.path(), "--all", "Daily"});
    EXPECT_EQ(all.exitStatus, 0) << all.err;
    for (const char* name : {"F1.PFL", "F2.PFL", "F4.PFL"}) {
        EXPECT_EQ(fixtures::readBytes(portfolio.file(name)), fixtures::assignmentRecord("Daily")) << name;
    }

    const CliRun unknownProfile = run({"assign", portfolio.path(), "IBM", "Weekly"});
    EXPECT_EQ(unknownProfile.exitStatus, 1);
    EXPECT_EQ(unknownProfile.err, "Error creating Profile for symbol\n");
    const CliRun unknownAll = run({"assign", portfolio.path(), "--all", "Weekly"});
    EXPECT_EQ(unknownAll.exitStatus, 1);
    EXPECT_EQ(unknownAll.err, "Error creating Profile for multiple symbols\n");
    const CliRun unknownSymbol = run({"assign", portfolio.path(), "XOM", "Daily"});
    EXPECT_EQ(unknownSymbol.exitStatus, 1);
    EXPECT_EQ(unknownSymbol.err, "The symbol XOM was not found in this portfolio.\n");
}

} // namespace
} // namespace qv::cli::testing
