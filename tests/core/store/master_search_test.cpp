#include "core/store/master.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

EntrySpec entrySpec(int n, const std::string& symbol, const std::string& name = "") {
    return {n, symbol, name, 7, fileDate(1997, 1, 2), fileDate(1997, 3, 14)};
}

class MasterSearch : public ::testing::Test {
protected:
    TempDir tmp;
    void writeMaster(const std::string& dir, const std::vector<ByteVec>& records, const std::string& name = "MASTER") {
        writeBytes(dir + "/" + name, masterFile(records));
    }
    FoundSecurity find(std::string_view key) { return findSecurity(tmp.path(), key); }
};

TEST_F(MasterSearch, MatchesSymbolOrNameWithoutRegardToCaseAndReadsTheEntry) {
    const ByteVec ibm = masterEntry(entrySpec(1, "IBM", "IBM CORP"));
    writeMaster(tmp.path(), {masterEntry(entrySpec(3, "MSFT", "MICROSOFT")), ibm,
                             masterEntry(entrySpec(4, "GC Z97", "GOLD DEC 97"))});
    for (const char* key : {"IBM", "ibm", "IBM CORP", "ibm corp"}) {
        SCOPED_TRACE(key);
        const FoundSecurity f = find(key);
        ASSERT_EQ(f.status, kStatusOk);
        EXPECT_EQ(ByteVec(f.entry.bytes.begin(), f.entry.bytes.end()), ibm);
        EXPECT_EQ(f.entry.firstDate(), fileDate(1997, 1, 2));
        EXPECT_EQ(f.entry.lastDate(), fileDate(1997, 3, 14));
        EXPECT_EQ(f.directory, tmp.path() + "/");
    }
    EXPECT_EQ(findSecurity(tmp.path() + "/", "IBM").directory, tmp.path() + "/");

    const FoundSecurity f = find("GC Z97");
    ASSERT_EQ(f.status, kStatusOk);
    EXPECT_EQ(f.entry.name(), "GOLD DEC 97");
    EXPECT_EQ(f.entry.rawName(), "GOLD DEC 97     ");
    EXPECT_EQ(f.entry.symbol(), "GC");
    EXPECT_EQ(f.entry.rawSymbol(), "GC Z97          ");
    EXPECT_EQ(f.entry.fileNumber(), 4);
    EXPECT_EQ(f.entry.recordLength(), 28);
    EXPECT_EQ(f.entry.fieldCount(), 7);
    EXPECT_EQ(f.entry.period(), 'D');
    EXPECT_FALSE(f.entry.isDirectoryEntry());
}

TEST_F(MasterSearch, KeysMatchWholeWordsOfTheSymbolAndTheFirstEntryInFileOrderWins) {
    struct Case {
        std::vector<ByteVec> entries;
        std::vector<std::pair<const char*, int>> keys; // file number found, 0 for none
    };
    const Case cases[] = {
        {{masterEntry(entrySpec(1, "IBM", "IBM CORP"))}, {{"IB", 0}, {"IBM CORPORATION", 0}, {"CORP", 0}}},
        // Keys with blanks compare as as many words of the symbol.
        {{masterEntry(entrySpec(1, "GC Z97 X", "GOLD"))},
         {{"GC", 1}, {"gc z97", 1}, {"GC Z97 X", 1}, {"GC Z98", 0}, {"GC Z", 0}}},
        // A symbol filling the whole field matches only itself.
        {{masterEntry(entrySpec(1, "ABCDEFGHIJKLMNOP"))},
         {{"ABCDEFGHIJKLMNOP", 1}, {"ABCDEFGHIJKLMNOPQ", 0}, {"ABCDEFGHIJKLMNO", 0}}},
        // The first entry matches by name, the second by symbol.
        {{masterEntry(entrySpec(5, "XYZ", "MSFT")), masterEntry(entrySpec(2, "MSFT", "MICROSOFT"))}, {{"MSFT", 5}}},
    };
    for (const Case& c : cases) {
        writeMaster(tmp.path(), c.entries);
        for (const auto& [key, number] : c.keys) {
            const FoundSecurity f = find(key);
            EXPECT_EQ(f.status, number ? kStatusOk : kStatusFileNotFound) << key;
            if (number) {
                EXPECT_EQ(f.entry.fileNumber(), number) << key;
            }
        }
    }
}

TEST_F(MasterSearch, MissingOrShortMasterIsNotFoundAndLowerCaseFileNamesAreFound) {
    EXPECT_EQ(find("IBM").status, kStatusFileNotFound);
    writeBytes(tmp.file("MASTER"), ByteVec(20, 0));
    EXPECT_EQ(find("IBM").status, kStatusFileNotFound);
    std::filesystem::remove(tmp.file("MASTER"));
    writeMaster(tmp.path(), {masterEntry(entrySpec(1, "IBM")), masterDirectoryEntry(2, "SUB")}, "master");
    const std::string sub = tmp.subdir("sub");
    writeMaster(sub, {masterEntry(entrySpec(1, "DEEP"))}, "Master");
    EXPECT_EQ(find("IBM").status, kStatusOk);
    const FoundSecurity f = find("DEEP");
    ASSERT_EQ(f.status, kStatusOk);
    EXPECT_EQ(std::filesystem::path(f.directory).parent_path(), std::filesystem::path(sub));
}

TEST_F(MasterSearch, DescendsIntoNestedPortfoliosAfterTheTopLevel) {
    writeMaster(tmp.path(),
                {masterDirectoryEntry(7, "SUB"), masterEntry(entrySpec(1, "TOP")), masterEntry(entrySpec(2, "BOTH"))});
    const std::string sub = tmp.subdir("SUB");
    writeMaster(sub, {masterEntry(entrySpec(1, "DEEP")), masterEntry(entrySpec(3, "BOTH"))});

    const FoundSecurity deep = find("DEEP");
    ASSERT_EQ(deep.status, kStatusOk);
    EXPECT_EQ(deep.directory, sub + "/");
    // Every entry of a level is compared before any nested portfolio is entered.
    const FoundSecurity both = find("BOTH");
    EXPECT_EQ(both.directory, tmp.path() + "/");
    EXPECT_EQ(both.entry.fileNumber(), 2);
}

TEST_F(MasterSearch, NestedPortfoliosAreSearchedDepthFirstInEntryOrder) {
    writeMaster(tmp.path(),
                {masterDirectoryEntry(1, "NOPE"), masterDirectoryEntry(2, "A"), masterDirectoryEntry(3, "B")});
    writeMaster(tmp.subdir("A"), {masterDirectoryEntry(1, "C")});
    writeMaster(tmp.subdir("A/C"), {masterEntry(entrySpec(9, "K"))});
    writeMaster(tmp.subdir("B"), {masterEntry(entrySpec(8, "K"))});
    const FoundSecurity k = find("K");
    ASSERT_EQ(k.status, kStatusOk); // the missing NOPE is passed over
    EXPECT_EQ(k.entry.fileNumber(), 9);
    EXPECT_EQ(k.directory, tmp.path() + "/A/C/");
    // Back up from A/C the search resumes in the top MASTER.
    writeMaster(tmp.subdir("B"), {masterEntry(entrySpec(8, "L"))});
    EXPECT_EQ(find("L").directory, tmp.path() + "/B/");
}

TEST_F(MasterSearch, DirectoryEntriesAreNotSecurities) {
    ByteVec dir = masterDirectoryEntry(1, "SUB");
    setText(dir, 36, "SUB");
    writeMaster(tmp.path(), {dir});
    writeMaster(tmp.subdir("SUB"), {masterEntry(entrySpec(1, "X"))});
    EXPECT_EQ(find("SUB").status, kStatusFileNotFound);
    EXPECT_EQ(find("X").status, kStatusOk);
}

TEST_F(MasterSearch, EntriesLeadingBackToTheirOwnDirectoryAndLinkLoopsEnd) {
    writeMaster(tmp.path(),
                {masterDirectoryEntry(1, "."), masterDirectoryEntry(2, "SUB"), masterDirectoryEntry(3, "LOOP")});
    writeMaster(tmp.subdir("SUB"), {masterDirectoryEntry(1, ".."), masterEntry(entrySpec(2, "IN"))});
    std::filesystem::create_directory_symlink(".", tmp.file("LOOP"));
    EXPECT_EQ(find("ABSENT").status, kStatusFileNotFound);
    EXPECT_EQ(find("IN").status, kStatusOk);
}

TEST_F(MasterSearch, DeepChainIsBounded) {
    std::string dir = tmp.path();
    std::vector<std::string> levels{dir};
    for (int depth = 1; depth <= 40; ++depth) {
        writeMaster(dir, {masterEntry(entrySpec(1, "AT" + std::to_string(depth - 1))), masterDirectoryEntry(2, "D")});
        dir += "/D";
        std::filesystem::create_directory(dir);
    }
    EXPECT_EQ(find("AT3").status, kStatusOk);
    EXPECT_EQ(find("AT3").directory, tmp.path() + "/D/D/D/");
    EXPECT_EQ(find("AT39").status, kStatusFileNotFound); // beyond the nesting bound
    EXPECT_EQ(find("ABSENT").status, kStatusFileNotFound);
}

TEST_F(MasterSearch, CountDisagreeingWithTheFileSize) {
    const ByteVec one = masterEntry(entrySpec(1, "ONE")), two = masterEntry(entrySpec(2, "TWO"));
    ByteVec file = concat({masterHeader(9, 9), one, two, masterEntry(entrySpec(3, "THREE"))});
    shrinkTo(file, file.size() - 20); // THREE is torn
    writeBytes(tmp.file("MASTER"), file);
    EXPECT_EQ(find("TWO").status, kStatusOk);
    EXPECT_NE(find("THREE").status, kStatusOk);
    EXPECT_NE(find("NINE").status, kStatusOk);
    // Entries beyond the count are not listed.
    writeBytes(tmp.file("MASTER"), concat({masterHeader(1, 1), one, two}));
    EXPECT_EQ(find("ONE").status, kStatusOk);
    EXPECT_EQ(find("TWO").status, kStatusFileNotFound);
}

TEST_F(MasterSearch, ReadMasterFileSeparatesDeclaredEntriesFromTrailingBytes) {
    const ByteVec one = masterEntry(entrySpec(1, "ONE"));
    const ByteVec two = masterEntry(entrySpec(2, "TWO"));
    writeBytes(tmp.file("MASTER"), concat({masterHeader(1, 4), one, two}));
    MasterFile m;
    ASSERT_TRUE(readMasterFile(tmp.path(), m).isOk());
    EXPECT_EQ(m.declaredCount(), 1);
    EXPECT_EQ(m.secondCounter(), 4);
    ASSERT_EQ(m.entries.size(), 1u);
    EXPECT_EQ(m.entries[0].symbol(), "ONE");
    EXPECT_EQ(m.trailing, two);

    ByteVec torn = concat({masterHeader(3, 3), one, two});
    shrinkTo(torn, torn.size() - 1);
    writeBytes(tmp.file("MASTER"), torn);
    ASSERT_TRUE(readMasterFile(tmp.path(), m).isOk());
    EXPECT_EQ(m.entries.size(), 1u);
    EXPECT_EQ(m.trailing, ByteVec(two.begin(), two.end() - 1));
}

} // namespace
} // namespace qv
