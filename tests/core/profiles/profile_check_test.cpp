// The Save checks of "Profile Settings": their order, their texts, and the profile they accept.

#include "core/profiles/profile_check.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace qv {
namespace {

using fixtures::TempDir;

class ProfileSaveCheck : public ::testing::Test {
protected:
    ProfileEditorValues valid() const {
        ProfileEditorValues v;
        v.name = "Vendor";
        v.updatePath = updates.path();
        return v;
    }
    ProfileCheck check(const ProfileEditorValues& v, const std::vector<std::string>& existing = {}) const {
        return checkProfileSave(v, existing);
    }
    TempDir updates;
};

TEST_F(ProfileSaveCheck, AcceptsAndReportsTheRecordToWriteAndAStoredRecordSavesBackUnchanged) {
    ProfileEditorValues v = valid();
    v.name = "Vendor \t";
    v.high = {false, 9};   // a cleared field's number is not stored
    v.volume = {true, 12};
    v.openInterest = {true, 13};
    v.delimiter = kDelimiterTab;
    v.dateFormat = 12;
    v.priorDay = true;
    const ProfileCheck c = check(v);
    ASSERT_TRUE(c.accepted()) << c.message;
    EXPECT_EQ(c.name, "Vendor");
    const Profile expected{1, 2, 3, 0, 5, 6, 12, 13, true, 12, kDelimiterTab, updates.path()};
    EXPECT_EQ(c.profile, expected);

    // A stored record loads into the editor and saves back unchanged.
    const Profile stored{4, 1, 0, 2, 0, 3, 5, 0, true, 8, kDelimiterSpace, updates.path()};
    const ProfileEditorValues loaded = editorValuesFromProfile(stored, "Futures", ProfileEditMode::Edit);
    EXPECT_EQ(loaded.name, "Futures");
    EXPECT_FALSE(loaded.open.present);
    EXPECT_EQ(loaded.open.column, 1) << "an absent field shows column 1";
    EXPECT_TRUE(loaded.high.present);
    EXPECT_EQ(loaded.high.column, 2);
    EXPECT_FALSE(loaded.openInterest.present);
    EXPECT_TRUE(loaded.priorDay) << "kept even though open interest is off";

    const ProfileCheck back = checkProfileSave(loaded, {"Futures"});
    ASSERT_TRUE(back.accepted()) << back.message;
    EXPECT_EQ(back.profile, stored);
}

TEST_F(ProfileSaveCheck, ReportsTheFirstFailureInTheDialogsOrder) {
    // Every step fails at first; mending the reported fault each time walks through the steps.
    ProfileEditorValues v;
    v.mode = ProfileEditMode::New;
    v.name = "  ";
    v.updatePath = "C:";
    v.dateColumn = 0;
    v.symbolColumn = 21;
    v.closeColumn = 2; // with date 2 once that is mended
    v.dateFormat = 13;
    const std::vector<std::string> existing = {"Taken"};

    std::vector<std::string> messages;
    for (int round = 0; round < 12; ++round) {
        const ProfileCheck c = check(v, existing);
        if (c.accepted()) break;
        messages.push_back(c.message);
        switch (c.focus) {
        case ProfileField::Date: v.dateColumn = 2; break;
        case ProfileField::Symbol: v.symbolColumn = 1; break;
        case ProfileField::None: v.closeColumn = 6; break;
        case ProfileField::Name: v.name = (v.name == "  " ? "taken" : "Fresh"); break;
        case ProfileField::UpdatePath: v.updatePath = (v.updatePath == "C:" ? "/no/such/dir" : updates.path()); break;
        case ProfileField::DateFormat: v.dateFormat = 1; break;
        default: FAIL() << c.message;
        }
    }
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Enter a column number from 1 to 20 for Date",
                            "Enter a column number from 1 to 20 for Symbol",
                            "Duplicate columns specified\nCorrect or disable",
                            "You did not enter a Profile name",
                            "The Path you specified is invalid",
                            "Your request was to create or clone a Profile\nbut the Profile name taken already "
                            "exists.\nChoose a different Profile name.",
                            "Choose one of the twelve date formats",
                            "The Path to the Update Files does not exist",
                        }));
}

TEST_F(ProfileSaveCheck, EveryColumnIsRangeCheckedEnabledOrNotAndOnlyEnabledOnesClash) {
    const auto refusal = [this](void (*set)(ProfileEditorValues&), ProfileField field) {
        ProfileEditorValues v = valid();
        set(v);
        const ProfileCheck c = check(v);
        EXPECT_EQ(c.focus, field) << c.message;
        return c.message;
    };
    EXPECT_EQ(refusal([](ProfileEditorValues& v) { v.high = {false, 0}; }, ProfileField::High),
              "Enter a column number from 1 to 20 for High");
    EXPECT_EQ(refusal([](ProfileEditorValues& v) { v.openInterest = {false, 21}; }, ProfileField::OpenInterest),
              "Enter a column number from 1 to 20 for Open Int");
    refusal([](ProfileEditorValues& v) { v.open = {true, -1}; }, ProfileField::Open);
    refusal([](ProfileEditorValues& v) { v.low = {true, 21}; }, ProfileField::Low);
    refusal([](ProfileEditorValues& v) { v.closeColumn = 0; }, ProfileField::Close);
    refusal([](ProfileEditorValues& v) { v.volume = {false, 99}; }, ProfileField::Volume);
    // The symbol is taken last: a bad symbol column waits behind the delimiter.
    EXPECT_EQ(refusal([](ProfileEditorValues& v) { v.symbolColumn = 0; v.delimiter = 3; }, ProfileField::Delimiter),
              "Choose Comma, Tab or Space as the column delimiter");

    // Duplicate columns.
    ProfileEditorValues v = valid();
    v.open = {false, 9};
    v.closeColumn = 2; // the date's column
    EXPECT_EQ(check(v).message, kDuplicateColumnsMessage);

    v = valid();
    v.open = {false, 2}; // cleared: takes no slot
    EXPECT_TRUE(check(v).accepted());
    v.open = {true, 2};
    EXPECT_EQ(check(v).message, kDuplicateColumnsMessage);

    v = valid();
    v.volume = {true, 20};
    EXPECT_TRUE(check(v).accepted());
    v.openInterest = {true, 20};
    EXPECT_EQ(check(v).message, kDuplicateColumnsMessage) << "column 20 is a slot like any other";
    v.symbolColumn = 20;
    v.volume = {false, 20};
    v.openInterest = {false, 20};
    EXPECT_TRUE(check(v).accepted());
}

TEST_F(ProfileSaveCheck, NameRulesAndExistingNamesRefuseNewAndCloneButNotEdit) {
    ProfileEditorValues v = valid();
    v.name = " \t ";
    ProfileCheck c = check(v);
    EXPECT_EQ(c.message, kNoProfileNameMessage);
    EXPECT_EQ(c.name, "");

    // The name keeps its trimmed form when a later step fails.
    v.name = "Vendor  ";
    v.updatePath = "/n";
    c = check(v);
    EXPECT_EQ(c.message, kInvalidPathMessage);
    EXPECT_EQ(c.name, "Vendor");
    // ...but not when an earlier one does.
    v.closeColumn = 1;
    EXPECT_EQ(check(v).name, "Vendor  ");

    v = valid();
    v.name = std::string(32, 'n');
    EXPECT_TRUE(check(v).accepted());
    v.name += 'n';
    EXPECT_EQ(check(v).focus, ProfileField::Name);
    EXPECT_FALSE(check(v).accepted());

    for (const char* unusable : {"../elsewhere", "a/b", ".hidden"}) {
        v.name = unusable;
        c = check(v);
        EXPECT_EQ(c.focus, ProfileField::Name) << unusable;
        EXPECT_FALSE(c.accepted()) << unusable;
    }

    // Existing names refuse New and Clone but not Edit.
    const std::vector<std::string> existing = {"Alpha", "NewProfile"};
    v.name = "NEWprofile";
    const std::string refusal =
        "Your request was to create or clone a Profile\nbut the Profile name NEWprofile already exists.\n"
        "Choose a different Profile name.";
    for (ProfileEditMode mode : {ProfileEditMode::New, ProfileEditMode::Clone}) {
        v.mode = mode;
        EXPECT_EQ(check(v, existing).message, refusal);
    }
    v.mode = ProfileEditMode::Edit;
    EXPECT_TRUE(check(v, existing).accepted());
    v.name = "Alpha"; // editing one profile may take another's name
    EXPECT_TRUE(check(v, existing).accepted());
    v.mode = ProfileEditMode::New;
    v.name = "NewProfile2";
    EXPECT_TRUE(check(v, existing).accepted());
}

TEST_F(ProfileSaveCheck, UpdatePathRulesAndAPathThatCannotBeEnteredIsRefused) {
    const std::filesystem::path cwd = std::filesystem::current_path();
    ProfileEditorValues v = valid();
    v.updatePath = "/.."; // three characters naming a directory that exists
    EXPECT_TRUE(check(v).accepted());
    EXPECT_EQ(std::filesystem::current_path(), cwd) << "testing the path never moves the process";
    for (const char* tooShort : {"C:", "/", ""}) {
        v.updatePath = tooShort;
        EXPECT_EQ(check(v).message, kInvalidPathMessage) << tooShort;
    }
    v.updatePath = updates.file("plain.txt");
    fixtures::writeText(v.updatePath, "x");
    EXPECT_EQ(check(v).message, kMissingPathMessage) << "a file is not a directory";

    // The stored path keeps the case it was typed in.
    const std::string mixed = updates.subdir("Vendor Files");
    v.updatePath = mixed;
    EXPECT_EQ(check(v).profile.updatePath, mixed);

    v.updatePath = "/" + std::string(250, 'p');
    EXPECT_EQ(check(v).focus, ProfileField::UpdatePath);
    EXPECT_NE(check(v).message, kMissingPathMessage) << "too long is refused before anything else";
    v.updatePath.pop_back();
    EXPECT_EQ(check(v).message, kMissingPathMessage);

    if (::geteuid() != 0) { // root enters every directory
        const std::string locked = updates.subdir("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0600), 0);
        v.updatePath = locked;
        EXPECT_EQ(check(v).message, kMissingPathMessage) << "a directory that cannot be entered";
        ::chmod(locked.c_str(), 0700);
    }
}

} // namespace
} // namespace qv
