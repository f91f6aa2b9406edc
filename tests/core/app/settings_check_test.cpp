// The OK checks of the settings dialog, the decision to search again, and the keys it writes.

#include "core/app/settings_check.h"
#include "core/platform/fault_injection.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qv {
namespace {

using fixtures::TempDir;
using fixtures::writeText;

TEST(SettingsOkCheck, PkunzipMustBeFoundWhereTheRunLooksAndTheFilterInsideAListedRoot)
{
    TempDir tmp;
    const std::string tools = tmp.subdir("Tools");
    std::vector<std::string> roots{"/home/ann", "/media/usb"};
    const auto check = [&](const ViewSettings& v) { return checkSettings(v, roots, tmp.path()); };

    ViewSettings v;
    v.searchLimit = false;
    v.searchName = "DATA"; // would fail the filter check
    EXPECT_EQ(check(v), "") << "nothing is checked without decompression or a filter";

    v.update.zipEnable = true;
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), "PKUNZIP.EXE was not found at\n" + tools +
                            "\n\nPlease correct the path or \ndisable automatic decompression.");
    // The name may be lower case; a relative path is taken from the start-up directory, as the run takes it.
    writeText(tmp.subdir("Tools/Sub") + "/pkunzip.exe", "#!/bin/sh\n");
    v.update.pkunzipPath = "Tools/Sub";
    EXPECT_EQ(check(v), "");
    EXPECT_EQ(checkSettings(v, roots, tools), pkunzipMissingMessage("Tools/Sub"));

    v.searchLimit = true;
    v.searchName = "/home/ann/";
    EXPECT_EQ(check(v), "");
    for (const char* outside : {"DATA", "", "/home/annex/md", "/home/ann/../bob"}) {
        v.searchName = outside;
        EXPECT_EQ(check(v), kUnknownDriveMessage) << outside;
    }
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), pkunzipMissingMessage(tools)) << "pkunzip is checked before the filter";
}

// A password beyond 16 characters (not bytes) is refused whole: cut, no archive would unpack.
TEST(SettingsOkCheck, APasswordLongerThanSixteenCharactersIsRefusedNotCut)
{
    const std::string umlauts16 = "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f"
                                  "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f"; // 32 bytes
    const std::tuple<std::string, std::string, bool> cases[] = {{"sixteen-chars-ok", "", false},
                                                                {umlauts16, "", false},
                                                                {"seventeen-chars!!", "", true},
                                                                {"", "seventeen-chars!!", true}};
    for (const auto& [zip, selfExtract, refused] : cases) {
        ViewSettings v; // neither decompression nor the filter: only the passwords are checked
        v.update.zipEnable = v.searchLimit = false;
        v.update.zipPassword = zip;
        v.update.selfExtractPassword = selfExtract;
        EXPECT_EQ(checkSettings(v, {}, "/"), refused ? std::string(kPasswordTooLongMessage) : "")
            << zip << '/' << selfExtract;
    }
}

// The main window searches again only when the filter changed: switched, or on with another path.
TEST(SearchRerun, FollowsAFilterChangeToTheDeepestRootHoldingItsPath)
{
    const std::vector<std::string> roots = {"/", "/home/ann", "/media/usb", "/home"};
    // Before: limit and path; after: limit and path; whether to search again, and from which root.
    const std::tuple<bool, const char*, bool, const char*, bool, const char*> cases[] = {
        {true, "/home/ann/Data", true, "/HOME/ANN/data", false, ""},
        {true, "/home/ann/Data", true, "/home/ann/Other", true, "/home/ann"},
        {true, "/home/bob", true, "//home//ann/./x", true, "/home/ann"},
        {true, "/home/ann/Data", false, "/home/ann/Data", true, "/home/ann"}, // off: the unchanged path's root
        {false, "/home/ann/Data", false, "/elsewhere", false, ""},
        {false, "/home/ann/Data", true, "relative", true, ""}}; // no root: the window keeps its own
    for (const auto& [limitBefore, nameBefore, limitAfter, nameAfter, needed, root] : cases) {
        ViewSettings before, after;
        std::tie(before.searchLimit, before.searchName) = std::tuple(limitBefore, nameBefore);
        std::tie(after.searchLimit, after.searchName) = std::tuple(limitAfter, nameAfter);
        const SearchRerun r = searchRerunAfterSettings(before, after, roots);
        EXPECT_TRUE(r.needed == needed && r.root == root) << nameBefore << " -> " << nameAfter << ": " << r.root;
    }
}

// The dialog's keys go to their sections in the program's order, texts as typed; a failed write is
// reported (naming the file) and the keys after it are not tried.
TEST(SettingsDialogValues, AreWrittenInTheProgramsOrderAndAFailedWriteIsReported)
{
    TempDir tmp;
    SettingsFile file(tmp.file("QUOVANTA.INI"));
    ViewSettings v;
    v.searchLimit = false;
    v.searchName = "/home/Ann/MetaStock";
    v.auditEnable = v.soundDisable = v.update.deleteTxt = true;
    v.update.selfExtractEnable = v.update.deleteSelfExtract = v.update.zipEnable = v.update.zipPasswordEnable = true;
    v.update.selfExtractPassword = "s3cret";
    v.update.zipPassword = "zip pw";
    v.update.pkunzipPath = "/opt/Tools";
    ASSERT_TRUE(writeSettingsDialogValues(file, v).isOk());

    const fixtures::ByteVec raw = fixtures::readBytes(file.path());
    const std::string ini(raw.begin(), raw.end());
    EXPECT_EQ(
        ini,
        "[Search]\nLimit=0\nName=/home/Ann/MetaStock\n\n[Audit]\nAuditEnable=1\n\n[Sounds]\nSoundDisable=1\n\n"
        "[SEX]\nSexEnable=1\nSexPassword=s3cret\nSexPasswordEnable=0\nDeleteSex=1\n\n[ZIP]\nZipEnable=1\n"
        "ZipPassword=zip pw\nZipPasswordEnable=1\nDeleteZip=0\nPkunzipPath=/opt/Tools\n\n[CleanUp]\nDeleteTxt=1\n");

    v.update.deleteTxt = false;
    faults::reset();
    faults::failNth(faults::Op::Rename, 1);
    const IoStatus failed = writeSettingsDialogValues(file, v);
    const int renames = faults::callCount(faults::Op::Rename);
    faults::reset();
    EXPECT_FALSE(failed.isOk());
    EXPECT_NE(failed.message().find(file.path()), std::string::npos) << failed.message();
    EXPECT_EQ(renames, 1) << "the keys after a failed one are not written";
    EXPECT_EQ(fixtures::readBytes(file.path()), raw);
}

} // namespace
} // namespace qv
