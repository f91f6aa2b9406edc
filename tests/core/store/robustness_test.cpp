// Damaged and hostile files must never crash a reader (this suite also runs under ASan and
// UBSan). Results are checked only for staying within their documented ranges.

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

std::vector<std::size_t> garbageSizes() {
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 200; ++n) sizes.push_back(n);
    sizes.insert(sizes.end(), {265u, 1000u, 2048u, 4096u, 8191u});
    return sizes;
}

ByteVec garbage(std::mt19937& rng, std::size_t n) {
    ByteVec b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

void exerciseReaders(const std::string& dir, const std::string& symbol) {
    const FoundSecurity f = findSecurity(dir, symbol);
    EXPECT_TRUE(f.status == kStatusOk || f.status == kStatusFileRead || f.status == kStatusFileNotFound);

    QuoteSeries s;
    ASSERT_EQ(initQuoteSeries(s, 40), kStatusOk);
    for (auto [start, count] : {std::pair{0, 0}, std::pair{0, -1}, std::pair{-1, 30}, std::pair{3, 5},
                                std::pair{30000, 1}}) {
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

TEST_F(Robustness, GarbageMasterAndSkipList) {
    for (std::size_t n : garbageSizes()) {
        SCOPED_TRACE(n);
        writeBytes(tmp.file("MASTER"), garbage(rng, n));
        writeBytes(tmp.file("SKIPQVTA.PBG"), garbage(rng, n));
        exerciseReaders(tmp.path(), "IBM");
        const SkipFlags flags = readSkipFlags(tmp.path());
        ASSERT_EQ(flags.size(), kSkipFlagCount);
        EXPECT_EQ(flags.find_first_not_of("01"), std::string::npos);
    }
}

TEST_F(Robustness, WritersOnAGarbageMasterChangeItsLengthByOneRecordAtMost) {
    setTodayOverride("03/15/97");
    for (std::size_t n : garbageSizes()) {
        SCOPED_TRACE(n);
        ByteVec bytes = garbage(rng, n);
        if (n >= 53) {
            setU16(bytes, 0, static_cast<std::uint16_t>(rng() % 300));
            setU16(bytes, 2, static_cast<std::uint16_t>(rng() % 300));
        }
        if (n >= 106) {
            setText(bytes, 53 + 36, "DEL "); // the first entry can be removed when it is declared
        }
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
        const auto dated = [&] { return setMasterDate(tmp.path(), floatToMbf(970315.0f), number, 1).done(); };
        EXPECT_EQ(sizeAfter(dated).second, n);
    }
    setTodayOverride(std::nullopt);
}

TEST_F(Robustness, GarbageEntriesWithDirectoryMarks) {
    // Random records, a third of them made into directory entries with random names.
    for (int round = 0; round < 60; ++round) {
        std::vector<ByteVec> records;
        for (int i = 0; i < 1 + round % 9; ++i) {
            ByteVec r = garbage(rng, 53);
            if (rng() % 3 == 0) {
                static const char* const names[] = {"A       ", "B       ", ".       ", "..      ", "A/../B  "};
                const std::size_t pick = rng() % 6;
                if (pick < 5) setText(r, 7, names[pick]); // else keep the random name bytes
                setByte(r, 7, r[7] == ' ' ? 'A' : r[7]);
                setText(r, 18, "<DIR>");
            }
            records.push_back(r);
        }
        ByteVec file = masterFile(records);
        setU16(file, 0, static_cast<std::uint16_t>(rng() % 12));
        writeBytes(tmp.file("MASTER"), file);
        for (const char* sub : {"A", "B"}) {
            writeBytes(tmp.subdir(sub) + "/MASTER", file);
        }
        exerciseReaders(tmp.path(), "IBM");
    }
}

TEST_F(Robustness, GarbageQuoteFile) {
    writeStandardPortfolio(tmp.path());
    for (std::size_t n : garbageSizes()) {
        SCOPED_TRACE(n);
        writeBytes(tmp.file("F1.DAT"), garbage(rng, n));
        writeBytes(tmp.file("F4.DAT"), garbage(rng, n)); // 6 fields, layout from the data itself
        exerciseReaders(tmp.path(), "IBM");
        exerciseReaders(tmp.path(), "GC");
    }
}

TEST_F(Robustness, GarbageDopFile) {
    writeStandardPortfolio(tmp.path());
    for (std::size_t n : garbageSizes()) {
        SCOPED_TRACE(n);
        ByteVec dop = garbage(rng, n);
        // Salt the noise with line starts so that the parser gets past its first test.
        for (std::size_t i = 0; i + 8 < dop.size(); i += 1 + rng() % 40) {
            setText(dop, i, (rng() % 2) ? "\n\"VOL" : "\n\"DATE\",");
        }
        writeBytes(tmp.file("F1.DOP"), dop);
        const LayoutResult l = readFieldLayout(tmp.file("F1.DOP"), 28);
        EXPECT_TRUE(l.status == kStatusOk || l.status == kStatusNoLayout);
        exerciseReaders(tmp.path(), "IBM");
    }
}

TEST_F(Robustness, DopNamingMoreFieldsThanTheRecordHoldsAndHeaderClaimingTheMaximum) {
    writeStandardPortfolio(tmp.path());
    writeText(tmp.file("F4.DOP"), dopText({"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
    exerciseReaders(tmp.path(), "GC");
    writeText(tmp.file("F4.DOP"), std::string(5000, 'x') + "\n\"DATE\",0,0\n\"OI\",99999999999,-99999999999\n");
    exerciseReaders(tmp.path(), "GC");
    ByteVec dat = readBytes(tmp.file("F1.DAT"));
    setU16(dat, 2, 0xFFFF);
    writeBytes(tmp.file("F1.DAT"), dat);
    exerciseReaders(tmp.path(), "IBM");
}

TEST_F(Robustness, EntryWithImpossibleRecordLayouts) {
    const auto rows = standardQuotes(1);
    for (auto [length, fields] : {std::pair{0, 0}, std::pair{0, 7}, std::pair{5, 7}, std::pair{28, 0},
                                  std::pair{28, 255}, std::pair{255, 255}, std::pair{3, 1}, std::pair{20, 5}}) {
        SCOPED_TRACE(::testing::Message() << length << '/' << fields);
        EntrySpec e;
        e.symbol = "IBM";
        ByteVec entry = masterEntry(e);
        setByte(entry, 3, static_cast<std::uint8_t>(length));
        setByte(entry, 4, static_cast<std::uint8_t>(fields));
        writeBytes(tmp.file("MASTER"), masterFile({entry}));
        writeBytes(tmp.file("F1.DAT"), quoteFile(7, rows));
        std::filesystem::remove(tmp.file("F1.DOP"));
        exerciseReaders(tmp.path(), "IBM");
        writeText(tmp.file("F1.DOP"), dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
        exerciseReaders(tmp.path(), "IBM");
    }
}

TEST_F(Robustness, RandomDateTexts) {
    const DayNumber last = static_cast<DayNumber>(dayNumberOf(2099, 12, 31));
    const std::string alphabet = "0123456789 /-\"+.x";
    for (int i = 0; i < 20000; ++i) {
        std::string text(rng() % 14, ' ');
        for (auto& c : text) c = alphabet[rng() % alphabet.size()];
        for (int code = 0; code <= 13; ++code) {
            const DayNumber d = parseDateText(text, code);
            ASSERT_LE(d, last) << '"' << text << "\" " << code;
            if (d != 0) {
                ASSERT_EQ(parseDateText(formatDate(d, code, '/'), code), d);
            }
        }
    }
}

} // namespace
} // namespace qv
