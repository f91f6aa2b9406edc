// The maintenance commands end to end: what they print, the files they leave, and the
// program's own refusal messages with exit status 1.

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

class CliMaintenance : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/05");
        fixtures::writeStandardPortfolio(dir.path());
    }
    void TearDown() override { setTodayOverride(std::nullopt); }
    CliRun run(std::vector<std::string> args) { return runInProcess(args); }
    std::vector<std::string> listed() { return lines(run({"list", dir.path()}).out); }
    bool exists(const std::string& name) { return std::filesystem::exists(dir.file(name)); }
    TempDir dir;
};

TEST_F(CliMaintenance, CreatePortfolioWritesAnEmptyMasterAndNeverOverwritesOne) {
    const std::string path = dir.file("new");
    const CliRun created = run({"create-portfolio", path});
    EXPECT_EQ(created.exitStatus, 0) << created.err;
    EXPECT_EQ(created.out, "");
    EXPECT_EQ(fixtures::readBytes(path + "/MASTER"), fixtures::ByteVec(53, 0));

    const auto before = fixtures::snapshot(dir.path());
    const CliRun again = run({"create-portfolio", dir.path()});
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_NE(again.err, "");
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

TEST_F(CliMaintenance, AddSymbolPrintsTheLowestFreeFileNumber) {
    const CliRun added = run({"add-symbol", dir.path(), "aapl", "Apple"});
    EXPECT_EQ(added.exitStatus, 0) << added.err;
    EXPECT_EQ(added.out, "3\n");
    EXPECT_EQ(listed().back(), "3\tAAPL\tApple\t1050315\t1050315\t7\tD\t0");
    EXPECT_TRUE(exists("F3.DAT") && exists("F3.DOP"));
    // Without a name the symbol is the name.
    EXPECT_EQ(run({"add-symbol", dir.path(), "T"}).out, "5\n");
    EXPECT_EQ(listed().back(), "5\tT\tT\t1050315\t1050315\t7\tD\t0");
}

TEST_F(CliMaintenance, NamesAreStoredAsWindows1252AndShownAsUtf8) {
    ASSERT_EQ(run({"add-symbol", dir.path(), "SIE", "Müller €"}).exitStatus, 0);
    const fixtures::ByteVec master = fixtures::readBytes(dir.file("MASTER"));
    const std::size_t name = 4 * 53 + 7; // the fourth entry's name field
    ASSERT_GE(master.size(), name + 16);
    EXPECT_EQ(std::string(master.begin() + name, master.begin() + name + 16), "M\xFCller \x80        ");
    EXPECT_EQ(fields(listed().back()).at(2), "Müller €");
    EXPECT_EQ(run({"find", dir.path(), "Müller €"}).exitStatus, 0) << "the key is converted too";
}

TEST_F(CliMaintenance, AddSymbolRefusals) {
    const auto before = fixtures::snapshot(dir.path());
    const CliRun duplicate = run({"add-symbol", dir.path(), "ibm"});
    EXPECT_EQ(duplicate.exitStatus, 1);
    EXPECT_EQ(duplicate.out, "");
    EXPECT_EQ(duplicate.err, "Duplicate Symbol failure\n");
    EXPECT_EQ(run({"add-symbol", dir.path(), "GOLD"}).err, "Duplicate Symbol failure\n") << "a name counts too";
    EXPECT_EQ(run({"add-symbol", dir.path(), "   "}).err, "You did not enter a symbol\n");
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);

    TempDir full;
    fixtures::writeBytes(full.file("MASTER"), fixtures::masterHeader(255, 255));
    const CliRun refused = run({"add-symbol", full.path(), "X"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err,
              "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.\n");
    EXPECT_EQ(fixtures::readBytes(full.file("MASTER")), fixtures::masterHeader(255, 255));
}

TEST_F(CliMaintenance, DeleteSymbolRemovesEntryAndFilesAndFreesTheNumber) {
    ASSERT_EQ(run({"skip", dir.path(), "MSFT", "on"}).exitStatus, 0);
    const CliRun deleted = run({"delete-symbol", dir.path(), "MSFT"});
    EXPECT_EQ(deleted.exitStatus, 0) << deleted.err;
    EXPECT_EQ(deleted.out + deleted.err, "");
    EXPECT_EQ(listed().size(), 2u);
    EXPECT_FALSE(exists("F2.DAT") || exists("F2.DOP"));
    EXPECT_EQ(run({"add-symbol", dir.path(), "NEW"}).out, "2\n");
    EXPECT_EQ(listed().back(), "2\tNEW\tNEW\t1050315\t1050315\t7\tD\t0") << "the new security starts unskipped";

    const auto before = fixtures::snapshot(dir.path());
    const CliRun unknown = run({"delete-symbol", dir.path(), "AAPL"});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_NE(unknown.err, "");
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

TEST_F(CliMaintenance, EditSymbolKeepsTheNameUnlessOneIsGiven) {
    ASSERT_EQ(run({"skip", dir.path(), "IBM", "on"}).exitStatus, 0);
    EXPECT_EQ(run({"edit-symbol", dir.path(), "IBM", "BIGB"}).exitStatus, 0);
    EXPECT_EQ(listed().at(0), "1\tBIGB\tIBM CORP\t970102\t970115\t7\tD\t1");
    EXPECT_EQ(run({"edit-symbol", dir.path(), "BIGB", "IBM", "Big Blue"}).exitStatus, 0);
    EXPECT_EQ(listed().at(0), "1\tIBM\tBig Blue\t970102\t970115\t7\tD\t1");
    EXPECT_EQ(lines(run({"quotes", dir.path(), "IBM"}).out).size(), 10u) << "the quote files stay";

    const CliRun empty = run({"edit-symbol", dir.path(), "IBM", ""});
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_EQ(empty.err, "You must enter a symbol\n");
    EXPECT_EQ(run({"edit-symbol", dir.path(), "AAPL", "X"}).exitStatus, 1);
}

TEST_F(CliMaintenance, SkipMarksOneSecurityOrAll) {
    const auto marks = [&] {
        std::string text;
        for (const std::string& line : listed()) text += fields(line).at(7);
        return text;
    };
    EXPECT_EQ(run({"skip", dir.path(), "gc", "on"}).exitStatus, 0);
    EXPECT_EQ(marks(), "001");
    EXPECT_EQ(run({"skip-all", dir.path(), "on"}).exitStatus, 0);
    EXPECT_EQ(marks(), "111");
    EXPECT_EQ(run({"skip", dir.path(), "MSFT", "off"}).exitStatus, 0);
    EXPECT_EQ(marks(), "101");
    EXPECT_EQ(run({"skip-all", dir.path(), "off"}).exitStatus, 0);
    EXPECT_EQ(marks(), "000");
    EXPECT_EQ(fixtures::readBytes(dir.file("SKIPQVTA.PBG")), fixtures::ByteVec(256, 0));

    const CliRun unknown = run({"skip", dir.path(), "AAPL", "on"});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_NE(unknown.err, "");
}

} // namespace
} // namespace qv::cli::testing
