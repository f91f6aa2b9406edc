#include "core/platform/settings_file.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qv {
namespace {

// Names ignore case, quotes are removed, an integer is read as far as it goes; writing keeps
// every other line, and a new file (which may hold a password) is private.
TEST(SettingsFile, ReadsWithWindowsSemanticsWriteKeepsEverythingElseAndANewFileIsPrivate)
{
    fixtures::TempDir dir;
    const std::string path = dir.file("q.ini");
    fixtures::writeText(path, "; keep me\n[settings]\n drive = \"/mnt\" \nDisplayLimit=0\nBad=12abc\n[Other]\nA=7\n");
    SettingsFile ini(path);
    EXPECT_EQ(ini.getString("SETTINGS", "Drive", ""), "/mnt");
    EXPECT_EQ(ini.getInt("Settings", "Bad", 5), 12);
    EXPECT_EQ(ini.getInt("Settings", "A", 1), 1);
    ASSERT_TRUE(ini.setInt("settings", "DisplayLimit", 3));
    ASSERT_TRUE(ini.setString("ZIP", "ZipPassword", "secret"));
    const auto bytes = fixtures::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "; keep me\n[settings]\n drive = \"/mnt\" \nDisplayLimit=3\nBad=12abc\n[Other]\nA=7\n\n[ZIP]\nZipPassword=secret\n");
    const std::string fresh = dir.path() + "/config/quovanta/QUOVANTA.INI";
    ASSERT_TRUE(SettingsFile(fresh).setString("ZIP", "ZipPassword", "secret"));
    struct stat st{};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace
} // namespace qv
