// The Save checks of "Profile Settings": their order, and the profile they accept.

#include "core/profiles/profile_check.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace qv {
namespace {

class ProfileSaveCheck : public ::testing::Test {
protected:
    ProfileEditorValues valid() const
    {
        ProfileEditorValues v;
        v.name = "Vendor";
        v.updatePath = updates.path();
        return v;
    }
    fixtures::TempDir updates;
};

TEST_F(ProfileSaveCheck, AcceptsTheRecordToWriteAndAStoredRecordSavesBackUnchanged)
{
    ProfileEditorValues v = valid();
    v.name = "Vendor \t";
    v.high = {false, 9}; // a cleared field's number is not stored
    v.openInterest = {true, 13};
    v.delimiter = kDelimiterTab;
    const ProfileCheck c = checkProfileSave(v, {});
    EXPECT_TRUE(c.name == "Vendor" &&
                (c.profile == Profile{1, 2, 3, 0, 5, 6, 7, 13, false, 1, kDelimiterTab, updates.path()}));

    // Absent fields load as cleared boxes and prior-day survives with open interest off.
    const Profile stored{4, 1, 0, 2, 0, 3, 5, 0, true, 8, kDelimiterSpace, updates.path()};
    EXPECT_EQ(checkProfileSave(editorValuesFromProfile(stored, "Futures", ProfileEditMode::Edit), {"Futures"}).profile,
              stored);
}

TEST_F(ProfileSaveCheck, ReportsTheFirstFailureInTheDialogsOrder)
{
    ProfileEditorValues v;
    v.name = "taken";
    v.updatePath = "/no/such/dir";
    v.dateFormat = 13;
    EXPECT_EQ(checkProfileSave(v, {"Taken"}).message, "Your request was to create or clone a Profile\nbut the Profile "
                                                      "name taken already exists.\nChoose a different Profile name.");
    v.name = "Fresh";
    EXPECT_EQ(checkProfileSave(v, {"Taken"}).message, "Choose one of the twelve date formats");
    v.dateFormat = 1;
    EXPECT_EQ(checkProfileSave(v, {"Taken"}).message, kMissingPathMessage) << "the path's existence is checked last";
    v.closeColumn = 2;
    v.name = "  ";
    EXPECT_EQ(checkProfileSave(v, {}).message, kDuplicateColumnsMessage) << "columns come before the name";
}

TEST_F(ProfileSaveCheck, ColumnsNamesAndPathsAsTheEditorMayHoldThem)
{
    const auto check = [this](const std::function<void(ProfileEditorValues&)>& change,
                              ProfileEditMode mode = ProfileEditMode::New) {
        ProfileEditorValues v = valid();
        change(v);
        v.mode = mode;
        return checkProfileSave(v, {"Alpha", "NewProfile"});
    };
    using V = ProfileEditorValues;
    EXPECT_EQ(check([](V& v) { v.high = {false, 0}; }).focus, ProfileField::High) << "cleared, still checked";
    EXPECT_TRUE(check([](V& v) { v.open = {false, 2}; }).accepted()) << "a cleared column takes no slot";
    for (const std::string& name : {std::string(33, 'n'), std::string("../elsewhere")})
        EXPECT_EQ(check([&](V& v) { v.name = name; }).focus, ProfileField::Name) << name;
    // Existing names refuse New and Clone in any case, but not Edit.
    EXPECT_FALSE(check([](V& v) { v.name = "NEWprofile"; }, ProfileEditMode::Clone).accepted());
    EXPECT_TRUE(check([](V& v) { v.name = "Alpha"; }, ProfileEditMode::Edit).accepted());

    const std::filesystem::path cwd = std::filesystem::current_path();
    EXPECT_TRUE(check([](V& v) { v.updatePath = "/.."; }).accepted());
    EXPECT_EQ(std::filesystem::current_path(), cwd) << "testing the path never moves the process";
}

} // namespace
} // namespace qv
