#include "core/platform/clock.h"
#include "core/store/master.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

EntrySpec entrySpec(int n, const std::string& symbol, const std::string& name = "", int fields = 7) {
    return {n, symbol, name, fields, fileDate(1997, 1, 2), fileDate(1997, 3, 14)};
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : snapshot(dir)) names.push_back(name);
    return names;
}

class MasterWriter : public ::testing::Test {
protected:
    TempDir tmp;
    ByteVec ibm = masterEntry(entrySpec(1, "IBM", "IBM CORP"));
    ByteVec msft = masterEntry(entrySpec(2, "MSFT", "MICROSOFT"));
    ByteVec gc = masterEntry(entrySpec(4, "GC", "GOLD", 6));

    void SetUp() override { setTodayOverride("03/15/97"); }
    void TearDown() override { setTodayOverride(std::nullopt); }

    std::string master() const { return tmp.file("MASTER"); }
    void writeMaster(const ByteVec& bytes) { writeBytes(master(), bytes); }
    ByteVec todayEntry(int n, const std::string& symbol, const std::string& name, int fields = 7) const {
        EntrySpec e = entrySpec(n, symbol, name, fields);
        e.firstDate = e.lastDate = fileDate(1997, 3, 15);
        return masterEntry(e);
    }
};

TEST_F(MasterWriter, CreateEmptyMasterIsOneZeroHeader) {
    ASSERT_TRUE(createEmptyMaster(tmp.path()).isOk());
    EXPECT_EQ(readBytes(master()), ByteVec(53, 0));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"MASTER"});
}

TEST_F(MasterWriter, AppendTakesTheLowestFreeNumberAndWritesTheDocumentedEntry) {
    ByteVec header = masterHeader(3, 7);
    setByte(header, 30, 0xAB); // the header's tail is carried over
    writeMaster(concat({header, ibm, msft, gc}));

    const MasterChange c = appendMasterEntry(tmp.path(), "NEW", "NEW ISSUE", 7);
    ASSERT_TRUE(c.done()) << c.message;
    EXPECT_EQ(c.fileNumber, 3);
    ByteVec expectedHeader = masterHeader(4, 8);
    setByte(expectedHeader, 30, 0xAB);
    EXPECT_EQ(readBytes(master()), concat({expectedHeader, ibm, msft, gc, todayEntry(3, "NEW", "NEW ISSUE")}));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"MASTER"});
}

TEST_F(MasterWriter, AppendCutsLongTextsAndRecordsTheFieldCount) {
    writeMaster(masterFile({}));
    const MasterChange c = appendMasterEntry(tmp.path(), "ABCDEFGHIJKLMNOPQR", "A NAME LONGER THAN SIXTEEN", 5);
    ASSERT_TRUE(c.done());
    EXPECT_EQ(c.fileNumber, 1);
    EXPECT_EQ(readBytes(master()),
              concat({masterHeader(1, 1), todayEntry(1, "ABCDEFGHIJKLMNOP", "A NAME LONGER TH", 5)}));
}

TEST_F(MasterWriter, RemovedNumberIsReusedByTheNextAdd) {
    writeMaster(masterFile({ibm, msft, gc}));
    const MasterChange r = removeMasterEntry(tmp.path(), "MSFT");
    ASSERT_TRUE(r.done());
    EXPECT_EQ(r.fileNumber, 2);
    EXPECT_EQ(readBytes(master()), concat({masterHeader(2, 2), ibm, gc}));
    EXPECT_EQ(appendMasterEntry(tmp.path(), "X", "X", 7).fileNumber, 2);
    EXPECT_EQ(appendMasterEntry(tmp.path(), "Y", "Y", 7).fileNumber, 3);
    EXPECT_EQ(appendMasterEntry(tmp.path(), "Z", "Z", 7).fileNumber, 5);
}

TEST_F(MasterWriter, FullPortfolioOrSecondCounterAt255RefusesAndWritesNothing) {
    std::vector<ByteVec> entries;
    for (int n = 1; n <= 254; ++n) entries.push_back(masterEntry(entrySpec(n, "S" + std::to_string(n))));
    writeMaster(masterFile(entries));
    const MasterChange last = appendMasterEntry(tmp.path(), "S255", "", 7);
    ASSERT_TRUE(last.done());
    EXPECT_EQ(last.fileNumber, 255);
    for (bool counterOnly : {false, true}) {
        if (counterOnly) writeMaster(concat({masterHeader(2, 255), ibm, msft}));
        const auto before = snapshot(tmp.path());
        const MasterChange refused = appendMasterEntry(tmp.path(), "MORE", "", 7);
        EXPECT_EQ(refused.outcome, MasterChange::Outcome::Full);
        EXPECT_EQ(refused.message, kMasterFullMessage);
        EXPECT_EQ(snapshot(tmp.path()), before);
    }
}

TEST_F(MasterWriter, BeforeCommitRunsWhileTheOldMasterIsInPlaceAndItsFailureLeavesMasterAlone) {
    writeMaster(masterFile({ibm}));
    const ByteVec old = readBytes(master());
    const auto before = snapshot(tmp.path());
    const MasterChange failed = appendMasterEntry(tmp.path(), "NEW", "", 7,
                                                  [](int) { return IoStatus::failure("no room for the quote file"); });
    EXPECT_EQ(failed.outcome, MasterChange::Outcome::Failed);
    EXPECT_FALSE(failed.message.empty());
    EXPECT_EQ(snapshot(tmp.path()), before);
    int seen = 0;
    const MasterChange c = appendMasterEntry(tmp.path(), "NEW", "", 7, [&](int n) {
        seen = n;
        EXPECT_EQ(readBytes(master()), old);
        return IoStatus::ok();
    });
    EXPECT_TRUE(c.done());
    EXPECT_EQ(seen, 2);
}

TEST_F(MasterWriter, RemoveComparesTheSymbolExactlyAndTakesOnlyTheFirst) {
    const ByteVec dup = masterEntry(entrySpec(5, "IBM", "SECOND"));
    writeMaster(masterFile({ibm, msft, dup}));
    const auto before = snapshot(tmp.path());
    EXPECT_EQ(removeMasterEntry(tmp.path(), "ibm").outcome, MasterChange::Outcome::NotFound);
    EXPECT_EQ(removeMasterEntry(tmp.path(), "IBM CORP").outcome, MasterChange::Outcome::NotFound);
    EXPECT_EQ(rewriteMasterEntry(tmp.path(), "NONE", "X", "X").outcome, MasterChange::Outcome::NotFound);
    EXPECT_EQ(snapshot(tmp.path()), before);
    setMasterDate(tmp.path(), floatToMbf(fileDate(2001, 3, 15)), 9, 1); // no entry 9
    EXPECT_EQ(readBytes(master()), before.front().second);

    const MasterChange r = removeMasterEntry(tmp.path(), "IBM");
    ASSERT_TRUE(r.done());
    EXPECT_EQ(r.fileNumber, 1);
    EXPECT_EQ(readBytes(master()), concat({masterHeader(2, 2), msft, dup}));
}

TEST_F(MasterWriter, RemoveKeepsTheOtherFilesOfThePortfolio) {
    writeStandardPortfolio(tmp.path());
    auto before = snapshot(tmp.path());
    ASSERT_TRUE(removeMasterEntry(tmp.path(), "MSFT").done());
    auto after = snapshot(tmp.path());
    std::erase_if(before, [](const auto& f) { return f.first == "MASTER"; });
    EXPECT_EQ(std::erase_if(after, [](const auto& f) { return f.first == "MASTER"; }), 1u);
    EXPECT_EQ(after, before);
}

TEST_F(MasterWriter, RewriteChangesOneEntryAndKeepsABackup) {
    writeMaster(masterFile({ibm, msft, gc}));
    const ByteVec old = readBytes(master());
    writeBytes(tmp.file("MASTER.BAK"), ByteVec{1, 2, 3});

    const MasterChange c = rewriteMasterEntry(tmp.path(), "msft", "MSFT2", "MICRO NEW NAME AND MORE");
    ASSERT_TRUE(c.done());
    EXPECT_EQ(c.fileNumber, 2);
    ByteVec changed = msft;
    setText(changed, 7, "MICRO NEW NAME A");
    setText(changed, 36, "MSFT2           ");
    EXPECT_EQ(readBytes(master()), concat({masterHeader(3, 3), ibm, changed, gc}));
    EXPECT_EQ(readBytes(tmp.file("MASTER.BAK")), old);
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"MASTER", "MASTER.BAK"}));
}

TEST_F(MasterWriter, RewriteWorksInTheNestedPortfolioWhereTheEntryIs) {
    writeMaster(masterFile({ibm, masterDirectoryEntry(2, "SUB")}));
    const std::string sub = tmp.subdir("SUB");
    writeBytes(sub + "/MASTER", masterFile({msft}));
    const ByteVec top = readBytes(master());

    ASSERT_TRUE(rewriteMasterEntry(tmp.path(), "MSFT", "MS", "MICROSOFT").done());
    ByteVec changed = msft;
    setText(changed, 36, "MS              ");
    EXPECT_EQ(readBytes(sub + "/MASTER"), masterFile({changed}));
    EXPECT_EQ(readBytes(sub + "/MASTER.BAK"), masterFile({msft}));
    EXPECT_EQ(readBytes(master()), top);
}

TEST_F(MasterWriter, SetMasterDateStoresTheValueAtTheChosenOffset) {
    writeMaster(masterFile({ibm, msft}));
    const ByteVec old = readBytes(master());
    const MbfFloat date = floatToMbf(fileDate(2001, 3, 15));

    ASSERT_TRUE(setMasterDate(tmp.path(), date, 2, 1).done());
    ByteVec last = msft;
    setMbf(last, 29, fileDate(2001, 3, 15));
    EXPECT_EQ(readBytes(master()), masterFile({ibm, last}));
    EXPECT_EQ(readBytes(tmp.file("MASTER.BAK")), old);

    ASSERT_TRUE(setMasterDate(tmp.path(), date, 1, 0).done());
    ByteVec first = ibm;
    setMbf(first, 25, fileDate(2001, 3, 15));
    EXPECT_EQ(readBytes(master()), masterFile({first, last}));
}

TEST_F(MasterWriter, LowerCaseMasterKeepsItsName) {
    writeBytes(tmp.file("master"), masterFile({ibm, msft}));
    ASSERT_TRUE(appendMasterEntry(tmp.path(), "NEW", "", 7).done());
    ASSERT_TRUE(removeMasterEntry(tmp.path(), "IBM").done());
    ASSERT_TRUE(setMasterDate(tmp.path(), floatToMbf(fileDate(2001, 3, 15)), 2, 1).done());
    ASSERT_TRUE(rewriteMasterEntry(tmp.path(), "NEW", "NEWER", "").done());
    const auto names = namesIn(tmp.path());
    EXPECT_EQ(std::count(names.begin(), names.end(), "master"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "MASTER"), 0);
    EXPECT_EQ(readBytes(tmp.file("master")).size(), 53u * 3);
}

TEST_F(MasterWriter, WritersCreateNothingWithoutAWholeHeader) {
    const MbfFloat date = floatToMbf(fileDate(2001, 3, 15));
    for (bool torn : {false, true}) {
        std::filesystem::remove(tmp.file("MASTER"));
        if (torn) {
            ByteVec header = masterHeader(1, 1);
            shrinkTo(header, 20);
            writeBytes(tmp.file("MASTER"), header);
        }
        const auto before = snapshot(tmp.path());
        EXPECT_FALSE(appendMasterEntry(tmp.path(), "NEW", "", 7).done());
        EXPECT_FALSE(removeMasterEntry(tmp.path(), "IBM").done());
        EXPECT_FALSE(rewriteMasterEntry(tmp.path(), "IBM", "X", "").done());
        EXPECT_FALSE(setMasterDate(tmp.path(), date, 1, 1).done());
        EXPECT_EQ(snapshot(tmp.path()), before);
    }
}

// A MASTER whose count disagrees with its size keeps every byte it had: writers change the
// length by exactly the record added or removed. `rewrite` and `dated` (file number) name a
// declared entry; `listed`, when given, must still be found after every writer but the rewrite.
class DamagedCount : public MasterWriter {
protected:
    void expectTailKept(const ByteVec& old, const ByteVec& tail, const std::string& rewrite, int dated,
                        const std::string& listed) {
        const std::tuple<const char*, std::function<bool()>, int> writers[] = {
            {"append", [&] { return appendMasterEntry(tmp.path(), "NEW", "", 7).done(); }, 53},
            {"remove", [&] { return removeMasterEntry(tmp.path(), "IBM").done(); }, -53},
            {"rewrite", [&] { return rewriteMasterEntry(tmp.path(), rewrite, "REW", "").done(); }, 0},
            {"date", [&] { return setMasterDate(tmp.path(), floatToMbf(fileDate(2001, 3, 15)), dated, 1).done(); }, 0},
        };
        for (const auto& [name, writer, growth] : writers) {
            SCOPED_TRACE(name);
            writeMaster(old);
            ASSERT_TRUE(writer());
            const ByteVec now = readBytes(master());
            ASSERT_EQ(now.size(), old.size() + static_cast<std::size_t>(growth));
            EXPECT_EQ(ByteVec(now.end() - static_cast<std::ptrdiff_t>(tail.size()), now.end()), tail);
            const std::string_view op = name;
            if (growth > 0) {
                EXPECT_EQ(findSecurity(tmp.path(), "NEW").status, kStatusOk);
            } else if (op == "rewrite") {
                EXPECT_EQ(findSecurity(tmp.path(), "REW").status, kStatusOk);
            } else if (!listed.empty()) {
                EXPECT_EQ(findSecurity(tmp.path(), listed).status, kStatusOk);
            }
        }
    }
};

TEST_F(DamagedCount, UnderstatedCountKeepsTheTrailingRecordsVerbatim) {
    expectTailKept(concat({masterHeader(1, 1), ibm, msft}), msft, "IBM", 1, "");
}

TEST_F(DamagedCount, OverstatedCountWithATornRecord) {
    ByteVec old = concat({masterHeader(6, 6), ibm, msft, gc});
    shrinkTo(old, old.size() - 30);
    expectTailKept(old, ByteVec(old.end() - 23, old.end()), "MSFT", 2, "MSFT");
}

} // namespace
} // namespace qv
