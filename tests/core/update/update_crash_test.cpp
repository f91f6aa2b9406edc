// The update run killed, or losing power, at every file-system call (failing calls: the
// failure-injection test). After a crash each quote file and MASTER are as before or as
// intended, MASTER never names a date its quote file lacks, and the next run finishes the work
// (first dates included).

#include "core/platform/fault_injection.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

using namespace qv::updatetest;
using D = const std::string&;

float d(int y, int m, int day) { return fileDate(y, m, day); }

// root/Start (profile "Daily"), root/Data (IBM, MSFT, and NEW added on 01/10/97 without quotes
// yet), root/Quiet (nothing new) and root/Updates/D.TXT.
void world(D root)
{
    for (const char* sub : {"/Start", "/Data", "/Quiet", "/Updates"})
        std::filesystem::create_directories(root + sub);
    ProfileSpec profile;
    profile.updatePath = root + "/Updates";
    writeProfile(root + "/Start", "Daily", profile);
    SecuritySpec fresh{5, "NEW", {}};
    writePortfolio(root + "/Data",
                   {{1, "IBM", {row7(d(1997, 1, 14), 99, 900, 40), row7(d(1997, 1, 15), 100, 1000, 42)}},
                    {2, "MSFT", {row7(d(1997, 1, 8), 80, 700, 21)}},
                    fresh});
    // As add-symbol leaves it: the day it was added as first and last date.
    EntrySpec added = fresh.entry();
    added.firstDate = added.lastDate = d(1997, 1, 10);
    ByteVec master = readBytes(root + "/Data/MASTER");
    const ByteVec entry = masterEntry(added);
    std::copy(entry.begin(), entry.end(), master.begin() + 3 * 53);
    writeBytes(root + "/Data/MASTER", master);
    writePortfolio(root + "/Quiet", {{3, "XOM", {row7(d(1997, 1, 20), 50, 10, 1)}}});
    for (int n : {1, 2, 5})
        assignProfile(root + "/Data", n, "Daily");
    assignProfile(root + "/Quiet", 3, "Daily");
    writeText(root + "/Updates/D.TXT", "IBM,970116,101,103,99,102,5000,60\nMSFT,970110,81,83,80,82,7000,70\n"
                                       "NEW,970116,5,6,4,5,100,0\nXOM,970116,1,1,1,1,1,1\n");
}

UpdateInputs inputsIn(D root)
{
    UpdateInputs in;
    in.portfolios = {root + "/Data", root + "/Quiet"};
    in.startupDir = root + "/Start";
    in.runTimeText = kRunTime;
    return in;
}

TEST(UpdateCrash, AKilledOrPowerlessRunLeavesEachFileAsBeforeOrIntendedAndTheNextRunFinishes)
{
    const CrashScenario run{world,
                            [](D r) { (void)runUpdate(inputsIn(r)); },
                            [](D r, const Snapshot&, const Snapshot&) {
                                expectMasterMatchesQuoteFiles(r + "/Data");
                                expectMasterMatchesQuoteFiles(r + "/Quiet");
                            },
                            {},
                            // The log is written anew by every run; the profile names root.
                            {"Start/AUDIT.TXT", "Start/Daily.pfd"}};
    EXPECT_GT(crashAtEveryCall(run), 0);
}

// The quote reached the file of a security that had none, but the run was killed at MASTER's
// replacement: a next run that finds only the next day's line still gives MASTER the stored
// date as first date. (The same day's line again: the rerun of every crash above.)
TEST(UpdateCrash, AFirstQuoteStoredWithoutItsMasterGetsItsFirstDateFromTheNextRun)
{
    TempDir t, u;
    world(t.path());
    faults::reset();
    faults::startRecording();
    (void)runUpdate(inputsIn(t.path()));
    const std::vector<faults::FileOp> ops = faults::recorded();
    faults::reset();
    const auto masterRename = std::ranges::find_if(
        ops, [](const faults::FileOp& op) { return op.kind == "rename" && baseName(op.to) == "MASTER"; });
    ASSERT_NE(masterRename, ops.end());
    world(u.path());
    const ByteVec masterBefore = readBytes(u.path() + "/Data/MASTER");
    faults::crashAt(static_cast<int>(masterRename - ops.begin()) + 1);
    (void)runUpdate(inputsIn(u.path()));
    faults::reset();
    const QuoteRow first{d(1997, 1, 16), 5, 6, 4, 5, 100, 0}, second{d(1997, 1, 17), 6, 7, 5, 6, 200, 0};
    ASSERT_EQ(readBytes(u.path() + "/Data/MASTER"), masterBefore);
    ASSERT_EQ(quoteDates(readBytes(u.path() + "/Data/F5.DAT"), 7), std::vector<float>{first[0]});
    writeText(u.path() + "/Updates/D.TXT", "NEW,970117,6,7,5,6,200,0\n");
    (void)runUpdate(inputsIn(u.path()));
    EXPECT_EQ(readBytes(u.path() + "/Data/F5.DAT"), quoteFile(7, {first, second}));
    MasterFile master;
    ASSERT_TRUE(readMasterFile(u.path() + "/Data", master));
    ASSERT_EQ(master.entries.size(), 3u);
    EXPECT_EQ(std::pair(master.entries[2].firstDate(), master.entries[2].lastDate()), std::pair(first[0], second[0]));
}

// A run that finds nothing new for a portfolio still removes what a crashed run left in it.
TEST(UpdateCrash, TheNextRunRemovesTheTemporariesACrashedRunLeft)
{
    TempDir t;
    world(t.path());
    writeText(t.path() + "/Updates/D.TXT", "IBM,970115,1,1,1,1,1,1\n"); // nothing new
    const Snapshot before = without(snapshot(t.path()), {"Start/AUDIT.TXT"});
    for (const char* left : {"MASTER.~NU", "MASTER.~OL.~CP", "F1.~NU", "F2.~NU"})
        writeText(t.path() + "/Data/" + left, "left by a crash");
    (void)runUpdate(inputsIn(t.path()));
    EXPECT_EQ(without(snapshot(t.path()), {"Start/AUDIT.TXT"}), before);
}

} // namespace
} // namespace qv
