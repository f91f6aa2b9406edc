#include "core/store/encodings.h"
#include "core/store/windows1252.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>

namespace qv {
namespace {

using fixtures::ByteVec;

ByteVec bytesOf(const MbfFloat& m) { return ByteVec(m.begin(), m.end()); }
DayNumber day(int y, int m, int d) { return static_cast<DayNumber>(fixtures::dayNumberOf(y, m, d)); }
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Mbf, HandWorkedBytesSaturationAndRandomValuesRoundTripBitExactly)
{
    const ByteVec largest{0xFF, 0xFF, 0x7F, 0xFF}; // saturated, never an infinity
    const std::pair<float, ByteVec> table[] = {{0.0f, ByteVec(4, 0)},
                                               {-0.0f, ByteVec(4, 0)},
                                               {1.0f, {0, 0, 0x00, 0x81}},
                                               {-1.0f, {0, 0, 0x80, 0x81}},
                                               {0.5f, {0, 0, 0x00, 0x80}},
                                               {10.0f, {0, 0, 0x20, 0x84}},
                                               {kInf, largest},
                                               {std::numeric_limits<float>::max(), largest},
                                               {-kInf, {0xFF, 0xFF, 0xFF, 0xFF}}};
    for (const auto& [v, bytes] : table) {
        EXPECT_EQ(bytesOf(floatToMbf(v)), bytes) << v;
        // The fixture's encoder builds every other file: it must agree with the hand-worked bytes.
        if (std::isfinite(v) && std::abs(v) < 1e30f) {
            EXPECT_EQ(fixtures::mbf(v), bytes) << v;
        }
    }
    EXPECT_EQ(floatToMbf(kNaN)[3], 0xFF);
    std::mt19937 rng(1961);
    std::uniform_int_distribution<int> exponent(-120, 120);
    std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
    for (int i = 0; i < 20000; ++i) {
        const float v = (i % 2 ? -1.0f : 1.0f) * std::ldexp(mantissa(rng), exponent(rng));
        const MbfFloat m = floatToMbf(v);
        ASSERT_EQ(bytesOf(m), fixtures::mbf(v)) << v;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(mbfToFloat(m.data())), std::bit_cast<std::uint32_t>(v)) << v;
    }
    // Exponent byte zero, or too small for a single, reads as zero whatever the mantissa.
    for (ByteVec m : {ByteVec{0xFF, 0xFF, 0xFF, 0x00}, ByteVec{0, 0, 0x80, 0}, ByteVec{0x55, 0x55, 0x55, 2}})
        EXPECT_EQ(mbfToFloat(m.data()), 0.0f) << int(m[3]);
}

// Every day of 1900..2099 by every path (the fixture counts with std::chrono's calendar, in
// which 1900 has no February 29th); day 1 stays 1961-01-01 and earlier days lie at 0 and below.
TEST(DayNumber, EveryDayFrom1900To2099RoundTripsAndImpossibleDatesAreNone)
{
    ASSERT_EQ(std::tuple(day(1900, 1, 1), day(2099, 12, 31), day(1961, 1, 1), day(1960, 12, 31)),
              std::tuple(kFirstDay, kLastDay, 1, 0));
    for (int n = kFirstDay; n <= kLastDay; ++n) {
        const Ymd b = ymdFromDayNumber(n);
        ASSERT_EQ(fixtures::dayNumberOf(1900 + b.year, b.month, b.day), n);
        ASSERT_EQ(dayNumberFromYmd(b.year, b.month, b.day), n);
        ASSERT_EQ(dayNumberFromYmd(1900 + b.year, b.month, b.day), n);
        const float stored = fixtures::fileDateOfDayNumber(n);
        ASSERT_EQ(fileDateValue(n), stored) << n;
        ASSERT_EQ(dayNumberFromFileDate(stored), n) << stored; // the inline path
        ASSERT_EQ(dayNumberFromFileDateSlow(stored), n) << stored;
        // The form the grid shows reads back as the same day, so a dialog or command given it
        // names the day shown.
        const std::string shown = formatDateForDisplay(n);
        ASSERT_EQ(shown.size() == 10 ? parseIsoDate(shown) : parseExactMmDdYy(shown), n) << shown;
    }
    EXPECT_EQ(dayNumberFromYmd(97, 13, 15), kNoDay);
    EXPECT_EQ(dayNumberFromFileDate(281001.0f), day(1928, 10, 1));
    EXPECT_EQ(bytesOf(fileDateFromDayNumber(day(2001, 3, 15))), fixtures::mbf(fixtures::fileDate(2001, 3, 15)));
    EXPECT_EQ(bytesOf(fileDateFromDayNumber(day(1928, 10, 1))), fixtures::mbf(281001.0f));
    // 1900-00-.. , the day before 1900, 2100 and after, a MASTER field's -8770.
    for (float noDate : {0.0f, 100.0f, 1991232.0f, 2000101.0f, -8770.0f, -970315.0f, 971315.0f, kNaN, kInf})
        EXPECT_EQ(std::pair(dayNumberFromFileDate(noDate), dayNumberFromFileDateSlow(noDate)),
                  std::pair(kNoDay, kNoDay))
            << noDate;
    EXPECT_EQ(fileDateValue(kNoDay), 0.0f);
    EXPECT_EQ(formatDateForDisplay(kNoDay), "00/00/00");
}

TEST(DateText, WindowQuotesImpossibleDatesAndEveryFormatRoundTrips)
{
    const std::tuple<const char*, int, DayNumber> cases[] = {
        // Two-digit years window at 60; a four-digit year is the year it says.
        {"01/01/61", 3, day(1961, 1, 1)},
        {"12/31/60", 3, day(1960, 12, 31)},
        {"12/31/59", 3, day(2059, 12, 31)},
        {"19050315", 8, day(1905, 3, 15)},
        {"03/15/2005", 4, day(2005, 3, 15)},
        {"19600315", 8, day(1960, 3, 15)},
        {"  \"970315", 7, day(1997, 3, 15)},
        {"03/ 5/97", 3, day(1997, 3, 5)},
        // Read unchecked, impossible months or days would land in another month or year.
        {"00/00/00", 3, kNoDay},
        {"03/15/97", 13, kNoDay},
        {"13/15/97", 3, kNoDay},
        {"03/32/97", 3, kNoDay}};
    for (const auto& [text, code, expected] : cases)
        EXPECT_EQ(parseDateText(text, code), expected) << text << ' ' << code;
    EXPECT_EQ(formatDate(day(2005, 11, 30), 4, '/'), "11/30/2005");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 11, '/'), "050397");
    EXPECT_EQ(formatDate(day(1928, 10, 1), 8, '/'), "19281001");
    // Shown as MM/DD/YY where the window reads the year back, else with its century.
    const std::pair<DayNumber, const char*> shown[] = {{day(1928, 10, 1), "1928-10-01"},
                                                       {day(1960, 1, 1), "01/01/60"},
                                                       {day(2059, 12, 31), "12/31/59"},
                                                       {day(2060, 1, 1), "2060-01-01"}};
    for (const auto& [n, text] : shown)
        EXPECT_EQ(formatDateForDisplay(n), text);
    // Exactly YYYY-MM-DD of a day that exists.
    for (const char* text : {"1900-02-29", "1899-12-31", "2100-01-01", "1928-1-01", "1928/10/01", "1928-10-01 ",
                             "1928-10-00", "19281001", "+928-10-01"})
        EXPECT_EQ(parseIsoDate(text), kNoDay) << text;
    EXPECT_EQ(parseIsoDate("1928-10-01"), day(1928, 10, 1));
    for (int code = 1; code <= kDateFormatCount; ++code) {
        // Two-digit years span the window; four-digit ones every day there is.
        const int first = code % 2 ? day(1960, 1, 1) : kFirstDay;
        const int last = code % 2 ? day(2059, 12, 31) : day(2099, 12, 31);
        for (int n = first; n <= last; ++n)
            ASSERT_EQ(parseDateText(formatDate(n, code, code % 2 ? '.' : '/'), code), n) << code << ' ' << n;
    }
}

TEST(Windows1252, NamesConvertBothWaysAndUnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(windows1252ToUtf8("CAF\xC9 \x80"), "CAF\u00C9 \u20AC");
    EXPECT_EQ(utf8ToWindows1252("CAF\u00C9 \u20AC"), "CAF\xC9 \x80");
    EXPECT_EQ(utf8ToWindows1252("\u4E2D"), "?");
    EXPECT_EQ(utf8ToWindows1252("A\xC9"), "A\xC9"); // invalid UTF-8: already Windows-1252
}

} // namespace
} // namespace qv
