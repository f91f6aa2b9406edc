// A portfolio on a folder that refuses writes: `list` prints every security with mark 0, says
// once why and succeeds; a command that would write fails with that reason. (The update run
// passing it over is ReadOnlyPortfolio's, its exit status CliResults'.)

#include "cli_harness.h"
#include "core/platform/files.h"
#include "fixtures/portfolio_builder.h"
#include "fixtures/read_only_folder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

TEST(CliReadOnlyFolder, ListShowsNoMarksAndSaysOnceWritesFail) {
    fixtures::TempDir dir;
    fixtures::writeStandardPortfolio(dir.path());
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
    EXPECT_EQ(fixtures::snapshot(dir.path()), before);
}

} // namespace
} // namespace qv::cli::testing
