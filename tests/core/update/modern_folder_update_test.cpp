// The update run over folders of MASTER, EMASTER and XMASTER securities: every security, in
// MASTER or in XMASTER (F<n>.MWD), gets its quote, and every master file's dates follow: MASTER's,
// EMASTER's record for record, XMASTER's own. Also under crashes and failing calls.

#include "core/platform/fault_injection.h"
#include "core/store/emaster.h"
#include "core/store/securities.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace qv {
namespace {

using namespace qv::updatetest;
using D = const std::string&;

float d(int y, int m, int day) { return fileDate(y, m, day); }

const std::vector<QuoteRow> kIbm{row7(d(1997, 1, 14), 99, 900, 40), row7(d(1997, 1, 15), 100, 1000, 42)};
const std::vector<QuoteRow> kMsft{row7(d(1997, 1, 8), 80, 700, 21)};
const std::vector<QuoteRow> kXa{row7(d(1997, 1, 13), 10, 100, 1), row7(d(1997, 1, 14), 11, 110, 1)};
const QuoteRow kIbmNew{d(1997, 1, 16), 101, 103, 99, 102, 5000, 60};
const QuoteRow kMsftNew{d(1997, 1, 16), 81, 83, 80, 82, 7000, 70};
const QuoteRow kXaNew{d(1997, 1, 16), 12, 13, 11, 12.5f, 120, 2};
const QuoteRow kXbNew{d(1997, 1, 16), 5, 6, 4, 5, 100, 0};
const char* const kLines = "IBM,970116,101,103,99,102,5000,60\nMSFT,970116,81,83,80,82,7000,70\n"
                           "XA,970116,12,13,11,12.5,120,2\nXB,970116,5,6,4,5,100,0\n";

EntrySpec xSpec(int n, const std::string& symbol) { return {n, symbol, symbol + " EXTENDED", 7}; }

// dir: MASTER (1 IBM, 2 MSFT) with EMASTER, XMASTER (256 XA with quotes, 300 XB without), all
// assigned to "Daily"; root/Updates/D.TXT has a quote of 01/16/97 for each.
void modernFolder(D dir, D startup, D updates)
{
    const std::vector<SecuritySpec> master{{1, "IBM", kIbm}, {2, "MSFT", kMsft}};
    writePortfolio(dir, master);
    std::vector<ByteVec> e;
    for (const SecuritySpec& s : master)
        e.push_back(emasterEntry(s.entry(), s.symbol + " INCORPORATED", 0x7F));
    writeBytes(dir + "/EMASTER", emasterFile(e));
    writeBytes(dir + "/XMASTER", xmasterFile({xmasterEntry(xSpec(256, "XA"), 0x7F, 19970113, 19970114),
                                              xmasterEntry(xSpec(300, "XB"), 0x7F, 0, 0)},
                                             301));
    writeBytes(dir + "/F256.MWD", mwdFile(7, kXa));
    writeBytes(dir + "/F300.MWD", mwdFile(7, {}));
    for (int n : {1, 2, 256, 300})
        assignProfile(dir, n, "Daily");
    ProfileSpec profile;
    profile.updatePath = updates;
    writeProfile(startup, "Daily", profile);
    writeText(updates + "/D.TXT", kLines);
}

void world(D root)
{
    for (const char* sub : {"/Start", "/Data", "/Updates"})
        std::filesystem::create_directories(root + sub);
    modernFolder(root + "/Data", root + "/Start", root + "/Updates");
}

UpdateInputs inputsIn(D root)
{
    UpdateInputs in;
    in.portfolios = {root + "/Data"};
    in.startupDir = root + "/Start";
    in.runTimeText = kRunTime;
    return in;
}

// No master file names a last date its quote file lacks (each is at most behind it).
void expectNoDateAheadOfItsQuotes(D dir)
{
    expectMasterMatchesQuoteFiles(dir);
    SecurityList list;
    ASSERT_TRUE(readSecurities(dir, list));
    for (const qv::Security& s : list.securities) {
        const std::vector<float> dates = quoteDates(readBytes(dir + "/" + s.quoteFileName()), s.fieldCount);
        const float fileLast = dates.empty() ? 0 : dates.back();
        if (s.fromXmaster()) {
            EXPECT_LE(s.lastDate, fileLast) << s.symbol;
        } else if (s.hasEmasterEntry) {
            EXPECT_LE(s.emasterEntry.lastDate(), fileLast) << s.symbol << " in EMASTER";
        }
    }
}

TEST(ModernFolderUpdate, EverySecurityOfMasterAndXmasterGetsItsQuoteAndEveryMasterFilesDatesFollow)
{
    TempDir t;
    world(t.path());
    const std::string dir = t.path() + "/Data";
    const RunOutcome run = runUpdate(inputsIn(t.path()));
    EXPECT_EQ(run.count, 4);
    EXPECT_TRUE(run.recorder.messages.empty()) << run.recorder.messages.front();

    std::vector<QuoteRow> ibm = kIbm, msft = kMsft, xa = kXa;
    ibm.push_back(kIbmNew);
    msft.push_back(kMsftNew);
    xa.push_back(kXaNew);
    EXPECT_EQ(readBytes(dir + "/F1.DAT"), quoteFile(7, ibm));
    EXPECT_EQ(readBytes(dir + "/F2.DAT"), quoteFile(7, msft));
    EXPECT_EQ(readBytes(dir + "/F256.MWD"), mwdFile(7, xa));
    EXPECT_EQ(readBytes(dir + "/F300.MWD"), mwdFile(7, {kXbNew}));
    EXPECT_EQ(readBytes(dir + "/MASTER"),
              expectedMaster({SecuritySpec{1, "IBM", ibm}.entry(), SecuritySpec{2, "MSFT", msft}.entry()}));
    expectEmasterInStep(dir);
    EmasterFile e;
    ASSERT_TRUE(readEmasterFile(dir, e));
    ASSERT_EQ(e.entries.size(), 2u);
    EXPECT_EQ(e.entries[1].longName(), "MSFT INCORPORATED");
    EXPECT_EQ(readBytes(dir + "/XMASTER"), xmasterFile({xmasterEntry(xSpec(256, "XA"), 0x7F, 19970113, 19970116),
                                                        xmasterEntry(xSpec(300, "XB"), 0x7F, 19970116, 19970116)},
                                                       301));

    // The next run finds nothing new and changes nothing.
    writeText(t.path() + "/Updates/D.TXT", kLines);
    const Snapshot after = snapshot(dir);
    EXPECT_EQ(runUpdate(inputsIn(t.path())).count, 0);
    EXPECT_EQ(snapshot(dir), after);
}

// An XMASTER security marked in SKIPQVTX.PBG is left alone, as a marked MASTER security is.
TEST(ModernFolderUpdate, AMarkedXmasterSecurityIsLeftAlone)
{
    TempDir t;
    world(t.path());
    const std::string dir = t.path() + "/Data";
    ByteVec marks(64, 0);
    marks[300 - 256] = 1;
    writeBytes(dir + "/SKIPQVTX.PBG", marks);
    const ByteVec xb = readBytes(dir + "/F300.MWD");
    EXPECT_EQ(runUpdate(inputsIn(t.path())).count, 3);
    EXPECT_EQ(readBytes(dir + "/F300.MWD"), xb);
    EXPECT_EQ(readBytes(dir + "/XMASTER"), xmasterFile({xmasterEntry(xSpec(256, "XA"), 0x7F, 19970113, 19970116),
                                                        xmasterEntry(xSpec(300, "XB"), 0x7F, 0, 0)},
                                                       301));
}

// The vendor folder: each of its securities, two in MASTER and EMASTER and two in XMASTER,
// takes the quote of the day after its last one.
TEST(ModernFolderUpdate, EverySecurityOfTheRealVendorFolderTakesItsNextQuote)
{
    TempDir t;
    const std::string dir = t.subdir("Data"), startup = t.subdir("Start"), updates = t.subdir("Updates");
    std::filesystem::copy(realFolder("msdir_equis_b"), dir, std::filesystem::copy_options::recursive);
    ProfileSpec profile;
    profile.updatePath = updates;
    profile.dateFormat = 8; // CCYYMMDD: the folder's dates are of this century
    SecurityList before;
    ASSERT_TRUE(readSecurities(dir, before));
    ASSERT_EQ(before.securities.size(), 4u);
    std::string lines;
    for (const qv::Security& s : before.securities) {
        assignProfile(dir, s.fileNumber, "Daily");
        const DayNumber next = static_cast<DayNumber>(dayNumberFromFileDate(s.lastDate) + 1);
        lines += s.symbol + "," + formatDate(next, 8, '\0') + ",1,2,0.5,1.5,100,0\n";
    }
    writeProfile(startup, "Daily", profile);
    writeText(updates + "/D.TXT", lines);
    UpdateInputs in;
    in.portfolios = {dir};
    in.startupDir = startup;
    in.runTimeText = kRunTime;
    const RunOutcome run = runUpdate(in);
    EXPECT_EQ(run.count, 4);

    SecurityList after;
    ASSERT_TRUE(readSecurities(dir, after));
    ASSERT_EQ(after.securities.size(), 4u);
    EXPECT_TRUE(after.emasterUsed) << "EMASTER fell out of step";
    for (std::size_t k = 0; k < 4; ++k) {
        const qv::Security& was = before.securities[k];
        const qv::Security& is = after.securities[k];
        SCOPED_TRACE(is.symbol);
        const float next = fileDateValue(static_cast<DayNumber>(dayNumberFromFileDate(was.lastDate) + 1));
        EXPECT_EQ(is.lastDate, next);
        EXPECT_EQ(is.firstDate, was.firstDate);
        const std::vector<float> dates = quoteDates(readBytes(dir + "/" + is.quoteFileName()), is.fieldCount);
        ASSERT_FALSE(dates.empty());
        EXPECT_EQ(dates.back(), next);
    }
    expectEmasterInStep(dir);
}

TEST(ModernFolderUpdate, AKilledOrPowerlessRunLeavesNoMasterFileAheadOfItsQuotesAndTheNextRunFinishes)
{
    const CrashScenario run{world,
                            [](D r) { (void)runUpdate(inputsIn(r)); },
                            [](D r, const Snapshot&, const Snapshot&) { expectNoDateAheadOfItsQuotes(r + "/Data"); },
                            {},
                            {"Start/AUDIT.TXT", "Start/Daily.pfd"}};
    EXPECT_GT(crashAtEveryCall(run), 0);
}

// Whichever call fails, each file is as before or as after the run, no master file names a date
// its quote file lacks, and what did not happen is reported.
TEST(ModernFolderUpdate, NoFailingCallLeavesAMasterFileAheadOfItsQuotesOrGoesUnreported)
{
    using faults::Op;
    Snapshot before, after;
    std::vector<int> calls;
    {
        TempDir t;
        world(t.path());
        before = snapshot(t.path() + "/Data");
        faults::reset();
        ASSERT_EQ(runUpdate(inputsIn(t.path())).count, 4);
        for (Op op : {Op::Write, Op::Fsync, Op::Rename, Op::Unlink, Op::Create})
            calls.push_back(faults::callCount(op));
        faults::reset();
        after = snapshot(t.path() + "/Data");
    }
    const Op ops[] = {Op::Write, Op::Fsync, Op::Rename, Op::Unlink, Op::Create};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        for (int n = 1; n <= calls[i]; ++n) {
            SCOPED_TRACE("call kind " + std::to_string(i) + " #" + std::to_string(n) + " fails");
            TempDir t;
            world(t.path());
            RunOutcome run;
            {
                faults::ScopedFailure failure(ops[i], n);
                run = runUpdate(inputsIn(t.path()));
            }
            const std::string dir = t.path() + "/Data";
            expectNoDateAheadOfItsQuotes(dir);
            const Snapshot now = without(snapshot(dir), {"MASTER.~OL"});
            for (const auto& [name, bytes] : now) {
                const ByteVec* was = fileIn(before, name);
                const ByteVec* becomes = fileIn(after, name);
                ASSERT_TRUE(was || becomes) << name << " appeared";
                // A master file moves security by security: each record as before or as after.
                const std::size_t record = name == "MASTER"    ? 53
                                           : name == "EMASTER" ? 192
                                           : name == "XMASTER" ? 150
                                                               : 0;
                if (record == 0 || !was || !becomes || was->size() != bytes.size() || becomes->size() != bytes.size()) {
                    EXPECT_TRUE((was && *was == bytes) || (becomes && *becomes == bytes)) << name;
                    continue;
                }
                for (std::size_t at = 0; at < bytes.size(); at += record) {
                    const auto part = [&](const ByteVec& b) {
                        return ByteVec(b.begin() + at, b.begin() + at + record);
                    };
                    EXPECT_TRUE(part(bytes) == part(*was) || part(bytes) == part(*becomes)) << name << " at " << at;
                }
            }
            const bool reported =
                (run.flags & kRunFlagMergeFailed) != 0 ||
                std::ranges::any_of(run.audit, [](const std::string& l) { return l.starts_with("ERROR: "); });
            EXPECT_TRUE(now == after || reported) << "a change that did not happen went unreported";
        }
    }
}

} // namespace
} // namespace qv
