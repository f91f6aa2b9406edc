#include "core/platform/clock.h"
#include "core/store/master.h"
#include "core/store/securities.h"
#include "fixtures/crash_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>

namespace qv {
namespace {

using namespace qv::fixtures;

EntrySpec entrySpec(int n, const std::string& symbol, const std::string& name = "", int fields = 7)
{
    return {n, symbol, name, fields, fileDate(1997, 1, 2), fileDate(1997, 3, 14)};
}

std::vector<std::string> namesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& file : snapshot(dir))
        names.push_back(file.first);
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
    ByteVec todayEntry(int n, const std::string& symbol, const std::string& name, int fields = 7) const
    {
        EntrySpec e = entrySpec(n, symbol, name, fields);
        e.firstDate = e.lastDate = fileDate(1997, 3, 15);
        return masterEntry(e);
    }
};

TEST_F(MasterWriter, AppendTakesTheLowestFreeNumberCutsLongTextsAndWritesTheDocumentedEntry)
{
    ASSERT_TRUE(createEmptyMaster(tmp.path()).isOk());
    EXPECT_EQ(readBytes(master()), ByteVec(53, 0));
    ASSERT_EQ(appendMasterEntry(tmp.path(), "ABCDEFGHIJKLMNOPQR", "A NAME LONGER THAN SIXTEEN", 5).fileNumber, 1);
    EXPECT_EQ(readBytes(master()),
              concat({masterHeader(1, 1), todayEntry(1, "ABCDEFGHIJKLMNOP", "A NAME LONGER TH", 5)}));
    ByteVec header = masterHeader(200, 7); // overstates its entries: rewritten to count those held
    setByte(header, 30, 0xAB);             // the header's tail is carried over
    writeMaster(concat({header, ibm, msft, gc}));
    EXPECT_EQ(appendMasterEntry(tmp.path(), "NEW", "NEW ISSUE", 7).fileNumber, 3);
    ByteVec expectedHeader = masterHeader(4, 8);
    setByte(expectedHeader, 30, 0xAB);
    EXPECT_EQ(readBytes(master()), concat({expectedHeader, ibm, msft, gc, todayEntry(3, "NEW", "NEW ISSUE")}));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"MASTER"});
}

TEST_F(MasterWriter, RemoveComparesTheSymbolExactlyTakesOnlyTheFirstAndFreesItsNumber)
{
    const ByteVec dup = masterEntry(entrySpec(5, "IBM", "SECOND"));
    writeStandardPortfolio(tmp.path());
    writeMaster(masterFile({ibm, msft, dup}));
    const auto before = snapshot(tmp.path());
    for (const char* key : {"ibm", "IBM CORP"})
        EXPECT_EQ(removeMasterEntry(tmp.path(), key).outcome, MasterChange::Outcome::NotFound);
    EXPECT_EQ(setMasterDate(tmp.path(), floatToMbf(fileDate(2001, 3, 15)), 9, 1).outcome, // no entry 9
              MasterChange::Outcome::NotFound);
    EXPECT_EQ(snapshot(tmp.path()), before);
    EXPECT_EQ(removeMasterEntry(tmp.path(), "IBM").fileNumber, 1);
    EXPECT_EQ(readBytes(master()), concat({masterHeader(2, 2), msft, dup}));
    EXPECT_EQ(without(snapshot(tmp.path()), {"MASTER"}), without(before, {"MASTER"})); // quote files: the caller's
    // The removed number is free again once its files are gone (F4.DAT, left by no entry here,
    // keeps 4 taken).
    std::filesystem::remove(tmp.file("F1.DAT"));
    std::filesystem::remove(tmp.file("F1.DOP"));
    EXPECT_EQ(appendMasterEntry(tmp.path(), "X", "X", 7).fileNumber, 1);
    EXPECT_EQ(appendMasterEntry(tmp.path(), "Y", "Y", 7).fileNumber, 3);
    EXPECT_EQ(appendMasterEntry(tmp.path(), "Z", "Z", 7).fileNumber, 6);
}

// A damaged MASTER must never lead to a number whose files are there: each case names the
// number the next security gets and the files that no record of MASTER names.
TEST_F(MasterWriter, ANumberNamedByAnyRecordOrByFilesInTheDirectoryIsNeverTaken)
{
    ByteVec renumbered = msft;
    setByte(renumbered, 0, 9); // MSFT's number byte damaged: F2.* belong to no entry now
    const struct {
        const char* what;
        ByteVec master;
        std::vector<std::string> files;
        int expected;
        std::string orphans;
    } cases[] = {
        {"header counts fewer, files of both", concat({masterHeader(1, 1), ibm, msft}), {"F1.DAT", "F2.DAT"}, 3, ""},
        {"truncated MASTER",
         concat({masterHeader(3, 3), ibm, ByteVec(msft.begin(), msft.begin() + 20)}),
         {"F1.DAT", "F2.DAT", "F2.DOP"},
         3,
         "F2.DAT, F2.DOP"},
        {"damaged number byte",
         masterFile({ibm, renumbered}),
         {"F1.DAT", "F2.DAT", "F2.DOP", "F9.DAT"},
         3,
         "F2.DAT, F2.DOP"},
        {"duplicate numbers", masterFile({ibm, masterEntry(entrySpec(1, "MSFT"))}), {"F1.DAT", "F2.DAT"}, 3, "F2.DAT"},
        {"lower-case names count", masterFile({ibm}), {"f2.dat", "F3.pfl", "f4.Dop"}, 5, "f2.dat, F3.pfl, f4.Dop"},
        {"names that are no security files",
         masterFile({ibm}),
         {"F02.DAT", "F2.BAK", "F2.DATX", "FX.DAT", "F256.DAT"},
         2,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir.file("MASTER"), c.master);
        for (const std::string& name : c.files)
            writeBytes(dir.file(name), ByteVec{0xEE});
        const MasterChange change = appendMasterEntry(dir.path(), "NEW", "", 7);
        ASSERT_TRUE(change.done()) << change.failure.message();
        EXPECT_EQ(change.fileNumber, c.expected);
        EXPECT_TRUE(c.orphans.empty() ? change.notice.empty()
                                      : change.notice.find(": " + c.orphans + ".") != std::string::npos)
            << change.notice;
        for (const std::string& name : c.files)
            EXPECT_EQ(readBytes(dir.file(name)), ByteVec{0xEE}) << name;
    }
}

// 255 entries, 254 and a file of number 255, or a second counter at 255: refused, nothing written.
TEST_F(MasterWriter, FullPortfolioOrSecondCounterAt255RefusesAndWritesNothing)
{
    std::vector<ByteVec> entries;
    for (int n = 1; n <= 254; ++n)
        entries.push_back(masterEntry(entrySpec(n, "S" + std::to_string(n))));
    writeMaster(masterFile(entries));
    writeBytes(tmp.file("f255.pfl"), ByteVec{1});
    for (int round : {0, 1, 2}) {
        if (round == 1) {
            std::filesystem::remove(tmp.file("f255.pfl"));
            EXPECT_EQ(appendMasterEntry(tmp.path(), "S255", "", 7).fileNumber, 255);
        }
        if (round == 2)
            writeMaster(concat({masterHeader(2, 255), ibm, msft}));
        const auto before = snapshot(tmp.path());
        const MasterChange refused = appendMasterEntry(tmp.path(), "MORE", "", 7, [](int) -> IoStatus {
            ADD_FAILURE() << "files created for a refused security";
            return IoStatus::ok();
        });
        EXPECT_EQ(refused.outcome, MasterChange::Outcome::Full) << round;
        if (round == 0) {
            EXPECT_EQ(refused.failure.what(), kNoFreeNumberMessage);
            EXPECT_NE(refused.failure.cause().find("f255.pfl"), std::string::npos) << refused.failure.cause();
        }
        EXPECT_EQ(snapshot(tmp.path()), before);
    }
}

TEST_F(MasterWriter, RewriteAndSetDateChangeOneEntryAndKeepABackup)
{
    writeMaster(masterFile({ibm, msft, gc}));
    const ByteVec old = readBytes(master());
    writeBytes(tmp.file("MASTER.BAK"), ByteVec{1, 2, 3});
    EXPECT_EQ(rewriteMasterEntry(tmp.path(), "msft", "MSFT2", "MICRO NEW NAME AND MORE").fileNumber, 2);
    ByteVec changed = msft;
    setText(changed, 7, "MICRO NEW NAME A");
    setText(changed, 36, "MSFT2           ");
    EXPECT_EQ(readBytes(master()), concat({masterHeader(3, 3), ibm, changed, gc}));
    EXPECT_EQ(readBytes(tmp.file("MASTER.BAK")), old);
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"MASTER", "MASTER.BAK"}));
    const MbfFloat date = floatToMbf(fileDate(2001, 3, 15));
    ASSERT_TRUE(setMasterDate(tmp.path(), date, 2, 1).done() && setMasterDate(tmp.path(), date, 1, 0).done());
    setMbf(changed, 29, fileDate(2001, 3, 15));
    ByteVec first = ibm;
    setMbf(first, 25, fileDate(2001, 3, 15));
    EXPECT_EQ(readBytes(master()), masterFile({first, changed, gc}));
    EXPECT_EQ(readBytes(tmp.file("MASTER.BAK")), masterFile({ibm, changed, gc}));
}

TEST_F(MasterWriter, LowerCaseMasterKeepsItsNameAndWritersCreateNothingWithoutAWholeHeader)
{
    writeBytes(tmp.file("master"), masterFile({ibm, msft}));
    ASSERT_TRUE(appendMasterEntry(tmp.path(), "NEW", "", 7).done());
    ASSERT_TRUE(removeMasterEntry(tmp.path(), "IBM").done());
    ASSERT_TRUE(rewriteMasterEntry(tmp.path(), "NEW", "NEWER", "").done());
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"MASTER.BAK", "master"}));
    EXPECT_EQ(readBytes(tmp.file("master")).size(), 53u * 3);
    for (bool torn : {false, true}) {
        TempDir dir;
        if (torn)
            writeBytes(dir.file("MASTER"), ByteVec(20, 1));
        const auto before = snapshot(dir.path());
        EXPECT_FALSE(appendMasterEntry(dir.path(), "NEW", "", 7).done());
        EXPECT_FALSE(removeMasterEntry(dir.path(), "IBM").done());
        EXPECT_FALSE(rewriteMasterEntry(dir.path(), "IBM", "X", "").done());
        EXPECT_FALSE(setMasterDate(dir.path(), floatToMbf(fileDate(2001, 3, 15)), 1, 1).done());
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

// A MASTER whose count disagrees with its size keeps every byte it had: writers change the
// length by exactly the record added or removed, and what they add or rename can be found.
TEST_F(MasterWriter, DamagedCountKeepsTheTrailingBytesVerbatim)
{
    ByteVec torn = concat({masterHeader(6, 6), ibm, msft, gc});
    shrinkTo(torn, torn.size() - 30);
    struct Case {
        const char* what;
        ByteVec old, tail;
        std::string rewrite;
        int dated;
    };
    for (const Case& c : {Case{"understated", concat({masterHeader(1, 1), ibm, msft}), msft, "IBM", 1},
                          Case{"overstated, torn", torn, ByteVec(torn.end() - 23, torn.end()), "MSFT", 2}}) {
        const std::tuple<const char*, std::function<bool()>, int, const char*> writers[] = {
            {"append", [&] { return appendMasterEntry(tmp.path(), "NEW", "", 7).done(); }, 53, "NEW"},
            {"remove", [&] { return removeMasterEntry(tmp.path(), "IBM").done(); }, -53, nullptr},
            {"rewrite", [&] { return rewriteMasterEntry(tmp.path(), c.rewrite, "REW", "").done(); }, 0, "REW"},
            {"date", [&] { return setMasterDate(tmp.path(), floatToMbf(fileDate(2001, 3, 15)), c.dated, 1).done(); }, 0,
             nullptr},
        };
        for (const auto& [name, writer, growth, found] : writers) {
            SCOPED_TRACE(::testing::Message() << c.what << ", " << name);
            writeMaster(c.old);
            ASSERT_TRUE(writer());
            const ByteVec now = readBytes(master());
            ASSERT_EQ(now.size(), c.old.size() + static_cast<std::size_t>(growth));
            EXPECT_EQ(ByteVec(now.end() - static_cast<std::ptrdiff_t>(c.tail.size()), now.end()), c.tail);
            if (found) {
                EXPECT_EQ(findSecurity(tmp.path(), found).status, kStatusOk);
            }
        }
    }
}

} // namespace
} // namespace qv
