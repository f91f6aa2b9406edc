// Every write, fsync, rename, unlink and create of an update run (deleting used files) is made
// to fail in turn, as on a disk that fills. Whatever fails, each quote file and each MASTER
// entry must be exactly as before or exactly as after that security's step, MASTER must never
// name a date its quote file lacks, no temporary file may be left behind, and a change that did
// not happen must be reported.

#include "core/platform/fault_injection.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace qv {
namespace {

using namespace qv::updatetest;
using faults::Op;

float d(int y, int m, int day) { return fileDate(y, m, day); }

// One portfolio whose three securities each take a quote, and one with nothing new.
class World : public UpdateFixture {
public:
    World() : quiet(tmp.subdir("Quiet"))
    {
        portfolio({{1, "IBM", {row7(d(1997, 1, 14), 99, 900, 40), row7(d(1997, 1, 15), 100, 1000, 42)}},
                   {2, "MSFT", {row7(d(1997, 1, 8), 80, 700, 21)}},
                   {4, "GC", {{d(1997, 1, 10), 360, 362, 359, 361, 90}}, 6, {}}});
        writePortfolio(quiet, {{3, "XOM", {row7(d(1997, 1, 20), 50, 10, 1)}}});
        assignProfile(quiet, 3, "Daily");
        updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\nMSFT,970110,81,83,80,82,7000,70\n"
                            "GC,970114,363,365,362,364,900,9\nXOM,970116,1,1,1,1,1,1\n");
    }
    UpdateInputs runInputs() const
    {
        UpdateInputs in = inputs();
        in.portfolios.push_back(quiet);
        in.settings.deleteTxt = true;
        return in;
    }
    std::string quiet;
};

ByteVec masterRecord(const ByteVec& master, std::size_t i)
{
    const auto from = master.begin() + static_cast<std::ptrdiff_t>(53 * i);
    return ByteVec(from, from + 53);
}

constexpr std::array<Op, 5> kOps{Op::Write, Op::Fsync, Op::Rename, Op::Unlink, Op::Create};
constexpr std::array<const char*, 5> kOpNames{"write", "fsync", "rename", "unlink", "create"};

// Checks one portfolio after a run in which something failed; returns whether it ended exactly
// as after a clean run (MASTER.~OL aside).
bool checkPortfolio(const std::string& dir, const Snapshot& before, const Snapshot& after)
{
    const Snapshot now = snapshot(dir);
    for (const auto& [name, bytes] : now) {
        if (name == "MASTER.~OL")
            EXPECT_EQ(bytes, *fileIn(before, "MASTER")) << "MASTER.~OL is no copy of the old MASTER";
        else
            EXPECT_TRUE(!isTemporaryName(name) && (fileIn(before, name) || fileIn(after, name))) << name << " appeared";
    }
    for (const auto& [name, was] : before) {
        const ByteVec* is = fileIn(now, name);
        EXPECT_TRUE(is && (name == "MASTER" || *is == was || *is == *fileIn(after, name)))
            << name << " is lost, or neither as before nor as after";
    }
    const ByteVec *master = fileIn(now, "MASTER"), &masterBefore = *fileIn(before, "MASTER");
    if (!master || master->size() != masterBefore.size()) {
        ADD_FAILURE() << "MASTER lost or changed size";
        return false;
    }
    for (std::size_t i = 0; i * 53 < master->size(); ++i) {
        const ByteVec record = masterRecord(*master, i);
        EXPECT_TRUE(record == masterRecord(masterBefore, i) || record == masterRecord(*fileIn(after, "MASTER"), i))
            << "MASTER record " << i << " is neither as before nor as after";
    }
    expectMasterMatchesQuoteFiles(dir);
    return without(now, {"MASTER.~OL"}) == after;
}

TEST(UpdateFailureInjection, NoFailureOfAnyFileCallLosesOrTearsAFileOrLeavesMasterAheadOfItsQuotes)
{
    World reference;
    const Snapshot dataBefore = snapshot(reference.data), quietBefore = snapshot(reference.quiet);
    faults::reset();
    ASSERT_EQ(runUpdate(reference.runInputs()).count, 3);
    EXPECT_FALSE(exists(reference.updates + "/D.TXT")) << "a used file is deleted when every merge succeeded";
    std::array<int, 5> calls{};
    for (std::size_t i = 0; i < kOps.size(); ++i)
        calls[i] = faults::callCount(kOps[i]);
    faults::reset();
    const Snapshot dataAfter = snapshot(reference.data), quietAfter = snapshot(reference.quiet);
    for (std::size_t i : {0, 2, 3})
        ASSERT_GT(calls[i], 0) << kOpNames[i];
    for (std::size_t i = 0; i < kOps.size(); ++i) {
        for (int n = 1; n <= calls[i]; ++n) {
            SCOPED_TRACE(std::string(kOpNames[i]) + " #" + std::to_string(n) + " fails");
            World world;
            RunOutcome run;
            {
                faults::ScopedFailure failure(kOps[i], n);
                run = runUpdate(world.runInputs());
            }
            const bool dataDone = checkPortfolio(world.data, dataBefore, dataAfter);
            const bool quietDone = checkPortfolio(world.quiet, quietBefore, quietAfter);
            const bool reported =
                (run.flags & kRunFlagMergeFailed) != 0 ||
                std::ranges::any_of(run.audit, [](const std::string& l) { return l.starts_with("ERROR: "); });
            EXPECT_TRUE((dataDone && quietDone) || reported) << "a change that did not happen went unreported";
            // The file a quote could not be stored from stays whole for the next run, and the
            // anomaly report names each security whose quote was not stored.
            if (run.flags & kRunFlagMergeFailed) {
                EXPECT_EQ(readLines(world.updates + "/D.TXT").size(), 4u)
                    << "the day's file went with a quote not stored";
            }
            const AnomalyReport report = buildAnomalyReport(world.startup + "/AUDIT.TXT", run.count);
            for (const std::string& e : run.audit) {
                const std::size_t at = e.find("could not be added to: ");
                if (at == std::string::npos)
                    continue;
                const std::string symbol = e.substr(at + 23, e.find(" in ", at) - at - 23);
                ASSERT_FALSE(symbol.empty()) << e;
                EXPECT_TRUE(
                    std::ranges::any_of(report.entries, [&](const std::string& r) { return r.find(symbol) != r.npos; }))
                    << "the anomaly report does not show " << symbol;
            }
        }
    }
}

// The last rename of the run is MASTER.~NU over MASTER. When it fails, MASTER stays as it was
// beside its copy and an error is reported; the quote file already holds the new day while
// MASTER does not name it, and the next run must neither store that day a second time nor log
// or count it as added (MASTER learns the day).
TEST(UpdateFailureInjection, FailedMasterReplacementKeepsMasterAndTheRerunDoesNotStoreTheSameDayTwice)
{
    UpdateFixture counted, f;
    for (UpdateFixture* x : {&counted, &f}) {
        x->portfolio({{1, "IBM", {row7(d(1997, 1, 15), 100, 1000, 42)}}});
        x->updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\n");
    }
    faults::reset();
    runUpdate(counted.inputs());
    const int renames = faults::callCount(Op::Rename);
    faults::reset();
    const ByteVec masterBefore = f.dataFile("MASTER");
    RunOutcome run;
    {
        faults::ScopedFailure failure(Op::Rename, renames);
        run = runUpdate(f.inputs());
    }
    EXPECT_EQ(f.dataFile("MASTER"), masterBefore);
    EXPECT_NE(run.flags & kRunFlagMergeFailed, 0);
    const RunOutcome rerun = runUpdate(f.inputs());
    EXPECT_EQ(rerun.count, 0) << "a day the quote file already held counted as added";
    EXPECT_TRUE(
        std::ranges::none_of(rerun.audit, [](const std::string& l) { return l.find("added to: IBM") != l.npos; }));
    const SecuritySpec ibm{
        1, "IBM", {row7(d(1997, 1, 15), 100, 1000, 42), {d(1997, 1, 16), 101, 103, 99, 102, 5000, 60}}};
    EXPECT_EQ(f.dataFile("F1.DAT"), quoteFile(7, ibm.rows)) << "the quote file holds 01/16/97 twice";
    EXPECT_EQ(f.dataFile("MASTER"), expectedMaster({ibm.entry()}));
}

} // namespace
} // namespace qv
