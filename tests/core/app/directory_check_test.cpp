// The directory chooser's OK check: what it accepts, what it asks, what it creates.

#include "core/app/directory_check.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

using fixtures::TempDir;

TEST(ChosenDirectory, RejectsInvalidPathsAcceptsDirectoriesAndAsksBeforeCreating) {
    for (const std::string& path : std::vector<std::string>{"/data|x", "/data/*", "/a?b", "/a<b", "/a>b", "/a\"b", ""}) {
        const ChosenDirectory r = checkChosenDirectory(path);
        EXPECT_EQ(r.step, ChosenDirectoryStep::ShowMessage) << path;
        EXPECT_EQ(r.message, path + " is not a valid pathname.");
    }

    TempDir tmp;
    const std::string dir = tmp.subdir("Data");
    const std::filesystem::path cwd = std::filesystem::current_path();
    ChosenDirectory r = checkChosenDirectory(dir + "//");
    EXPECT_EQ(r.step, ChosenDirectoryStep::Accept);
    EXPECT_EQ(r.path, dir);
    EXPECT_EQ(checkChosenDirectory("/").path, "/") << "the root keeps its only slash";
    EXPECT_EQ(std::filesystem::current_path(), cwd) << "the check must not move the process (the update worker resolves paths)";

    // A missing directory or a plain file leads to the creation question.
    fixtures::writeText(tmp.file("notes.txt"), "x");
    for (const std::string& path : {tmp.file("New"), tmp.file("notes.txt")}) {
        r = checkChosenDirectory(path);
        EXPECT_EQ(r.step, ChosenDirectoryStep::AskCreate);
        EXPECT_EQ(r.message, "Directory " + path + " does not exist.\nCreate this directory?");
    }
}

TEST(ChosenDirectory, CreatesOneLevelOnly) {
    TempDir tmp;
    ChosenDirectory r = createChosenDirectory(tmp.file("New/"));
    EXPECT_EQ(r.step, ChosenDirectoryStep::Accept);
    EXPECT_EQ(r.path, tmp.file("New"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.file("New")));

    const std::string deep = tmp.file("A/B");
    r = createChosenDirectory(deep);
    EXPECT_EQ(r.step, ChosenDirectoryStep::CreateFailed);
    EXPECT_EQ(r.message, "There was a problem creating " + deep + ".\nThe new directory was not created.");
    EXPECT_FALSE(std::filesystem::is_directory(tmp.file("A")));

    fixtures::writeText(tmp.file("plain"), "x");
    EXPECT_EQ(createChosenDirectory(tmp.file("plain")).step, ChosenDirectoryStep::CreateFailed);
}

} // namespace
} // namespace qv
