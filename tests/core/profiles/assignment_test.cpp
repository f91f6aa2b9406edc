// Symbol Assign and Multiple Assign: which assignment files they write, where, and what they report.

#include "core/profiles/assignment.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

namespace fx = fixtures;
using Messages = std::vector<std::string>;

class Assignment : public ::testing::Test {
protected:
    void SetUp() override {
        fx::writeStandardPortfolio(portfolio.path()); // 1 IBM, 2 MSFT, 4 GC
        fx::writeBytes(startup.file("Daily Vendor.pfd"), fx::ByteVec(313, 0));
    }
    fx::TempDir startup;
    fx::TempDir portfolio;
};

TEST_F(Assignment, SymbolAssignWritesTheListedSpellingWhereTheSecurityLivesOrNothing) {
    const AssignmentResult result = assignProfileToSymbol(startup.path(), portfolio.path(), "msft", "DAILY VENDOR");
    ASSERT_TRUE(result.ok) << result.messages.front();
    EXPECT_EQ(fx::readBytes(portfolio.file("F2.PFL")), fx::assignmentRecord("Daily Vendor"));
    const auto before = fx::snapshot(portfolio.path());
    EXPECT_EQ(assignProfileToSymbol(startup.path(), portfolio.path(), "IBM", "Weekly Vendor").messages,
              Messages{"Error creating Profile for symbol"});
    EXPECT_EQ(assignProfileToSymbol(startup.path(), portfolio.path(), "XOM", "Daily Vendor").messages,
              Messages{"The symbol XOM was not found in this portfolio."});
    EXPECT_EQ(fx::snapshot(portfolio.path()), before);

    // A nested security's assignment goes where it lives.
    fx::TempDir top;
    fx::writeBytes(top.file("MASTER"), fx::masterFile({fx::masterDirectoryEntry(1, "NESTED")}));
    fx::writeBytes(top.subdir("NESTED") + "/MASTER", fx::masterFile({fx::masterEntry({5, "KO", "COCA COLA"})}));
    ASSERT_TRUE(assignProfileToSymbol(startup.path(), top.path(), "KO", "Daily Vendor").ok);
    EXPECT_EQ(fx::readBytes(top.file("NESTED/F5.PFL")), fx::assignmentRecord("Daily Vendor"));
    EXPECT_FALSE(std::filesystem::exists(top.file("F5.PFL")));
}

TEST_F(Assignment, MultipleAssignReplacesAnyCaseSkipsDirectoriesAndGoesOnPastAFileItCannotWrite) {
    fx::TempDir twelve;
    std::vector<fx::ByteVec> entries{fx::masterDirectoryEntry(13, "SUB")}; // a nested portfolio is no security
    for (int n = 1; n <= 12; ++n) entries.push_back(fx::masterEntry({n, "S" + std::to_string(n), "NAME"}));
    fx::writeBytes(twelve.file("MASTER"), fx::masterFile(entries));
    fx::writeBytes(twelve.file("f7.pfl"), fx::assignmentRecord("Something Older"));
    const AssignmentResult result = assignProfileToAllSymbols(startup.path(), twelve.path(), "Daily Vendor");
    EXPECT_TRUE(result.ok && result.assigned == 12);
    EXPECT_EQ(fx::readBytes(twelve.file("f7.pfl")), fx::assignmentRecord("Daily Vendor"));
    EXPECT_EQ(fx::snapshot(twelve.path()).size(), 14U) << "MASTER, the skip list and 12 assignments";

    std::filesystem::create_directory(portfolio.file("F2.PFL")); // cannot be replaced by a file
    const AssignmentResult partial = assignProfileToAllSymbols(startup.path(), portfolio.path(), "Daily Vendor");
    EXPECT_EQ(partial.messages, Messages{"Could not create file\n" + portfolio.file("F2.PFL") + "\nreplace " +
                                         portfolio.file("F2.PFL") + ": Is a directory"});
    EXPECT_EQ(fx::readBytes(portfolio.file("F4.PFL")), fx::assignmentRecord("Daily Vendor"));
}

} // namespace
} // namespace qv
