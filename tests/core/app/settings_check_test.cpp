// The OK checks of the settings dialog.

#include "core/app/settings_check.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qv {
namespace {

using fixtures::TempDir;
using fixtures::writeText;

TEST(SettingsOkCheck, PkunzipMustBeFoundWhereTheRunLooksAndTheFilterInsideAListedRoot) {
    TempDir tmp;
    const std::string tools = tmp.subdir("Tools");
    std::vector<std::string> roots{"/home/ann", "/media/usb"};
    const auto check = [&](const ViewSettings& v) { return checkSettings(v, roots, tmp.path()); };

    ViewSettings v;
    v.searchLimit = false;
    v.searchName = "DATA"; // would fail the filter check
    v.update.pkunzipPath = "/nowhere";
    EXPECT_EQ(check(v), "") << "nothing is checked without decompression or a filter";

    v.update.zipEnable = true;
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), "PKUNZIP.EXE was not found at\n" + tools +
                            "\n\nPlease correct the path or \ndisable automatic decompression.");
    // Unpacked on a case-sensitive disk the name may be lower case; a relative path is taken
    // from the start-up directory, as the run takes it.
    writeText(tmp.subdir("Tools/Sub") + "/pkunzip.exe", "#!/bin/sh\n");
    v.update.pkunzipPath = "Tools/Sub";
    EXPECT_EQ(check(v), "");
    EXPECT_EQ(checkSettings(v, roots, tools), pkunzipMissingMessage("Tools/Sub"));

    v.searchLimit = true;
    v.searchName = "/home/ann/";
    EXPECT_EQ(check(v), "");
    for (const char* outside : {"DATA", "", "~/md", "/home/annex/md", "/home/ann/../bob", "/srv/data"}) {
        v.searchName = outside;
        EXPECT_EQ(check(v), kUnknownDriveMessage) << outside;
    }
    v.update.pkunzipPath = tools;
    EXPECT_EQ(check(v), pkunzipMissingMessage(tools)) << "pkunzip is checked before the filter";
}

// A password longer than its 16 characters is refused whole: cut, it would be another password
// and every archive would fail to unpack. Characters, not bytes, are counted.
TEST(SettingsOkCheck, APasswordLongerThanSixteenCharactersIsRefusedNotCut) {
    const std::string umlauts16 = "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f"
                                  "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f"; // 32 bytes
    const std::tuple<std::string, std::string, bool> cases[] = {{"sixteen-chars-ok", "", false}, {umlauts16, "", false},
                                                                {"seventeen-chars!!", "", true}, {"", "seventeen-chars!!", true}};
    for (const auto& [zip, sex, refused] : cases) {
        ViewSettings v; // neither decompression nor the filter: only the passwords are checked
        v.update.zipEnable = v.searchLimit = false;
        v.update.zipPassword = zip;
        v.update.sexPassword = sex;
        EXPECT_EQ(checkSettings(v, {}, "/"), refused ? std::string(kPasswordTooLongMessage) : "") << zip << '/' << sex;
    }
}

} // namespace
} // namespace qv
