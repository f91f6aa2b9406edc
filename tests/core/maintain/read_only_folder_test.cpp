// A portfolio on a folder that refuses writes (a CD, a share mounted read-only, someone else's
// files): every command that only reads works, the symbol list shows no marks and says why once,
// and every command that would write is refused with that reason before it touches a byte.

#include "core/ascii/export.h"
#include "core/ascii/import.h"
#include "core/browse/symbol_list.h"
#include "core/maintain/portfolio_delete.h"
#include "core/maintain/quote_edits.h"
#include "core/maintain/split_search.h"
#include "core/maintain/symbol_commands.h"
#include "core/platform/files.h"
#include "core/profiles/assignment.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/update/update_test_support.h"
#include "fixtures/portfolio_builder.h"
#include "fixtures/read_only_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace qv {
namespace {

namespace fx = fixtures;

// The standard portfolio (1 IBM, 2 MSFT, 4 GC) in root/P; the commands' other files in root, which stays writable.
class ReadOnlyPortfolio : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::writeStandardPortfolio(data);
        fx::writeText(root.file("in.txt"), "01/16/97,1,2,0.5,1.5,100,5\n");
    }
    fx::TempDir root;
    std::string data = root.subdir("P");
};

TEST_F(ReadOnlyPortfolio, ReadsWorkWritesAreRefusedFirstAndNoByteChanges)
{
    updatetest::ProfileSpec profile;
    profile.updatePath = root.subdir("Updates");
    const std::string startup = root.subdir("Start");
    updatetest::writeProfile(startup, "Daily", profile);
    const auto before = fx::snapshot(data);
    fx::ReadOnlyFolder readOnly(data);
    if (!readOnly.active())
        GTEST_SKIP() << "no read-only folder can be made here: " << readOnly.reason();
    const std::string refusal = readOnlyFolderMessage(data);

    const SymbolListing listing = listSymbols(data);
    ASSERT_TRUE(listing.ok && listing.rows.size() == 3u);
    EXPECT_TRUE(listing.folderReadOnly && !listing.skipFlagsValid);
    EXPECT_TRUE(std::none_of(listing.rows.begin(), listing.rows.end(), [](const SymbolRow& r) { return r.skipped; }));
    EXPECT_EQ(listing.messages, std::vector<std::string>{refusal});

    ExportOptions exported;
    exported.path = root.file("out.txt");
    EXPECT_EQ(exportQuotes(data, "MSFT", exported).quotesWritten, 5);
    EXPECT_EQ(runSplitSearch(data).end, SplitSearchOutcome::End::Done);

    const auto edit = [&](EditMode mode) {
        const EditRequest q{.values = {2, 2, 2, 2, 2, 2},
                            .firstDate = dayNumberFromYmd(1997, 1, 2),
                            .lastDate = dayNumberFromYmd(1997, 1, 6),
                            .mode = mode};
        const Outcome done = rewriteQuotes(data, "IBM", q);
        return done.status() == kStatusFileWrite ? done.cause()
                                                 : "status " + std::to_string(done.status()) + ": " + done.cause();
    };
    const auto refused = [](const CommandResult& r) { return r.ok() ? std::string("done") : r.message(); };
    const auto assigned = [](const AssignmentResult& r) { return r.ok || r.messages.empty() ? "done" : r.messages[0]; };
    const struct {
        const char* command;
        std::function<std::string()> refusal;
    } writes[] = {
        {"add-symbol", [&] { return refused(addSymbol(data, "NEW", "")); }},
        {"delete-symbol", [&] { return refused(deleteSymbol(data, "MSFT")); }},
        {"edit-symbol", [&] { return refused(editSymbol(data, "MSFT", "MSFT2", "")); }},
        {"skip", [&] { return refused(setSymbolSkip(data, "IBM", true)); }},
        {"skip by row", [&] { return refused(setSkipMark(data, 2, true)); }},
        {"skip-all", [&] { return refused(adjustPortfolioSkip(data, true)); }},
        {"edit-quote", [&] { return edit(EditMode::Set); }},
        {"delete-quote", [&] { return edit(EditMode::Delete); }},
        {"import",
         [&] {
             const ImportResult r = importQuotes(
                 makeImportJob({.inputPath = root.file("in.txt"), .outputDir = data, .symbol = "NEW", .name = ""}));
             return r.ok() || r.messages.empty() ? std::string("done") : r.messages.front().text;
         }},
        {"assign", [&] { return assigned(assignProfileToSymbol(startup, data, "IBM", "Daily")); }},
        {"assign --all", [&] { return assigned(assignProfileToAllSymbols(startup, data, "Daily")); }},
        {"delete the portfolio",
         [&] {
             const PortfolioDeletion r = deletePortfolio(data);
             return r.complete || r.leftOver.size() != 1 ? std::string("done") : r.leftOver.front();
         }},
    };
    for (const auto& w : writes)
        EXPECT_EQ(w.refusal(), refusal) << w.command;

    fx::writeText(profile.updatePath + "/D.TXT", "IBM,970116,101,103,99,102,5000,60\n");
    UpdateInputs in;
    in.portfolios = {data};
    in.startupDir = startup;
    in.runTimeText = "test";
    const updatetest::RunOutcome run = updatetest::runUpdate(in);
    const std::string passedOver = "MASTER at " + data + " passed over: " + refusal;
    EXPECT_EQ(run.passedOver, std::vector<std::string>{passedOver});
    EXPECT_NE(std::find(run.audit.begin(), run.audit.end(), "ERROR: " + passedOver), run.audit.end());
    EXPECT_EQ(run.count, 0);

    EXPECT_EQ(fx::snapshot(data), before) << "a refused command changed the read-only folder";
}

// A skip list that is there is read as always, and one that cannot be read keeps its own message.
TEST_F(ReadOnlyPortfolio, AnExistingSkipListIsReadAndABrokenOneKeepsItsMessage)
{
    fx::ByteVec skip(256, 0);
    skip[2] = 1;
    fx::writeBytes(root.file("P/SKIPQVTA.PBG"), skip);
    const std::string other = root.subdir("Q");
    fx::writeStandardPortfolio(other);
    root.subdir("Q/SKIPQVTA.PBG"); // a directory under the skip list's name

    fx::ReadOnlyFolder readOnly(data), readOnlyToo(other);
    if (!readOnly.active() || !readOnlyToo.active())
        GTEST_SKIP() << "no read-only folder can be made here: " << readOnly.reason() << readOnlyToo.reason();

    SymbolListing listing = listSymbols(data);
    EXPECT_TRUE(listing.skipFlagsValid && listing.messages.empty() && !listing.folderReadOnly);
    ASSERT_EQ(listing.rows.size(), 3u);
    EXPECT_TRUE(listing.rows[1].skipped && !listing.rows[2].skipped);
    listing = listSymbols(other);
    EXPECT_FALSE(listing.folderReadOnly);
    EXPECT_EQ(listing.messages, std::vector<std::string>{std::string(kSymbolListSkipLengthMessage)});
}

} // namespace
} // namespace qv
