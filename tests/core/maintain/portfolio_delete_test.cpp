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
    void SetUp() override { fx::writeStandardPortfolio(dir_); }
    fx::TempDir tmp_;
    std::string dir_ = tmp_.subdir("PORT");
};

TEST_F(PortfolioDelete, RemovesEverythingAndAFailedRemovalIsReportedWhileTheRestStillGoes) {
    const std::size_t files = fx::snapshot(dir_).size();
    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_TRUE(d.complete && d.filesRemoved == static_cast<int>(files) && !exists(dir_));

    fx::writeStandardPortfolio(tmp_.subdir("PORT"));
    d = [&] { faults::ScopedFailure failSecond(faults::Op::Unlink, 2); return deletePortfolio(dir_); }();
    EXPECT_TRUE(!d.complete && d.leftOver.size() == 1u);
    EXPECT_EQ(fx::snapshot(dir_).size(), 1u) << "only the file that could not be removed is left";
}

TEST_F(PortfolioDelete, LinksNestedPortfoliosAndHiddenFilesStayAndALinkedPathOrOneWithoutMasterIsLeftUntouched) {
    // A link to a file and a link to a directory elsewhere: their targets must survive.
    const std::string outside = tmp_.subdir("OUTSIDE");
    fx::writeText(outside + "/precious.txt", "keep me");
    fs::create_symlink(outside + "/precious.txt", dir_ + "/F9.DAT");
    fs::create_symlink(outside, dir_ + "/LINKDIR");
    fx::writeStandardPortfolio(tmp_.subdir("PORT/SUB"));
    fx::writeText(dir_ + "/.hidden", "x");

    PortfolioDeletion d = deletePortfolio(dir_);
    EXPECT_TRUE(!d.complete && d.leftOver.size() == 4u);
    for (const char* kept : {"/F9.DAT", "/LINKDIR", "/SUB/MASTER", "/.hidden"}) EXPECT_TRUE(exists(dir_ + kept)) << kept;
    EXPECT_TRUE(exists(outside + "/precious.txt"));
    for (const char* gone : {"/MASTER", "/F1.DAT"}) EXPECT_FALSE(exists(dir_ + gone)) << gone;

    // dir_ no longer holds MASTER; ALIAS links to a whole portfolio.
    fx::writeStandardPortfolio(outside);
    fs::create_symlink(outside, tmp_.path() + "/ALIAS");
    for (const std::string& path : {tmp_.path() + "/ALIAS", dir_, std::string()})
        EXPECT_EQ(deletePortfolio(path).filesRemoved, 0) << path;
    EXPECT_TRUE(exists(dir_ + "/.hidden") && exists(outside + "/MASTER"));
}

} // namespace
} // namespace qv
