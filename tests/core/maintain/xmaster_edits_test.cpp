// The quote edits on XMASTER securities: F<n>.MWD rewritten as F<n>.DAT is (F<n>.BAK, an atomic
// replacement), the dates that move follow in XMASTER and nothing else of the folder changes,
// also under crashes; the symbol commands refuse them with their reason.

#include "core/maintain/quote_edits.h"
#include "core/maintain/symbol_commands.h"
#include "core/platform/fault_injection.h"
#include "core/store/securities.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace qv {
namespace {

using namespace qv::fixtures;
using D = const std::string&;

float d(int day) { return fileDate(1997, 1, day); }

const EntrySpec kXa{256, "XA", "XA EXTENDED", 7};
const std::vector<QuoteRow> kRows{
    {d(13), 10, 11, 9, 10.5f, 100, 5}, {d(14), 20, 22, 18, 21, 200, 6}, {d(15), 30, 33, 27, 31, 300, 7}};

ByteVec xmasterOf(int first, int last) { return xmasterFile({xmasterEntry(kXa, 0x7F, first, last)}, 257); }

// root/P: the standard portfolio with its EMASTER, and XA (file number 256) in XMASTER.
void folder(D root)
{
    const std::string dir = root + "/P";
    std::filesystem::create_directories(dir);
    writeStandardPortfolio(dir);
    writeStandardEmaster(dir);
    writeBytes(dir + "/XMASTER", xmasterOf(19970113, 19970115));
    writeBytes(dir + "/F256.MWD", mwdFile(7, kRows));
}

TEST(XmasterEdits, EachEditRewritesTheMwdAndMovesOnlyXmastersDates)
{
    const auto at = [](int n, EditMode mode) {
        const DayNumber day = dayNumberFromFileDate(d(n));
        return EditRequest{.values = {1, 2, 3, 4, 5, 6}, .firstDate = day, .lastDate = day, .mode = mode};
    };
    const std::vector<QuoteRow> edited{kRows[0], {d(14), 1, 2, 3, 4, 5, 6}, kRows[2]};
    // The request, the quotes after it and XMASTER's first and last date after it.
    const std::tuple<EditRequest, std::vector<QuoteRow>, int, int> cases[] = {
        {at(14, EditMode::Set), edited, 19970113, 19970115},
        {at(15, EditMode::Delete), {kRows[0], kRows[1]}, 19970113, 19970114},
        {at(13, EditMode::Delete), {kRows[1], kRows[2]}, 19970114, 19970115}};
    for (const auto& [request, rows, first, last] : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << int(request.mode) << " on day " << request.firstDate);
        TempDir t;
        folder(t.path());
        const std::string dir = t.path() + "/P";
        const Snapshot before = snapshot(t.path());
        const Outcome done = rewriteQuotes(dir, "XA", request);
        ASSERT_TRUE(done) << done.message();

        EXPECT_EQ(readBytes(dir + "/F256.MWD"), mwdFile(7, rows));
        EXPECT_EQ(readBytes(dir + "/F256.BAK"), mwdFile(7, kRows));
        EXPECT_EQ(readBytes(dir + "/XMASTER"), xmasterOf(first, last));
        std::vector<std::string> changed{"P/F256.BAK", "P/F256.MWD"};
        if (first != 19970113 || last != 19970115)
            changed.push_back("P/XMASTER");
        EXPECT_EQ(differingFiles(before, snapshot(t.path())), changed);
    }
}

// A real vendor's folder: only the four date bytes of the record change, every vendor byte of
// XMASTER stays.
TEST(XmasterEdits, DeletingTheLastQuoteOfARealFoldersSecurityChangesOnlyItsLastDateInXmaster)
{
    TempDir t;
    const std::string dir = t.path() + "/R";
    std::filesystem::copy(realFolder("msdir_equis_b"), dir, std::filesystem::copy_options::recursive);
    const ByteVec mwd = readBytes(dir + "/F2853.MWD");
    ByteVec xmaster = readBytes(dir + "/XMASTER");
    const std::vector<float> dates = quoteDates(mwd, 7);
    ASSERT_EQ(dates.size(), 2u);
    const DayNumber last = dayNumberFromFileDate(dates[1]);
    ASSERT_EQ(rewriteQuotes(dir, ".N225", {.firstDate = last, .lastDate = last, .mode = EditMode::Delete}).status(),
              kStatusOk);

    ByteVec expectedMwd(mwd.begin(), mwd.begin() + 2 * 28);
    setU16(expectedMwd, 2, 2);
    EXPECT_EQ(readBytes(dir + "/F2853.MWD"), expectedMwd);
    setU32(xmaster, 2 * kXmasterRecordSize + 116, static_cast<std::uint32_t>(yyyymmddOf(dates[0])));
    EXPECT_EQ(readBytes(dir + "/XMASTER"), xmaster);
}

// XMASTER never names a last date its F<n>.MWD lacks, wherever the edit is cut short.
void expectXmasterNotAheadOfMwd(D root, const Snapshot&, const Snapshot&)
{
    const std::string dir = root + "/P";
    expectMasterMatchesQuoteFiles(dir);
    SecurityList list;
    ASSERT_TRUE(readSecurities(dir, list));
    const qv::Security& xa = list.securities.back();
    ASSERT_TRUE(xa.fromXmaster());
    const std::vector<float> dates = quoteDates(readBytes(dir + "/F256.MWD"), 7);
    ASSERT_FALSE(dates.empty());
    EXPECT_LE(xa.lastDate, dates.back());
}

TEST(XmasterEdits, ACrashOrAFailingCallLeavesXmasterNeverAheadOfTheMwd)
{
    const EditRequest drop{
        .firstDate = dayNumberFromFileDate(d(15)), .lastDate = dayNumberFromFileDate(d(15)), .mode = EditMode::Delete};
    const EditRequest set{.values = {1, 2, 3, 4, 5, 6}, .firstDate = 0, .lastDate = 0xFFFF};
    for (const EditRequest& request : {drop, set}) {
        SCOPED_TRACE(request.mode == EditMode::Delete ? "delete" : "edit");
        // A second run backs up the file as it finds it, already edited.
        EXPECT_GT(crashAtEveryCall({.setup = folder,
                                    .run = [&](D r) { (void)rewriteQuotes(r + "/P", "XA", request); },
                                    .check = expectXmasterNotAheadOfMwd,
                                    .rerunMayDiffer = {"P/F256.BAK"}}),
                  0);
    }
    // Each write, fsync and rename of the delete failing in turn (the last rename of the MWD puts
    // XMASTER back): a failure reported leaves F256.MWD and XMASTER as they were.
    for (const faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename}) {
        int calls = 0;
        {
            TempDir t;
            folder(t.path());
            faults::reset();
            EXPECT_EQ(rewriteQuotes(t.path() + "/P", "XA", drop).status(), kStatusOk);
            calls = faults::callCount(op);
            faults::reset();
        }
        for (int n = 1; n <= calls; ++n) {
            SCOPED_TRACE("call " + std::to_string(n));
            TempDir t;
            folder(t.path());
            const Snapshot before = snapshot(t.path());
            StoreStatus status = kStatusOk;
            {
                const faults::ScopedFailure failure(op, n);
                status = rewriteQuotes(t.path() + "/P", "XA", drop).status();
            }
            const Snapshot after = snapshot(t.path());
            if (status != kStatusOk) {
                EXPECT_EQ(*fileIn(after, "P/F256.MWD"), *fileIn(before, "P/F256.MWD"));
                EXPECT_EQ(*fileIn(after, "P/XMASTER"), *fileIn(before, "P/XMASTER"));
            }
            expectXmasterNotAheadOfMwd(t.path(), before, after);
        }
    }
}

// Symbol Edit and Symbol Delete leave an XMASTER security alone and say why.
TEST(XmasterEdits, SymbolEditAndDeleteRefuseAnXmasterSecurityNamingXmaster)
{
    TempDir t;
    folder(t.path());
    const std::string dir = t.path() + "/P";
    const Snapshot before = snapshot(t.path());
    for (const CommandResult& r : {editSymbol(dir, "XA", "XB", "NEW NAME"), deleteSymbol(dir, "XA")}) {
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.message().find("XA: it is listed in XMASTER (file F256.MWD)"), std::string::npos) << r.message();
        EXPECT_EQ(r.message().find("not found"), std::string::npos) << r.message();
    }
    EXPECT_EQ(snapshot(t.path()), before);
}

} // namespace
} // namespace qv
