// The import killed, or losing power, at every file-system call: MASTER names the new security
// with its real dates or not at all, never without its complete quote file, and running the
// import again finds nothing done or finishes it.

#include "core/ascii/import.h"
#include "core/platform/clock.h"
#include "core/store/master.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::fixtures;
using D = const std::string&;

constexpr const char* kLines = "01/02/97,1,2,0.5,1.5,100,5\n01/03/97,2,3,1.5,2.5,200,6\n01/06/97,3,4,2.5,3.5,300,7\n";

ImportJob jobFor(D root, bool existing)
{
    return makeImportJob({.inputPath = root + "/in.txt",
                          .dateFormat = dateFormatCode("MM_DD_YY"),
                          .outputDir = root + "/P",
                          .useExistingMaster = existing,
                          .symbol = "abc",
                          .name = "Alpha Beta"});
}

void emptyDirectory(D root)
{
    std::filesystem::create_directories(root + "/P");
    writeText(root + "/in.txt", kLines);
}

// The standard portfolio (numbers 1, 2, 4) with a stale skip mark on 3, the number the import takes.
void existingPortfolio(D root)
{
    emptyDirectory(root);
    writeStandardPortfolio(root + "/P");
    ByteVec skip(256, 0);
    skip[0] = skip[3] = 1;
    writeBytes(root + "/P/SKIPQVTA.PBG", skip);
}

// The new security, when listed, has the dates of its first and last line, all its quotes, and no skip mark.
void listedOnlyComplete(D root, const Snapshot&, const Snapshot& intended)
{
    const std::string dir = root + "/P";
    expectMasterMatchesQuoteFiles(dir);
    MasterFile master;
    ASSERT_TRUE(readMasterFile(dir, master) || !isRegularFile(dir + "/MASTER"));
    for (const MasterEntry& e : master.entries) {
        if (e.symbol() != "ABC")
            continue;
        EXPECT_EQ(e.firstDate(), fileDate(1997, 1, 2));
        EXPECT_EQ(e.lastDate(), fileDate(1997, 1, 6));
        const std::string dat = "P/F" + std::to_string(e.fileNumber()) + ".DAT";
        const std::string wanted = "P/F" + std::to_string(fileIn(intended, "P/F3.DAT") ? 3 : 1) + ".DAT";
        EXPECT_EQ(readBytes(root + "/" + dat), *fileIn(intended, wanted));
        if (isRegularFile(dir + "/SKIPQVTA.PBG")) {
            EXPECT_EQ(readBytes(dir + "/SKIPQVTA.PBG").at(3), 0);
        }
    }
}

// After the second run the security is there once, as an uninterrupted import leaves it (under another
// number when the crash left files of the wanted one); the backup copy, written after MASTER, may differ.
void importedOnce(D root, const Snapshot& intended)
{
    const int wanted = fileIn(intended, "P/F3.DAT") ? 3 : 1;
    expectAddedOnceUnderAnyFreeNumber(root, "P", "ABC", wanted, intended, {"P/MASTER.BAK"});
}

TEST(ImportCrash, AKilledOrPowerlessImportLeavesNoEntryOrTheFinishedOneAndARerunFinishes)
{
    setTodayOverride("03/15/05");
    const std::pair<const char*, CrashScenario> scenarios[] = {
        // The quote files of an entry not yet in MASTER may be half made.
        {"into an existing MASTER",
         {existingPortfolio,
          [](D r) { (void)importQuotes(jobFor(r, true)); },
          listedOnlyComplete,
          importedOnce,
          {},
          {"P/F3.DAT", "P/F3.DOP"}}},
        // The MASTER made for the import may stay empty: the second run takes it.
        {"into a new MASTER",
         {emptyDirectory,
          [](D r) { (void)importQuotes(jobFor(r, false)); },
          listedOnlyComplete,
          importedOnce,
          {},
          {"P/MASTER", "P/F1.DAT", "P/F1.DOP"}}},
    };
    for (const auto& [name, scenario] : scenarios) {
        SCOPED_TRACE(name);
        EXPECT_GT(crashAtEveryCall(scenario), 0);
    }
    setTodayOverride(std::nullopt);
}

// The backup holds MASTER with the entry before its dates (today's as both); the crashes above check
// that the entry comes with its dates in one replacement.
TEST(ImportCrash, TheBackupHoldsTheEntryBeforeItsDates)
{
    setTodayOverride("03/15/05");
    TempDir t;
    existingPortfolio(t.path());
    const ImportResult r = importQuotes(jobFor(t.path(), true));
    setTodayOverride(std::nullopt);
    ASSERT_TRUE(r.ok());
    ByteVec expectedBackup = readBytes(t.path() + "/P/MASTER");
    setMbf(expectedBackup, 4 * 53 + 25, fileDate(2005, 3, 15));
    setMbf(expectedBackup, 4 * 53 + 29, fileDate(2005, 3, 15));
    EXPECT_EQ(readBytes(t.path() + "/P/MASTER.BAK"), expectedBackup);
}

// What a cut-short import left goes with the next import, also when that one is refused.
TEST(ImportCrash, ARefusedImportStillRemovesTheTemporariesOfACutShortOne)
{
    TempDir t;
    existingPortfolio(t.path());
    const Snapshot before = snapshot(t.path());
    for (const char* left : {"MASTER.~BK", "MASTER.NEW", "MASTER.~NU", "F3.NEW", "F3.~NU", "F3.~DO"})
        writeText(t.path() + "/P/" + left, "left by a crash");
    ImportJob duplicate = jobFor(t.path(), true);
    duplicate.symbol = "IBM";
    const ImportResult r = importQuotes(duplicate);
    EXPECT_FALSE(r.ok() || r.securityAdded);
    EXPECT_EQ(snapshot(t.path()), before);
}

} // namespace
} // namespace qv
