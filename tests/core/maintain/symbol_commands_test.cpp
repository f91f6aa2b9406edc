#include "core/maintain/portfolio_delete.h"
#include "core/maintain/symbol_commands.h"

#include "core/platform/clock.h"
#include "core/platform/fault_injection.h"
#include "core/store/securities.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

constexpr std::size_t kRec = 53;

fx::ByteVec record(const fx::ByteVec& master, std::size_t index)
{
    return fx::ByteVec(master.begin() + static_cast<long>(index * kRec),
                       master.begin() + static_cast<long>((index + 1) * kRec));
}

fx::ByteVec skipBytes(std::initializer_list<int> marked)
{
    fx::ByteVec bytes(256, 0);
    for (int k : marked)
        bytes[static_cast<std::size_t>(k)] = 1;
    return bytes;
}

bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// The standard portfolio (1 IBM, 2 MSFT, 4 GC); today is fixed so that added entries compare byte for byte.
class SymbolCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        setTodayOverride("03/15/24");
        fx::writeStandardPortfolio(dir());
    }
    void TearDown() override
    {
        faults::reset();
        setTodayOverride(std::nullopt);
    }
    const std::string& dir() const { return tmp_.path(); }
    std::string file(const std::string& name) const { return tmp_.file(name); }
    fx::ByteVec master() const { return fx::readBytes(file("MASTER")); }
    fx::ByteVec skip() const { return fx::readBytes(file("SKIPQVTA.PBG")); }
    // Every file but MASTER is as in `before`.
    void expectOnlyMasterChanged(const std::vector<std::pair<std::string, fx::ByteVec>>& before) const
    {
        for (const auto& [name, content] : before)
            if (name != "MASTER") {
                EXPECT_EQ(fx::readBytes(file(name)), content) << name;
            }
    }

    // dir/SUB holds a nested portfolio with XYZ (file number 1), named by a directory entry.
    std::string addNestedPortfolio()
    {
        std::vector<fx::ByteVec> top;
        const fx::ByteVec old = master();
        for (std::size_t i = 1; i * kRec < old.size(); ++i)
            top.push_back(record(old, i));
        top.push_back(fx::masterDirectoryEntry(9, "SUB"));
        fx::writeBytes(file("MASTER"), fx::masterFile(top));
        const std::string sub = tmp_.subdir("SUB");
        fx::writeBytes(sub + "/MASTER", fx::masterFile({fx::masterEntry({1, "XYZ", "XYZ INC", 7})}));
        return sub;
    }

    fx::TempDir tmp_;
};

TEST(AddPortfolio, TrimsTheTypedPathWritesAnEmptyMasterAndNeverOverwritesOne)
{
    fx::TempDir tmp;
    CommandResult r = addPortfolio(" " + tmp.path() + "/new//");
    ASSERT_EQ(r.directory, tmp.path() + "/new") << r.message();
    EXPECT_EQ(fx::readBytes(tmp.file("new/MASTER")), fx::ByteVec(kRec, 0));
    // A MASTER under any case is kept; a MASTER that cannot be written leaves nothing behind.
    fx::writeBytes(tmp.subdir("lower") + "/master", fx::masterFile({fx::masterEntry({1, "AA", "AA"})}));
    const auto before = fx::snapshot(tmp.path());
    EXPECT_FALSE(addPortfolio(tmp.path() + "/lower").ok());
    EXPECT_FALSE([&] {
        faults::ScopedFailure fail(faults::Op::Write, 1);
        return addPortfolio(tmp.path() + "/third");
    }()
                     .ok());
    EXPECT_EQ(fx::snapshot(tmp.path()), before);
    EXPECT_FALSE(exists(tmp.file("third"))) << "nor the directory";
}

TEST_F(SymbolCommands, AddWritesATrimmedUpperCaseEntryAndEmptyFilesAndRefusesDuplicatesAndAFullMaster)
{
    CommandResult r = addSymbol(dir(), "  new  ", "");
    ASSERT_TRUE(r.ok() && r.fileNumber == 3) << r.message();
    const float today = fx::fileDate(2024, 3, 15);
    EXPECT_EQ(record(master(), 4), fx::masterEntry({3, "NEW", "NEW", 7, today, today, 'D'}));
    EXPECT_EQ(fx::readBytes(file("F3.DAT")), fx::quoteFile(7, {}));

    // The stored, upper-cased symbol is checked; a name and a nested portfolio's symbol are duplicates too.
    ASSERT_TRUE(addSymbol(dir(), "abcdefghijklmnop", "Sixteen letters!").ok());
    addNestedPortfolio();
    const auto before = fx::snapshot(dir());
    for (const char* symbol : {" abcdefghijklmnop ", "ibm", "IBM CORP", "xyz"})
        EXPECT_EQ(addSymbol(dir(), symbol, "").message(), "Duplicate Symbol failure") << symbol;
    EXPECT_EQ(fx::snapshot(dir()), before);
    fx::ByteVec full = master();
    fx::setU16(full, 2, 255); // the second counter says full
    fx::writeBytes(file("MASTER"), full);
    EXPECT_EQ(addSymbol(dir(), "FRESH", "").message(), kMasterFullMessage);
    EXPECT_EQ(master(), full);
}

// A symbol or name beyond its 16 characters is refused whole: cut, it would silently be another one.
TEST_F(SymbolCommands, AddAndEditRefuseASymbolOrNameLongerThanItsFieldInsteadOfCuttingIt)
{
    const struct {
        const char* symbol;
        const char* name;
        std::string_view message;
    } cases[] = {{"abcdefghijklmnopq", "", kLongSymbolMessage}, {"NEW", "Seventeen chars!!", kLongNameMessage}};
    const auto before = fx::snapshot(dir());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(addSymbol(dir(), c.symbol, c.name).message(), c.message);
        EXPECT_EQ(editSymbol(dir(), "MSFT", c.symbol, c.name).message(), c.message);
        EXPECT_EQ(fx::snapshot(dir()), before);
    }
    // Blanks around a symbol are no part of it: 16 characters between them are taken.
    EXPECT_TRUE(addSymbol(dir(), "  abcdefghijklmnop  ", "").ok());
}

// A damaged MASTER (a count lower than its entries, a crash after a delete) never leads Symbol Add to a
// number whose files are there; such files are named, and the new security gets no assignment of theirs.
TEST_F(SymbolCommands, AddIntoADamagedMasterNeverTouchesExistingFilesAndNamesTheOrphans)
{
    fx::writeText(file("F2.PFL"), "SAMPLE");
    fx::ByteVec counted = master();
    fx::setU16(counted, 0, 1); // counts IBM only; MSFT and GC are held beyond the count
    fx::writeBytes(file("MASTER"), counted);
    auto before = fx::snapshot(dir());
    CommandResult r = addSymbol(dir(), "NEW", "");
    EXPECT_TRUE(r.ok() && r.fileNumber == 3 && r.message().empty()) << r.message();
    expectOnlyMasterChanged(before);

    // Left by a delete that did not finish: F5's quotes and profile assignment, no entry.
    fx::writeBytes(file("F5.DAT"), fx::quoteFile(7, fx::standardQuotes(1)));
    fx::writeText(file("f5.pfl"), "OLDPROF");
    before = fx::snapshot(dir());
    r = addSymbol(dir(), "NEWER", "");
    EXPECT_TRUE(r.ok() && r.fileNumber == 6) << r.message();
    EXPECT_NE(r.message().find("F5.DAT, f5.pfl"), std::string::npos) << r.message();
    EXPECT_FALSE(exists(file("F6.PFL")));
    expectOnlyMasterChanged(before);
}

// Two entries of one number share its files: deleting one removes no file or mark the other needs;
// editing the second, which the grid leaves out, is refused.
TEST_F(SymbolCommands, SecondEntryOfANumberIsEditedNeverAndDeletedWithoutItsFiles)
{
    fx::writeBytes(file("MASTER"), fx::masterFile({fx::masterEntry({1, "IBM", "IBM CORP", 7}),
                                                   fx::masterEntry({2, "MSFT", "MICROSOFT", 7}),
                                                   fx::masterEntry({2, "DUP", "DUPLICATE", 6})}));
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 2}));
    const auto before = fx::snapshot(dir());
    const CommandResult edit = editSymbol(dir(), "DUP", "DUP2", "");
    EXPECT_NE(edit.message().find("repeats the file number of an earlier entry, MSFT"), std::string::npos)
        << edit.message();
    EXPECT_EQ(fx::snapshot(dir()), before);

    const CommandResult removed = deleteSymbol(dir(), "DUP");
    EXPECT_TRUE(removed.ok() && removed.message().find("F2.DAT") != std::string::npos) << removed.message();
    EXPECT_EQ(findSecurity(dir(), "DUP").status, kStatusFileNotFound);
    for (const char* kept : {"F2.DAT", "F2.DOP"})
        EXPECT_TRUE(exists(file(kept))) << kept;
    EXPECT_EQ(skip(), skipBytes({0, 2}));
    ASSERT_TRUE(editSymbol(dir(), "MSFT", "MSX", "").ok()); // the first entry is the security
}

TEST_F(SymbolCommands, DeleteMatchesExactlyRemovesEntryFilesAndMarkAndFreesTheNumber)
{
    fx::writeText(file("F2.PFL"), "SAMPLE");
    fx::writeText(file("f2.bak"), "old quotes"); // written elsewhere, in lower case
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 1, 2}));
    const auto before = fx::snapshot(dir());
    for (const char* symbol : {"msft", "MSF", "MICROSOFT CORP"})
        EXPECT_FALSE(deleteSymbol(dir(), symbol).ok()) << symbol;
    EXPECT_EQ(fx::snapshot(dir()), before);

    ASSERT_TRUE(deleteSymbol(dir(), "MSFT").ok());
    EXPECT_EQ(findSecurity(dir(), "MSFT").status, kStatusFileNotFound);
    for (const char* gone : {"F2.DAT", "F2.DOP", "F2.PFL", "f2.bak"})
        EXPECT_FALSE(exists(file(gone))) << gone;
    EXPECT_TRUE(exists(file("F1.DAT")));
    EXPECT_EQ(skip(), skipBytes({0, 1}));
    EXPECT_EQ(addSymbol(dir(), "NEW", "").fileNumber, 2);

    // A file that could not be removed is reported; the entry is gone all the same.
    const CommandResult failed = [&] {
        faults::ScopedFailure fail(faults::Op::Unlink, 1);
        return deleteSymbol(dir(), "IBM");
    }();
    EXPECT_NE(failed.message().find("could not be removed"), std::string::npos) << failed.message();
    EXPECT_EQ(findSecurity(dir(), "IBM").status, kStatusFileNotFound);
}

TEST_F(SymbolCommands, SkipMarksWhereTheSecurityLivesByFileNumberAndAdjustMarksExactlyTheListedOnes)
{
    ASSERT_TRUE(setSymbolSkip(dir(), "gold", true).ok()); // found by name, like any key
    EXPECT_EQ(skip(), skipBytes({0, 4}));
    ASSERT_TRUE(setSymbolSkip(dir(), "GC", false).ok());

    const std::string sub = addNestedPortfolio(); // its directory entry carries number 9, no security here
    EXPECT_EQ(setSymbolSkip(dir(), "XYZ", true).directory, sub);
    EXPECT_EQ(fx::readBytes(sub + "/SKIPQVTA.PBG"), skipBytes({0, 1}));
    EXPECT_EQ(skip(), skipBytes({0}));
    fx::writeBytes(file("SKIPQVTA.PBG"), skipBytes({0, 200}));
    ASSERT_TRUE(adjustPortfolioSkip(dir(), true).ok());
    EXPECT_EQ(skip(), skipBytes({1, 2, 4}));

    // The grid's row names the file number, not an earlier entry named like the symbol.
    fx::writeBytes(file("MASTER"),
                   fx::masterFile({fx::masterEntry({1, "XYZ", "IBM", 7}), fx::masterEntry({2, "IBM", "IBM CORP", 7})}));
    fs::remove(file("SKIPQVTA.PBG"));
    ASSERT_TRUE(setSkipMark(dir(), 2, true).ok());
    EXPECT_EQ(skip(), skipBytes({0, 2}));
}

TEST_F(SymbolCommands, EditChangesOnlySymbolAndName)
{
    const auto before = fx::snapshot(dir());
    fx::ByteVec expected = record(master(), 2);
    ASSERT_TRUE(editSymbol(dir(), "MSFT", "msx", "MICRO X").ok());
    fx::setText(expected, 7, "MICRO X         ");
    fx::setText(expected, 36, "msx             ");
    EXPECT_EQ(record(master(), 2), expected);
    expectOnlyMasterChanged(before);
    EXPECT_EQ(editSymbol(dir(), "msx", "", "NAME").message(), "You must enter a symbol");

    // A nested security is rewritten in the MASTER that lists it, not in the top one's entry of its number.
    const std::string sub = addNestedPortfolio();
    const fx::ByteVec top = master();
    ASSERT_TRUE(editSymbol(dir(), "XYZ", "XYZ2", "").ok());
    EXPECT_EQ(master(), top);
    EXPECT_EQ(findSecurity(dir(), "XYZ2").directory, sub + "/");
}

// Each command runs once to learn its calls and the state it leaves, then once per call with that call
// failing: the portfolio is as before or after, never between (a MASTER.BAK of the old MASTER is no change).
TEST_F(SymbolCommands, EveryCommandIsAllOrNothingUnderEveryFailingCall)
{
    const auto prepare = [](const std::string& d) {
        fx::writeStandardPortfolio(d);
        fx::writeText(d + "/F2.PFL", "SAMPLE");
        fx::writeBytes(d + "/SKIPQVTA.PBG", skipBytes({0, 2}));
    };
    using D = const std::string&;
    const std::pair<const char*, std::function<CommandResult(D)>> commands[] = {
        {"add", [](D d) { return addSymbol(d, "NEW", "NEW ISSUE"); }},
        {"delete", [](D d) { return deleteSymbol(d, "MSFT"); }},
        {"edit", [](D d) { return editSymbol(d, "MSFT", "MSX", "MICRO X"); }},
        {"skip", [](D d) { return setSymbolSkip(d, "IBM", true); }},
        {"adjust skip", [](D d) { return adjustPortfolioSkip(d, true); }},
    };
    for (const auto& [what, command] : commands) {
        for (faults::Op op : {faults::Op::Write, faults::Op::Fsync, faults::Op::Rename}) {
            fx::TempDir clean;
            prepare(clean.path());
            const fx::ByteVec oldMaster = fx::readBytes(clean.file("MASTER"));
            const auto stateOf = [&](const fx::TempDir& t) {
                auto files = fx::snapshot(t.path());
                std::erase_if(files, [&](const auto& f) { return f.first == "MASTER.BAK" && f.second == oldMaster; });
                return files;
            };
            faults::reset();
            ASSERT_TRUE(command(clean.path()).ok()) << what;
            const auto after = stateOf(clean);
            ASSERT_GT(faults::callCount(op), 0) << what;
            for (int n = 1, calls = faults::callCount(op); n <= calls; ++n) {
                fx::TempDir t;
                prepare(t.path());
                const auto before = fx::snapshot(t.path());
                const CommandResult r = [&] {
                    faults::ScopedFailure fail(op, n);
                    return command(t.path());
                }();
                const auto state = stateOf(t);
                // A delete whose mark could not be cleared is done all the same (and says so).
                auto staleMark = after;
                for (auto& [name, bytes] : staleMark)
                    if (name == "SKIPQVTA.PBG")
                        bytes = skipBytes({0, 2}); // as prepared
                const bool deletedWithStaleMark = std::string_view(what) == "delete" && state == staleMark;
                SCOPED_TRACE(testing::Message() << what << " op " << static_cast<int>(op) << " #" << n);
                EXPECT_TRUE(state == before || state == after || deletedWithStaleMark);
                EXPECT_EQ(r.ok(), state == after);
                EXPECT_EQ(r.ok(), r.message().empty());
                // The failure is a write's, and names the file or folder it concerned.
                EXPECT_TRUE(r.ok() || (r.outcome.status() == kStatusFileWrite && !r.outcome.file().empty()))
                    << r.outcome.status() << " " << r.outcome.file();
            }
        }
    }
}

class PortfolioDelete : public ::testing::Test {
protected:
    void SetUp() override { fx::writeStandardPortfolio(dir_); }
    fx::TempDir tmp_;
    std::string dir_ = tmp_.subdir("PORT");
};

TEST_F(PortfolioDelete, RemovesEverythingAndAFailedRemovalIsReportedWhileTheRestStillGoes)
{
    const std::size_t files = fx::snapshot(dir_).size();
    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_TRUE(d.complete && d.filesRemoved == static_cast<int>(files) && !exists(dir_));

    fx::writeStandardPortfolio(tmp_.subdir("PORT"));
    d = [&] {
        faults::ScopedFailure failSecond(faults::Op::Unlink, 2);
        return deletePortfolio(dir_);
    }();
    EXPECT_TRUE(!d.complete && d.leftOver.size() == 1u);
    EXPECT_EQ(fx::snapshot(dir_).size(), 1u) << "only the file that could not be removed is left";
}

TEST_F(PortfolioDelete, LinksNestedPortfoliosAndHiddenFilesStayAndALinkedPathOrOneWithoutMasterIsLeftUntouched)
{
    // A link to a file and a link to a directory elsewhere: their targets must survive.
    const std::string outside = tmp_.subdir("OUTSIDE");
    fx::writeText(outside + "/precious.txt", "keep me");
    fs::create_symlink(outside + "/precious.txt", dir_ + "/F9.DAT");
    fs::create_symlink(outside, dir_ + "/LINKDIR");
    fx::writeStandardPortfolio(tmp_.subdir("PORT/SUB"));
    fx::writeText(dir_ + "/.hidden", "x");

    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_TRUE(!d.complete && d.leftOver.size() == 4u);
    for (const char* kept : {"/F9.DAT", "/LINKDIR", "/SUB/MASTER", "/.hidden"})
        EXPECT_TRUE(exists(dir_ + kept)) << kept;
    EXPECT_TRUE(exists(outside + "/precious.txt"));
    for (const char* gone : {"/MASTER", "/F1.DAT"})
        EXPECT_FALSE(exists(dir_ + gone)) << gone;

    // dir_ no longer holds MASTER; ALIAS links to a whole portfolio.
    fx::writeStandardPortfolio(outside);
    fs::create_symlink(outside, tmp_.path() + "/ALIAS");
    for (const std::string& path : {tmp_.path() + "/ALIAS", dir_, std::string()})
        EXPECT_EQ(deletePortfolio(path).filesRemoved, 0) << path;
    EXPECT_TRUE(exists(dir_ + "/.hidden") && exists(outside + "/MASTER"));
}

} // namespace
} // namespace qv
