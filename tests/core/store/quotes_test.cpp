#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <random>
#include <string>

namespace qv {
namespace {

using namespace qv::fixtures;

DayNumber dayOfFileDate(float fileDateValue) {
    const int v = static_cast<int>(fileDateValue);
    return static_cast<DayNumber>(dayNumberOf(1900 + v / 10000, v / 100 % 100, v % 100));
}

const std::vector<std::string> kAllSeven{"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

// Rows whose dates are the given day numbers and whose values are derived from them.
std::vector<QuoteRow> rowsOnDays(const std::vector<int>& days) {
    std::vector<QuoteRow> rows;
    for (int d : days) {
        const float v = static_cast<float>(d);
        rows.push_back({fileDateOfDayNumber(d), v + 1, v + 2, v - 1, v + 0.5f, v * 10, v * 20});
    }
    return rows;
}

class Quotes : public ::testing::Test {
protected:
    TempDir tmp;
    QuoteSeries series;

    void TearDown() override { freeQuoteSeries(series); }

    // A portfolio of one security "SEC" with file number 1.
    void writeSecurity(int fields, const std::vector<QuoteRow>& rows, std::optional<std::string> dop) {
        writeBytes(tmp.file("MASTER"), masterFile({masterEntry({1, "SEC", "SECURITY", fields})}));
        writeBytes(tmp.file("F1.DAT"), quoteFile(fields, rows));
        if (dop) writeText(tmp.file("F1.DOP"), *dop);
    }
    // SEC with 7 fields named by a DOP, one quote on each of the given day numbers.
    void writeDays(const std::vector<int>& days) { writeSecurity(7, rowsOnDays(days), dopText(kAllSeven)); }
    // SEC's F1.DAT replaced by `dat` (to claim more records than it holds, say).
    void writeDat(const ByteVec& dat) {
        writeSecurity(7, {}, dopText(kAllSeven));
        writeBytes(tmp.file("F1.DAT"), dat);
    }
    // Open, high, low, close, volume and open interest of quote k.
    std::vector<float> values(std::size_t k) const {
        return {series.open[k], series.high[k], series.low[k], series.close[k], series.volume[k], series.openInterest[k]};
    }
    StoreStatus read(const std::string& symbol, int start, int count, int capacity = 30) {
        EXPECT_EQ(initQuoteSeries(series, capacity), kStatusOk);
        return readQuoteSeries(series, tmp.path(), symbol, start, count);
    }
};

TEST_F(Quotes, ReadsEveryColumnAndTheFactsOfTheStandardPortfolio) {
    const auto counts = writeStandardPortfolio(tmp.path());
    const auto rows = standardQuotes(1);
    ASSERT_EQ(read("ibm", -1, 30), kStatusOk);
    ASSERT_EQ(series.count, counts[0]);
    EXPECT_EQ(series.quotesInFile, counts[0]);
    EXPECT_EQ(series.directory, tmp.path() + "/");
    EXPECT_EQ(series.symbol, "ibm");
    ASSERT_TRUE(series.hasEntry);
    EXPECT_EQ(series.entry.fileNumber(), 1);
    EXPECT_EQ(series.entry.firstDate(), rows.front()[0]);
    EXPECT_EQ(&series.column(FieldKind::Close), &series.close);
    for (std::size_t k = 0; k < static_cast<std::size_t>(series.count); ++k) {
        const auto& r = rows[k];
        SCOPED_TRACE(k);
        EXPECT_EQ(series.date[k], dayOfFileDate(r[0]));
        EXPECT_EQ(series.time[k], 0);
        EXPECT_EQ(values(k), std::vector<float>(r.begin() + 1, r.end()));
    }
    SecurityFacts f;
    ASSERT_EQ(readSecurityFacts(tmp.path(), "IBM CORP", f), 0);
    EXPECT_EQ(std::tuple(f.fileNumber, f.recordLength, f.fieldCount, f.quoteCount, f.period),
              std::tuple(1, 28, 7, counts[0], 'D'));
    EXPECT_EQ(f.name, "IBM CORP        ");
    EXPECT_EQ(f.symbol, "IBM             ");
    EXPECT_EQ(f.firstDate, rows.front()[0]);
    EXPECT_EQ(f.lastDate, rows.back()[0]);
    EXPECT_EQ(f.layout.field(FieldKind::Volume), 6);
    // Six fields without a DOP: the default layout, and no open interest.
    const auto gold = standardQuotes(4);
    ASSERT_EQ(read("GC", 0, -1), kStatusOk);
    ASSERT_EQ(series.count, static_cast<int>(gold.size()));
    EXPECT_TRUE(series.layout.synthetic);
    for (std::size_t k = 0; k < gold.size(); ++k) {
        std::vector<float> expected(gold[k].begin() + 1, gold[k].end());
        expected.push_back(-1.0f);
        EXPECT_EQ(values(k), expected) << k;
    }
}

TEST_F(Quotes, WindowsOfTheFile) {
    writeDays({10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    struct Case {
        int start, count, capacity, first, n;
    };
    const Case cases[] = {
        {0, 3, 30, 0, 3},  {2, 3, 30, 2, 3},  {8, 5, 30, 8, 2},  {9, 1, 30, 9, 1},  {-1, 30, 30, 0, 10},
        {-1, 3, 30, 7, 3}, {-7, 2, 30, 8, 2}, {0, -1, 30, 0, 10}, {3, -1, 30, 3, 7}, {0, -1, 4, 0, 4},
        {-1, 30, 4, 6, 4}, {0, 30, 4, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.start << ',' << c.count << " cap " << c.capacity);
        ASSERT_EQ(read("SEC", c.start, c.count, c.capacity), kStatusOk);
        ASSERT_EQ(series.count, c.n);
        for (int i = 0; i < c.n; ++i) EXPECT_EQ(series.date[static_cast<std::size_t>(i)], 10 + c.first + i);
    }
    // A start beyond the last quote leaves the series as it was.
    ASSERT_EQ(read("SEC", 0, 2), kStatusOk);
    EXPECT_EQ(readQuoteSeries(series, tmp.path(), "SEC", 10, 1), kStatusRecordNotFound);
    EXPECT_EQ(series.count, 2);
    EXPECT_EQ(series.date[0], 10);
    // Count zero reads the facts only.
    ASSERT_EQ(read("SEC", 0, 0), kStatusOk);
    EXPECT_EQ(series.count, 0);
    EXPECT_EQ(series.quotesInFile, 10);
    EXPECT_TRUE(series.hasEntry);
    EXPECT_EQ(series.layout.field(FieldKind::Close), 5);
}

TEST_F(Quotes, FreshSecurityHasNoQuoteToRead) {
    writeDays({});
    ASSERT_EQ(read("SEC", 0, 0), kStatusOk);
    EXPECT_EQ(series.quotesInFile, 0);
    EXPECT_TRUE(series.hasEntry);
    EXPECT_EQ(read("SEC", 0, 1), kStatusRecordNotFound);
    EXPECT_EQ(read("SEC", -1, 30), kStatusRecordNotFound);
    EXPECT_EQ(series.count, 0);
    EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 10, 0).status, kStatusRecordNotFound);
}

TEST_F(Quotes, AbsentFieldsReadAsMinusOneAndTheTimeFieldIsPacked) {
    const float day = fileDate(1997, 1, 2);
    writeSecurity(5, {{day, 10.5f, 10.0f, 10.25f, 5000.0f}}, dopText({"DATE", "HIGH", "LOW", "CLOSE", "VOL"}));
    ASSERT_EQ(read("SEC", 0, 1), kStatusOk);
    ASSERT_EQ(series.count, 1);
    EXPECT_EQ(values(0), (std::vector<float>{-1, 10.5f, 10.0f, 10.25f, 5000, -1}));

    writeSecurity(7, {{day, 93001.0f, 1, 2, 0.5f, 1.5f, 100}, {day, 160000.0f, 1, 2, 0.5f, 1.5f, 100}},
                  dopText({"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"}));
    ASSERT_EQ(read("SEC", 0, -1), kStatusOk);
    ASSERT_EQ(series.count, 2);
    EXPECT_EQ(series.time[0], 17100);
    EXPECT_EQ(series.time[1], 16 * 1800);
    EXPECT_EQ(series.openInterest[1], -1.0f);
}

TEST_F(Quotes, StatusesArePassedOnByEveryReader) {
    writeSecurity(9, {}, std::nullopt);
    EXPECT_EQ(read("NONE", 0, 1), kStatusFileNotFound);
    EXPECT_EQ(read("SEC", 0, 1), kStatusNoLayout);
    EXPECT_EQ(findQuoteByDate(tmp.path(), "NONE", 10, 0).status, kStatusFileNotFound);
    SecurityFacts facts;
    EXPECT_EQ(readSecurityFacts(tmp.path(), "NONE", facts), 1);
    writeDays({});
    std::filesystem::remove(tmp.file("F1.DAT"));
    EXPECT_EQ(read("SEC", 0, 1), kStatusFileOpen);
    EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 10, 0).status, kStatusFileOpen);
    EXPECT_EQ(readSecurityFacts(tmp.path(), "SEC", facts), 1);
}

TEST_F(Quotes, LowerCaseFileNames) {
    writeSecurity(7, rowsOnDays({10, 11}), std::nullopt);
    std::filesystem::rename(tmp.file("F1.DAT"), tmp.file("f1.dat"));
    writeText(tmp.file("f1.dop"), dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "OI", "VOL"}));
    ASSERT_EQ(read("SEC", 0, -1), kStatusOk);
    EXPECT_FALSE(series.layout.synthetic);
    EXPECT_EQ(series.volume[1], 11 * 20); // VOL is the seventh field in this DOP
}

// Every reader counts only the records the file holds, whatever its header claims.
TEST_F(Quotes, FileShorterThanItsHeaderIsReadAsFarAsItGoes) {
    ByteVec dat = quoteFile(7, rowsOnDays({10, 20, 30, 40, 50}));
    setU16(dat, 2, 11);
    dat.resize(dat.size() + 13, 0x41); // and a torn record
    writeDat(dat);
    ASSERT_EQ(read("SEC", 0, -1), kStatusOk);
    EXPECT_EQ(series.count, 5);
    EXPECT_EQ(series.quotesInFile, 5);
    ASSERT_EQ(read("SEC", -1, 3), kStatusOk);
    ASSERT_EQ(series.count, 3);
    EXPECT_EQ(series.date[0], 30);
    EXPECT_EQ(read("SEC", 6, 1), kStatusRecordNotFound);
    SecurityFacts f;
    ASSERT_EQ(readSecurityFacts(tmp.path(), "SEC", f), 0);
    EXPECT_EQ(f.quoteCount, 5);

    setU16(dat, 2, 0xFFFF); // the most a header can claim
    writeDat(dat);
    ASSERT_EQ(read("SEC", 0, -1, 100), kStatusOk);
    EXPECT_EQ(series.count, 5);
    EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 45, 0).index, 4);
    EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 55, 0).status, kStatusRecordNotFound);
}

TEST_F(Quotes, WholeFileReadsStopAt16000) {
    std::vector<int> days(16005);
    std::iota(days.begin(), days.end(), 1);
    writeDays(days);
    ASSERT_EQ(read("SEC", 0, -1, 16005), kStatusOk);
    EXPECT_EQ(series.count, kMaxWholeFileQuotes);
    EXPECT_EQ(series.date[15999], 16000);
    EXPECT_EQ(series.quotesInFile, 16005);
}

TEST_F(Quotes, EveryColumnOfALongFileSurvivesTheChunkBoundaries) {
    std::vector<int> days;
    for (int d = 1; days.size() < 9001; d += d % 7 == 5 ? 3 : 1) days.push_back(d); // weekdays
    writeDays(days);
    ASSERT_EQ(read("SEC", 0, -1, 9001), kStatusOk);
    ASSERT_EQ(series.count, 9001);
    for (std::size_t i = 0; i < days.size(); ++i) {
        const float v = static_cast<float>(days[i]);
        ASSERT_EQ(series.date[i], days[i]) << i;
        ASSERT_EQ(values(i), (std::vector<float>{v + 1, v + 2, v - 1, v + 0.5f, v * 10, v * 20})) << i;
        ASSERT_EQ(series.time[i], 0) << i;
    }
}

TEST_F(Quotes, RecordsLongerThanTheirFieldsAreReadAtTheirLength) {
    // 30-byte records: seven fields and two bytes that are none.
    constexpr std::size_t kLength = 30;
    const auto rows = rowsOnDays({5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20, 21, 22, 23, 26, 27, 28, 29, 30});
    ByteVec dat(kLength, 0);
    setU16(dat, 2, static_cast<std::uint16_t>(rows.size() + 1));
    for (const QuoteRow& row : rows) {
        for (float value : row) {
            const ByteVec bytes = mbf(value);
            dat.insert(dat.end(), bytes.begin(), bytes.end());
        }
        dat.insert(dat.end(), {0xEE, 0xEE});
    }
    writeSecurity(7, {}, dopText(kAllSeven));
    ByteVec entry = masterEntry({1, "SEC", "SECURITY", 7});
    setByte(entry, 3, kLength);
    writeBytes(tmp.file("MASTER"), masterFile({entry}));
    writeBytes(tmp.file("F1.DAT"), dat);
    ASSERT_EQ(read("SEC", 0, -1), kStatusOk);
    ASSERT_EQ(series.count, static_cast<int>(rows.size()));
    EXPECT_EQ(series.date[0], 5);
    EXPECT_EQ(series.date[19], 30);
    EXPECT_EQ(series.openInterest[19], 30 * 20);
    EXPECT_EQ(series.close[10], 19.5f);
}

TEST_F(Quotes, SeriesCapacityLimits) {
    EXPECT_EQ(initQuoteSeries(series, -1), kStatusMalloc);
    EXPECT_EQ(initQuoteSeries(series, 32768), kStatusMalloc);
    ASSERT_EQ(initQuoteSeries(series, 5), kStatusOk);
    EXPECT_EQ(series.capacity, 5);
    EXPECT_EQ(setQuoteCount(series, 6), kStatusMalloc);
    EXPECT_EQ(setQuoteCount(series, -1), kStatusMalloc);
    EXPECT_EQ(setQuoteCount(series, 5), kStatusOk);
    EXPECT_EQ(series.count, 5);
    freeQuoteSeries(series);
    EXPECT_EQ(series.capacity, 0);
    EXPECT_EQ(series.count, 0);
}

TEST(QuoteCount, BoundedByTheFileSize) {
    // {header count (with the header record), file size, quotes}
    const std::array<int, 3> cases[] = {{11, 28 * 11, 10}, {11, 28 * 6, 5}, {11, 28 * 6 + 27, 5}, {3, 28 * 11, 2},
                                        {1, 28, 0},        {0, 28 * 4, 0},  {5, 0, 0}};
    for (auto [count, size, quotes] : cases) {
        EXPECT_EQ(quoteCountOf(static_cast<std::uint16_t>(count), size, 28), quotes) << count << ' ' << size;
    }
}

// ---- field layouts ----------------------------------------------------------------------------

class Layouts : public ::testing::Test {
protected:
    TempDir tmp;
    std::string dop() const { return tmp.file("F1.DOP"); }
    static std::vector<int> numbers(const FieldLayout& l) {
        return std::vector<int>(l.fieldNumber.begin(), l.fieldNumber.end());
    }
};

// Field numbers in the order date, time, open, high, low, close, volume, open interest.
TEST_F(Layouts, DopLinesNameFieldsInOrderAndIgnoredLinesTakeNoFieldNumber) {
    writeText(dop(), dopText(kAllSeven));
    LayoutResult r = readFieldLayout(dop(), 28);
    ASSERT_EQ(r.status, kStatusOk);
    EXPECT_FALSE(r.layout.synthetic);
    EXPECT_EQ(numbers(r.layout), (std::vector<int>{1, 0, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(std::pair(r.layout.inputCode[0], r.layout.displayCode[0]), std::pair(0, 0));
    EXPECT_EQ(std::pair(r.layout.inputCode[5], r.layout.displayCode[5]), std::pair(4, 4));

    writeText(dop(), "\"date\",0,0\r\nnot a field line\n\"FOO\",1,1\n\"Close\",-3,-2\n\"VOLUME\",100,1000\n\"OIX\",0,0\n");
    r = readFieldLayout(dop(), 16);
    ASSERT_EQ(r.status, kStatusOk);
    EXPECT_EQ(numbers(r.layout), (std::vector<int>{1, 0, 0, 0, 0, 2, 3, 4}));
    EXPECT_EQ(std::pair(r.layout.inputCode[5], r.layout.displayCode[5]), std::pair(-3, -2));
    EXPECT_EQ(r.layout.inputCode[6], 100);
    EXPECT_EQ(fieldCodeText(r.layout.displayCode[6]), "1,000s");
}

TEST_F(Layouts, MissingOrDatelessDopGivesTheDefaultOfTheRecordLength) {
    struct Case {
        int length;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {8, {1, 0, 0, 0, 0, 2, 0, 0}},  {12, {1, 0, 0, 0, 0, 2, 3, 0}}, {16, {1, 0, 0, 2, 3, 4, 0, 0}},
        {24, {1, 0, 2, 3, 4, 5, 6, 0}}, {28, {1, 0, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        const LayoutResult r = readFieldLayout(dop(), c.length);
        ASSERT_EQ(r.status, kStatusOk) << c.length;
        EXPECT_TRUE(r.layout.synthetic);
        EXPECT_EQ(numbers(r.layout), c.numbers) << c.length;
        EXPECT_EQ(r.layout.inputCode, (std::array<int, 8>{}));
    }
    EXPECT_EQ(readFieldLayout(dop(), 36).status, kStatusNoLayout);
    EXPECT_EQ(readFieldLayout(dop(), 0).status, kStatusNoLayout);
    // A DOP without DATE is no layout either.
    writeText(dop(), dopText({"OPEN", "HIGH", "LOW", "CLOSE"}));
    const LayoutResult r = readFieldLayout(dop(), 16);
    ASSERT_EQ(r.status, kStatusOk);
    EXPECT_TRUE(r.layout.synthetic);
    EXPECT_EQ(numbers(r.layout), (std::vector<int>{1, 0, 0, 2, 3, 4, 0, 0}));
}

TEST_F(Layouts, FiveFieldDefaultLooksAtTheFirstQuote) {
    const std::vector<int> hlcv{1, 0, 0, 2, 3, 4, 5, 0};
    const std::vector<int> ohlc{1, 0, 2, 3, 4, 5, 0, 0};
    const float d = fileDate(1997, 1, 2);
    const std::pair<QuoteRow, std::vector<int>> cases[] = {
        {{d, 10.5f, 10.0f, 10.25f, 5000.0f}, hlcv}, // 2 x 10.5 < 5000: the fifth is a volume
        {{d, 10.0f, 10.5f, 9.5f, 10.25f}, ohlc},
        {{d, 10.0f, 10.5f, 9.5f, 0.0f}, hlcv},
    };
    for (const auto& [row, expected] : cases) {
        writeBytes(tmp.file("F1.DAT"), quoteFile(5, {row, row}));
        const LayoutResult r = readFieldLayout(dop(), 20);
        ASSERT_EQ(r.status, kStatusOk);
        EXPECT_EQ(numbers(r.layout), expected) << row[4];
    }
}

// ---- search by date ---------------------------------------------------------------------------

// Halving towards index 0 used to probe only the first quote and, finding it earlier than the
// target, report that no quote was late enough.
TEST_F(Quotes, FindByDateBetweenTheFirstTwoQuotesGivesTheSecond) {
    writeDays({3, 8});
    const QuoteLocation q = findQuoteByDate(tmp.path(), "SEC", 4, 0);
    EXPECT_EQ(q.status, kStatusOk);
    EXPECT_EQ(q.index, 1);
}

TEST_F(Quotes, FindByDateAgreesWithLowerBoundWhateverTheTimeWhenTheFileHasNone) {
    std::mt19937 rng(20240);
    for (int size = 1; size <= 14; ++size) {
        std::vector<int> days;
        int d = 0;
        for (int i = 0; i < size; ++i) days.push_back(d += 1 + static_cast<int>(rng() % 5));
        writeDays(days);
        for (int target = 1; target <= days.back() + 2; ++target) {
            // The file has no time: the time asked for is ignored.
            const PackedTime time = target % 2 ? packTime(15, 0, 0) : 0;
            const QuoteLocation q = findQuoteByDate(tmp.path(), "SEC", static_cast<DayNumber>(target), time);
            const auto it = std::lower_bound(days.begin(), days.end(), target);
            if (it == days.end()) {
                EXPECT_EQ(q.status, kStatusRecordNotFound) << size << ' ' << target;
            } else {
                ASSERT_EQ(q.status, kStatusOk) << size << ' ' << target;
                EXPECT_EQ(q.index, it - days.begin()) << size << ' ' << target;
                EXPECT_EQ(q.date, *it) << size << ' ' << target;
            }
        }
    }
}

TEST_F(Quotes, FindByDateAndTime) {
    const float d10 = fileDateOfDayNumber(10), d11 = fileDateOfDayNumber(11);
    writeSecurity(7,
                  {{d10, 93000, 1, 1, 1, 1, 1}, {d10, 100000, 1, 1, 1, 1, 1}, {d10, 160000, 1, 1, 1, 1, 1},
                   {d11, 93000, 1, 1, 1, 1, 1}},
                  dopText({"DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL"}));
    const auto at = [&](int day, int h, int m) {
        return findQuoteByDate(tmp.path(), "SEC", static_cast<DayNumber>(day), packTime(h, m, 0));
    };
    EXPECT_EQ(at(10, 9, 45).index, 1);
    EXPECT_EQ(at(10, 10, 0).index, 1);
    EXPECT_EQ(at(10, 16, 1).index, 3);
    EXPECT_EQ(at(11, 9, 30).index, 3);
    EXPECT_EQ(at(11, 9, 30).time, packTime(9, 30, 0));
    EXPECT_EQ(at(11, 9, 31).status, kStatusRecordNotFound);
}

// ---- creation -----------------------------------------------------------------------

TEST_F(Quotes, CreateQuoteFilesWritesTheEmptyPair) {
    ASSERT_TRUE(createQuoteFiles(tmp.path(), 3, defaultFieldKinds()).isOk());
    EXPECT_EQ(readBytes(tmp.file("F3.DAT")), quoteFile(7, {}));
    EXPECT_EQ(readBytes(tmp.file("F3.DAT")), concat(std::vector<ByteVec>(7, ByteVec{0, 0, 1, 0})));
    const std::string dopContent = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n"
                                   "\"CLOSE\",4,4\n\"VOL\",4,4\n\"OI\",4,4\n";
    EXPECT_EQ(readBytes(tmp.file("F3.DOP")), ByteVec(dopContent.begin(), dopContent.end()));

    ASSERT_TRUE(createQuoteFiles(tmp.path(), 12, {FieldKind::Date, FieldKind::Close, FieldKind::Volume}).isOk());
    EXPECT_EQ(readBytes(tmp.file("F12.DAT")), quoteFile(3, {}));
    const std::string three = dopText({"DATE", "CLOSE", "VOL"});
    EXPECT_EQ(readBytes(tmp.file("F12.DOP")), ByteVec(three.begin(), three.end()));
}

} // namespace
} // namespace qv
