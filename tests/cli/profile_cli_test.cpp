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

TEST_F(ProfileCli, ListCreatesTheSampleWhenThereIsNoProfileAndShowPrintsIt) {
    EXPECT_EQ(run({"profile", "list"}), ended(0, "MyFirstProfile\n"));
    EXPECT_EQ(fixtures::readBytes(startup.file("MyFirstProfile.pfd")).size(), 313U);
    EXPECT_EQ(run({"profile", "show", "myfirstprofile"}),
              ended(0, "path\t" + startup.path() + "/SAMPLE/TEXTDATA\nsymbol\t1\ndate\t2\nopen\t3\nhigh\t4\nlow\t5\n"
                       "close\t6\nvolume\t7\noi\t0\npriorday\t0\ndateformat\tMM_DD_YY\ndelimiter\tcomma\n"));

    fixtures::writeBytes(startup.file("zeta.PFD"), ByteVec(313, 0));
    fixtures::writeBytes(startup.file("Alpha.pfd"), ByteVec(313, 0));
    startup.subdir("dir.pfd");
    EXPECT_EQ(run({"profile", "list"}).out, "Alpha\nMyFirstProfile\nzeta\n");

    fixtures::writeBytes(startup.file("Short.pfd"), ByteVec(312, 0));
    EXPECT_EQ(run({"profile", "show", "Short"}), failed("Error reading Short\n"));
    EXPECT_EQ(runProgram({"--startup-dir", startup.file("missing"), "profile", "list"}),
              failed("Creation of MyFirstProfile.pfd failed\n"));
}

TEST_F(ProfileCli, WriteTakesNewProfileDefaultsForKeysNotGiven) {
    EXPECT_EQ(run({"profile", "write", "Vendor", "path=" + updates.path(), "oi=0", "high=9", "dateformat=ddmmccyy",
                   "delimiter=space", "priorday=on"}),
              ended(0, ""));
    EXPECT_EQ(run({"profile", "show", "Vendor"}).out,
              "path\t" + updates.path() + "\nsymbol\t1\ndate\t2\nopen\t3\nhigh\t9\nlow\t5\nclose\t6\nvolume\t7\n"
              "oi\t0\npriorday\t1\ndateformat\tDDMMCCYY\ndelimiter\tspace\n");
}

TEST_F(ProfileCli, WriteRefusalsShowTheDialogsMessages) {
    const std::string path = "path=" + updates.path();
    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"Vendor", path, "close=2"}, "Duplicate columns specified\nCorrect or disable\n"},
             {{"Vendor", "path=C:"}, "The Path you specified is invalid\n"},
             {{"Vendor", path, "symbol=21"}, "Enter a column number from 1 to 20 for Symbol\n"},
             {{"   ", path}, "You did not enter a Profile name\n"}}) {
        std::vector<std::string> command = {"profile", "write"};
        command.insert(command.end(), args.begin(), args.end());
        EXPECT_EQ(run(command), failed(message));
    }
    EXPECT_TRUE(fixtures::snapshot(startup.path()).empty());
}

TEST_F(ProfileCli, WriteEditsAnExistingProfileUnderItsOwnFileName) {
    ASSERT_EQ(run({"profile", "write", "NewProfile", "path=" + updates.path()}).exitStatus, 0);
    // The name exists (in another case), so this is an edit: no refusal, the same file.
    EXPECT_EQ(run({"profile", "write", "NEWPROFILE", "path=" + updates.path(), "delimiter=tab"}), ended(0, ""));
    const auto files = fixtures::snapshot(startup.path());
    ASSERT_EQ(files.size(), 1U);
    EXPECT_EQ(files[0].first, "NewProfile.pfd");
    EXPECT_EQ(lines(run({"profile", "show", "newprofile"}).out).back(), "delimiter\ttab");
}

TEST_F(ProfileCli, AssignOneAndAll) {
    TempDir portfolio;
    fixtures::writeStandardPortfolio(portfolio.path()); // 1 IBM, 2 MSFT, 4 GC
    ASSERT_EQ(run({"profile", "write", "Daily", "path=" + updates.path()}).exitStatus, 0);

    EXPECT_EQ(run({"assign", portfolio.path(), "msft", "DAILY"}), ended(0, ""));
    EXPECT_EQ(fixtures::readBytes(portfolio.file("F2.PFL")), fixtures::assignmentRecord("Daily"));
    EXPECT_FALSE(std::filesystem::exists(portfolio.file("F1.PFL")));
    EXPECT_EQ(run({"assign", portfolio.path(), "--all", "Daily"}), ended(0, ""));
    for (const char* name : {"F1.PFL", "F2.PFL", "F4.PFL"}) {
        EXPECT_EQ(fixtures::readBytes(portfolio.file(name)), fixtures::assignmentRecord("Daily")) << name;
    }

    EXPECT_EQ(run({"assign", portfolio.path(), "IBM", "Weekly"}), failed("Error creating Profile for symbol\n"));
    EXPECT_EQ(run({"assign", portfolio.path(), "--all", "Weekly"}),
              failed("Error creating Profile for multiple symbols\n"));
    EXPECT_EQ(run({"assign", portfolio.path(), "XOM", "Daily"}),
              failed("The symbol XOM was not found in this portfolio.\n"));
}

} // namespace
} // namespace qv::cli::testing
