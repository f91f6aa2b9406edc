#include "core/maintain/symbol_commands.h"

#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

constexpr std::size_t kRec = 53;

fx::ByteVec record(const fx::ByteVec& master, std::size_t index) {
    return fx::ByteVec(master.begin() + static_cast<long>(index * kRec),
                       master.begin() + static_cast<long>((index + 1) * kRec));
}

fx::ByteVec skipBytes(std::initializer_list<int> marked) {
    fx::ByteVec bytes(256, 0);
    for (int k : marked) bytes[static_cast<std::size_t>(k)] = 1;
    return bytes;
}

bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// Today's date is fixed so that added entries can be compared byte for byte.
class SymbolCommands : public ::testing::Test {
protected:
    void SetUp() override {
        setTodayOverride("03/15/24");
        fx::writeStandardPortfolio(dir());
    }
    void TearDown() override {
        faults::reset();
        setTodayOverride(std::nullopt);
    }
    const std::string& dir() const { return tmp_.path(); }
    std::string file(const std::string& name) const { return tmp_.file(name); }
    fx::ByteVec master() const { return fx::readBytes(file("MASTER")); }

    // dir/SUB holds a nested portfolio with XYZ (file number 1), named by a directory entry.
    std::string addNestedPortfolio() {
        std::vector<fx::ByteVec> top;
        const fx::ByteVec old = master();
        for (std::size_t i = 1; i * kRec < old.size(); ++i) top.push_back(record(old, i));
        top.push_back(fx::masterDirectoryEntry(9, "SUB"));
        fx::writeBytes(file("MASTER"), fx::masterFile(top));
        const std::string sub = tmp_.subdir("SUB");
        fx::writeBytes(sub + "/MASTER", fx::masterFile({fx::masterEntry({1, "XYZ", "XYZ INC", 7})}));
        return sub;
    }

    fx::TempDir tmp_;
};

const fx::ByteVec kEmptyMaster(kRec, 0);

// ---- Portfolio Add -------------------------------------------------------------------------

TEST(AddPortfolio, TrimsSlashesFirstThenBlanksAndWritesAnEmptyMaster) {
    fx::TempDir tmp;
    CommandResult r = addPortfolio(" " + tmp.path() + "/new//");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.directory, tmp.path() + "/new");
    EXPECT_EQ(fx::readBytes(tmp.file("new/MASTER")), kEmptyMaster);

    // A blank after the slash protects the slash.
    r = addPortfolio(tmp.path() + "/other/ ");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.directory, tmp.path() + "/other/");
    EXPECT_EQ(fx::readBytes(tmp.file("other/MASTER")), kEmptyMaster);

    // An existing directory keeps what it holds.
    fx::writeText(tmp.subdir("plain") + "/NOTES.TXT", "keep");
    ASSERT_TRUE(addPortfolio(tmp.path() + "/plain").ok);
    EXPECT_EQ(fx::readBytes(tmp.file("plain/NOTES.TXT")), fx::ByteVec({'k', 'e', 'e', 'p'}));

    for (const char* typed : {"", "   "}) EXPECT_EQ(addPortfolio(typed).message, "You did not enter a path");
}

TEST(AddPortfolio, ExistingMasterIsNeverOverwrittenAndFailuresLeaveNothing) {
    fx::TempDir tmp;
    fx::writeStandardPortfolio(tmp.path());
    const auto before = fx::snapshot(tmp.path());
    CommandResult r = addPortfolio(tmp.path() + "/");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(fx::snapshot(tmp.path()), before);

    // A MASTER written under a lower-case name is the same portfolio.
    const std::string other = tmp.subdir("lower");
    fx::writeBytes(other + "/master", fx::masterFile({fx::masterEntry({1, "AA", "AA"})}));
    const auto otherBefore = fx::snapshot(other);
    EXPECT_FALSE(addPortfolio(other).ok);
    EXPECT_EQ(fx::snapshot(other), otherBefore);

    // A directory that cannot be made is reported and nothing is left.
    r = addPortfolio(tmp.path() + "/missing/parent");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "The portfolio could not be created.");
    EXPECT_FALSE(exists(tmp.file("missing")));

    fx::writeText(tmp.file("plain"), "x");
    r = addPortfolio(tmp.path() + "/plain");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "The portfolio could not be created.");

    // A MASTER that cannot be written takes the new directory with it.
    {
        faults::ScopedFailure fail(faults::Op::Write, 1);
        r = addPortfolio(tmp.path() + "/new");
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(exists(tmp.file("new")));
}

// ---- Symbol Add ----------------------------------------------------------------------------

TEST_F(SymbolCommands, AddWritesATrimmedUpperCaseEntryNamedLikeItsSymbolAndEmptyFiles) {
    CommandResult r = addSymbol(dir(), "  new  ", "");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.fileNumber, 3); // 1, 2 and 4 are taken
    const float today = fx::fileDate(2024, 3, 15);
    EXPECT_EQ(record(master(), 4), fx::masterEntry({3, "NEW", "NEW", 7, today, today, 'D'}));

    EXPECT_EQ(fx::readBytes(file("F3.DAT")), fx::quoteFile(7, {}));
    const std::string dop = fx::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"});
    EXPECT_EQ(fx::readBytes(file("F3.DOP")), fx::ByteVec(dop.begin(), dop.end()));

    // The stored symbol, cut to the field width, is what the duplicate check sees.
    ASSERT_TRUE(addSymbol(dir(), "abcdefghijklmnopq", "A name longer than sixteen").ok);
    EXPECT_EQ(addSymbol(dir(), "abcdefghijklmnopXYZ", "").message, "Duplicate Symbol failure");
}

TEST_F(SymbolCommands, AddRefusesDuplicatesEmptySymbolsAndAFullPortfolioWithoutChange) {
    addNestedPortfolio();
    const auto before = fx::snapshot(dir());
    // By symbol in any case, by a security's name, and in a nested portfolio.
    for (const char* symbol : {"ibm", "IBM CORP", "gold", "xyz"}) {
        CommandResult r = addSymbol(dir(), symbol, "");
        EXPECT_FALSE(r.ok) << symbol;
        EXPECT_EQ(r.message, "Duplicate Symbol failure") << symbol;
    }
    for (const char* symbol : {"", "    "}) {
        CommandResult r = addSymbol(dir(), symbol, "NAME");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "You did not enter a symbol");
    }
    EXPECT_EQ(fx::snapshot(dir()), before);

    fx::writeStandardPortfolio(dir());
    for (std::size_t counter : {0u, 2u}) { // the count, then the second counter
        fx::ByteVec bytes = master();
        fx::setU16(bytes, counter, 255);
        fx::writeBytes(file("MASTER"), bytes);
        const auto full = fx::snapshot(dir());
        CommandResult r = addSymbol(dir(), "NEW", "");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, kMasterFullMessage);
        EXPECT_EQ(fx::snapshot(dir()), full);
        fx::writeStandardPortfolio(dir());
    }
}

// ---- Symbol Delete -------------------------------------------------------------------------

TEST_F(SymbolCommands, DeleteRemovesEntryFilesAndMarkAndFreesTheNumber) {
    fx::writeText(file("F2.PFL"), "SAMPLE");
    fx::writeText(file("f2.bak"), "old quotes"); // written elsewhere, in lower case
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 1, 2}));

    CommandResult r = deleteSymbol(dir(), "MSFT");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.fileNumber, 2);
    EXPECT_EQ(findSecurity(dir(), "MSFT").status, kStatusFileNotFound);
    for (const char* gone : {"F2.DAT", "F2.DOP", "F2.PFL", "f2.bak"}) EXPECT_FALSE(exists(file(gone))) << gone;
    for (const char* kept : {"F1.DAT", "F1.DOP", "F4.DAT"}) EXPECT_TRUE(exists(file(kept))) << kept;
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0, 1}));

    r = addSymbol(dir(), "NEW", "");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.fileNumber, 2);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG"))[2], 0); // the newcomer is not skipped
}

TEST_F(SymbolCommands, DeleteMatchesTheSymbolExactlyCreatesNoSkipFileAndReportsAFileLeftBehind) {
    const auto before = fx::snapshot(dir());
    for (const char* symbol : {"msft", "MSF", "MICROSOFT CORP", "XXX"}) {
        CommandResult r = deleteSymbol(dir(), symbol);
        EXPECT_FALSE(r.ok) << symbol;
        EXPECT_FALSE(r.message.empty()) << symbol;
    }
    EXPECT_EQ(fx::snapshot(dir()), before);

    ASSERT_TRUE(deleteSymbol(dir(), "GC").ok);
    EXPECT_FALSE(exists(file("SKIPQVTA.PBG")));

    // A file that could not be removed is reported; the entry is gone all the same.
    CommandResult r;
    {
        faults::ScopedFailure fail(faults::Op::Unlink, 1);
        r = deleteSymbol(dir(), "IBM");
    }
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("could not be removed"), std::string::npos) << r.message;
    EXPECT_EQ(findSecurity(dir(), "IBM").status, kStatusFileNotFound);
}

// ---- Symbol Skip and Portfolio Skip Adjust --------------------------------------------------

TEST_F(SymbolCommands, SkipTwiceReturnsToTheFirstStateAndANestedSecurityIsMarkedWhereItLives) {
    CommandResult r = setSymbolSkip(dir(), "gold", true); // found by name, like any key
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.fileNumber, 4);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0, 4}));
    ASSERT_TRUE(setSymbolSkip(dir(), "GC", false).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0}));

    EXPECT_FALSE(setSymbolSkip(dir(), "NONE", true).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0}));

    // A nested security is marked in its own portfolio.
    const std::string sub = addNestedPortfolio();
    r = setSymbolSkip(dir(), "XYZ", true);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.directory, sub);
    EXPECT_EQ(fx::readBytes(sub + "/SKIPQVTA.PBG"), skipBytes({0, 1}));
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0}));
}

// A search by key would take the first entry named like the symbol; the grid's row names the
// file number, and only that one is marked.
TEST_F(SymbolCommands, SkipMarkByFileNumberIgnoresAnEarlierEntryNamedLikeTheSymbol) {
    fx::writeBytes(file("MASTER"), fx::masterFile({fx::masterEntry({1, "XYZ", "IBM", 7}),
                                                   fx::masterEntry({2, "IBM", "IBM CORP", 7})}));
    ASSERT_TRUE(setSkipMark(dir(), 2, true).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0, 2}));
    EXPECT_FALSE(setSkipMark(dir(), 256, true).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({0, 2}));
}

TEST_F(SymbolCommands, SkipAdjustMarksExactlyTheListedSecurities) {
    addNestedPortfolio(); // its directory entry carries number 9, which is no security here
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 200}));
    ASSERT_TRUE(adjustPortfolioSkip(dir(), true).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({1, 2, 4}));
    ASSERT_TRUE(adjustPortfolioSkip(dir(), false).ok);
    EXPECT_EQ(fx::readBytes(file("SKIPQVTA.PBG")), skipBytes({}));
}

// ---- Symbol Edit ---------------------------------------------------------------------------

TEST_F(SymbolCommands, EditChangesOnlySymbolAndNameInTheMasterThatListsTheSecurity) {
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 2}));
    const auto before = fx::snapshot(dir());
    const fx::ByteVec old = master();

    CommandResult r = editSymbol(dir(), "MSFT", "msx", "MICRO X");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.fileNumber, 2);
    fx::ByteVec expected = record(old, 2);
    fx::setText(expected, 7, "MICRO X         ");
    fx::setText(expected, 36, "msx             ");
    EXPECT_EQ(record(master(), 2), expected);
    // Quote files, field descriptions and the skip mark stay with the number.
    for (const auto& [name, bytes] : before) {
        if (name.rfind("MASTER", 0) != 0) {
            EXPECT_EQ(fx::readBytes(file(name)), bytes) << name;
        }
    }

    const auto edited = fx::snapshot(dir());
    r = editSymbol(dir(), "msx", "", "NAME");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "You must enter a symbol");
    EXPECT_FALSE(editSymbol(dir(), "MSFT", "AGAIN", "").ok); // the old symbol is gone
    EXPECT_EQ(fx::snapshot(dir()), edited);

    // A nested security is edited where it lives.
    const std::string sub = addNestedPortfolio();
    r = editSymbol(dir(), "XYZ", "XYZ2", "RENAMED");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.directory, sub);
    EXPECT_EQ(findSecurity(dir(), "XYZ2").entry.name(), "RENAMED");
}

// ---- Failure injection: all or nothing ----------------------------------------------------

// Runs `command` on a fresh copy of `prepare`'s portfolio once to learn the calls of each kind
// it makes and the state it leaves, then once per call with that call failing. A MASTER.BAK
// holding the old MASTER is no half change.
void expectAllOrNothing(const char* what, const std::function<void(const std::string&)>& prepare,
                        const std::function<CommandResult(const std::string&)>& command) {
    const auto stateOf = [](const fx::TempDir& tmp, const fx::ByteVec& oldMaster) {
        auto files = fx::snapshot(tmp.path());
        std::erase_if(files, [&](const auto& f) { return f.first == "MASTER.BAK" && f.second == oldMaster; });
        return files;
    };
    for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename}) {
        fx::TempDir clean;
        prepare(clean.path());
        const fx::ByteVec oldMaster = fx::readBytes(clean.file("MASTER"));
        faults::reset();
        ASSERT_TRUE(command(clean.path()).ok) << what;
        const int calls = faults::callCount(op);
        const auto after = stateOf(clean, oldMaster);
        ASSERT_GT(calls, 0) << what;
        for (int n = 1; n <= calls; ++n) {
            fx::TempDir tmp;
            prepare(tmp.path());
            const auto before = fx::snapshot(tmp.path());
            CommandResult r;
            {
                faults::ScopedFailure fail(op, n);
                r = command(tmp.path());
            }
            const auto state = stateOf(tmp, oldMaster);
            const std::string at = std::string(what) + ": op " + std::to_string(static_cast<int>(op)) + " #" + std::to_string(n);
            EXPECT_TRUE(state == before || state == after) << at << " left a half change";
            EXPECT_EQ(r.ok, state == after) << at << ": " << r.message;
            EXPECT_EQ(r.ok, r.message.empty()) << at;
        }
    }
}

TEST_F(SymbolCommands, EveryCommandIsAllOrNothingUnderEveryFailingCall) {
    const auto standard = [](const std::string& d) {
        fx::writeStandardPortfolio(d);
        fx::writeText(d + "/F2.PFL", "SAMPLE");
        fx::writeBytes(d + "/SKIPQVTA.PBG", skipBytes({0, 2}));
    };
    expectAllOrNothing("add", standard, [](const std::string& d) { return addSymbol(d, "NEW", "NEW ISSUE"); });
    expectAllOrNothing("delete", standard, [](const std::string& d) { return deleteSymbol(d, "MSFT"); });
    expectAllOrNothing("edit", standard, [](const std::string& d) { return editSymbol(d, "MSFT", "MSX", "MICRO X"); });
    expectAllOrNothing("skip", standard, [](const std::string& d) { return setSymbolSkip(d, "IBM", true); });
    expectAllOrNothing("adjust skip", standard, [](const std::string& d) { return adjustPortfolioSkip(d, true); });
}

} // namespace
} // namespace qv
