// A portfolio on a folder that refuses writes: `list` prints every security with mark 0 and
// says once why, and succeeds; the update run passes the portfolio over and fails.

#include "cli_harness.h"
#include "core/platform/files.h"
#include "core/update/update_test_support.h"
#include "fixtures/portfolio_builder.h"
#include "fixtures/read_only_folder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

TEST(CliReadOnlyFolder, ListShowsNoMarksAndSaysOnceUpdatePassesItOver) {
    TempDir dir, startup;
    fixtures::writeStandardPortfolio(dir.path());
    updatetest::ProfileSpec profile;
    profile.updatePath = startup.subdir("Updates");
    updatetest::writeProfile(startup.path(), "Daily", profile);
    updatetest::assignProfile(dir.path(), 1, "Daily");
    fixtures::writeText(profile.updatePath + "/D.TXT", "IBM,970116,101,103,99,102,5000,60\n");
    const auto before = fixtures::snapshot(dir.path());

    fixtures::ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.active()) GTEST_SKIP() << "no read-only folder can be made here: " << readOnly.reason();
    const std::string notice = readOnlyFolderMessage(dir.path());

    EXPECT_EQ(runProgram({"list", dir.path()}), ended(0,
                                                     "1\tIBM\tIBM CORP\t970102\t970115\t7\tD\t0\n"
                                                     "2\tMSFT\tMICROSOFT CORP\t970102\t970108\t7\tD\t0\n"
                                                     "4\tGC\tGOLD\t970102\t970113\t6\tD\t0\n",
                                                     notice + "\n"));
    EXPECT_EQ(runInProcess({"skip", dir.path(), "IBM", "on"}), failed(notice + "\n"));

    const CliRun update = runInProcess({"--startup-dir", startup.path(), "--ini", startup.file("q.ini"), "update",
                                        dir.path()});
    EXPECT_EQ(update.exitStatus, 1) << update.err;
    EXPECT_NE(update.err.find("MASTER at " + dir.path() + " passed over: " + notice), std::string::npos) << update.err;
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

} // namespace
} // namespace qv::cli::testing
