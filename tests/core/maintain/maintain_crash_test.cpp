// The symbol and quote commands killed, or losing power, at every file-system call, in folders
// with and without EMASTER: each file is as before or as intended, a listed security never loses its skip mark nor its files, MASTER
// never names a date its quote file lacks, and running the command again finishes the work.

#include "core/maintain/quote_edits.h"
#include "core/maintain/symbol_commands.h"
#include "core/platform/clock.h"
#include "core/platform/settings_file.h"
#include "core/store/skip_list.h"
#include "fixtures/crash_harness.h"
#include "fixtures/crash_harness_checks.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using namespace qv::fixtures;
using D = const std::string&;

std::string portfolio(D root) { return root + "/P"; }

// The standard portfolio (1 IBM, 2 MSFT, 4 GC) in root/P with IBM skipped, and a stale mark on
// number 3, which no listed security holds (a crashed delete may leave one).
void standardWithMarks(D root)
{
    const std::string dir = portfolio(root);
    std::filesystem::create_directories(dir);
    writeStandardPortfolio(dir);
    ByteVec skip(256, 0);
    skip[0] = skip[1] = skip[3] = 1;
    writeBytes(dir + "/SKIPQVTA.PBG", skip);
    writeBytes(dir + "/F1.PFL", assignmentRecord("DAILY"));
}

// The same with an EMASTER describing the three securities, as current charting software
// keeps beside MASTER.
void standardWithMarksAndEmaster(D root)
{
    standardWithMarks(root);
    writeStandardEmaster(portfolio(root));
}

std::uint8_t markOf(D dir, int n) { return readBytes(dir + "/SKIPQVTA.PBG").at(static_cast<std::size_t>(n)); }

// A security that MASTER lists keeps its mark and its files; a new one starts unskipped.
void listedSecuritiesKeepMarksAndFiles(D root, const Snapshot& before, const Snapshot&)
{
    const std::string dir = portfolio(root);
    expectMasterMatchesQuoteFiles(dir);
    if (lists(dir, "IBM")) {
        EXPECT_EQ(markOf(dir, 1), 1) << "a listed security lost its skip mark";
        EXPECT_EQ(readBytes(dir + "/F1.DAT"), *fileIn(before, "P/F1.DAT"));
        EXPECT_EQ(readBytes(dir + "/F1.PFL"), *fileIn(before, "P/F1.PFL"));
    }
    if (lists(dir, "NEW")) {
        EXPECT_EQ(markOf(dir, 3), 0) << "a new security starts skipped";
        EXPECT_TRUE(isRegularFile(dir + "/F3.DOP"));
    }
}

class MaintainCrash : public ::testing::Test {
protected:
    void SetUp() override { setTodayOverride("03/15/97"); }
    void TearDown() override { setTodayOverride(std::nullopt); }
};

TEST_F(MaintainCrash, SymbolCommandsKeepMarksAndFilesOfListedSecuritiesAndFinishWhenRunAgain)
{
    const DayNumber lastMsftQuote = dayNumberFromFileDate(standardQuotes(2).back()[0]);
    const EditRequest set{.values = {1, 2, 3, 4, 5, 6}, .firstDate = 0, .lastDate = 0xFFFF};
    const EditRequest drop{.firstDate = lastMsftQuote, .lastDate = lastMsftQuote, .mode = EditMode::Delete};
    const auto masterMatches = [](D r, const Snapshot&, const Snapshot&) {
        expectMasterMatchesQuoteFiles(portfolio(r));
    };

    const std::pair<const char*, CrashScenario> scenarios[] = {
        {"add-symbol takes number 3 and clears its stale mark",
         {standardWithMarks, [](D r) { (void)addSymbol(portfolio(r), "NEW", "NEW ISSUE"); },
          listedSecuritiesKeepMarksAndFiles,
          [](D r, const Snapshot& intended) {
              // A crash that left number 3's files makes the second run take another number,
              // which EMASTER then names instead.
              expectAddedOnceUnderAnyFreeNumber(r, "P", "NEW", 3, intended, {"P/EMASTER"});
              expectEmasterInStep(portfolio(r));
          }}},
        {"delete-symbol of a skipped security",
         {standardWithMarks, [](D r) { (void)deleteSymbol(portfolio(r), "IBM"); }, listedSecuritiesKeepMarksAndFiles,
          // Once MASTER no longer lists it, the security is deleted: a second run finds no such
          // symbol, and what the crash left of its files belongs to no security.
          // The mark may stay on the number no security holds now.
          [](D r, const Snapshot& intended) {
              const Snapshot now = snapshot(r);
              for (const auto& [name, bytes] : intended) {
                  ASSERT_TRUE(fileIn(now, name)) << name << " is lost";
                  ByteVec is = *fileIn(now, name);
                  if (name == "P/SKIPQVTA.PBG")
                      is[1] = bytes[1];
                  EXPECT_EQ(is, bytes) << name;
              }
              for (const auto& [name, bytes] : now)
                  EXPECT_TRUE(fileIn(intended, name) || name.starts_with("P/F1.")) << name << " appeared";
          }}},
        {"edit-symbol", {standardWithMarks, [](D r) { (void)editSymbol(portfolio(r), "MSFT", "MS", "MICRO"); }}},
        {"skip", {standardWithMarks, [](D r) { (void)setSymbolSkip(portfolio(r), "MSFT", true); }}},
        // A second run backs up the file as it finds it, already edited.
        {"edit-quote setting every quote",
         {.setup = standardWithMarks,
          .run = [=](D r) { (void)rewriteQuotes(portfolio(r), "IBM", set); },
          .check = masterMatches,
          .rerunMayDiffer = {"P/F1.BAK"}}},
        {"delete-quote of the last quote, which moves MASTER's last date",
         {.setup = standardWithMarks,
          .run = [=](D r) { (void)rewriteQuotes(portfolio(r), "MSFT", drop); },
          .check = masterMatches,
          .rerunMayDiffer = {"P/F2.BAK", "P/MASTER.BAK"}}},
    };
    for (const auto& [name, scenario] : scenarios) {
        for (const bool withEmaster : {false, true}) {
            SCOPED_TRACE(std::string(name) + (withEmaster ? ", with EMASTER" : ""));
            CrashScenario s = scenario;
            if (withEmaster)
                s.setup = standardWithMarksAndEmaster;
            EXPECT_GT(crashAtEveryCall(s), 0);
        }
    }
}

// The record of a quote-edit form is one replacement of the settings file: after a crash the
// file holds the whole old record or the whole new one.
TEST_F(MaintainCrash, TheRecordOfAQuoteEditFormIsStoredWholeOrNotAtAll)
{
    const auto setup = [](D r) {
        writeText(r + "/QUOVANTA.INI", "; kept\n[Edit]\nDate=01/02/97\nOpen=1\nHi=2\nLo=3\nClose=4\nVol=5\nOI=6\n"
                                       "[Other]\nKey=Value\n");
    };
    const QuoteEditForm form{"03/14/97", {"10", "20", "30", "40", "50", "60"}};
    EXPECT_GT(crashAtEveryCall({setup,
                                [&](D r) {
                                    SettingsFile settings(r + "/QUOVANTA.INI");
                                    (void)rememberForm(settings, form);
                                }}),
              0);
}

// What a cut-short command left goes with the next run of the command, also when that run is
// refused (the security it was to delete or rename is gone already, the one it was to add is
// there already).
TEST_F(MaintainCrash, ARefusedSymbolCommandStillRemovesTheTemporariesOfACutShortOne)
{
    const std::pair<const char*, std::function<CommandResult(D)>> commands[] = {
        {"add-symbol", [](D d) { return addSymbol(d, "IBM", ""); }},
        {"delete-symbol", [](D d) { return deleteSymbol(d, "GONE"); }},
        {"edit-symbol", [](D d) { return editSymbol(d, "GONE", "NEW", ""); }},
    };
    for (const auto& [what, command] : commands) {
        SCOPED_TRACE(what);
        TempDir t;
        standardWithMarks(t.path());
        const Snapshot before = snapshot(t.path());
        for (const char* left : {"MASTER.NEW", "MASTER.~NU", "MASTER.BAK.~CP", "SKIPQVTA.~NU", "F3.~NU", "F3.~DO"})
            writeText(portfolio(t.path()) + "/" + left, "left by a crash");
        EXPECT_FALSE(command(portfolio(t.path())).ok());
        EXPECT_EQ(snapshot(t.path()), before);
    }
}

} // namespace
} // namespace qv
