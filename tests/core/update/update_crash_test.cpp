// The update run killed, or losing power, at every file-system call, and on a disk that fills.
// After a crash each quote file and MASTER are as before or as intended, MASTER never names a
// date its quote file lacks, and the next run finishes the work (first dates included). A quote
// that could not be stored is reported, and its update file is never deleted.

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
    for (const char* sub : {"/Start", "/Data", "/Quiet", "/Updates"}) std::filesystem::create_directories(root + sub);
    ProfileSpec profile;
    profile.updatePath = root + "/Updates";
    writeProfile(root + "/Start", "Daily", profile);
    SecuritySpec fresh{5, "NEW", {}};
    writePortfolio(root + "/Data", {{1, "IBM", {row7(d(1997, 1, 14), 99, 900, 40), row7(d(1997, 1, 15), 100, 1000, 42)}},
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
    for (int n : {1, 2, 5}) assignProfile(root + "/Data", n, "Daily");
    assignProfile(root + "/Quiet", 3, "Daily");
    writeText(root + "/Updates/D.TXT", "IBM,970116,101,103,99,102,5000,60\nMSFT,970110,81,83,80,82,7000,70\n"
                                       "NEW,970116,5,6,4,5,100,0\nXOM,970116,1,1,1,1,1,1\n");
}

UpdateInputs inputsIn(D root, bool deleteTxt = false)
{
    UpdateInputs in;
    in.portfolios = {root + "/Data", root + "/Quiet"};
    in.startupDir = root + "/Start";
    in.runTimeText = kRunTime;
    in.settings.deleteTxt = deleteTxt;
    return in;
}

TEST(UpdateCrash, AKilledOrPowerlessRunLeavesEachFileAsBeforeOrIntendedAndTheNextRunFinishes)
{
    const CrashScenario run{world, [](D r) { (void)runUpdate(inputsIn(r)); },
                            [](D r, const Snapshot&, const Snapshot&) {
                                expectMasterMatchesQuoteFiles(r + "/Data");
                                expectMasterMatchesQuoteFiles(r + "/Quiet");
                            },
                            {},
                            // The log is written anew by every run; the profile names root.
                            {"Start/AUDIT.TXT", "Start/Daily.pfd"}};
    EXPECT_GT(crashAtEveryCall(run), 0);
}

// The quote reached the file of a security that had none, but MASTER never learned of it: the
// next run gives MASTER the stored date as first date too, whether it finds the same day's line
// again or only the next day's.
TEST(UpdateCrash, AFirstQuoteStoredWithoutItsMasterGetsItsFirstDateFromTheNextRun)
{
    struct Case {
        const char* what;
        std::string nextLines;
        std::vector<QuoteRow> rows;
    };
    const QuoteRow first{d(1997, 1, 16), 5, 6, 4, 5, 100, 0}, second{d(1997, 1, 17), 6, 7, 5, 6, 200, 0};
    const Case cases[] = {
        {"the same day's line again", "NEW,970116,5,6,4,5,100,0\n", {first}},
        {"only the next day's line", "NEW,970117,6,7,5,6,200,0\n", {first, second}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The first run stores NEW's quote and is killed at MASTER's replacement.
        int crashAt = 0;
        {
            TempDir t;
            world(t.path());
            faults::reset();
            faults::startRecording();
            (void)runUpdate(inputsIn(t.path()));
            const std::vector<faults::FileOp> ops = faults::recorded();
            faults::reset();
            for (std::size_t i = 0; i < ops.size() && crashAt == 0; ++i)
                if (ops[i].kind == "rename" && baseName(ops[i].to) == "MASTER") crashAt = static_cast<int>(i) + 1;
        }
        ASSERT_GT(crashAt, 0);
        TempDir u;
        world(u.path());
        const ByteVec masterBefore = readBytes(u.path() + "/Data/MASTER");
        faults::reset();
        faults::crashAt(crashAt);
        (void)runUpdate(inputsIn(u.path()));
        faults::reset();
        ASSERT_EQ(readBytes(u.path() + "/Data/MASTER"), masterBefore);
        ASSERT_EQ(quoteDates(readBytes(u.path() + "/Data/F5.DAT"), 7), std::vector<float>{first[0]});
        writeText(u.path() + "/Updates/D.TXT", c.nextLines);
        (void)runUpdate(inputsIn(u.path()));
        EXPECT_EQ(readBytes(u.path() + "/Data/F5.DAT"), quoteFile(7, c.rows));
        MasterFile master;
        ASSERT_TRUE(readMasterFile(u.path() + "/Data", master));
        ASSERT_EQ(master.entries.size(), 3u);
        EXPECT_EQ(master.entries[2].firstDate(), first[0]);
        EXPECT_EQ(master.entries[2].lastDate(), c.rows.back()[0]);
    }
}

// A disk that fills part-way through: whichever write fails, a security whose quote was not
// stored gets an ERROR line naming it (which the anomaly report shows), and the update file it
// wanted the quote from is not deleted, though other securities took theirs from it.
TEST(UpdateCrash, OnAFillingDiskAFailedMergeIsReportedAndItsUpdateFileIsKept)
{
    int writes = 0;
    {
        TempDir t;
        world(t.path());
        faults::reset();
        const RunOutcome clean = runUpdate(inputsIn(t.path(), true));
        writes = faults::callCount(faults::Op::Write);
        faults::reset();
        EXPECT_EQ(clean.count, 3);
        EXPECT_FALSE(exists(t.path() + "/Updates/D.TXT")) << "a used file is deleted when every merge succeeded";
    }
    int failedMerges = 0;
    for (int n = 1; n <= writes; ++n) {
        SCOPED_TRACE("write #" + std::to_string(n) + " fails");
        TempDir t;
        world(t.path());
        RunOutcome run;
        {
            faults::ScopedFailure full(faults::Op::Write, n);
            run = runUpdate(inputsIn(t.path(), true));
        }
        std::vector<std::string> errors;
        std::copy_if(run.audit.begin(), run.audit.end(), std::back_inserter(errors),
                     [](const std::string& l) { return l.starts_with("ERROR: "); });
        const bool merged = (run.flags & kRunFlagMergeFailed) == 0;
        if (!merged) {
            ++failedMerges;
            EXPECT_TRUE(exists(t.path() + "/Updates/D.TXT")) << "the day's file went with a quote not stored";
            ASSERT_FALSE(errors.empty()) << "a failed merge without an ERROR line";
        }
        for (const std::string& e : errors) {
            if (e.find("could not be added to: ") == std::string::npos) continue;
            const std::string symbol = e.substr(e.find("added to: ") + 10, e.find(" in ") - e.find("added to: ") - 10);
            EXPECT_TRUE(symbol == "IBM" || symbol == "MSFT" || symbol == "NEW" || symbol == "XOM") << e;
            const AnomalyReport report = buildAnomalyReport(t.path() + "/Start/AUDIT.TXT", run.count);
            EXPECT_TRUE(std::any_of(report.entries.begin(), report.entries.end(),
                                    [&](const std::string& entry) { return entry.find(symbol) != std::string::npos; }))
                << "the anomaly report does not show " << symbol;
        }
        expectMasterMatchesQuoteFiles(t.path() + "/Data");
    }
    EXPECT_GE(failedMerges, 4) << "each security's merge can fail";
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
