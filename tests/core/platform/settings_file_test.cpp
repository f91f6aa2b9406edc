#include "core/platform/settings_file.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qv {
namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

// Names ignore case, quotes are removed, an integer is read as far as it goes; writing keeps
// every other line, and the file (which may hold a password) is private, new or not: also one
// an editor left readable to everybody, and a stale temporary of a wider mode does not widen it.
TEST(SettingsFile, ReadsWithWindowsSemanticsWriteKeepsEverythingElseAndTheFileIsPrivate)
{
    fixtures::TempDir dir;
    const std::string path = dir.file("q.ini");
    fixtures::writeText(path, "; keep me\n[settings]\n drive = \"/mnt\" \nDisplayLimit=0\nBad=12abc\n[Other]\nA=7\n");
    fixtures::writeText(dir.file("q.ini.~NU"), "stale");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    ASSERT_EQ(::chmod(dir.file("q.ini.~NU").c_str(), 0666), 0);
    SettingsFile ini(path);
    EXPECT_EQ(ini.getString("SETTINGS", "Drive", ""), "/mnt");
    EXPECT_EQ(ini.getInt("Settings", "Bad", 5), 12);
    EXPECT_EQ(ini.getInt("Settings", "A", 1), 1);
    ASSERT_TRUE(ini.setInt("settings", "DisplayLimit", 3));
    ASSERT_TRUE(ini.setString("ZIP", "ZipPassword", "secret"));
    const auto bytes = fixtures::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "; keep me\n[settings]\n drive = \"/mnt\" \nDisplayLimit=3\nBad=12abc\n[Other]\nA=7\n\n[ZIP]\nZipPassword=secret\n");
    EXPECT_EQ(modeOf(path), 0600u);
    const std::string fresh = dir.path() + "/config/quovanta/QUOVANTA.INI";
    ASSERT_TRUE(SettingsFile(fresh).setString("ZIP", "ZipPassword", "secret"));
    EXPECT_EQ(modeOf(fresh), 0600u);
    EXPECT_EQ(modeOf(dir.path() + "/config/quovanta"), 0700u);
}

} // namespace
} // namespace qv
