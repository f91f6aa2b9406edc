// Every command that changes MASTER makes the same change in EMASTER, record for record, in a
// folder that has one; a folder without one never gets one; an EMASTER that disagrees with
// MASTER is left exactly as it is and reported, and MASTER's change goes on.

#include "core/ascii/import.h"
#include "core/maintain/quote_edits.h"
#include "core/maintain/symbol_commands.h"
#include "core/platform/clock.h"
#include "core/platform/files.h"
#include "core/store/emaster.h"
#include "core/store/master_mirrors.h"
#include "fixtures/crash_harness_checks.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using namespace qv::fixtures;
using D = const std::string&;

ByteVec recordOf(const ByteVec& emaster, std::size_t k)
{
    const auto from = emaster.begin() + static_cast<std::ptrdiff_t>(192 * (k + 1));
    return ByteVec(from, from + 192);
}

class EmasterInStep : public ::testing::Test {
protected:
    void SetUp() override { setTodayOverride("03/15/97"); }
    void TearDown() override { setTodayOverride(std::nullopt); }
};

ImportJob importJob(D dir, D input)
{
    ImportDialogValues v;
    v.inputPath = input;
    v.outputDir = dir;
    v.symbol = "IMP";
    v.name = "IMPORTED";
    v.openInterest.present = false; // six fields: D O H L C V
    v.dateFormat = 9;
    return makeImportJob(v);
}

// What each command changes, and what must hold of EMASTER's records afterwards beyond being in
// step: the records of other securities keep every byte.
TEST_F(EmasterInStep, EveryMasterWriterMakesTheSameChangeInEmasterRecordForRecord)
{
    struct Case {
        const char* what;
        std::function<void(D dir)> run;
        // For each record after the command, the record before it that it must equal byte for
        // byte (-1: a changed or new record, checked by `check`).
        std::vector<int> keptFrom;
        std::function<void(const EmasterFile& e)> check = {};
    };
    const DayNumber lastMsft = dayNumberFromFileDate(standardQuotes(2).back()[0]);
    const Case cases[] = {
        {"add-symbol",
         [](D d) { ASSERT_TRUE(addSymbol(d, "NEW", "NEW ISSUE").ok()); },
         {0, 1, 2, -1},
         [](const EmasterFile& e) {
             EXPECT_EQ(e.entries[3].fileNumber(), 3);
             EXPECT_EQ(e.entries[3].fieldBits(), 0x7F);
             EXPECT_EQ(e.entries[3].longName(), "");
             EXPECT_EQ(e.entries[3].period(), 'D');
         }},
        {"import of six fields",
         [](D d) {
             writeText(d + "/in.txt", "011097,1,2,0.5,1.5,100\n011397,2,3,1.5,2.5,200\n");
             ASSERT_TRUE(importQuotes(importJob(d, d + "/in.txt")).ok());
         },
         {0, 1, 2, -1},
         [](const EmasterFile& e) {
             EXPECT_EQ(e.entries[3].fieldCount(), 6);
             EXPECT_EQ(e.entries[3].fieldBits(), 0x3F);
             EXPECT_EQ(e.entries[3].firstDateNumber(), 19970110);
         }},
        {"delete-symbol of the middle security", [](D d) { ASSERT_TRUE(deleteSymbol(d, "MSFT").ok()); }, {0, 2}},
        {"edit-symbol with a new name: the long name follows",
         [](D d) { ASSERT_TRUE(editSymbol(d, "MSFT", "MS", "MICRO").ok()); },
         {0, -1, 2},
         [](const EmasterFile& e) { EXPECT_EQ(e.entries[1].longName(), "MICRO"); }},
        {"edit-symbol keeping the name keeps the long name",
         [](D d) { ASSERT_TRUE(editSymbol(d, "IBM", "IBMX", "IBM CORP").ok()); },
         {-1, 1, 2},
         [](const EmasterFile& e) { EXPECT_EQ(e.entries[0].longName(), "IBM CORP LONG NAME"); }},
        {"delete-quote of the last quote moves the last date",
         [=](D d) {
             const EditRequest drop{.firstDate = lastMsft, .lastDate = lastMsft, .mode = EditMode::Delete};
             ASSERT_EQ(rewriteQuotes(d, "MSFT", drop).status(), kStatusOk);
         },
         {0, -1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir t;
        writeStandardPortfolio(t.path());
        writeStandardEmaster(t.path());
        const ByteVec before = readBytes(t.file("EMASTER"));
        c.run(t.path());
        expectEmasterInStep(t.path());
        const ByteVec after = readBytes(t.file("EMASTER"));
        EXPECT_EQ(ByteVec(after.begin() + 4, after.begin() + 192), ByteVec(before.begin() + 4, before.begin() + 192))
            << "the header's vendor bytes";
        for (std::size_t k = 0; k < c.keptFrom.size(); ++k) {
            if (c.keptFrom[k] >= 0) {
                EXPECT_EQ(recordOf(after, k), recordOf(before, static_cast<std::size_t>(c.keptFrom[k]))) << k;
            }
        }
        EmasterFile e;
        ASSERT_TRUE(readEmasterFile(t.path(), e));
        ASSERT_EQ(e.entries.size(), c.keptFrom.size());
        if (c.check)
            c.check(e);

        // The same command in a folder without EMASTER creates none.
        TempDir plain;
        writeStandardPortfolio(plain.path());
        c.run(plain.path());
        EXPECT_FALSE(findEntry(plain.path(), "EMASTER")) << "an EMASTER was created";
    }
}

// EMASTER damaged in any way a reader can see is never rewritten: MASTER's change goes on, the
// message says what is wrong. The record an add cut short before MASTER named it is the one
// disagreement a writer resolves, since that record describes no security.
TEST_F(EmasterInStep, ADisagreeingEmasterIsLeftAsItIsAndReportedWhileMasterChanges)
{
    const std::pair<const char*, std::function<CommandResult(D)>> commands[] = {
        {"add", [](D d) { return addSymbol(d, "NEW", ""); }},
        {"delete", [](D d) { return deleteSymbol(d, "GC"); }},
        {"edit", [](D d) { return editSymbol(d, "MSFT", "MS", "MICRO"); }},
    };
    for (const auto& [what, command] : commands) {
        SCOPED_TRACE(what);
        TempDir t;
        writeStandardPortfolio(t.path());
        writeStandardEmaster(t.path());
        ByteVec emaster = readBytes(t.file("EMASTER")); // the records of IBM and MSFT swap numbers
        std::swap(emaster[192 + 2], emaster[2 * 192 + 2]);
        writeBytes(t.file("EMASTER"), emaster);
        const ByteVec master = readBytes(t.file("MASTER"));
        const CommandResult r = command(t.path());
        EXPECT_TRUE(r.ok()) << r.message();
        EXPECT_NE(readBytes(t.file("MASTER")), master) << "MASTER's change did not go on";
        EXPECT_EQ(readBytes(t.file("EMASTER")), emaster);
        EXPECT_NE(r.message().find("partially damaged"), std::string::npos) << r.message();
    }

    TempDir t;
    writeStandardPortfolio(t.path());
    writeStandardEmaster(t.path());
    EntrySpec orphan{9, "CUT", "CUT SHORT", 7, fileDate(1997, 3, 15), fileDate(1997, 3, 15)};
    ByteVec emaster = concat({readBytes(t.file("EMASTER")), emasterEntry(orphan, "", 0x7F)});
    setByte(emaster, 0, 4);
    writeBytes(t.file("EMASTER"), emaster);
    const CommandResult r = editSymbol(t.path(), "MSFT", "MS", "MICRO");
    EXPECT_TRUE(r.ok() && r.message().empty()) << r.message();
    expectEmasterInStep(t.path());
}

// What EMASTER cannot hold is refused before anything changes, only where there is an EMASTER.
TEST_F(EmasterInStep, ASymbolOrNameEmasterCannotHoldIsRefusedWhereThereIsOne)
{
    for (const bool withEmaster : {true, false}) {
        SCOPED_TRACE(withEmaster ? "with EMASTER" : "without");
        TempDir t;
        writeStandardPortfolio(t.path());
        if (withEmaster)
            writeStandardEmaster(t.path());
        const Snapshot before = snapshot(t.path());
        const CommandResult add = addSymbol(t.path(), "FOURTEENCHARSX", "");
        const CommandResult edit = editSymbol(t.path(), "IBM", "IBM", "SIXTEEN CHARS AB");
        EXPECT_EQ(add.ok(), !withEmaster) << add.message();
        EXPECT_EQ(edit.ok(), !withEmaster) << edit.message();
        if (withEmaster) {
            EXPECT_EQ(add.message(), kEmasterLongSymbolMessage);
            EXPECT_NE(edit.message().find(kEmasterLongNameMessage), std::string::npos) << edit.message();
            EXPECT_EQ(snapshot(t.path()), before);
        }
    }
}

} // namespace
} // namespace qv
