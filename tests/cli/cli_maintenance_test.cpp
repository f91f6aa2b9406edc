// The maintenance commands end to end on the standard portfolio (1 IBM, 2 MSFT, 4 GC).

#include "cli_harness.h"
#include "core/platform/clock.h"
#include "core/maintain/quote_edits.h"
#include "core/platform/settings_file.h"
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
    CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", ini});
        return runInProcess(args);
    }
    std::vector<std::string> listed() { return lines(run({"list", dir.path()}).out); }
    TempDir dir;
    const std::string ini = dir.file("q.ini");
};

TEST_F(CliMaintenance, SymbolCommands) {
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
    for (const std::string& line : listed()) EXPECT_TRUE(line.ends_with("\t1")) << line;
}

// A split of MSFT on 01/06/97, which the split search then finds; each edit is recorded in the settings.
TEST_F(CliMaintenance, QuoteEditsAndSplitSearch) {
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

// Files that MASTER does not list keep their number; an entry that contradicts itself is refused.
TEST_F(CliMaintenance, DamagedPortfoliosAreNamedAndRefusedNeverOverwritten) {
    fixtures::writeText(dir.file("F3.DAT"), "left by a delete that did not finish");
    EXPECT_EQ(run({"add-symbol", dir.path(), "NEW"}),
              ended(0, "5\n",
                    "Files of a security that MASTER does not list were left as they are: F3.DAT.\n"
                    "Their file numbers are not given to a new security.\n"));
    EXPECT_EQ(fileText(dir.file("F3.DAT")), "left by a delete that did not finish");

    fixtures::ByteVec master = fixtures::readBytes(dir.file("MASTER"));
    fixtures::setByte(master, 2 * 53 + 3, 24); // MSFT: 7 fields in records of 24 bytes
    fixtures::writeBytes(dir.file("MASTER"), master);
    const auto before = fixtures::snapshot(dir.path());
    EXPECT_EQ(run({"delete-quote", dir.path(), "MSFT", "01/06/97"}),
              failed(std::string(kEntryPassedOverMessage) +
                     "\nDelete Edit Failed\nThe MASTER entry of MSFT (file number 2) gives a record length of "
                     "24 bytes for 7 fields of 4 bytes.\n"));
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

} // namespace
} // namespace qv::cli::testing
