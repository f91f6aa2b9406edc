#include "core/platform/fault_injection.h"
#include "core/platform/files.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qv {
namespace {

using fixtures::TempDir;

std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Files, LookupAndOpeningIgnoreCaseButPreferTheExactName)
{
    TempDir dir;
    Bytes bytes;
    fixtures::writeText(dir.file("master"), "lower");
    EXPECT_EQ(findEntry(dir.path(), "MASTER"), dir.file("master"));
    ASSERT_TRUE(readWholeEntry(dir.path(), "MASTER", bytes));
    EXPECT_EQ(textOf(bytes), "lower");
    EXPECT_EQ(resolveFile(dir.path(), "F1.DAT"), dir.file("F1.DAT")); // new files keep the given name
    fixtures::writeText(dir.file("MASTER"), "upper");
    EXPECT_EQ(findEntry(dir.path(), "MASTER"), dir.file("MASTER"));
    ASSERT_TRUE(readWholeEntry(dir.path(), "MASTER", bytes));
    EXPECT_EQ(textOf(bytes), "upper");
    EXPECT_FALSE(findEntry(dir.path(), "F1.DAT").has_value());

    InputFile file;
    EXPECT_EQ(file.openEntry(dir.path(), "F1.DAT").error(), ENOENT);
    EXPECT_FALSE(file.isOpen());
    ::mkdir(dir.file("f1.dat").c_str(), 0755);
    EXPECT_EQ(file.openEntry(dir.path(), "F1.DAT").error(), EISDIR);
    EXPECT_FALSE(file.openEntry(dir.path(), "").isOk());
}

TEST(Files, PathHelpers)
{
    EXPECT_EQ(joinPath("a/", "b"), "a/b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(parentPath("a/b/MASTER"), "a/b");
    EXPECT_EQ(parentPath("MASTER"), ".");
    EXPECT_EQ(parentPath("/MASTER"), "/");
    EXPECT_EQ(baseName("a/b/"), "b");
}

TEST(Files, ReplaceKeepsTheModeAndNameOfTheOldFile)
{
    TempDir dir;
    fixtures::writeText(dir.file("master"), "old");
    ::chmod(dir.file("master").c_str(), 0640);
    ASSERT_TRUE(replaceFile(resolveFile(dir.path(), "MASTER"), "MASTER.~NU", Bytes{'n', 'e', 'w'}));
    const std::vector<std::pair<std::string, fixtures::ByteVec>> only{{"master", {'n', 'e', 'w'}}};
    EXPECT_EQ(fixtures::snapshot(dir.path()), only);
    struct stat st{};
    ASSERT_EQ(::stat(dir.file("master").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Failures before the rename leave the old file (every call of a replacement is failed in turn
// in store/failure_injection_test.cpp); one after the rename is no failure.
TEST(Files, FailureAfterTheRenameIsNoFailure)
{
    TempDir dir;
    fixtures::writeText(dir.file("F1.DAT"), "old");
    faults::ScopedFailure failure(faults::Op::Fsync, 2); // the directory's flush
    EXPECT_TRUE(replaceFile(dir.file("F1.DAT"), "F1.~NU", Bytes{'n'}));
    EXPECT_EQ(fixtures::readBytes(dir.file("F1.DAT")), fixtures::ByteVec{'n'});
}

TEST(Files, CopyOverwritesAndInputFileRefusesDirectoriesAndReadsAtOffsets)
{
    TempDir dir;
    fixtures::writeText(dir.file("MASTER"), "one");
    fixtures::writeText(dir.file("MASTER.BAK"), "older backup");
    ASSERT_TRUE(copyFile(dir.file("MASTER"), dir.file("MASTER.BAK")));
    EXPECT_EQ(fixtures::readBytes(dir.file("MASTER.BAK")), fixtures::readBytes(dir.file("MASTER")));
    EXPECT_FALSE(copyFile(dir.file("missing"), dir.file("x")));

    InputFile file;
    EXPECT_FALSE(file.open(dir.path()));
    fixtures::writeText(dir.file("a"), "0123456789");
    ASSERT_TRUE(file.open(dir.file("a")));
    EXPECT_EQ(file.size(), 10u);
    char buf[4] = {};
    EXPECT_TRUE(file.readAt(6, buf, 4));
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_FALSE(file.readAt(8, buf, 4));
    EXPECT_EQ(file.readSomeAt(8, buf, 4), 2u);
}

} // namespace
} // namespace qv
