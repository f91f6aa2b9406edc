// Profile definition and assignment files: the bytes on disk, how they are found, listed and
// replaced.

#include "core/platform/fault_injection.h"
#include "core/profiles/profile.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

using fixtures::ByteVec;
using fixtures::TempDir;

// A 313-byte record built from the documented layout, independently of the encoder.
ByteVec profileBytes(std::vector<std::uint8_t> head, const std::string& path) {
    ByteVec record(313, 0);
    std::copy(head.begin(), head.end(), record.begin());
    fixtures::setText(record, 12, path);
    return record;
}

std::vector<std::string> fileNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : fixtures::snapshot(dir)) names.push_back(name);
    return names;
}

// ---- Records -------------------------------------------------------------------------------

TEST(ProfileRecord, EncodesFieldByFieldWithAbsentColumnsAsZeroAndRefusesWhatItCannotHold) {
    Profile p{2, 1, 0, -3 /* absent however it is marked */, 5, 20, 7, 9, true, 12, kDelimiterSpace, "/home/Ann/Data"};
    const std::optional<Bytes> record = encodeProfileRecord(p);
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, profileBytes({1, 2, 1, 0, 0, 5, 20, 7, 9, 1, 12, 2}, "/home/Ann/Data"));

    p.updatePath = std::string(300, 'a'); // with its terminator it fills the field
    EXPECT_TRUE(encodeProfileRecord(p));
    p.updatePath.push_back('a');
    EXPECT_FALSE(encodeProfileRecord(p));
    Profile column;
    column.closeColumn = 200; // would wrap to a negative byte
    EXPECT_FALSE(encodeProfileRecord(column));
}

TEST(ProfileRecord, DecodesBytesBelowOneAsAbsentIgnoresTheMarkAndEndsUnterminatedFieldsWithTheRecord) {
    const std::optional<Profile> p = decodeProfileRecord(profileBytes({0, 3, 4, 0xFF, 0x80, 1, 2, 0, 5, 0, 7, 1}, "/srv/quotes"));
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (Profile{3, 4, 0, 0, 1, 2, 0, 5, false, 7, kDelimiterTab, "/srv/quotes"}));

    ByteVec full = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, std::string(301, 'p'));
    full.push_back('q');
    EXPECT_EQ(decodeProfileRecord(full)->updatePath, std::string(301, 'p'));
    EXPECT_EQ(decodeAssignmentRecord(ByteVec(40, 'k')), std::string(33, 'k'));
    EXPECT_FALSE(encodeAssignmentRecord(std::string(33, 'n'))) << "it could not be read back";
}

// ---- Profile files -------------------------------------------------------------------------

TEST(ProfileFiles, WriteThenReadAndReadNeedsAWholeRecord) {
    TempDir dir;
    Profile p = newProfileDefaults("/home/ann/md");
    p.openInterestColumn = 0;
    ASSERT_TRUE(writeProfile(dir.path(), "Daily Vendor", p).ok);
    EXPECT_EQ(fileNames(dir.path()), std::vector<std::string>{"Daily Vendor.pfd"});
    EXPECT_EQ(fixtures::readBytes(dir.file("Daily Vendor.pfd")),
              profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 1, 0}, "/home"));
    const ProfileRead read = readProfile(dir.path(), "Daily Vendor");
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(read.profile, p);

    ByteVec longer = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 3, 0}, "/data");
    ByteVec shorter = longer;
    longer.insert(longer.end(), {9, 9, 9});
    fixtures::writeBytes(dir.file("long.pfd"), longer);
    fixtures::shrinkTo(shorter, 312);
    fixtures::writeBytes(dir.file("short.pfd"), shorter);
    const ProfileRead longRead = readProfile(dir.path(), "long");
    ASSERT_TRUE(longRead.ok);
    EXPECT_EQ(longRead.profile.updatePath, "/data");
    EXPECT_EQ(longRead.profile.dateFormat, 3);
    EXPECT_EQ(readProfile(dir.path(), "short").message, "Error reading short");
    EXPECT_FALSE(readProfile(dir.path(), "short").ok);
    EXPECT_EQ(readProfile(dir.path(), "missing").message, "Error reading missing");
}

TEST(ProfileFiles, NamesAreFoundWithoutRegardToCaseAndKeepTheirSpelling) {
    TempDir dir;
    fixtures::writeBytes(dir.file("Vendor.PFD"), profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 9, 1}, "/q"));
    const ProfileRead read = readProfile(dir.path(), "VENDOR");
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.profile.dateFormat, 9);

    // Saving under another spelling overwrites the same file rather than adding one.
    Profile p;
    p.updatePath = "/new";
    ASSERT_TRUE(writeProfile(dir.path(), "vendor", p).ok);
    EXPECT_EQ(fileNames(dir.path()), std::vector<std::string>{"Vendor.PFD"});
    EXPECT_EQ(readProfile(dir.path(), "Vendor").profile.updatePath, "/new");
}

TEST(ProfileFiles, NamesCannotLeaveTheStartupDirectoryAndAFailedWriteLeavesTheOldProfile) {
    TempDir root;
    const std::string startup = root.subdir("start");
    fixtures::writeBytes(root.file("outside.pfd"), profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, "/x"));
    EXPECT_FALSE(readProfile(startup, "../outside").ok) << "an assignment file may name anything";
    EXPECT_EQ(readProfile(startup, "").message, "Error reading ");

    const auto before = fixtures::snapshot(root.path());
    const ProfileOutcome written = writeProfile(startup, "../outside", Profile{});
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.message, "Could not write Profile at\n" + startup + "/../outside.pfd");
    EXPECT_EQ(fixtures::snapshot(root.path()), before);

    // A failed write leaves the old profile.
    TempDir dir;
    const ByteVec old = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, "/old");
    fixtures::writeBytes(dir.file("p.pfd"), old);
    Profile p;
    p.updatePath = "/new";
    {
        faults::ScopedFailure failure(faults::Op::Rename, 1);
        const ProfileOutcome failed = writeProfile(dir.path(), "p", p);
        EXPECT_FALSE(failed.ok);
        EXPECT_EQ(failed.message, "Could not write Profile at\n" + dir.file("p.pfd"));
    }
    EXPECT_EQ(fixtures::snapshot(dir.path()), (std::vector<std::pair<std::string, ByteVec>>{{"p.pfd", old}}));

    const std::string missing = dir.file("gone");
    EXPECT_EQ(writeProfile(missing, "p", p).message, "Could not write Profile at\n" + missing + "/p.pfd");
}

TEST(ProfileListing, MatchesTheExtensionInAnyCaseAndSkipsDotNamesAndDirectories) {
    TempDir dir;
    for (const char* name : {"b.pfd", "a.PFD", "B.pfd", "x.Pfd", "c.pfd.bak", ".hidden.pfd", ".pfd", "pfd", "t.txt"}) {
        fixtures::writeBytes(dir.file(name), ByteVec(313, 0));
    }
    dir.subdir("y.pfd");
    std::filesystem::create_directory_symlink(dir.file("y.pfd"), dir.file("link.pfd"));
    std::filesystem::create_symlink(dir.file("b.pfd"), dir.file("alias.pfd"));
    EXPECT_EQ(scanProfileNames(dir.path()), (std::vector<std::string>{"a", "alias", "B", "b", "x"}));
    EXPECT_EQ(listProfiles(dir.path()).names, scanProfileNames(dir.path()));

    EXPECT_EQ(findProfileName({"a", "NewProfile"}, "NEWPROFILE"), "NewProfile");
    EXPECT_EQ(findProfileName({"NewProfile"}, "NewProfil"), std::nullopt);
}

TEST(ProfileListing, AnEmptyListOrStartUpWithoutItCreatesTheSampleProfile) {
    TempDir dir;
    dir.subdir("only.pfd"); // a directory is no profile
    const ProfileListing listing = listProfiles(dir.path());
    EXPECT_EQ(listing.names, std::vector<std::string>{"MyFirstProfile"});
    EXPECT_EQ(listing.message, "");
    EXPECT_EQ(fixtures::readBytes(dir.file("MyFirstProfile.pfd")),
              profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 0}, dir.path() + "/SAMPLE/TEXTDATA"));

    const std::string missing = dir.file("missing");
    const ProfileListing failed = listProfiles(missing);
    EXPECT_TRUE(failed.names.empty()) << "a profile that could not be created is not listed";
    EXPECT_EQ(failed.message, "Creation of MyFirstProfile.pfd failed");

    // Start-up creates the sample only when it cannot be opened.
    TempDir other;
    fixtures::writeBytes(other.file("myfirstprofile.PFD"), ByteVec{7});
    EXPECT_TRUE(ensureSampleProfile(other.path()).ok);
    EXPECT_EQ(fixtures::snapshot(other.path()),
              (std::vector<std::pair<std::string, ByteVec>>{{"myfirstprofile.PFD", ByteVec{7}}}));
    TempDir empty;
    EXPECT_TRUE(ensureSampleProfile(empty.path()).ok);
    EXPECT_EQ(fixtures::readBytes(empty.file("MyFirstProfile.pfd")).size(), 313U);
    EXPECT_EQ(ensureSampleProfile(empty.file("missing")).message, "Creation of MyFirstProfile.pfd failed");
}

TEST(ProfileDefaults, UpdatePathIsTheFirstLevelDirectoryOfThePortfolio) {
    EXPECT_EQ(firstLevelDirectory("/home/ann/md"), "/home");
    EXPECT_EQ(firstLevelDirectory("//srv//data/"), "/srv");
    EXPECT_EQ(firstLevelDirectory("/md"), "/md");
    EXPECT_EQ(firstLevelDirectory("/"), "/");
    EXPECT_EQ(firstLevelDirectory(""), "/");
    EXPECT_EQ(firstLevelDirectory("md/x"), "md");

    const Profile p = newProfileDefaults("/Volumes/Quotes/md");
    const Profile expected{1, 2, 3, 4, 5, 6, 7, 8, false, 1, kDelimiterComma, "/Volumes"};
    EXPECT_EQ(p, expected);
}

// ---- Assignment files ----------------------------------------------------------------------

TEST(AssignmentFiles, WriteCreatesAnUpperCaseNameReplacesAnyCaseAndNamesThePathItCannotWrite) {
    TempDir dir;
    const std::string missing = dir.file("missing");
    EXPECT_EQ(writeAssignment(missing, 4, "P").message, "Could not create file\n" + missing + "/F4.PFL");
    EXPECT_FALSE(writeAssignment(dir.path(), 4, std::string(33, 'n')).ok);
    EXPECT_TRUE(fixtures::snapshot(dir.path()).empty());

    ASSERT_TRUE(writeAssignment(dir.path(), 3, "Vendor").ok);
    EXPECT_EQ(fixtures::readBytes(dir.file("F3.PFL")), fixtures::assignmentRecord("Vendor"));
    fixtures::writeBytes(dir.file("f12.pfl"), fixtures::assignmentRecord("Old"));
    ASSERT_TRUE(writeAssignment(dir.path(), 12, "New").ok);
    EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"F3.PFL", "f12.pfl"}));
    EXPECT_EQ(fixtures::readBytes(dir.file("f12.pfl")), fixtures::assignmentRecord("New"));
}

TEST(AssignmentFiles, ReadFindsAnyCaseAndTakesWhatAShortFileHolds) {
    TempDir dir;
    fixtures::writeBytes(dir.file("f7.pfl"), fixtures::assignmentRecord("Gone Profile"));
    fixtures::writeBytes(dir.file("F8.PFL"), ByteVec{0, 'A', 'B'});
    fixtures::writeBytes(dir.file("F9.PFL"), ByteVec{});
    dir.subdir("F5.PFL");
    EXPECT_EQ(readAssignment(dir.path(), 7), "Gone Profile");
    EXPECT_EQ(readAssignment(dir.path(), 8), "AB");
    EXPECT_EQ(readAssignment(dir.path(), 9), "") << "an empty file still assigns (an empty name)";
    EXPECT_EQ(readAssignment(dir.path(), 1), std::nullopt);
    EXPECT_EQ(readAssignment(dir.path(), 5), std::nullopt);
}

} // namespace
} // namespace qv
