#include "core/browse/symbol_list.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

namespace fx = fixtures;

std::vector<std::string> symbolsOf(const SymbolListing& listing) {
    std::vector<std::string> out;
    for (const SymbolRow& row : listing.rows) out.push_back(row.symbol);
    return out;
}

TEST(SymbolList, ListsEntriesInFileOrderWithTheirSkipMarks) {
    fx::TempDir tmp;
    fx::writeStandardPortfolio(tmp.path());
    fx::ByteVec skip(256, 0);
    skip[0] = 1;
    skip[2] = 7; // any non-zero byte marks
    fx::writeBytes(tmp.file("SKIPQVTA.PBG"), skip);

    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_TRUE(listing.ok);
    EXPECT_TRUE(listing.messages.empty());
    ASSERT_EQ(symbolsOf(listing), (std::vector<std::string>{"IBM", "MSFT", "GC"}));
    EXPECT_EQ(listing.rows[0].name, "IBM CORP        "); // as stored, padding included
    EXPECT_EQ(listing.rows[2].fileNumber, 4);
    EXPECT_EQ(listing.rows[1].itemData(), 2 * 65536 + 1);
    EXPECT_FALSE(listing.rows[0].skipped);
    EXPECT_TRUE(listing.rows[1].skipped);
    EXPECT_FALSE(listing.rows[2].skipped);
}

TEST(SymbolList, ShowsAtMost255EntriesAndSaysSo) {
    fx::TempDir tmp;
    std::vector<fx::ByteVec> entries;
    for (int i = 0; i < 300; ++i) {
        entries.push_back(fx::masterEntry({i % 255 + 1, "S" + std::to_string(i), "N"}));
    }
    fx::writeBytes(tmp.file("MASTER"), fx::masterFile(entries));

    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(listing.declaredCount, 300);
    ASSERT_EQ(listing.rows.size(), 255u);
    EXPECT_EQ(listing.rows.back().symbol, "S254");
    // Entries 256 on repeat numbers 1..45, but are not read, so nothing is damaged.
    EXPECT_EQ(listing.messages,
              (std::vector<std::string>{"File has 300 symbols.\nWill only display the first 255 symbols"}));
}

TEST(SymbolList, LeavesOutRepeatedFileNumbersReportsDamageLastAndFailsOnAMissingOrTornMaster) {
    fx::TempDir tmp;
    fx::writeBytes(tmp.file("MASTER"), fx::masterFile({fx::masterEntry({1, "A", "A"}), fx::masterEntry({2, "B", "B"}),
                                                       fx::masterEntry({1, "C", "C"}), fx::masterEntry({3, "D", "D"})}));
    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(symbolsOf(listing), (std::vector<std::string>{"A", "B", "D"}));
    EXPECT_EQ(listing.rows[2].entryIndex, 3);
    EXPECT_EQ(listing.messages, (std::vector<std::string>{"Your master file is partially damaged"}));

    fx::TempDir empty;
    listing = listSymbols(empty.path());
    EXPECT_FALSE(listing.ok);
    EXPECT_EQ(listing.messages, (std::vector<std::string>{"Failure while filling symbols grid"}));

    fx::writeBytes(tmp.file("MASTER"), fx::ByteVec(20, 0));
    listing = listSymbols(tmp.path());
    EXPECT_FALSE(listing.ok);
    EXPECT_TRUE(listing.rows.empty());
}

TEST(SymbolList, SkipListThatCannotBeMadeLeavesRowsUnmarked) {
    fx::TempDir tmp;
    fx::writeStandardPortfolio(tmp.path());
    SymbolListing listing;
    {
        faults::ScopedFailure fail(faults::Op::Write, 1);
        listing = listSymbols(tmp.path());
    }
    ASSERT_EQ(listing.rows.size(), 3u);
    EXPECT_FALSE(listing.skipFlagsValid);
    EXPECT_EQ(listing.messages,
              (std::vector<std::string>{"incorrect file length in FillSymbolsGrid\ndelete skipqvta.pbg"}));

    // Without the fault the default list is created; its byte 0 marks no security.
    listing = listSymbols(tmp.path());
    EXPECT_TRUE(listing.skipFlagsValid);
    for (const SymbolRow& row : listing.rows) EXPECT_FALSE(row.skipped) << row.symbol;
}

} // namespace
} // namespace qv
