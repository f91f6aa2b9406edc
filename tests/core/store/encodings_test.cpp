#include "core/store/encodings.h"
#include "core/store/windows1252.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace qv {
namespace {

using fixtures::ByteVec;

ByteVec bytesOf(const MbfFloat& m) { return ByteVec(m.begin(), m.end()); }
DayNumber day(int y, int m, int d) { return static_cast<DayNumber>(fixtures::dayNumberOf(y, m, d)); }
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Mbf, HandWorkedBytesSaturationAndRandomValuesRoundTripBitExactly) {
    const ByteVec largest{0xFF, 0xFF, 0x7F, 0xFF}; // saturated, never an infinity
    const std::pair<float, ByteVec> table[] = {
        {0.0f, ByteVec(4, 0)}, {-0.0f, ByteVec(4, 0)}, {1.0f, {0, 0, 0x00, 0x81}}, {-1.0f, {0, 0, 0x80, 0x81}},
        {0.5f, {0, 0, 0x00, 0x80}}, {10.0f, {0, 0, 0x20, 0x84}}, {kInf, largest},
        {std::numeric_limits<float>::max(), largest}, {-kInf, {0xFF, 0xFF, 0xFF, 0xFF}}};
    for (const auto& [v, bytes] : table) {
        EXPECT_EQ(bytesOf(floatToMbf(v)), bytes) << v;
        // The fixture's encoder builds every other file: it must agree with the hand-worked bytes.
        if (std::isfinite(v) && std::abs(v) < 1e30f) { EXPECT_EQ(fixtures::mbf(v), bytes) << v; }
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

TEST(DayNumber, EveryDayFrom1961To2099RoundTripsAndImpossibleDatesAreNone) {
    for (int n = 1; n <= day(2099, 12, 31); ++n) {
        const Ymd b = ymdFromDayNumber(static_cast<DayNumber>(n));
        ASSERT_EQ(fixtures::dayNumberOf(1900 + b.year, b.month, b.day), n);
        ASSERT_EQ(dayNumberFromYmd(b.year, b.month, b.day), n);
        ASSERT_EQ(dayNumberFromYmd(1900 + b.year, b.month, b.day), n);
    }
    EXPECT_EQ(dayNumberFromYmd(97, 13, 15), 0);
    EXPECT_EQ(bytesOf(fileDateFromDayNumber(day(2001, 3, 15))), fixtures::mbf(fixtures::fileDate(2001, 3, 15)));
    for (float noDate : {-970315.0f, 971315.0f, kNaN, kInf}) EXPECT_EQ(dayNumberFromFileDate(noDate), 0) << noDate;
}

TEST(DateText, WindowQuotesImpossibleDatesAndEveryFormatRoundTrips) {
    const std::tuple<const char*, int, DayNumber> cases[] = {
        // Two-digit years window at 60; a four-digit year 19xx below 60 is windowed the same way.
        {"01/01/61", 3, day(1961, 1, 1)}, {"12/31/59", 3, day(2059, 12, 31)}, {"19050315", 8, day(2005, 3, 15)},
        {"  \"970315", 7, day(1997, 3, 15)}, {"03/ 5/97", 3, day(1997, 3, 5)},
        // Read unchecked, impossible months or days would land in another month or year.
        {"00/00/00", 3, 0}, {"03/15/97", 13, 0}, {"13/15/97", 3, 0}, {"03/32/97", 3, 0}, {"19600315", 8, 0}};
    for (const auto& [text, code, expected] : cases) EXPECT_EQ(parseDateText(text, code), expected) << text << ' ' << code;
    EXPECT_EQ(formatDate(day(2005, 11, 30), 4, '/'), "11/30/2005");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 11, '/'), "050397");
    for (int code = 1; code <= kDateFormatCount; ++code) {
        const int last = code % 2 ? day(2059, 12, 31) : day(2099, 12, 31); // two-digit years end with the window
        for (int n = day(1961, 1, 1); n <= last; ++n) {
            const auto d = static_cast<DayNumber>(n);
            ASSERT_EQ(parseDateText(formatDate(d, code, code % 2 ? '.' : '/'), code), d) << code << ' ' << n;
        }
    }
}

TEST(Windows1252, NamesConvertBothWaysAndUnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(windows1252ToUtf8("CAF\xC9 \x80"), "CAF\u00C9 \u20AC");
    EXPECT_EQ(utf8ToWindows1252("CAF\u00C9 \u20AC"), "CAF\xC9 \x80");
    EXPECT_EQ(utf8ToWindows1252("\u4E2D"), "?");
    EXPECT_EQ(utf8ToWindows1252("A\xC9"), "A\xC9"); // invalid UTF-8: already Windows-1252
}

} // namespace
} // namespace qv
