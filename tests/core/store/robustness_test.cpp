// Damaged and hostile files must never crash a reader (this suite also runs under ASan and
// UBSan; the fuzz targets feed the readers garbage quote files and DOPs). Results are checked
// only for staying within their documented ranges.

#include "core/platform/clock.h"
#include "core/store/encodings.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

std::vector<std::size_t> garbageSizes()
{
    std::vector<std::size_t> sizes{265u, 1000u, 2048u, 4096u, 8191u};
    for (std::size_t n = 0; n <= 200; ++n)
        sizes.push_back(n);
    return sizes;
}

ByteVec garbage(std::mt19937& rng, std::size_t n)
{
    ByteVec b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(rng());
    return b;
}

void exerciseReaders(const std::string& dir, const std::string& symbol)
{
    const FoundSecurity f = findSecurity(dir, symbol);
    EXPECT_TRUE(f.status == kStatusOk || f.status == kStatusFileRead || f.status == kStatusFileNotFound);
    QuoteSeries s;
    ASSERT_EQ(initQuoteSeries(s, 40), kStatusOk);
    for (auto [start, count] : {std::pair{0, -1}, std::pair{-1, 30}, std::pair{3, 5}, std::pair{30000, 1}}) {
        const StoreStatus st = readQuoteSeries(s, dir, symbol, start, count);
        EXPECT_TRUE(st != kStatusOk || (s.count >= 0 && s.count <= s.capacity && s.quotesInFile >= 0)) << s.count;
    }
    freeQuoteSeries(s);
    for (DayNumber d : {DayNumber{0}, DayNumber{1}, DayNumber{13000}, DayNumber{65535}}) {
        const QuoteLocation q = findQuoteByDate(dir, symbol, d, 0);
        EXPECT_TRUE(q.status != kStatusOk || q.index >= 0);
    }
    SecurityFacts facts;
    const int r = readSecurityFacts(dir, symbol, facts);
    EXPECT_TRUE(r == 1 || (r == 0 && facts.quoteCount >= 0)) << r;
}

class Robustness : public ::testing::Test {
protected:
    TempDir tmp;
    std::mt19937 rng{19970315};
};

// Readers on a garbage MASTER and skip list; writers change the MASTER by one record at most.
TEST_F(Robustness, GarbageMasterAndSkipList)
{
    setTodayOverride("03/15/97");
    for (std::size_t n : garbageSizes()) {
        SCOPED_TRACE(n);
        ByteVec bytes = garbage(rng, n);
        writeBytes(tmp.file("MASTER"), bytes);
        writeBytes(tmp.file("SKIPQVTA.PBG"), garbage(rng, n));
        exerciseReaders(tmp.path(), "IBM");
        const SkipFlags flags = readSkipFlags(tmp.path());
        ASSERT_EQ(flags.size(), kSkipFlagCount);
        EXPECT_EQ(flags.find_first_not_of("01"), std::string::npos);
        if (n >= 53) {
            setU16(bytes, 0, static_cast<std::uint16_t>(rng() % 300));
            setU16(bytes, 2, static_cast<std::uint16_t>(rng() % 300));
        }
        if (n >= 106)
            setText(bytes, 53 + 36, "DEL "); // the first entry can be removed when it is declared
        const auto sizeAfter = [&](auto&& op) {
            writeBytes(tmp.file("MASTER"), bytes);
            const bool done = op();
            return std::pair{done, readBytes(tmp.file("MASTER")).size()};
        };
        const auto [added, addedSize] = sizeAfter([&] { return appendMasterEntry(tmp.path(), "NEW", "", 7).done(); });
        EXPECT_EQ(addedSize, added ? n + 53 : n);
        const auto [removed, removedSize] = sizeAfter([&] { return removeMasterEntry(tmp.path(), "DEL").done(); });
        EXPECT_EQ(removedSize, removed ? n - 53 : n);
        const int number = n > 53 ? bytes[53] : 1;
        EXPECT_EQ(sizeAfter([&] { return setMasterDate(tmp.path(), floatToMbf(970315.0f), number, 1).done(); }).second,
                  n);
    }
    setTodayOverride(std::nullopt);
}

// Entries whose record length and field count cannot hold the quotes, DOPs naming more fields
// than the record holds or absurd codes, and a header claiming the most a count can.
TEST_F(Robustness, ImpossibleRecordLayouts)
{
    const auto rows = standardQuotes(1);
    for (auto [length, fields] : {std::pair{0, 0}, std::pair{5, 7}, std::pair{28, 0}, std::pair{255, 255},
                                  std::pair{3, 1}, std::pair{20, 5}, std::pair{28, 7}}) {
        SCOPED_TRACE(::testing::Message() << length << '/' << fields);
        EntrySpec e;
        e.symbol = "IBM";
        ByteVec entry = masterEntry(e);
        setByte(entry, 3, static_cast<std::uint8_t>(length));
        setByte(entry, 4, static_cast<std::uint8_t>(fields));
        writeBytes(tmp.file("MASTER"), masterFile({entry}));
        ByteVec dat = quoteFile(7, rows);
        setU16(dat, 2, 0xFFFF);
        writeBytes(tmp.file("F1.DAT"), dat);
        std::filesystem::remove(tmp.file("F1.DOP"));
        exerciseReaders(tmp.path(), "IBM");
        for (const std::string& dop : {dopText({"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}),
                                       std::string(5000, 'x') + "\n\"DATE\",0,0\n\"OI\",99999999999,-99999999999\n"}) {
            writeText(tmp.file("F1.DOP"), dop);
            exerciseReaders(tmp.path(), "IBM");
        }
    }
}

} // namespace
} // namespace qv
