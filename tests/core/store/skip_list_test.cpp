#include "core/store/skip_list.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

ByteVec defaultBytes() {
    ByteVec b(256, 0);
    b[0] = 1;
    return b;
}

class SkipList : public ::testing::Test {
protected:
    TempDir tmp;
    std::string file() const { return tmp.file("SKIPQVTA.PBG"); }
};

TEST_F(SkipList, MissingFileIsCreatedWithTheDefault) {
    const SkipFlags flags = readSkipFlags(tmp.path());
    ASSERT_EQ(flags.size(), kSkipFlagCount);
    EXPECT_EQ(flags, "1" + std::string(255, '0'));
    EXPECT_EQ(flags, defaultSkipFlags());
    EXPECT_EQ(readBytes(file()), defaultBytes());
}

TEST_F(SkipList, ShortFileReadsAsZeroBeyondItsEnd) {
    writeBytes(file(), ByteVec{0, 1, 0, 0, 0, 0, 0, 7, 0, 0});
    const SkipFlags flags = readSkipFlags(tmp.path());
    EXPECT_EQ(flags, "0100000100" + std::string(246, '0'));
    EXPECT_EQ(readBytes(file()).size(), 10u); // reading changes nothing
}

TEST_F(SkipList, AnyNonZeroByteIsSkippedAndIsWrittenBackAsOne) {
    ByteVec bytes(256, 0);
    bytes[7] = 7;
    bytes[255] = 0xFF;
    writeBytes(file(), bytes);
    const SkipFlags flags = readSkipFlags(tmp.path());
    EXPECT_EQ(flags[7], '1');
    EXPECT_EQ(flags[255], '1');
    EXPECT_EQ(writeSkipFlags(tmp.path(), flags), flags);
    ByteVec expected(256, 0);
    expected[7] = 1;
    expected[255] = 1;
    EXPECT_EQ(readBytes(file()), expected);
}

TEST_F(SkipList, LongerFileReadsOnlyTheFirst256Bytes) {
    ByteVec bytes(300, 1);
    writeBytes(file(), bytes);
    EXPECT_EQ(readSkipFlags(tmp.path()), std::string(256, '1'));
}

TEST_F(SkipList, EmptyTextWritesTheDefault) {
    writeBytes(file(), ByteVec(256, 1));
    EXPECT_EQ(writeSkipFlags(tmp.path(), ""), defaultSkipFlags());
    EXPECT_EQ(readBytes(file()), defaultBytes());
}

TEST_F(SkipList, ShortOrOddTextsWriteZeroForAllButOne) {
    writeSkipFlags(tmp.path(), "01x1");
    ByteVec expected(256, 0);
    expected[1] = 1;
    expected[3] = 1;
    EXPECT_EQ(readBytes(file()), expected);
}

TEST_F(SkipList, LowerCaseFileIsReadAndKeepsItsName) {
    ByteVec bytes(256, 0);
    bytes[3] = 1;
    writeBytes(tmp.file("skipqvta.pbg"), bytes);
    SkipFlags flags = readSkipFlags(tmp.path());
    EXPECT_EQ(flags[3], '1');
    flags[3] = '0';
    writeSkipFlags(tmp.path(), flags);
    const auto files = snapshot(tmp.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].first, "skipqvta.pbg");
    EXPECT_EQ(files[0].second, ByteVec(256, 0));
}

TEST_F(SkipList, UnwritableDirectoryGivesTheEmptyText) {
    EXPECT_EQ(readSkipFlags(tmp.file("no-such-dir")), "");
    EXPECT_EQ(writeSkipFlags(tmp.file("no-such-dir"), defaultSkipFlags()), "");
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    const std::string locked = tmp.subdir("locked");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(readSkipFlags(locked), "");
}

} // namespace
} // namespace qv
