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

TEST(ProfileRecord, EncodesFieldByFieldWithAbsentColumnsAsZero) {
    Profile p;
    p.symbolColumn = 2;
    p.dateColumn = 1;
    p.openColumn = 0;
    p.highColumn = -3; // absent however it is marked
    p.lowColumn = 5;
    p.closeColumn = 20;
    p.volumeColumn = 7;
    p.openInterestColumn = 9;
    p.priorDay = true;
    p.dateFormat = 12;
    p.delimiter = kDelimiterSpace;
    p.updatePath = "/home/Ann/Data";
    const std::optional<Bytes> record = encodeProfileRecord(p);
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, profileBytes({1, 2, 1, 0, 0, 5, 20, 7, 9, 1, 12, 2}, "/home/Ann/Data"));
}

TEST(ProfileRecord, RefusesWhatTheRecordCannotHold) {
    Profile p;
    p.updatePath = std::string(300, 'a'); // with its terminator it fills the field
    EXPECT_TRUE(encodeProfileRecord(p));
    p.updatePath.push_back('a');
    EXPECT_FALSE(encodeProfileRecord(p));
    Profile column;
    column.closeColumn = 200; // would wrap to a negative byte
    EXPECT_FALSE(encodeProfileRecord(column));
}

TEST(ProfileRecord, DecodesOptionalBytesBelowOneAsAbsentAndIgnoresTheMark) {
    ByteVec record = profileBytes({0, 3, 4, 0xFF, 0x80, 1, 2, 0, 5, 0, 7, 1}, "/srv/quotes");
    const std::optional<Profile> p = decodeProfileRecord(record);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->symbolColumn, 3);
    EXPECT_EQ(p->dateColumn, 4);
    EXPECT_EQ(p->openColumn, 0);
    EXPECT_EQ(p->highColumn, 0);
    EXPECT_EQ(p->lowColumn, 1);
    EXPECT_EQ(p->closeColumn, 2);
    EXPECT_EQ(p->volumeColumn, 0);
    EXPECT_EQ(p->openInterestColumn, 5);
    EXPECT_FALSE(p->priorDay);
    EXPECT_EQ(p->dateFormat, 7);
    EXPECT_EQ(p->delimiter, kDelimiterTab);
    EXPECT_EQ(p->updatePath, "/srv/quotes");
}

TEST(ProfileRecord, UnterminatedFieldsEndWithTheirRecord) {
    ByteVec full = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, std::string(301, 'p'));
    full.push_back('q');
    EXPECT_EQ(decodeProfileRecord(full)->updatePath, std::string(301, 'p'));
    EXPECT_EQ(decodeAssignmentRecord(ByteVec(40, 'k')), std::string(33, 'k'));
    EXPECT_FALSE(encodeAssignmentRecord(std::string(33, 'n'))) << "it could not be read back";
}

// ---- Profile files -------------------------------------------------------------------------

TEST(ProfileFiles, WriteThenReadAndTheFileOnDisk) {
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
}

TEST(ProfileFiles, ReadNeedsAWholeRecord) {
    TempDir dir;
    ByteVec record = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 3, 0}, "/data");
    ByteVec longer = record;
    longer.insert(longer.end(), {9, 9, 9});
    fixtures::writeBytes(dir.file("long.pfd"), longer);
    ByteVec shorter = record;
    fixtures::shrinkTo(shorter, 312);
    fixtures::writeBytes(dir.file("short.pfd"), shorter);

    const ProfileRead longRead = readProfile(dir.path(), "long");
    ASSERT_TRUE(longRead.ok);
    EXPECT_EQ(longRead.profile.updatePath, "/data");
    EXPECT_EQ(longRead.profile.dateFormat, 3);

    const ProfileRead shortRead = readProfile(dir.path(), "short");
    EXPECT_FALSE(shortRead.ok);
    EXPECT_EQ(shortRead.message, "Error reading short");
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

TEST(ProfileFiles, NamesCannotLeaveTheStartupDirectory) {
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
}

TEST(ProfileFiles, AFailedWriteLeavesTheOldProfile) {
    TempDir dir;
    const ByteVec old = profileBytes({1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 0}, "/old");
    fixtures::writeBytes(dir.file("p.pfd"), old);
    Profile p;
    p.updatePath = "/new";
    {
        faults::ScopedFailure failure(faults::Op::Rename, 1);
        const ProfileOutcome written = writeProfile(dir.path(), "p", p);
        EXPECT_FALSE(written.ok);
        EXPECT_EQ(written.message, "Could not write Profile at\n" + dir.file("p.pfd"));
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

TEST(ProfileListing, AnEmptyListCreatesTheSampleProfile) {
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
}

TEST(ProfileListing, StartUpCreatesTheSampleOnlyWhenItCannotBeOpened) {
    TempDir dir;
    fixtures::writeBytes(dir.file("myfirstprofile.PFD"), ByteVec{7});
    EXPECT_TRUE(ensureSampleProfile(dir.path()).ok);
    EXPECT_EQ(fixtures::snapshot(dir.path()),
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

TEST(AssignmentFiles, WriteCreatesAnUpperCaseNameAndReplacesAnyCase) {
    TempDir dir;
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
    EXPECT_EQ(readAssignment(dir.path(), 7), "Gone Profile");
    fixtures::writeBytes(dir.file("F8.PFL"), ByteVec{0, 'A', 'B'});
    EXPECT_EQ(readAssignment(dir.path(), 8), "AB");
    fixtures::writeBytes(dir.file("F9.PFL"), ByteVec{});
    EXPECT_EQ(readAssignment(dir.path(), 9), "") << "an empty file still assigns (an empty name)";
    EXPECT_EQ(readAssignment(dir.path(), 1), std::nullopt);
    dir.subdir("F5.PFL");
    EXPECT_EQ(readAssignment(dir.path(), 5), std::nullopt);
}

TEST(AssignmentFiles, WriteFailureNamesThePath) {
    TempDir dir;
    const std::string missing = dir.file("missing");
    EXPECT_EQ(writeAssignment(missing, 4, "P").message, "Could not create file\n" + missing + "/F4.PFL");
    EXPECT_FALSE(writeAssignment(dir.path(), 4, std::string(33, 'n')).ok);
    EXPECT_TRUE(fixtures::snapshot(dir.path()).empty());
}

} // namespace
} // namespace qv
