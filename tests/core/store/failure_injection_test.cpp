// Every writer is run once to count its file-system calls, then once per call with that call
// failing. Each failed run must leave the directory exactly as it was, or (when the failure
// comes after the change was committed) exactly as a successful run leaves it; a failure
// before the commit point must be reported.

#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/platform/files.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;
using faults::Op;
using Snapshot = std::vector<std::pair<std::string, ByteVec>>;

struct Scenario {
    std::function<void(const std::string& dir)> setup;
    std::function<bool(const std::string& dir)> run; // true when the operation reports success
    // Files a failed run may leave behind although they were not there before: the backup of
    // the unchanged MASTER, or files whose removal the operation leaves to its caller.
    std::vector<std::string> mayRemain = {};
};

constexpr std::array<Op, 4> kOps{Op::Write, Op::Fsync, Op::Rename, Op::Unlink};
const char* opName(Op op) {
    switch (op) {
    case Op::Write: return "write";
    case Op::Fsync: return "fsync";
    case Op::Rename: return "rename";
    case Op::Unlink: return "unlink";
    }
    return "?";
}

const ByteVec* fileIn(const Snapshot& s, const std::string& name) {
    for (const auto& f : s) {
        if (f.first == name) return &f.second;
    }
    return nullptr;
}

// `after` less the tolerated files that `before` did not have. A MASTER.BAK left behind must
// hold the MASTER of `before`.
Snapshot withoutTolerated(Snapshot after, const Snapshot& before, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const ByteVec* left = fileIn(after, name);
        if (left == nullptr || fileIn(before, name) != nullptr) continue;
        if (name == "MASTER.BAK") {
            EXPECT_EQ(*left, *fileIn(before, "MASTER")) << "MASTER.BAK is no copy of MASTER";
        }
        std::erase_if(after, [&](const auto& f) { return f.first == name; });
    }
    return after;
}

class FailureInjection : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/97");
        faults::reset();
    }
    void TearDown() override {
        faults::reset();
        setTodayOverride(std::nullopt);
    }

    void exercise(const Scenario& s) {
        std::array<int, 4> calls{};
        Snapshot committed;
        {
            TempDir t;
            s.setup(t.path());
            faults::reset();
            ASSERT_TRUE(s.run(t.path())) << "the operation fails without any injected failure";
            for (std::size_t i = 0; i < kOps.size(); ++i) calls[i] = faults::callCount(kOps[i]);
            committed = snapshot(t.path());
            faults::reset();
        }
        ASSERT_GT(calls[0], 0) << "a writer that writes nothing";
        for (std::size_t i = 0; i < kOps.size(); ++i) {
            for (int n = 1; n <= calls[i]; ++n) {
                SCOPED_TRACE(::testing::Message() << opName(kOps[i]) << " #" << n << " of " << calls[i]);
                TempDir t;
                s.setup(t.path());
                const Snapshot before = snapshot(t.path());
                bool reported = false;
                {
                    faults::ScopedFailure failure(kOps[i], n);
                    reported = !s.run(t.path());
                }
                const Snapshot after = snapshot(t.path());
                if (after == committed) continue; // failed after the commit point
                EXPECT_TRUE(reported) << "failure not reported";
                EXPECT_EQ(withoutTolerated(after, before, s.mayRemain), before);
            }
        }
    }
};

void standard(const std::string& dir) { writeStandardPortfolio(dir); }

TEST_F(FailureInjection, AppendMasterEntry) {
    exercise({standard, [](const std::string& d) { return appendMasterEntry(d, "NEW", "NEW ISSUE", 7).done(); }});
}

TEST_F(FailureInjection, AppendMasterEntryWithQuoteFiles) {
    // The security's files are created before MASTER is replaced, so a listed security never
    // lacks them. When the replacement fails they are left for the caller to remove.
    exercise({standard,
              [](const std::string& d) {
                  return appendMasterEntry(d, "NEW", "NEW ISSUE", 7,
                                           [&](int n) { return createQuoteFiles(d, n, defaultFieldKinds()); })
                      .done();
              },
              {"F3.DAT", "F3.DOP"}});
}

TEST_F(FailureInjection, RemoveMasterEntry) {
    exercise({standard, [](const std::string& d) { return removeMasterEntry(d, "MSFT").done(); }});
}

TEST_F(FailureInjection, RewriteMasterEntry) {
    exercise({standard, [](const std::string& d) { return rewriteMasterEntry(d, "MSFT", "MS", "MICRO").done(); },
              {"MASTER.BAK"}});
}

TEST_F(FailureInjection, SetMasterDate) {
    exercise({standard,
              [](const std::string& d) { return setMasterDate(d, floatToMbf(fileDate(2001, 3, 15)), 2, 1).done(); },
              {"MASTER.BAK"}});
}

TEST_F(FailureInjection, CreateEmptyMaster) {
    exercise({[](const std::string&) {}, [](const std::string& d) { return createEmptyMaster(d).isOk(); }});
}

TEST_F(FailureInjection, CreateQuoteFiles) {
    exercise({standard, [](const std::string& d) { return createQuoteFiles(d, 3, defaultFieldKinds()).isOk(); }});
}

TEST_F(FailureInjection, WriteSkipFlagsOverAnExistingFile) {
    exercise({[](const std::string& d) { writeBytes(d + "/SKIPQVTA.PBG", ByteVec(256, 0)); },
              [](const std::string& d) { return !writeSkipFlags(d, std::string(256, '1')).empty(); }});
}

TEST_F(FailureInjection, WriteSkipFlagsCreatingTheFile) {
    exercise({[](const std::string&) {}, [](const std::string& d) { return !writeSkipFlags(d, "").empty(); }});
}

TEST_F(FailureInjection, CopyFileOverAnExistingFile) {
    exercise({[](const std::string& d) {
                  standard(d);
                  writeBytes(d + "/MASTER.BAK", ByteVec{1, 2, 3});
              },
              [](const std::string& d) { return copyFile(d + "/MASTER", d + "/MASTER.BAK").isOk(); }});
}

TEST_F(FailureInjection, CopyFileToANewFile) {
    exercise({standard, [](const std::string& d) { return copyFile(d + "/F1.DAT", d + "/F1.BAK").isOk(); }});
}

TEST_F(FailureInjection, ReplaceFile) {
    exercise({standard, [](const std::string& d) {
                  return replaceFile(d + "/F1.DAT", "F1.~NU", ByteVec(28 * 3, 0x42)).isOk();
              }});
}

TEST(FaultSeam, CountsAndFailsTheNthCall) {
    TempDir t;
    faults::reset();
    ASSERT_TRUE(replaceFile(t.file("A"), "A.~NU", ByteVec{1}).isOk());
    const int renames = faults::callCount(Op::Rename);
    EXPECT_GE(renames, 1);
    {
        faults::ScopedFailure f(Op::Rename, 1);
        const IoStatus s = replaceFile(t.file("A"), "A.~NU", ByteVec{2});
        EXPECT_FALSE(s.isOk());
        EXPECT_EQ(s.error(), EIO);
        EXPECT_NE(s.message().find("A"), std::string::npos);
    }
    EXPECT_EQ(faults::callCount(Op::Rename), 0);
    EXPECT_EQ(readBytes(t.file("A")), ByteVec{1});
}

} // namespace
} // namespace qv
