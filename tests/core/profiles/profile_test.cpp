// Profile definition and assignment files: the bytes on disk, how they are found, listed, replaced.

#include "core/platform/fault_injection.h"
#include "core/profiles/assignment.h"
#include "core/profiles/profile.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

namespace fx = fixtures;
using fx::ByteVec;
using Files = std::vector<std::pair<std::string, ByteVec>>;

// A 313-byte record built from the documented layout, independently of the encoder.
ByteVec profileBytes(std::vector<std::uint8_t> head, const std::string& path)
{
    ByteVec record(313, 0);
    std::copy(head.begin(), head.end(), record.begin());
    fx::setText(record, 12, path);
    return record;
}

TEST(ProfileRecord, EncodesFieldByFieldAndDecodesWhateverTheBytesHold)
{
    Profile p{2, 1, 0, -3 /* absent however it is marked */, 5, 20, 7, 9, true, 12, kDelimiterSpace, "/home/Ann/Data"};
    EXPECT_EQ(encodeProfileRecord(p), profileBytes({1, 2, 1, 0, 0, 5, 20, 7, 9, 1, 12, 2}, "/home/Ann/Data"));
    p.updatePath = std::string(301, 'a'); // with its terminator it would overflow the field
    EXPECT_FALSE(encodeProfileRecord(p));

    // Bytes below one read as absent, the mark is ignored, an unterminated path ends with the record.
    EXPECT_EQ(decodeProfileRecord(profileBytes({0, 3, 4, 0xFF, 0x80, 1, 2, 0, 5, 0, 7, 1}, "/srv/quotes")),
              (Profile{3, 4, 0, 0, 1, 2, 0, 5, false, 7, kDelimiterTab, "/srv/quotes"}));
    ByteVec full = profileBytes({1}, std::string(301, 'p'));
    full.push_back('q');
    EXPECT_EQ(decodeProfileRecord(full)->updatePath, std::string(301, 'p'));
    EXPECT_EQ(decodeAssignmentRecord(ByteVec(40, 'k')), std::string(33, 'k'));
    EXPECT_FALSE(encodeAssignmentRecord(std::string(33, 'n'))) << "it could not be read back";
}

TEST(ProfileFiles, WriteThenReadFindsAnyCaseAndNeedsAWholeRecord)
{
    fx::TempDir dir;
    Profile p = newProfileDefaults("/home/ann/md");
    ASSERT_TRUE(writeProfile(dir.path(), "Daily Vendor", p).isOk());
    EXPECT_EQ(fx::snapshot(dir.path()),
              (Files{{"Daily Vendor.pfd", profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, "/home")}}));
    EXPECT_EQ(readProfile(dir.path(), "DAILY VENDOR").profile, p);

    // Saving under another spelling overwrites the same file rather than adding one.
    p.updatePath = "/new";
    ASSERT_TRUE(writeProfile(dir.path(), "daily vendor", p).isOk());
    EXPECT_EQ(fx::snapshot(dir.path()).size(), 1u);
    EXPECT_EQ(readProfile(dir.path(), "Daily Vendor").profile.updatePath, "/new");

    fx::writeBytes(dir.file("short.pfd"), ByteVec(312, 1));
    // Each refusal says which file and why under its fixed first line.
    EXPECT_EQ(readProfile(dir.path(), "short").outcome.message(),
              "Error reading short\n" + dir.file("short.pfd") + " is shorter than a profile (313 bytes).");
    EXPECT_EQ(readProfile(dir.path(), "none").outcome.message(),
              "Error reading none\nopen " + dir.file("none.pfd") + ": No such file or directory");
}

TEST(ProfileFiles, NamesCannotLeaveTheStartupDirectoryAndAFailedWriteLeavesTheOldProfile)
{
    fx::TempDir root;
    const std::string startup = root.subdir("start");
    const ByteVec old = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, "/old");
    fx::writeBytes(root.file("outside.pfd"), old);
    fx::writeBytes(root.file("start/p.pfd"), old);
    const auto before = fx::snapshot(root.path());
    EXPECT_FALSE(readProfile(startup, "../outside").ok()) << "an assignment file may name anything";
    EXPECT_FALSE(writeProfile(startup, "../outside", Profile{}).isOk());
    faults::ScopedFailure failure(faults::Op::Rename, 1);
    EXPECT_EQ(writeProfile(startup, "p", Profile{}).message(),
              "Could not write Profile at\n" + startup + "/p.pfd\nreplace " + startup + "/p.pfd: Input/output error");
    EXPECT_EQ(fx::snapshot(root.path()), before);
}

TEST(ProfileListing, MatchesTheExtensionInAnyCaseSkipsDotNamesAndDirectoriesAndCreatesTheSample)
{
    fx::TempDir dir;
    for (const char* name : {"b.pfd", "a.PFD", "B.pfd", "c.pfd.bak", ".hidden.pfd", ".pfd", "t.txt"})
        fx::writeBytes(dir.file(name), ByteVec(313, 0));
    dir.subdir("y.pfd");
    EXPECT_EQ(listProfiles(dir.path()).names, (std::vector<std::string>{"a", "B", "b"}));

    // An empty list creates the sample profile; start-up does only when it cannot be opened.
    fx::TempDir empty;
    empty.subdir("only.pfd");
    EXPECT_EQ(listProfiles(empty.path()).names, std::vector<std::string>{"MyFirstProfile"});
    EXPECT_EQ(fx::readBytes(empty.file("MyFirstProfile.pfd")),
              profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 0}, empty.path() + "/SAMPLE/TEXTDATA"));
    EXPECT_EQ(listProfiles(empty.file("missing")).sample.message(),
              "Creation of MyFirstProfile.pfd failed\nwrite " + empty.file("missing") +
                  "/MyFirstProfile.pfd: No such file or directory");
    fx::writeBytes(dir.file("myfirstprofile.PFD"), ByteVec{7});
    const auto listed = fx::snapshot(dir.path());
    EXPECT_TRUE(ensureSampleProfile(dir.path()).isOk());
    EXPECT_EQ(fx::snapshot(dir.path()), listed) << "a sample under any case is kept";
}

// Symbol Assign and Multiple Assign: which assignment files they write, where, and what they report.
using Messages = std::vector<std::string>;

class Assignment : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::writeStandardPortfolio(portfolio.path()); // 1 IBM, 2 MSFT, 4 GC
        fx::writeBytes(startup.file("Daily Vendor.pfd"), fx::ByteVec(313, 0));
    }
    fx::TempDir startup;
    fx::TempDir portfolio;
};

TEST_F(Assignment, SymbolAssignWritesTheListedSpellingWhereTheSecurityLivesOrNothing)
{
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

TEST_F(Assignment, MultipleAssignReplacesAnyCaseSkipsDirectoriesAndGoesOnPastAFileItCannotWrite)
{
    fx::TempDir twelve;
    std::vector<fx::ByteVec> entries{fx::masterDirectoryEntry(13, "SUB")}; // a nested portfolio is no security
    for (int n = 1; n <= 12; ++n)
        entries.push_back(fx::masterEntry({n, "S" + std::to_string(n), "NAME"}));
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
