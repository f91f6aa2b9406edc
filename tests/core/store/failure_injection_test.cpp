// Every writer is run once to count its file-system calls, then once per call with that call
// failing: each failed run leaves the directory as it was (and says so), or, when the failure
// comes after the commit point, exactly as a successful run leaves it.

#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/platform/files.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "fixtures/crash_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;
using faults::Op;

struct Scenario {
    std::function<void(const std::string& dir)> setup;
    std::function<bool(const std::string& dir)> run; // true when the operation reports success
    // Files a failed run may leave that were not there before: the backup of the unchanged
    // MASTER, or files whose removal the operation leaves to its caller.
    std::vector<std::string> mayRemain = {};
};

constexpr std::array<Op, 5> kOps{Op::Write, Op::Fsync, Op::Rename, Op::Unlink, Op::Create};
constexpr std::array<const char*, 5> kOpNames{"write", "fsync", "rename", "unlink", "create"};

// `after` less the tolerated files that `before` did not have. A MASTER.BAK left behind must
// hold the MASTER of `before`.
Snapshot withoutTolerated(Snapshot after, const Snapshot& before, const std::vector<std::string>& names)
{
    for (const auto& name : names) {
        const ByteVec* left = fileIn(after, name);
        if (left == nullptr || fileIn(before, name) != nullptr)
            continue;
        if (name == "MASTER.BAK") {
            EXPECT_EQ(*left, *fileIn(before, "MASTER")) << "MASTER.BAK is no copy of MASTER";
        }
        std::erase_if(after, [&](const auto& f) { return f.first == name; });
    }
    return after;
}

class FailureInjection : public ::testing::Test {
protected:
    void SetUp() override { setTodayOverride("03/15/97"); }
    void TearDown() override
    {
        faults::reset();
        setTodayOverride(std::nullopt);
    }
    void exercise(const Scenario& s)
    {
        std::array<int, 5> calls{};
        Snapshot committed;
        {
            TempDir t;
            s.setup(t.path());
            faults::reset();
            ASSERT_TRUE(s.run(t.path())) << "the operation fails without any injected failure";
            for (std::size_t i = 0; i < kOps.size(); ++i)
                calls[i] = faults::callCount(kOps[i]);
            committed = snapshot(t.path());
            faults::reset();
        }
        ASSERT_GT(calls[0], 0) << "a writer that writes nothing";
        for (std::size_t i = 0; i < kOps.size(); ++i) {
            for (int n = 1; n <= calls[i]; ++n) {
                SCOPED_TRACE(::testing::Message() << kOpNames[i] << " #" << n << " of " << calls[i]);
                TempDir t;
                s.setup(t.path());
                const Snapshot before = snapshot(t.path());
                bool reported = false;
                {
                    faults::ScopedFailure failure(kOps[i], n);
                    reported = !s.run(t.path());
                }
                const Snapshot after = snapshot(t.path());
                if (after == committed)
                    continue; // failed after the commit point
                EXPECT_TRUE(reported) << "failure not reported";
                EXPECT_EQ(withoutTolerated(after, before, s.mayRemain), before);
            }
        }
    }
};

void standard(const std::string& dir) { writeStandardPortfolio(dir); }
void standardWithEmaster(const std::string& dir)
{
    writeStandardPortfolio(dir);
    writeStandardEmaster(dir);
}
void nothing(const std::string&) {}

TEST_F(FailureInjection, EveryWriterLeavesTheDirectoryAsItWasOrAsCommitted)
{
    using D = const std::string&;
    const std::pair<const char*, Scenario> scenarios[] = {
        // The security's files come before MASTER is replaced; if that fails, the caller removes them.
        {"appendMasterEntry with quote files",
         {standard,
          [](D d) {
              return appendMasterEntry(d, "NEW", "NEW ISSUE", 7,
                                       [&](int n) { return createQuoteFiles(d, n, defaultFieldKinds()); })
                  .done();
          },
          {"F3.DAT", "F3.DOP"}}},
        {"removeMasterEntry", {standard, [](D d) { return removeMasterEntry(d, "MSFT").done(); }}},
        {"rewriteMasterEntry",
         {standard, [](D d) { return rewriteMasterEntry(d, "MSFT", "MS", "MICRO").done(); }, {"MASTER.BAK"}}},
        {"setMasterDate",
         {standard,
          [](D d) { return setMasterDate(d, floatToMbf(fileDate(2001, 3, 15)), 2, 1).done(); },
          {"MASTER.BAK"}}},
        {"createQuoteFiles", {standard, [](D d) { return createQuoteFiles(d, 3, defaultFieldKinds()).isOk(); }}},
        {"writeSkipFlags over a file",
         {[](D d) { writeBytes(d + "/SKIPQVTA.PBG", ByteVec(256, 0)); },
          [](D d) { return !writeSkipFlags(d, std::string(256, '1')).empty(); }}},
        {"writeSkipFlags creating the file", {nothing, [](D d) { return !writeSkipFlags(d, "").empty(); }}},
        {"copyFile over a file",
         {[](D d) {
              standard(d);
              writeBytes(d + "/MASTER.BAK", ByteVec{1, 2, 3});
          },
          [](D d) { return copyFile(d + "/MASTER", d + "/MASTER.BAK").isOk(); }}},
    };
    for (const auto& [name, scenario] : scenarios) {
        SCOPED_TRACE(name);
        exercise(scenario);
    }
    // The MASTER writers again in a folder with EMASTER, which each changes before MASTER and
    // puts back when MASTER cannot take its part.
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(std::string(scenarios[k].first) + ", with EMASTER");
        Scenario s = scenarios[k].second;
        s.setup = standardWithEmaster;
        exercise(s);
    }
}

} // namespace
} // namespace qv
