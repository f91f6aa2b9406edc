#include "core/browse/symbol_list.h"
#include "core/store/master.h"
#include "core/store/securities.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qv {
namespace {

using namespace qv::fixtures;

ByteVec entry(int n, const std::string& symbol, const std::string& name = "")
{
    return masterEntry({n, symbol, name, 7, fileDate(1997, 1, 2), fileDate(1997, 3, 14)});
}

class MasterSearch : public ::testing::Test {
protected:
    TempDir tmp;
    void writeMaster(const std::string& dir, const std::vector<ByteVec>& records, const std::string& name = "MASTER")
    {
        writeBytes(dir + "/" + name, masterFile(records));
    }
    FoundSecurity find(std::string_view key) { return findSecurity(tmp.path(), key); }
};

// Keys with blanks compare as as many words of the symbol; a symbol filling the whole field
// matches only itself; the first entry in file order wins, by name or by symbol.
TEST_F(MasterSearch, KeysMatchSymbolWordsOrTheNameWithoutRegardToCaseAndTheFirstEntryInFileOrderWins)
{
    const std::pair<std::vector<ByteVec>, std::vector<std::pair<const char*, int>>> cases[] = {
        {{entry(3, "MSFT", "MICROSOFT"), entry(1, "IBM", "IBM CORP"), entry(4, "GC Z97 X", "GOLD DEC 97")},
         {{"ibm", 1}, {"ibm corp", 1}, {"IB", 0}, {"CORP", 0}, {"gc z97", 4}, {"GC Z", 0}}},
        {{entry(1, "ABCDEFGHIJKLMNOP")}, {{"ABCDEFGHIJKLMNOP", 1}, {"ABCDEFGHIJKLMNOPQ", 0}, {"ABCDEFGHIJKLMNO", 0}}},
        {{entry(5, "XYZ", "MSFT"), entry(2, "MSFT", "MICROSOFT")}, {{"MSFT", 5}}},
    };
    for (const auto& [entries, keys] : cases) {
        writeMaster(tmp.path(), entries);
        for (const auto& [key, number] : keys) {
            const FoundSecurity f = find(key);
            EXPECT_EQ(f.status, number ? kStatusOk : kStatusFileNotFound) << key;
            EXPECT_EQ(f.status == kStatusOk ? f.entry.fileNumber() : 0, number) << key;
        }
    }
    EXPECT_EQ(findSecurity(tmp.path() + "/", "MSFT").directory, tmp.path() + "/");
}

// Every entry of a level is compared before any nested portfolio is entered; nested portfolios
// are searched depth first in entry order, a missing one is passed over, and a directory entry
// is no security.
TEST_F(MasterSearch, NestedPortfoliosAfterTheTopLevelDepthFirstInEntryOrder)
{
    ByteVec nope = masterDirectoryEntry(1, "NOPE");
    setText(nope, 36, "NOPE");
    writeMaster(tmp.path(), {nope, masterDirectoryEntry(2, "A"), masterDirectoryEntry(3, "B"), entry(4, "BOTH")});
    writeMaster(tmp.subdir("A"), {masterDirectoryEntry(1, "C"), entry(3, "BOTH")});
    writeMaster(tmp.subdir("A/C"), {entry(9, "K")});
    writeMaster(tmp.subdir("B"), {entry(8, "K"), entry(7, "L")});
    EXPECT_EQ(std::pair(find("K").entry.fileNumber(), find("K").directory), std::pair(9, tmp.path() + "/A/C/"));
    EXPECT_EQ(find("BOTH").directory, tmp.path() + "/");
    EXPECT_EQ(find("L").directory, tmp.path() + "/B/"); // back up from A/C the search resumes at the top
    EXPECT_EQ(find("NOPE").status, kStatusFileNotFound);
}

TEST_F(MasterSearch, EntriesLeadingBackToTheirOwnDirectoryLinkLoopsAndDeepChainsEnd)
{
    writeMaster(tmp.path(),
                {masterDirectoryEntry(1, "."), masterDirectoryEntry(2, "SUB"), masterDirectoryEntry(3, "LOOP")});
    writeMaster(tmp.subdir("SUB"), {masterDirectoryEntry(1, ".."), entry(2, "IN")});
    std::filesystem::create_directory_symlink(".", tmp.file("LOOP"));
    EXPECT_EQ(find("ABSENT").status, kStatusFileNotFound);
    EXPECT_EQ(find("IN").status, kStatusOk);
    TempDir chain;
    std::string dir = chain.path();
    for (int depth = 1; depth <= 40; ++depth, dir += "/D") {
        writeMaster(dir, {entry(1, "AT" + std::to_string(depth - 1)), masterDirectoryEntry(2, "D")});
        std::filesystem::create_directory(dir + "/D");
    }
    EXPECT_EQ(findSecurity(chain.path(), "AT3").directory, chain.path() + "/D/D/D/");
    EXPECT_EQ(findSecurity(chain.path(), "AT39").status, kStatusFileNotFound); // beyond the nesting bound
}

// findSecurity in a child process, so that a search that never ends fails instead of hanging:
// its status, or -1 when it did not end within 20 seconds.
int statusWithin(const std::string& dir, const std::string& key)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(findSecurity(dir, key).status == kStatusOk ? 0 : 1);
    int wstatus = 0;
    for (int ms = 0; ::waitpid(pid, &wstatus, WNOHANG) == 0; ms += 5) {
        if (ms > 20000)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !WIFEXITED(wstatus) ? -1 : WEXITSTATUS(wstatus) == 0 ? kStatusOk : kStatusFileNotFound;
}

// Every level's MASTER names its one subdirectory 40 times: a search that remembered only the
// directories on its path would read the bottom level 40^5 times. Each directory is read once.
TEST_F(MasterSearch, NestedPortfoliosNamedManyTimesOverAreSearchedOnce)
{
    std::string dir = tmp.path();
    for (int level = 0; level < 5; ++level, dir += "/S") {
        std::vector<ByteVec> records;
        for (int k = 1; k <= 40; ++k)
            records.push_back(masterDirectoryEntry(k, "S"));
        writeMaster(dir, records);
        std::filesystem::create_directory(dir + "/S");
    }
    writeMaster(dir, {entry(1, "DEEP")});
    EXPECT_EQ(statusWithin(tmp.path(), "ABSENT"), kStatusFileNotFound);
    EXPECT_EQ(statusWithin(tmp.path(), "DEEP"), kStatusOk);
    EXPECT_EQ(find("DEEP").directory, tmp.path() + "/S/S/S/S/S/");
}

// A directory entry is followed only when its name is one plain directory name inside the
// portfolio: "..", ".", an empty name, separators and control characters would lead the search
// (and the edits that follow it) into the parent portfolio or elsewhere. Such entries are still
// listed, as what the MASTER holds.
TEST_F(MasterSearch, DirectoryEntriesThatAreNoPlainNameInsideThePortfolioAreNotFollowed)
{
    const std::string parent = tmp.path(), child = tmp.subdir("CHILD");
    writeMaster(parent, {entry(1, "PARENTSEC"), masterDirectoryEntry(2, "CHILD")});
    const std::pair<const char*, const char*> securities[] = {{"SIB", "SIBSEC"},           {"CHILD/SUB", "SUBSEC"},
                                                              {"CHILD/OK", "OKSEC"},       {"CHILD/SUB/IN", "DEEPSEC"},
                                                              {"CHILD/SUB\\IN", "BSLASH"}, {"CHILD/\x01X", "CONTROL"}};
    for (const auto& [dir, symbol] : securities)
        writeMaster(tmp.subdir(dir), {entry(1, symbol)});
    ByteVec empty = masterDirectoryEntry(3, "");
    setByte(empty, 7, 0);
    const std::vector<ByteVec> entries = {
        masterDirectoryEntry(1, ".."),     masterDirectoryEntry(2, "."),      empty,
        masterDirectoryEntry(4, "SUB/IN"), masterDirectoryEntry(5, "../SIB"), masterDirectoryEntry(6, "SUB\\IN"),
        masterDirectoryEntry(7, "\x01X"),  masterDirectoryEntry(8, "OK")};
    writeMaster(child, entries);
    for (const char* key : {"PARENTSEC", "SIBSEC", "DEEPSEC", "BSLASH", "CONTROL", "SUBSEC"})
        EXPECT_EQ(findSecurity(child, key).status, kStatusFileNotFound) << key;
    EXPECT_EQ(findSecurity(parent, "OKSEC").directory, child + "/OK/") << "plain names are followed";
    for (const char* name : {"SUB", "FUTURES", "a.b", "..x", "x.."})
        EXPECT_TRUE(isNestedPortfolioName(name)) << name;
    const SymbolListing listing = listSymbols(child);
    ASSERT_EQ(listing.rows.size(), entries.size());
    EXPECT_TRUE(std::ranges::all_of(listing.rows, [](const SymbolRow& r) { return r.isDirectoryEntry; }));
}

} // namespace
} // namespace qv
