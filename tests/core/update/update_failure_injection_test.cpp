// Every write, fsync, rename and unlink of an update run is made to fail in turn. Whatever
// fails, each quote file and each MASTER entry must be exactly as before or exactly as after
// that security's step, MASTER must never name a date its quote file lacks, no temporary file
// may be left behind, and a change that did not happen must be reported.

#include "core/platform/fault_injection.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace qv {
namespace {

using namespace qv::updatetest;
using faults::Op;
using Snapshot = std::vector<std::pair<std::string, ByteVec>>;

float d(int y, int m, int day) { return fileDate(y, m, day); }

// One portfolio whose three securities each take a quote, and one with nothing new.
class World : public UpdateFixture {
public:
    World() : quiet(tmp.subdir("Quiet")) {
        portfolio({{1, "IBM", {row7(d(1997, 1, 14), 99, 900, 40), row7(d(1997, 1, 15), 100, 1000, 42)}},
                   {2, "MSFT", {row7(d(1997, 1, 8), 80, 700, 21)}},
                   {4, "GC", {{d(1997, 1, 10), 360, 362, 359, 361, 90}}, 6, {}}});
        writePortfolio(quiet, {{3, "XOM", {row7(d(1997, 1, 20), 50, 10, 1)}}});
        assignProfile(quiet, 3, "Daily");
        updateFile("D.TXT", "IBM,970116,101,103,99,102,5000,60\nMSFT,970110,81,83,80,82,7000,70\n"
                            "GC,970114,363,365,362,364,900,9\nXOM,970116,1,1,1,1,1,1\n");
    }
    UpdateInputs runInputs() const {
        UpdateInputs in = inputs();
        in.portfolios.push_back(quiet);
        return in;
    }
    std::string quiet;
};

const ByteVec* fileIn(const Snapshot& s, const std::string& name) {
    const auto it = std::ranges::find(s, name, &Snapshot::value_type::first);
    return it == s.end() ? nullptr : &it->second;
}

ByteVec record(const ByteVec& master, std::size_t i) {
    const auto from = master.begin() + static_cast<std::ptrdiff_t>(53 * i);
    return ByteVec(from, from + 53);
}

constexpr std::array<Op, 5> kOps{Op::Write, Op::Fsync, Op::Rename, Op::Unlink, Op::Create};
constexpr std::array<const char*, 5> kOpNames{"write", "fsync", "rename", "unlink", "create"};

// Checks one portfolio after a run in which something failed.
// Returns whether it ended exactly as after a clean run (MASTER.~OL aside).
bool checkPortfolio(const std::string& dir, const Snapshot& before, const Snapshot& after) {
    const Snapshot now = snapshot(dir);
    for (const auto& [name, bytes] : now) {
        EXPECT_TRUE(name.find(".~NU") == std::string::npos && name.find(".~CP") == std::string::npos) << name << " left behind";
        if (name == "MASTER.~OL") {
            EXPECT_EQ(bytes, *fileIn(before, "MASTER")) << "MASTER.~OL is no copy of the old MASTER";
            continue;
        }
        EXPECT_TRUE(fileIn(before, name) != nullptr || fileIn(after, name) != nullptr) << name << " appeared";
    }
    bool asAfter = true;
    for (const auto& [name, was] : before) {
        const ByteVec* is = fileIn(now, name);
        const ByteVec* becomes = fileIn(after, name);
        if (is == nullptr) {
            ADD_FAILURE() << name << " lost";
            asAfter = false;
            continue;
        }
        if (name == "MASTER") continue;
        EXPECT_TRUE(*is == was || *is == *becomes) << name << " is neither as before nor as after";
        asAfter = asAfter && *is == *becomes;
    }
    const ByteVec& master = *fileIn(now, "MASTER");
    const ByteVec& masterBefore = *fileIn(before, "MASTER");
    const ByteVec& masterAfter = *fileIn(after, "MASTER");
    if (master.size() != masterBefore.size()) {
        ADD_FAILURE() << "MASTER changed size";
        return false;
    }
    EXPECT_EQ(record(master, 0), record(masterBefore, 0));
    for (std::size_t i = 1; i * 53 < master.size(); ++i) {
        const ByteVec entry = record(master, i);
        const ByteVec entryBefore = record(masterBefore, i), entryAfter = record(masterAfter, i);
        EXPECT_TRUE(entry == entryBefore || entry == entryAfter) << "MASTER entry " << i << " is neither";
        if (entry == entryAfter && entryAfter != entryBefore) {
            const std::string dat = "F" + std::to_string(entry[0]) + ".DAT";
            EXPECT_EQ(*fileIn(now, dat), *fileIn(after, dat)) << "MASTER names a date that " << dat << " lacks";
        }
    }
    return asAfter && master == masterAfter;
}

TEST(UpdateFailureInjection, NoFailureOfAnyFileCallLosesOrTearsAFileOrLeavesMasterAheadOfItsQuotes) {
    World reference;
    const Snapshot dataBefore = snapshot(reference.data), quietBefore = snapshot(reference.quiet);
    faults::reset();
    ASSERT_EQ(runUpdate(reference.runInputs()).count, 3);
    std::array<int, 5> calls{};
    for (std::size_t i = 0; i < kOps.size(); ++i) calls[i] = faults::callCount(kOps[i]);
    faults::reset();
    const Snapshot dataAfter = snapshot(reference.data), quietAfter = snapshot(reference.quiet);
    for (std::size_t i : {0, 2, 3}) ASSERT_GT(calls[i], 0) << kOpNames[i];
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
            const bool reported = (run.flags & kRunFlagMergeFailed) != 0 ||
                                  std::ranges::any_of(run.audit, [](const std::string& l) { return l.starts_with("ERROR: "); });
            EXPECT_TRUE((dataDone && quietDone) || reported) << "a change that did not happen went unreported";
            EXPECT_EQ(readLines(world.updates + "/D.TXT").size(), 4u);
        }
    }
}

// The last rename of the run is MASTER.~NU over MASTER. When it fails, MASTER stays as it was
// beside its copy and an error is reported; the quote file already holds the new day while
// MASTER does not name it, and the next run must not store that day a second time.
TEST(UpdateFailureInjection, FailedMasterReplacementKeepsMasterAndTheRerunDoesNotStoreTheSameDayTwice) {
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
    EXPECT_EQ(f.dataFile("MASTER.~OL"), masterBefore);
    EXPECT_FALSE(exists(f.data + "/MASTER.~NU"));
    EXPECT_EQ(run.flags & kRunFlagMergeFailed, kRunFlagMergeFailed);
    EXPECT_EQ(std::ranges::count_if(run.audit, [](const std::string& l) { return l.starts_with("ERROR: "); }), 1);
    runUpdate(f.inputs());
    const SecuritySpec ibm{1, "IBM", {row7(d(1997, 1, 15), 100, 1000, 42), {d(1997, 1, 16), 101, 103, 99, 102, 5000, 60}}};
    EXPECT_EQ(f.dataFile("F1.DAT"), quoteFile(7, ibm.rows)) << "the quote file holds 01/16/97 twice";
    EXPECT_EQ(f.dataFile("MASTER"), expectedMaster({ibm.entry()}));
}

} // namespace
} // namespace qv
