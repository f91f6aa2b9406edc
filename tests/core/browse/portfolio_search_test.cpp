#include "core/browse/portfolio_search.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

class PortfolioSearch : public ::testing::Test {
protected:
    // Creates root/relative (and its parents) and, unless it is "", a MASTER file named `name`.
    std::string portfolio(const std::string& relative, const std::string& name = "MASTER") {
        const std::string dir = relative.empty() ? root() : root() + "/" + relative;
        fs::create_directories(dir);
        fx::writeBytes(dir + "/" + name, fx::masterFile({}));
        return dir;
    }
    std::string directory(const std::string& relative) {
        fs::create_directories(root() + "/" + relative);
        return root() + "/" + relative;
    }
    // The order in which the file system lists the two names in dir.
    bool listsFirst(const std::string& dir, const std::string& first, const std::string& second) {
        DIR* d = ::opendir(dir.c_str());
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
        ::closedir(d);
        auto pos = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
        return pos(first) < pos(second);
    }
    const std::string& root() const { return tmp_.path(); }

    fx::TempDir tmp_;
};

TEST_F(PortfolioSearch, WalksLastListedFirstAndListsInReverseOfFinding) {
    portfolio("");
    const std::string a = portfolio("A");
    const std::string a1 = portfolio("A/A1");
    const std::string b = portfolio("B");
    std::vector<std::pair<std::string, int>> visits;
    SearchProgress progress{[&](const std::string& path, int found) { visits.emplace_back(path, found); }};

    const std::vector<std::string> listed = searchPortfolios(root(), "", progress);
    if (listsFirst(root(), "A", "B")) {
        // Walked: root, B, A, A1.
        EXPECT_EQ(listed, (std::vector<std::string>{a1, a, b, root()}));
        EXPECT_EQ(visits, (std::vector<std::pair<std::string, int>>{{root(), 1}, {b, 2}, {a, 3}, {a1, 4}}));
    } else {
        // Walked: root, A, A1, B.
        EXPECT_EQ(listed, (std::vector<std::string>{b, a1, a, root()}));
        EXPECT_EQ(visits, (std::vector<std::pair<std::string, int>>{{root(), 1}, {a, 2}, {a1, 3}, {b, 4}}));
    }
}

TEST_F(PortfolioSearch, OnlyRegularMasterFilesOutsideDotDirectoriesCount) {
    const std::string lower = portfolio("lower", "master");
    portfolio(".hidden");
    portfolio(".hidden/deeper");
    directory("dirnamed/MASTER");
    directory("dangling");
    fs::create_symlink("nowhere", root() + "/dangling/MASTER");
    const std::string linkedFile = directory("linkedfile");
    fs::create_symlink(lower + "/master", linkedFile + "/MASTER");
    // Links to directories are never followed, even when they make a loop.
    portfolio("elsewhere/target");
    fs::create_directory_symlink(root() + "/elsewhere/target", root() + "/via");
    fs::create_directory_symlink(root(), root() + "/loop");

    const std::vector<std::string> listed = searchPortfolios(root(), "");
    const std::set<std::string> got(listed.begin(), listed.end());
    EXPECT_EQ(listed.size(), got.size());
    EXPECT_EQ(got, (std::set<std::string>{lower, linkedFile, root() + "/elsewhere/target"}));
}

TEST_F(PortfolioSearch, LimitEntersOnlyPathsContainingItWithoutRegardToCaseButTheRootAlways) {
    portfolio("");
    const std::string qv = portfolio("QV");
    const std::string qvx = portfolio("QVX");
    const std::string deep = portfolio("QVX/deep");
    portfolio("DATA");
    portfolio("DATA/QV");

    std::string limit = root() + "/qv/";
    std::transform(limit.begin(), limit.end(), limit.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::vector<std::string> listed = searchPortfolios(root(), limit);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), (std::set<std::string>{root(), qv, qvx, deep}));

    // The root is examined whatever the limit says, and listed as itself.
    EXPECT_EQ(searchPortfolios(root() + "//", "/nowhere"), std::vector<std::string>{root()});
    EXPECT_TRUE(searchPortfolios(root() + "/absent", "").empty());
}

// A limit below the first level used to find nothing: the directories on the way to it do not
// contain it. They are walked through now, without being reported themselves.
TEST_F(PortfolioSearch, LimitBelowTheFirstLevelIsReachedThroughItsParents) {
    portfolio("A");
    const std::string wanted = portfolio("A/B/C");
    const std::string alsoWanted = portfolio("A/BX");
    portfolio("X/A/B");
    const std::vector<std::string> listed = searchPortfolios(root(), root() + "/a/b");
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), (std::set<std::string>{wanted, alsoWanted}));
}

TEST_F(PortfolioSearch, DeepTreeIsWalkedToTheBottom) {
    std::string bottom = root();
    for (int i = 0; i < 1500; ++i) {
        bottom += "/d";
        ASSERT_EQ(::mkdir(bottom.c_str(), 0755), 0) << i;
    }
    fx::writeBytes(bottom + "/MASTER", fx::masterFile({}));
    EXPECT_EQ(searchPortfolios(root(), ""), std::vector<std::string>{bottom});
}

TEST_F(PortfolioSearch, UnreadableDirectoryIsSkipped) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string open = portfolio("open");
    const std::string shut = portfolio("shut");
    portfolio("shut/inner");
    ::chmod(shut.c_str(), 0);
    EXPECT_EQ(searchPortfolios(root(), ""), std::vector<std::string>{open});
}

TEST(PortfolioSearchMounts, WalkStaysOnTheRootFileSystem) {
    // /dev usually has other file systems (/dev/pts, /dev/shm) mounted inside it.
    struct stat devRoot {};
    ASSERT_EQ(::stat("/dev", &devRoot), 0);
    std::vector<std::string> inner;
    for (const char* path : {"/dev/pts", "/dev/shm", "/dev/mqueue"}) {
        struct stat st {};
        if (::stat(path, &st) == 0 && st.st_dev != devRoot.st_dev) inner.emplace_back(path);
    }
    if (inner.empty()) GTEST_SKIP() << "no file system mounted inside /dev here";

    std::vector<std::string> visited;
    SearchProgress progress{[&](const std::string& path, int) { visited.push_back(path); }};
    searchPortfolios("/dev", "", progress);
    ASSERT_FALSE(visited.empty());
    EXPECT_EQ(visited.front(), "/dev");
    for (const std::string& path : visited) {
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_dev, devRoot.st_dev) << path;
    }
    for (const std::string& path : inner) {
        EXPECT_EQ(std::find(visited.begin(), visited.end(), path), visited.end()) << path;
    }
}

TEST(PortfolioSearchMounts, RootsBeginWithHomeThenSlashAndHoldNoKernelTrees) {
    const std::vector<std::string> roots = listRoots();
    ASSERT_FALSE(roots.empty());
    std::size_t slash = 0;
    if (const char* home = std::getenv("HOME"); home != nullptr && fs::is_directory(home) && fs::path(home) != "/") {
        EXPECT_EQ(fs::path(roots[0]), fs::path(home));
        slash = 1;
    }
    ASSERT_GT(roots.size(), slash);
    EXPECT_EQ(roots[slash], "/");
    EXPECT_EQ(std::set<std::string>(roots.begin(), roots.end()).size(), roots.size());
    for (const std::string& r : roots) {
        EXPECT_TRUE(fs::is_directory(r)) << r;
        for (const char* kernel : {"/proc", "/sys", "/dev", "/dev/shm", "/sys/fs/cgroup"}) EXPECT_NE(r, kernel);
    }
}

} // namespace
} // namespace qv
