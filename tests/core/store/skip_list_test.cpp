#include "core/store/skip_list.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

// 256 zero bytes but those given, which are 1.
ByteVec flagBytes(std::initializer_list<std::size_t> set, std::size_t size = 256) {
    ByteVec b(size, 0);
    for (std::size_t i : set) b[i] = 1;
    return b;
}

class SkipList : public ::testing::Test {
protected:
    TempDir tmp;
    std::string file() const { return tmp.file("SKIPQVTA.PBG"); }
};

TEST_F(SkipList, ReadingTakesTheFirst256BytesAnyNonZeroByteSkipsAndAShortFileIsZeroBeyondItsEnd) {
    ByteVec odd(256, 0);
    odd[7] = 7;
    odd[255] = 0xFF;
    const std::pair<ByteVec, SkipFlags> cases[] = {
        {ByteVec{0, 1, 0, 0, 0, 0, 0, 7, 0, 0}, "0100000100" + std::string(246, '0')},
        {ByteVec(300, 1), std::string(256, '1')},
        {odd, "0000000100000000" + std::string(239, '0') + "1"},
    };
    for (const auto& [bytes, flags] : cases) {
        writeBytes(file(), bytes);
        EXPECT_EQ(readSkipFlags(tmp.path()), flags);
        EXPECT_EQ(readBytes(file()), bytes) << "reading changes nothing";
    }
    // Written back, a skipped security's byte is 1.
    EXPECT_EQ(writeSkipFlags(tmp.path(), readSkipFlags(tmp.path())), readSkipFlags(tmp.path()));
    EXPECT_EQ(readBytes(file()), flagBytes({7, 255}));
}

TEST_F(SkipList, MissingFileOrEmptyTextGivesTheDefaultAndOddTextsWriteZeroForAllButOne) {
    EXPECT_EQ(readSkipFlags(tmp.path()), "1" + std::string(255, '0'));
    EXPECT_EQ(defaultSkipFlags(), "1" + std::string(255, '0'));
    EXPECT_EQ(readBytes(file()), flagBytes({0})) << "a missing file is created";
    writeBytes(file(), ByteVec(256, 1));
    EXPECT_EQ(writeSkipFlags(tmp.path(), ""), defaultSkipFlags());
    EXPECT_EQ(readBytes(file()), flagBytes({0}));
    writeSkipFlags(tmp.path(), "01x1");
    EXPECT_EQ(readBytes(file()), flagBytes({1, 3}));
}

TEST_F(SkipList, LowerCaseFileIsReadAndKeepsItsName) {
    writeBytes(tmp.file("skipqvta.pbg"), flagBytes({3}));
    SkipFlags flags = readSkipFlags(tmp.path());
    EXPECT_EQ(flags[3], '1');
    flags[3] = '0';
    writeSkipFlags(tmp.path(), flags);
    EXPECT_EQ(snapshot(tmp.path()), (std::vector<std::pair<std::string, ByteVec>>{{"skipqvta.pbg", ByteVec(256, 0)}}));
}

TEST_F(SkipList, UnwritableDirectoryGivesTheEmptyText) {
    EXPECT_EQ(readSkipFlags(tmp.file("no-such-dir")), "");
    EXPECT_EQ(writeSkipFlags(tmp.file("no-such-dir"), defaultSkipFlags()), "");
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const std::string locked = tmp.subdir("locked");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(readSkipFlags(locked), "");
}

} // namespace
} // namespace qv
