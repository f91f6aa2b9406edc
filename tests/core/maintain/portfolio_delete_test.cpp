#include "core/maintain/portfolio_delete.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

namespace fx = fixtures;
namespace fs = std::filesystem;

bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

class PortfolioDelete : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = tmp_.subdir("PORT");
        fx::writeStandardPortfolio(dir_);
        fx::writeBytes(dir_ + "/F1.PFL", fx::ByteVec(34, 0));
    }
    fx::TempDir tmp_;
    std::string dir_;
};

TEST_F(PortfolioDelete, RemovesEveryFileAndTheDirectory) {
    const std::size_t files = fx::snapshot(dir_).size();
    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_TRUE(d.complete);
    EXPECT_TRUE(d.leftOver.empty());
    EXPECT_EQ(d.filesRemoved, static_cast<int>(files));
    EXPECT_FALSE(exists(dir_));
}

TEST_F(PortfolioDelete, LinksNestedPortfoliosAndHiddenFilesStayAndKeepTheDirectory) {
    // A link to a file and a link to a directory elsewhere: their targets must survive.
    const std::string outside = tmp_.subdir("OUTSIDE");
    fx::writeText(outside + "/precious.txt", "keep me");
    fs::create_symlink(outside + "/precious.txt", dir_ + "/F9.DAT");
    fs::create_symlink(outside, dir_ + "/LINKDIR");
    fs::create_directory(dir_ + "/SUB");
    fx::writeStandardPortfolio(dir_ + "/SUB");
    fx::writeText(dir_ + "/.hidden", "x");

    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_FALSE(d.complete);
    EXPECT_EQ(d.leftOver.size(), 4u);
    for (const char* kept : {"/F9.DAT", "/LINKDIR", "/SUB/MASTER", "/.hidden"}) EXPECT_TRUE(exists(dir_ + kept)) << kept;
    EXPECT_TRUE(exists(outside + "/precious.txt"));
    // The regular files went all the same, MASTER among them.
    for (const char* gone : {"/MASTER", "/F1.DAT", "/F2.DAT"}) EXPECT_FALSE(exists(dir_ + gone)) << gone;
}

TEST_F(PortfolioDelete, ALinkedPathOrADirectoryWithoutMasterIsLeftUntouched) {
    const std::string link = tmp_.path() + "/ALIAS";
    fs::create_symlink(dir_, link);
    const std::string plain = tmp_.subdir("PLAIN");
    fx::writeText(plain + "/notes.txt", "mine");
    for (const std::string& path : {link, plain, std::string()}) {
        PortfolioDeletion d = deletePortfolio(path);
        EXPECT_FALSE(d.complete) << path;
        EXPECT_EQ(d.filesRemoved, 0) << path;
    }
    EXPECT_TRUE(exists(dir_ + "/MASTER"));
    EXPECT_TRUE(exists(link));
    EXPECT_TRUE(exists(plain + "/notes.txt"));
}

TEST_F(PortfolioDelete, AFailedRemovalIsReportedAndTheRestStillGoes) {
    const std::size_t files = fx::snapshot(dir_).size();
    PortfolioDeletion d;
    {
        faults::ScopedFailure failSecond(faults::Op::Unlink, 2);
        d = deletePortfolio(dir_);
    }
    EXPECT_FALSE(d.complete);
    ASSERT_EQ(d.leftOver.size(), 1u);
    EXPECT_EQ(d.filesRemoved, static_cast<int>(files) - 1);
    EXPECT_TRUE(exists(dir_));
    EXPECT_EQ(fx::snapshot(dir_).size(), 1u);
}

} // namespace
} // namespace qv
