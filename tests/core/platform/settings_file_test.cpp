#include "core/platform/settings_file.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qv {
namespace {

using fixtures::TempDir;

TEST(SettingsFile, ReadsWithWindowsSemanticsAndMissingFilesOrKeysGiveDefaults)
{
    TempDir dir;
    const SettingsFile missing(dir.file("QUOVANTA.INI"));
    EXPECT_EQ(missing.getInt("Settings", "DisplayLimit", 1), 1);
    EXPECT_EQ(missing.getString("Search", "Name", "/HOME"), "/HOME");
    fixtures::writeText(dir.file("q.ini"), "; comment\r\n[settings]\r\n displaylimit = 0 \r\nDrive=\"/mnt/data\"\r\n"
                                           "Bad=12abc\r\nText=abc\r\n[Other]\r\nDisplayLimit=7\r\n");
    SettingsFile ini(dir.file("q.ini"));
    EXPECT_EQ(ini.getInt("Settings", "DisplayLimit", 1), 0);        // names ignore case
    EXPECT_EQ(ini.getString("SETTINGS", "drive", ""), "/mnt/data"); // quotes removed
    EXPECT_EQ(ini.getInt("Settings", "Bad", 5), 12);                // leading integer
    EXPECT_EQ(ini.getInt("Settings", "Text", 5), 0);                // present but not a number
    EXPECT_EQ(ini.getInt("Other", "DisplayLimit", 1), 7);           // sections kept apart
    EXPECT_EQ(ini.getString("Other", "Drive", "/HOME"), "/HOME");
}

TEST(SettingsFile, WriteKeepsEverythingElse)
{
    TempDir dir;
    const std::string path = dir.file("q.ini");
    fixtures::writeText(path, "; keep me\n[Settings]\nDisplayLimit=1\nUnknown=x\n\n[Search]\nLimit=1\n");
    SettingsFile ini(path);
    ASSERT_TRUE(ini.setInt("settings", "DisplayLimit", 0));
    ASSERT_TRUE(ini.setString("Settings", "Drive", "/home"));
    ASSERT_TRUE(ini.setString("ZIP", "ZipPassword", "secret"));
    const auto bytes = fixtures::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "; keep me\n[Settings]\nDisplayLimit=0\nUnknown=x\nDrive=/home\n\n[Search]\nLimit=1\n"
                              "\n[ZIP]\nZipPassword=secret\n");
    EXPECT_EQ(ini.getString("ZIP", "ZipPassword", ""), "secret");
}

TEST(SettingsFile, NewFileIsPrivateAndItsDirectoryIsCreated)
{
    TempDir dir;
    const std::string path = dir.path() + "/config/quovanta/QUOVANTA.INI";
    SettingsFile ini(path);
    ASSERT_TRUE(ini.setInt("User", "Newbie", 0));
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ini.getInt("User", "Newbie", 1), 0);
}

TEST(SettingsFile, DefaultPathFollowsEnvironment)
{
    ::setenv("QUOVANTA_INI", "/tmp/x.ini", 1);
    EXPECT_EQ(SettingsFile::defaultPath(), "/tmp/x.ini");
    ::unsetenv("QUOVANTA_INI");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsFile::defaultPath(), "/cfg/quovanta/QUOVANTA.INI");
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace qv
