#include "core/browse/symbol_list.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

namespace fx = fixtures;
using Texts = std::vector<std::string>;

Texts symbolsOf(const SymbolListing& listing) {
    Texts out;
    for (const SymbolRow& row : listing.rows) out.push_back(row.symbol);
    return out;
}

TEST(SymbolList, ListsEntriesInFileOrderWithTheirSkipMarksAndASkipListThatCannotBeMadeMarksNone) {
    fx::TempDir tmp;
    fx::writeStandardPortfolio(tmp.path());
    SymbolListing listing = [&] { faults::ScopedFailure fail(faults::Op::Write, 1); return listSymbols(tmp.path()); }();
    EXPECT_EQ(symbolsOf(listing), (Texts{"IBM", "MSFT", "GC"}));
    EXPECT_FALSE(listing.skipFlagsValid);
    EXPECT_EQ(listing.messages, Texts{"incorrect file length in FillSymbolsGrid\ndelete skipqvta.pbg"});

    fx::ByteVec skip(256, 0);
    skip[0] = 1;
    skip[2] = 7; // any non-zero byte marks
    fx::writeBytes(tmp.file("SKIPQVTA.PBG"), skip);
    listing = listSymbols(tmp.path());
    EXPECT_TRUE(listing.ok && listing.messages.empty() && listing.rows[2].fileNumber == 4);
    EXPECT_TRUE(!listing.rows[0].skipped && listing.rows[1].skipped && !listing.rows[2].skipped);
}

TEST(SymbolList, ShowsAtMost255EntriesLeavesOutRepeatedNumbersAndFailsOnATornMaster) {
    fx::TempDir tmp;
    std::vector<fx::ByteVec> entries;
    for (int i = 0; i < 300; ++i) entries.push_back(fx::masterEntry({i % 255 + 1, "S" + std::to_string(i), "N"}));
    fx::writeBytes(tmp.file("MASTER"), fx::masterFile(entries));
    SymbolListing listing = listSymbols(tmp.path());
    ASSERT_EQ(listing.rows.size(), 255u);
    // Entries 256 on repeat numbers 1..45, but are not read, so nothing is damaged.
    EXPECT_EQ(listing.messages, Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});

    fx::writeBytes(tmp.file("MASTER"), fx::masterFile({fx::masterEntry({1, "A", "A"}), fx::masterEntry({2, "B", "B"}),
                                                       fx::masterEntry({1, "C", "C"}), fx::masterEntry({3, "D", "D"})}));
    listing = listSymbols(tmp.path());
    EXPECT_EQ(symbolsOf(listing), (Texts{"A", "B", "D"}));
    EXPECT_EQ(listing.messages, Texts{"Your master file is partially damaged"});

    fx::writeBytes(tmp.file("MASTER"), fx::ByteVec(20, 0));
    EXPECT_FALSE(listSymbols(tmp.path()).ok);
}

} // namespace
} // namespace qv
