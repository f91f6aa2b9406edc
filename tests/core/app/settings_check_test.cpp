// The OK checks of the settings dialog, the decision to search again, and the keys it writes.

#include "core/app/settings_check.h"
#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using fixtures::TempDir;
using fixtures::writeText;

class SettingsOkCheck : public ::testing::Test {
protected:
    SettingsOkCheck() : tools(tmp.subdir("Tools")), data(tmp.subdir("Data")) {}

    ViewSettings filterOn(const std::string& path) const {
        ViewSettings v;
        v.searchLimit = true;
        v.searchName = path;
        return v;
    }
    std::string check(const ViewSettings& v) const { return checkSettings(v, roots, tmp.path()); }

    TempDir tmp;
    std::string tools, data;
    std::vector<std::string> roots{"/", "/home/ann", "/media/usb"};
};

TEST_F(SettingsOkCheck, ZipNeedsPkunzipInTheGivenDirectoryAndNothingIsCheckedWithoutZipOrFilter) {
    ViewSettings v;
    v.searchLimit = false;
    v.searchName = "DATA"; // would fail the filter check
    v.update.pkunzipPath = "/nowhere";
    v.update.sexEnable = true;
    EXPECT_EQ(check(v), "");

    v.update.zipEnable = true;
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), "PKUNZIP.EXE was not found at\n" + tools +
                            "\n\nPlease correct the path or \ndisable automatic decompression.");

    // A directory of that name is no program.
    TempDir other;
    other.subdir("PKUNZIP.EXE");
    v.update.pkunzipPath = other.path();
    EXPECT_NE(check(v), "");

    // Unpacked on a case-sensitive disk the name may be lower case; it is still found.
    writeText(tools + "/pkunzip.exe", "#!/bin/sh\n");
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), "");

    // Relative and empty paths are resolved as the run resolves them.
    v.update.pkunzipPath = "Tools"; // beside the start-up directory's files, as the run takes it
    EXPECT_EQ(check(v), "");
    EXPECT_EQ(checkSettings(v, roots, data), pkunzipMissingMessage("Tools"));

    v.update.pkunzipPath = ""; // the root of the file system, shown as entered: empty
    if (!findEntry("/", "PKUNZIP.EXE")) {
        EXPECT_EQ(check(v), pkunzipMissingMessage(""));
    }
}

TEST_F(SettingsOkCheck, FilterPathMustBeAbsoluteAndInsideAListedRoot) {
    EXPECT_EQ(check(filterOn("/home/ann/md")), "");
    EXPECT_EQ(check(filterOn("/")), "");
    EXPECT_EQ(check(filterOn("DATA")), kUnknownDriveMessage);
    EXPECT_EQ(check(filterOn("")), kUnknownDriveMessage);
    EXPECT_EQ(check(filterOn("~/md")), kUnknownDriveMessage);

    roots = {"/home/ann", "/media/usb"}; // no "/" listed
    EXPECT_EQ(check(filterOn("/home/ann")), "");
    EXPECT_EQ(check(filterOn("/home/ann/")), "");
    EXPECT_EQ(check(filterOn("/home/annex/md")), kUnknownDriveMessage) << "a root is a whole path component";
    EXPECT_EQ(check(filterOn("/home/ann/../bob")), kUnknownDriveMessage) << "'..' leaves the root";
    EXPECT_EQ(check(filterOn("/srv/data")), kUnknownDriveMessage);
}

TEST_F(SettingsOkCheck, PkunzipIsCheckedBeforeTheFilterAndBothMustPass) {
    ViewSettings v = filterOn("DATA");
    v.update.zipEnable = true;
    v.update.pkunzipPath = tools;
    std::vector<std::string> shown;
    for (std::string m = check(v); !m.empty() && shown.size() < 3; m = check(v)) {
        shown.push_back(m);
        if (m == kUnknownDriveMessage)
            v.searchName = data;
        else
            writeText(tools + "/PKUNZIP.EXE", "x");
    }
    EXPECT_EQ(shown, (std::vector<std::string>{pkunzipMissingMessage(tools), std::string(kUnknownDriveMessage)}));
}

TEST(SearchRerun, TakesTheDeepestRootHoldingThePathWhenTheFilterIsSwitchedOrItsPathChanges) {
    const std::vector<std::string> roots = {"/", "/home/ann", "/media/usb", "/home"};
    EXPECT_EQ(rootHoldingPath("/home/ann/md/stocks", roots), "/home/ann");
    EXPECT_EQ(rootHoldingPath("/home/bob", roots), "/home");
    EXPECT_EQ(rootHoldingPath("/media/usbstick", roots), "/");
    EXPECT_EQ(rootHoldingPath("//home//ann/./x", roots), "/home/ann");
    EXPECT_EQ(rootHoldingPath("home/ann", roots), std::nullopt);
    EXPECT_EQ(rootHoldingPath("/etc", {"/home"}), std::nullopt);

    // A search runs again when the filter is switched or its path changes.
    ViewSettings before;
    before.searchLimit = true;
    before.searchName = "/home/ann/Data";

    ViewSettings after = before;
    after.searchName = "/HOME/ANN/data"; // only the case differs: the same filter
    EXPECT_FALSE(searchRerunAfterSettings(before, after, roots).needed);

    after.searchName = "/home/ann/Other";
    SearchRerun r = searchRerunAfterSettings(before, after, roots);
    EXPECT_TRUE(r.needed);
    EXPECT_EQ(r.root, "/home/ann");

    // Switching the filter off rescans the root of the unchanged path.
    after = before;
    after.searchLimit = false;
    r = searchRerunAfterSettings(before, after, roots);
    EXPECT_TRUE(r.needed);
    EXPECT_EQ(r.root, "/home/ann");

    // With the filter off, a changed path changes nothing.
    before.searchLimit = false;
    after.searchName = "/elsewhere";
    EXPECT_FALSE(searchRerunAfterSettings(before, after, roots).needed);

    // Switched on with a path in no listed root: the current root is searched again.
    after.searchLimit = true;
    after.searchName = "relative";
    r = searchRerunAfterSettings(before, after, roots);
    EXPECT_TRUE(r.needed);
    EXPECT_EQ(r.root, "");
}

TEST(SettingsDialogValues, AreWrittenUnderTheirKeysInTheProgramsOrder) {
    TempDir tmp;
    SettingsFile file(tmp.file("QUOVANTA.INI"));
    ViewSettings v;
    v.searchLimit = false;
    v.searchName = "/home/Ann/MetaStock"; // keeps its case
    v.auditEnable = true;
    v.soundDisable = true;
    v.update.sexEnable = true;
    v.update.sexPassword = "s3cret";
    v.update.deleteSex = true;
    v.update.zipEnable = true;
    v.update.zipPassword = "zip pw";
    v.update.zipPasswordEnable = true;
    v.update.pkunzipPath = "/opt/Tools";
    v.update.deleteTxt = true;
    ASSERT_TRUE(writeSettingsDialogValues(file, v).isOk());

    const fixtures::ByteVec raw = fixtures::readBytes(file.path());
    const std::string ini(raw.begin(), raw.end());
    std::size_t last = 0;
    for (const char* section : {"[Search]", "[Audit]", "[Sounds]", "[SEX]", "[ZIP]", "[CleanUp]"}) {
        const std::size_t at = ini.find(section);
        ASSERT_NE(at, std::string::npos) << ini;
        EXPECT_GE(at, last) << section << " out of order in\n" << ini;
        last = at;
    }
    EXPECT_NE(ini.find("Name=/home/Ann/MetaStock"), std::string::npos) << ini;
    EXPECT_NE(ini.find("PkunzipPath=/opt/Tools"), std::string::npos) << ini;

    EXPECT_EQ(file.getInt("Search", "Limit", 1), 0);
    EXPECT_EQ(file.getInt("Audit", "AuditEnable", 0), 1);
    EXPECT_EQ(file.getInt("Sounds", "SoundDisable", 0), 1);
    EXPECT_EQ(file.getString("SEX", "SexPassword", ""), "s3cret");
    EXPECT_EQ(file.getInt("SEX", "SexPasswordEnable", 1), 0);
    EXPECT_EQ(file.getInt("SEX", "DeleteSex", 0), 1);
    EXPECT_EQ(file.getString("ZIP", "ZipPassword", ""), "zip pw");
    EXPECT_EQ(file.getInt("ZIP", "ZipPasswordEnable", 0), 1);
    EXPECT_EQ(file.getInt("ZIP", "DeleteZip", 1), 0);
    EXPECT_EQ(file.getInt("CleanUp", "DeleteTxt", 0), 1);
}

} // namespace
} // namespace qv
