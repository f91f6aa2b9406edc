// Symbol Assign and Multiple Assign: which assignment files they write, where, and what they
// report.

#include "core/platform/fault_injection.h"
#include "core/profiles/assignment.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

using fixtures::ByteVec;
using fixtures::TempDir;

class Assignment : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures::writeStandardPortfolio(portfolio.path()); // 1 IBM, 2 MSFT, 4 GC
        fixtures::writeBytes(startup.file("Daily Vendor.pfd"), ByteVec(313, 0));
    }
    std::string pfl(const std::string& name) const { return portfolio.file(name); }
    TempDir startup;
    TempDir portfolio;
};

TEST_F(Assignment, SymbolAssignWritesTheListedSpellingOfTheProfileWhereTheSecurityLives) {
    const AssignmentResult result = assignProfileToSymbol(startup.path(), portfolio.path(), "msft", "DAILY VENDOR");
    ASSERT_TRUE(result.ok) << result.messages.front();
    EXPECT_EQ(result.profileName, "Daily Vendor");
    EXPECT_EQ(result.assigned, 1);
    EXPECT_EQ(fixtures::readBytes(pfl("F2.PFL")), fixtures::assignmentRecord("Daily Vendor"));
    EXPECT_FALSE(std::filesystem::exists(pfl("F1.PFL")));

    // A nested security's assignment goes where it lives.
    TempDir top;
    const std::string nested = top.subdir("NESTED");
    fixtures::writeBytes(top.file("MASTER"), fixtures::masterFile({fixtures::masterDirectoryEntry(1, "NESTED")}));
    fixtures::writeBytes(nested + "/MASTER", fixtures::masterFile({fixtures::masterEntry({5, "KO", "COCA COLA"})}));
    ASSERT_TRUE(assignProfileToSymbol(startup.path(), top.path(), "KO", "Daily Vendor").ok);
    EXPECT_EQ(fixtures::readBytes(nested + "/F5.PFL"), fixtures::assignmentRecord("Daily Vendor"));
    EXPECT_FALSE(std::filesystem::exists(top.file("F5.PFL")));
}

TEST_F(Assignment, SymbolAssignRefusals) {
    const auto before = fixtures::snapshot(portfolio.path());
    for (const char* profile : {"", "Weekly Vendor"}) {
        const AssignmentResult result = assignProfileToSymbol(startup.path(), portfolio.path(), "IBM", profile);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.messages, std::vector<std::string>{"Error creating Profile for symbol"}) << profile;
    }
    const AssignmentResult unknown = assignProfileToSymbol(startup.path(), portfolio.path(), "XOM", "Daily Vendor");
    EXPECT_EQ(unknown.messages, std::vector<std::string>{"The symbol XOM was not found in this portfolio."});
    EXPECT_EQ(fixtures::snapshot(portfolio.path()), before);

    {
        faults::ScopedFailure failure(faults::Op::Rename, 1);
        const AssignmentResult failed = assignProfileToSymbol(startup.path(), portfolio.path(), "IBM", "Daily Vendor");
        EXPECT_EQ(failed.messages, std::vector<std::string>{"Could not create file\n" + pfl("F1.PFL")});
    }
    EXPECT_EQ(fixtures::snapshot(portfolio.path()), before);
}

TEST_F(Assignment, MultipleAssignInAPortfolioOfTwelve) {
    TempDir twelve;
    std::vector<ByteVec> entries;
    entries.push_back(fixtures::masterDirectoryEntry(13, "SUB")); // a nested portfolio is no security
    for (int n = 1; n <= 12; ++n) entries.push_back(fixtures::masterEntry({n, "S" + std::to_string(n), "NAME"}));
    fixtures::writeBytes(twelve.file("MASTER"), fixtures::masterFile(entries));
    fixtures::writeBytes(twelve.file("f7.pfl"), fixtures::assignmentRecord("Something Older"));
    const AssignmentResult result = assignProfileToAllSymbols(startup.path(), twelve.path(), "Daily Vendor");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.assigned, 12);
    for (int n = 1; n <= 12; ++n) {
        const std::string name = (n == 7 ? "f" : "F") + std::to_string(n) + (n == 7 ? ".pfl" : ".PFL");
        EXPECT_EQ(fixtures::readBytes(twelve.file(name)), fixtures::assignmentRecord("Daily Vendor")) << name;
    }
    EXPECT_EQ(fixtures::snapshot(twelve.path()).size(), 14U) << "MASTER, the skip list and 12 assignments";
    EXPECT_FALSE(std::filesystem::exists(twelve.file("F13.PFL")));
}

TEST_F(Assignment, MultipleAssignGoesOnPastAFileItCannotWriteAndRefusesWhatItCannotUse) {
    const AssignmentResult none = assignProfileToAllSymbols(startup.path(), portfolio.path(), "Nothing Listed");
    EXPECT_EQ(none.messages, std::vector<std::string>{"Error creating Profile for multiple symbols"});
    EXPECT_FALSE(std::filesystem::exists(pfl("F1.PFL")));

    TempDir empty;
    const AssignmentResult noMaster = assignProfileToAllSymbols(startup.path(), empty.path(), "Daily Vendor");
    EXPECT_FALSE(noMaster.ok);
    EXPECT_EQ(noMaster.messages, std::vector<std::string>{"Failure while filling symbols grid"});

    std::filesystem::create_directory(pfl("F2.PFL")); // cannot be replaced by a file
    const AssignmentResult result = assignProfileToAllSymbols(startup.path(), portfolio.path(), "Daily Vendor");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.messages, std::vector<std::string>{"Could not create file\n" + pfl("F2.PFL")});
    EXPECT_EQ(result.assigned, 2);
    EXPECT_EQ(fixtures::readBytes(pfl("F1.PFL")), fixtures::assignmentRecord("Daily Vendor"));
    EXPECT_EQ(fixtures::readBytes(pfl("F4.PFL")), fixtures::assignmentRecord("Daily Vendor"));
}

} // namespace
} // namespace qv
