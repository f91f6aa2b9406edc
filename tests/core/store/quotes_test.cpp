#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <tuple>

namespace qv {
namespace {

using namespace qv::fixtures;

const std::vector<std::string> kAllSeven{"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

// Rows whose dates are the given day numbers and whose values are derived from them.
std::vector<QuoteRow> rowsOnDays(const std::vector<int>& days)
{
    std::vector<QuoteRow> rows;
    for (int d : days) {
        const float v = static_cast<float>(d);
        rows.push_back({fileDateOfDayNumber(d), v + 1, v + 2, v - 1, v + 0.5f, v * 10, v * 20});
    }
    return rows;
}

// The field numbers of `dop`'s layout; empty when there is none.
std::vector<int> fieldNumbers(const std::string& dop, int length, char period = 'D')
{
    const LayoutResult r = readFieldLayout(dop, length, period);
    return r.status == kStatusOk ? std::vector<int>(r.layout.fieldNumber.begin(), r.layout.fieldNumber.end())
                                 : std::vector<int>{};
}

class Quotes : public ::testing::Test {
protected:
    TempDir tmp;
    QuoteSeries series;
    void TearDown() override { freeQuoteSeries(series); }
    // A portfolio of one security "SEC" with file number 1.
    void writeSecurity(int fields, const std::vector<QuoteRow>& rows, std::optional<std::string> dop)
    {
        writeBytes(tmp.file("MASTER"), masterFile({masterEntry({1, "SEC", "SECURITY", fields})}));
        writeBytes(tmp.file("F1.DAT"), quoteFile(fields, rows));
        if (dop)
            writeText(tmp.file("F1.DOP"), *dop);
    }
    // SEC with 7 fields named by a DOP, one quote on each of the given day numbers.
    void writeDays(const std::vector<int>& days) { writeSecurity(7, rowsOnDays(days), dopText(kAllSeven)); }
    void writeDat(const ByteVec& dat)
    {
        writeSecurity(7, {}, dopText(kAllSeven));
        writeBytes(tmp.file("F1.DAT"), dat);
    }
    // Open, high, low, close, volume and open interest of quote k.
    std::vector<float> values(std::size_t k) const
    {
        return {series.open[k],  series.high[k],   series.low[k],
                series.close[k], series.volume[k], series.openInterest[k]};
    }
    StoreStatus read(const std::string& symbol, int start, int count, int capacity = 30)
    {
        EXPECT_EQ(initQuoteSeries(series, capacity), kStatusOk);
        return readQuoteSeries(series, tmp.path(), symbol, start, count);
    }
};

// Every reader counts only the records the file holds, whatever its header claims.
TEST_F(Quotes, FileShorterThanItsHeaderIsReadAsFarAsItGoes)
{
    ByteVec dat = quoteFile(7, rowsOnDays({10, 20, 30, 40, 50}));
    dat.resize(dat.size() + 13, 0x41); // and a torn record
    for (int claimed : {11, 0xFFFF}) {
        SCOPED_TRACE(claimed);
        setU16(dat, 2, static_cast<std::uint16_t>(claimed));
        writeDat(dat);
        ASSERT_EQ(read("SEC", 0, -1, 100), kStatusOk);
        EXPECT_EQ(std::pair(series.count, series.quotesInFile), std::pair(5, 5));
        ASSERT_EQ(read("SEC", -1, 3), kStatusOk);
        EXPECT_EQ(series.date[0], 30);
        EXPECT_EQ(read("SEC", 6, 1), kStatusRecordNotFound);
        SecurityFacts f;
        ASSERT_EQ(readSecurityFacts(tmp.path(), "SEC", f), 0);
        EXPECT_EQ(f.quoteCount, 5);
        EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 45, 0).index, 4);
        EXPECT_EQ(findQuoteByDate(tmp.path(), "SEC", 55, 0).status, kStatusRecordNotFound);
    }
    // {header count (with the header record), file size, quotes}
    const std::array<int, 3> cases[] = {{11, 28 * 11, 10}, {11, 28 * 6 + 27, 5}, {3, 28 * 11, 2},
                                        {1, 28, 0},        {0, 28 * 4, 0},       {5, 0, 0}};
    for (auto [count, size, quotes] : cases)
        EXPECT_EQ(quoteCountOf(static_cast<std::uint16_t>(count), size, 28), quotes) << count << ' ' << size;
}

// Weekdays across many chunks of the column split; whole-file reads stop at 16000.
TEST_F(Quotes, EveryColumnOfALongFileSurvivesTheChunkBoundaries)
{
    std::vector<int> days;
    for (int d = 1; days.size() < 16005; d += d % 7 == 5 ? 3 : 1)
        days.push_back(d);
    writeDays(days);
    ASSERT_EQ(read("SEC", 0, -1, 16005), kStatusOk);
    ASSERT_EQ(series.count, kMaxWholeFileQuotes);
    EXPECT_EQ(series.quotesInFile, 16005);
    for (std::size_t i = 0; i < kMaxWholeFileQuotes; ++i) {
        const float v = static_cast<float>(days[i]);
        ASSERT_EQ(series.date[i], days[i]) << i;
        ASSERT_EQ(values(i), (std::vector<float>{v + 1, v + 2, v - 1, v + 0.5f, v * 10, v * 20})) << i;
        ASSERT_EQ(series.time[i], 0) << i;
    }
}

TEST_F(Quotes, RecordsLongerThanTheirFieldsAreReadAtTheirLength)
{
    // 30-byte records: seven fields and two bytes that are none, across a chunk of the column split.
    const auto rows = rowsOnDays({5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 19, 20, 21, 22, 23, 26, 27, 28, 29, 30});
    ByteVec dat(30, 0);
    setU16(dat, 2, static_cast<std::uint16_t>(rows.size() + 1));
    for (const QuoteRow& row : rows) {
        for (float value : row)
            dat = concat({dat, mbf(value)});
        dat.insert(dat.end(), {0xEE, 0xEE});
    }
    writeDat(dat);
    ByteVec entry = masterEntry({1, "SEC", "SECURITY", 7});
    setByte(entry, 3, 30);
    writeBytes(tmp.file("MASTER"), masterFile({entry}));
    ASSERT_EQ(read("SEC", 0, -1), kStatusOk);
    ASSERT_EQ(series.count, static_cast<int>(rows.size()));
    EXPECT_EQ(series.date[19], 30);
    EXPECT_EQ(series.openInterest[19], 30 * 20);
    EXPECT_EQ(series.close[10], 19.5f);
}

// Field numbers in the order date, time, open, high, low, close, volume, open interest. Lines
// that name no field take no number; without a DOP, or with one that names no DATE, the record
// length decides, and five fields look at the first quote (2 x 10.5 < 5000: the fifth is a volume).
TEST(Layouts, DopLinesOrTheDefaultOfTheRecordLength)
{
    TempDir tmp;
    const std::string dop = tmp.file("F1.DOP");
    const auto numbers = [&](int length) { return fieldNumbers(dop, length); };
    const float d = fileDate(1997, 1, 2);
    writeBytes(tmp.file("F1.DAT"), quoteFile(5, {{d, 10.5f, 10.0f, 10.25f, 5000.0f}}));
    const std::pair<int, std::vector<int>> cases[] = {{8, {1, 0, 0, 0, 0, 2, 0, 0}},
                                                      {20, {1, 0, 0, 2, 3, 4, 5, 0}},
                                                      {24, {1, 0, 2, 3, 4, 5, 6, 0}},
                                                      {28, {1, 0, 2, 3, 4, 5, 6, 7}},
                                                      {36, {}},
                                                      {0, {}}};
    for (const auto& [length, expected] : cases)
        EXPECT_EQ(numbers(length), expected) << length;
    writeBytes(tmp.file("F1.DAT"), quoteFile(5, {{d, 10.0f, 10.5f, 9.5f, 10.25f}}));
    EXPECT_EQ(numbers(20), (std::vector<int>{1, 0, 2, 3, 4, 5, 0, 0}));
    writeText(dop,
              "\"date\",0,0\r\nnot a field line\n\"FOO\",1,1\n\"Close\",-3,-2\n\"VOLUME\",100,1000\n\"OIX\",0,0\n");
    EXPECT_EQ(numbers(16), (std::vector<int>{1, 0, 0, 0, 0, 2, 3, 4}));
    EXPECT_EQ(readFieldLayout(dop, 16, 'D').layout.inputCode[5], -3);
    writeText(dop, dopText({"OPEN", "HIGH", "LOW", "CLOSE"}));
    EXPECT_EQ(numbers(16), (std::vector<int>{1, 0, 0, 2, 3, 4, 0, 0}));
    // A kind named twice keeps its first field and codes; the later line still takes a field
    // number. "OPEN INT" begins with OPEN, so it is a second OPEN, not open interest.
    writeText(dop, "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n\"CLOSE\",4,4\n"
                   "\"OPEN INT\",100,100\n\"CLOSE\",-3,-3\n");
    EXPECT_EQ(numbers(28), (std::vector<int>{1, 0, 2, 3, 4, 5, 0, 0}));
    EXPECT_EQ(readFieldLayout(dop, 28, 'D').layout.inputCode[2], 4);
    EXPECT_EQ(readFieldLayout(dop, 28, 'D').layout.displayCode[5], 4);
}

// Without a usable DOP the period decides too: intraday entries of 7 or 8 fields have their time
// second; others keep the daily defaults. A DOP naming DATE overrides all.
TEST(Layouts, IntradayEntriesWithoutADopHaveTheTimeSecond)
{
    TempDir tmp;
    const std::string dop = tmp.file("F1.DOP");
    const std::vector<int> daily7{1, 0, 2, 3, 4, 5, 6, 7};
    const std::tuple<int, char, std::vector<int>> cases[] = {// empty: no layout
                                                             {28, 'I', {1, 2, 3, 4, 5, 6, 7, 0}},
                                                             {32, 'I', {1, 2, 3, 4, 5, 6, 7, 8}},
                                                             {28, 'D', daily7},
                                                             {32, 'D', {}},
                                                             {24, 'I', {1, 0, 2, 3, 4, 5, 6, 0}},
                                                             {36, 'I', {}}};
    for (const auto& [length, period, expected] : cases) {
        SCOPED_TRACE(std::to_string(length) + " bytes, period code " + std::to_string(period));
        EXPECT_EQ(fieldNumbers(dop, length, period), expected);
        writeText(dop, dopText({"OPEN", "HIGH", "LOW", "CLOSE"}));
        EXPECT_EQ(fieldNumbers(dop, length, period), expected);
        std::filesystem::remove(dop);
    }
    EXPECT_TRUE(readFieldLayout(dop, 32, 'I').layout.synthetic);
    writeText(dop, dopText(kAllSeven));
    EXPECT_EQ(fieldNumbers(dop, 28, 'I'), daily7);
    EXPECT_EQ(fieldNumbers(dop, 32, 'I'), daily7);
    EXPECT_FALSE(readFieldLayout(dop, 28, 'I').layout.synthetic);
}

// Halving towards index 0 used to probe only the first quote and, finding it earlier than the
// target, report that no quote was late enough.
TEST_F(Quotes, FindByDateAgreesWithLowerBoundAndBetweenTheFirstTwoQuotesGivesTheSecond)
{
    std::mt19937 rng(20240);
    for (int size = 1; size <= 14; ++size) {
        std::vector<int> days;
        int d = 0;
        for (int i = 0; i < size; ++i)
            days.push_back(d += 1 + static_cast<int>(rng() % 5));
        if (size == 2)
            days = {3, 8};
        writeDays(days);
        for (int target = 1; target <= days.back() + 2; ++target) {
            SCOPED_TRACE(::testing::Message() << size << ' ' << target);
            const PackedTime time = target % 2 ? packTime(15, 0, 0) : 0; // ignored: the file has no time
            const QuoteLocation q = findQuoteByDate(tmp.path(), "SEC", static_cast<DayNumber>(target), time);
            const auto it = std::lower_bound(days.begin(), days.end(), target);
            ASSERT_EQ(q.status, it == days.end() ? kStatusRecordNotFound : kStatusOk);
            if (it != days.end()) {
                EXPECT_EQ(std::pair(q.index, int{q.date}), std::pair(static_cast<int>(it - days.begin()), *it));
            }
        }
    }
}

// A new security's files never take the place of files that are there, in any case.
TEST_F(Quotes, CreateQuoteFilesWritesTheEmptyPairButNeverReplacesAFile)
{
    const ByteVec precious{0xEE, 0xEE};
    const std::pair<const char*, const char*> cases[] = {{"f3.dat", "F3.DOP"}, {"f3.Dop", "F3.DAT"}};
    for (const auto& [present, absent] : cases) {
        SCOPED_TRACE(present);
        TempDir dir;
        writeBytes(dir.file(present), precious);
        EXPECT_EQ(createQuoteFiles(dir.path(), 3, defaultFieldKinds()).error(), EEXIST);
        EXPECT_EQ(readBytes(dir.file(present)), precious);
        EXPECT_FALSE(std::filesystem::exists(dir.file(absent)));
        EXPECT_EQ(snapshot(dir.path()).size(), 1u); // no temporary file left either
    }
    // The empty pair, byte by byte; quotes given with the files go behind the header, which counts them.
    ASSERT_TRUE(createQuoteFiles(tmp.path(), 3, defaultFieldKinds()).isOk());
    EXPECT_EQ(readBytes(tmp.file("F3.DAT")), concat(std::vector<ByteVec>(7, ByteVec{0, 0, 1, 0})));
    const std::string dopContent = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n"
                                   "\"CLOSE\",4,4\n\"VOL\",4,4\n\"OI\",4,4\n";
    EXPECT_EQ(readBytes(tmp.file("F3.DOP")), ByteVec(dopContent.begin(), dopContent.end()));
    TempDir dir;
    const ByteVec rows = concat({mbf(fileDate(1997, 1, 2)), mbf(5), mbf(fileDate(1997, 1, 3)), mbf(6)});
    ASSERT_TRUE(createQuoteFiles(dir.path(), 7, {FieldKind::Date, FieldKind::Close}, rows).isOk());
    EXPECT_EQ(readBytes(dir.file("F7.DAT")), quoteFile(2, {{fileDate(1997, 1, 2), 5}, {fileDate(1997, 1, 3), 6}}));
}

// The entries every writer passes over, and why; readers still take them as they can.
TEST(EntryWriteProblem, NamesEntriesThatContradictThemselvesAndSecondOwnersOfANumber)
{
    const auto entry = [](int n, const std::string& symbol, int fields, int length = -1) {
        ByteVec e = masterEntry({n, symbol, symbol, fields});
        if (length >= 0)
            setByte(e, 3, static_cast<std::uint8_t>(length));
        return e;
    };
    const struct {
        const char* what;
        std::vector<ByteVec> entries;
        std::string dop;     // F5.DOP; empty: none
        std::string problem; // a part of the message; empty: none
    } cases[] = {
        {"sound", {entry(5, "SEC", 7)}, dopText(kAllSeven), ""},
        {"record length of 6 fields, 7 fields", {entry(5, "SEC", 7, 24)}, dopText(kAllSeven), "record length of 24"},
        {"one field", {entry(5, "SEC", 1)}, "", "1 fields"},
        {"DOP naming only DATE", {entry(5, "SEC", 2)}, dopText({"DATE"}), "names no field but the date"},
        {"eight fields, no layout", {entry(5, "SEC", 8)}, "", "no field layout"},
        {"eight intraday fields, no DOP", {masterEntry({5, "SEC", "SEC", 8, 0, 0, 'I'})}, "", ""},
        {"file number 0", {entry(0, "SEC", 7)}, dopText(kAllSeven), "file number 0"},
        {"second owner of a number",
         {entry(5, "FIRST", 7), entry(5, "SEC", 7)},
         dopText(kAllSeven),
         "repeats the file number of an earlier entry, FIRST"},
        {"number of a nested portfolio's entry",
         {masterDirectoryEntry(5, "SUB"), entry(5, "SEC", 7)},
         dopText(kAllSeven),
         "a nested portfolio"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir.file("MASTER"), masterFile(c.entries));
        if (!c.dop.empty())
            writeText(dir.file("F5.DOP"), c.dop);
        MasterFile master;
        ASSERT_TRUE(readMasterFile(dir.path(), master).isOk());
        const std::string problem = entryWriteProblem(dir.path(), master, master.entries.size() - 1);
        EXPECT_TRUE(c.problem.empty() ? problem.empty() : problem.find(c.problem) != std::string::npos) << problem;
        const FoundSecurity found = findSecurity(dir.path(), "SEC");
        ASSERT_EQ(found.status, kStatusOk);
        EXPECT_EQ(entryWriteProblem(found), problem);
    }
}

} // namespace
} // namespace qv
