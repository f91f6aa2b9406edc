#include "core/browse/portfolio_search.h"
#include "core/browse/symbol_list.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;
using Set = std::set<std::string>;

Set asSet(const std::vector<std::string>& v) { return Set(v.begin(), v.end()); }

class PortfolioSearch : public ::testing::Test {
protected:
    // Creates root/relative (and its parents) holding a MASTER file named `name`.
    std::string portfolio(const std::string& relative, const std::string& name = "MASTER")
    {
        const std::string dir = relative.empty() ? root() : root() + "/" + relative;
        fs::create_directories(dir);
        fx::writeBytes(dir + "/" + name, fx::masterFile({}));
        return dir;
    }
    const std::string& root() const { return tmp_.path(); }
    fx::TempDir tmp_;
};

TEST_F(PortfolioSearch, OnlyRegularMasterFilesOutsideDotDirectoriesCountAndLinkedDirectoriesAreNotFollowed)
{
    const std::string lower = portfolio("lower", "master");
    portfolio(".hidden/deeper");
    fs::create_directories(root() + "/dangling");
    fs::create_symlink("nowhere", root() + "/dangling/MASTER");
    fs::create_directories(root() + "/linkedfile");
    fs::create_symlink(lower + "/master", root() + "/linkedfile/MASTER");
    portfolio("elsewhere/target");
    fs::create_directory_symlink(root() + "/elsewhere/target", root() + "/via");
    fs::create_directory_symlink(root(), root() + "/loop");

    const std::vector<std::string> listed = searchPortfolios(root(), "");
    EXPECT_EQ(listed.size(), 3u) << "each once";
    EXPECT_EQ(asSet(listed), (Set{lower, root() + "/linkedfile", root() + "/elsewhere/target"}));
}

// A limit below the first level used to find nothing: the directories on the way to it do not
// contain it. They are walked through now, without being reported themselves.
TEST_F(PortfolioSearch, LimitEntersOnlyPathsContainingItWithoutRegardToCaseButTheRootAlways)
{
    portfolio("");
    const std::string qv = portfolio("QV"), qvx = portfolio("QVX/deep");
    portfolio("DATA/QV");
    EXPECT_EQ(asSet(searchPortfolios(root(), root() + "/qV/")), (Set{root(), qv, qvx}));
    EXPECT_EQ(searchPortfolios(root() + "//", "/nowhere"), std::vector<std::string>{root()});

    portfolio("A");
    const std::string wanted = portfolio("A/B/C"), alsoWanted = portfolio("A/BX");
    portfolio("X/A/B");
    EXPECT_EQ(asSet(searchPortfolios(root(), root() + "/a/b")), (Set{root(), wanted, alsoWanted}));
}

TEST_F(PortfolioSearch, DeepTreesAreWalkedToTheBottomAndUnreadableDirectoriesSkipped)
{
    std::string bottom = root();
    for (int i = 0; i < 1500; ++i)
        ASSERT_EQ(::mkdir((bottom += "/d").c_str(), 0755), 0) << i;
    fx::writeBytes(bottom + "/MASTER", fx::masterFile({}));
    EXPECT_EQ(searchPortfolios(root(), ""), std::vector<std::string>{bottom});

    if (::geteuid() == 0)
        return; // permissions do not bind root
    const std::string shut = portfolio("shut");
    portfolio("shut/inner");
    ::chmod(shut.c_str(), 0);
    EXPECT_EQ(searchPortfolios(root(), ""), std::vector<std::string>{bottom});
    ::chmod(shut.c_str(), 0755);
}

TEST(PortfolioSearchMounts, WalkStaysOnTheRootFileSystem)
{
    // /dev usually has other file systems (/dev/pts, /dev/shm) mounted inside it.
    struct stat devRoot {};
    ASSERT_EQ(::stat("/dev", &devRoot), 0);
    std::vector<std::string> visited;
    searchPortfolios("/dev", "", {[&](const std::string& path, int) { visited.push_back(path); }});
    ASSERT_FALSE(visited.empty());
    for (const std::string& path : visited) {
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_dev, devRoot.st_dev) << path;
    }
    for (const std::string& r : listRoots())
        for (const char* kernel : {"/proc", "/sys", "/dev"})
            EXPECT_NE(r, kernel);
}

using Texts = std::vector<std::string>;

Texts symbolsOf(const SymbolListing& listing)
{
    Texts out;
    for (const SymbolRow& row : listing.rows)
        out.push_back(row.symbol);
    return out;
}

TEST(SymbolList, ListsEntriesInFileOrderWithTheirSkipMarksAndASkipListThatCannotBeMadeMarksNone)
{
    fx::TempDir tmp;
    fx::writeStandardPortfolio(tmp.path());
    SymbolListing listing = [&] {
        faults::ScopedFailure fail(faults::Op::Write, 1);
        return listSymbols(tmp.path());
    }();
    EXPECT_EQ(symbolsOf(listing), (Texts{"IBM", "MSFT", "GC"}));
    EXPECT_FALSE(listing.skipFlagsValid);
    EXPECT_EQ(listing.messages, Texts{"incorrect file length in FillSymbolsGrid\ndelete skipqvta.pbg"});

    fx::ByteVec skip(256, 0);
    skip[0] = 1;
    skip[2] = 7; // any non-zero byte marks
    fx::writeBytes(tmp.file("SKIPQVTA.PBG"), skip);
    listing = listSymbols(tmp.path());
    EXPECT_TRUE(listing.ok && listing.messages.empty() && listing.rows[2].fileNumber == 4);
    EXPECT_TRUE(!listing.rows[0].skipped && listing.rows[1].skipped && !listing.rows[2].skipped);
}

TEST(SymbolList, ShowsAtMost255EntriesLeavesOutRepeatedNumbersAndFailsOnATornMaster)
{
    fx::TempDir tmp;
    std::vector<fx::ByteVec> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back(fx::masterEntry({i % 255 + 1, "S" + std::to_string(i), "N"}));
    fx::writeBytes(tmp.file("MASTER"), fx::masterFile(entries));
    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_EQ(listing.rows.size(), 255u);
    // Entries 256 on repeat numbers 1..45, but are not read, so nothing is damaged.
    EXPECT_EQ(listing.messages, Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});

    fx::writeBytes(tmp.file("MASTER"),
                   fx::masterFile({fx::masterEntry({1, "A", "A"}), fx::masterEntry({2, "B", "B"}),
                                   fx::masterEntry({1, "C", "C"}), fx::masterEntry({3, "D", "D"})}));
    listing = listSymbols(tmp.path());
    EXPECT_EQ(symbolsOf(listing), (Texts{"A", "B", "D"}));
    EXPECT_EQ(listing.messages, Texts{"Your master file is partially damaged"});

    fx::writeBytes(tmp.file("MASTER"), fx::ByteVec(20, 0));
    EXPECT_FALSE(listSymbols(tmp.path()).ok);
}

} // namespace
} // namespace qv
