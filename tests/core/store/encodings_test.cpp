#include "core/store/encodings.h"
#include "core/store/status.h"
#include "core/store/windows1252.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
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

// ---- MBF ----------------------------------------------------------------------------------

TEST(Mbf, HandWorkedBytesAndSaturation) {
    const ByteVec largest{0xFF, 0xFF, 0x7F, 0xFF}, largestNegative{0xFF, 0xFF, 0xFF, 0xFF};
    const std::pair<float, ByteVec> table[] = {
        {0.0f, ByteVec(4, 0)}, {-0.0f, ByteVec(4, 0)}, {1.0f, {0, 0, 0x00, 0x81}}, {-1.0f, {0, 0, 0x80, 0x81}},
        {0.5f, {0, 0, 0x00, 0x80}}, {10.0f, {0, 0, 0x20, 0x84}}, {kInf, largest},
        {std::numeric_limits<float>::max(), largest}, {-kInf, largestNegative}};
    for (const auto& [v, bytes] : table) EXPECT_EQ(bytesOf(floatToMbf(v)), bytes) << v;
    EXPECT_EQ(floatToMbf(kNaN)[3], 0xFF);
    // The fixture's own encoder must agree with the hand-worked bytes, or everything built
    // with it proves nothing.
    EXPECT_EQ(fixtures::mbf(10.0f), (ByteVec{0x00, 0x00, 0x20, 0x84}));
    EXPECT_EQ(fixtures::mbf(-1.0f), (ByteVec{0x00, 0x00, 0x80, 0x81}));
}

TEST(Mbf, TypicalAndRandomValuesMatchTheIndependentEncoderAndRoundTripBitExactly) {
    std::vector<float> values{10.25f, 0.0625f, 123.456f, -7.125f, 970315.0f, 1010315.0f, 93000.0f, 1.0e6f,
                              0.001f, 3.0e9f, 1.0f / 3.0f};
    std::mt19937 rng(1961);
    std::uniform_int_distribution<int> exponent(-120, 120);
    std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
    for (int i = 0; i < 20000; ++i) values.push_back((i % 2 ? -1.0f : 1.0f) * std::ldexp(mantissa(rng), exponent(rng)));
    for (float v : values) {
        const MbfFloat m = floatToMbf(v);
        ASSERT_EQ(bytesOf(m), fixtures::mbf(v)) << v;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(mbfToFloat(m.data())), std::bit_cast<std::uint32_t>(v)) << v;
    }
    std::uint8_t buf[4]; // in place
    const ByteVec m = fixtures::mbf(-42.75f);
    std::memcpy(buf, m.data(), 4);
    mbfToIeee(buf, buf);
    float f = 0;
    std::memcpy(&f, buf, 4);
    EXPECT_EQ(f, -42.75f);
    ieeeToMbf(buf, buf);
    EXPECT_EQ(ByteVec(buf, buf + 4), m);
}

TEST(Mbf, ExponentByteZeroOrWithoutSingleEquivalentReadsAsZero) {
    for (ByteVec m : {ByteVec{0x12, 0x34, 0x56, 0x00}, ByteVec{0xFF, 0xFF, 0xFF, 0x00}, ByteVec{0, 0, 0x80, 0},
                      ByteVec{0x55, 0x55, 0x55, 1}, ByteVec{0x55, 0x55, 0x55, 2}}) {
        EXPECT_EQ(mbfToFloat(m.data()), 0.0f) << int(m[3]);
        std::uint8_t out[4] = {9, 9, 9, 9};
        mbfToIeee(m.data(), out);
        if (m[3] == 0) {
            EXPECT_EQ(ByteVec(out, out + 4), ByteVec(4, 0));
        }
    }
}

// ---- day numbers, file dates and times --------------------------------------------------------

TEST(DayNumber, KnownValuesAndNoDate) {
    EXPECT_EQ(dayNumberFromYmd(61, 1, 1), 1);
    EXPECT_EQ(dayNumberFromYmd(1961, 1, 1), 1);
    EXPECT_EQ(dayNumberFromYmd(64, 12, 31), 1461);
    EXPECT_EQ(dayNumberFromYmd(65, 1, 1), 1462);
    EXPECT_EQ(dayNumberFromYmd(100, 3, 1) - dayNumberFromYmd(100, 2, 28), 2); // 2000 is a leap year
    EXPECT_EQ(dayNumberFromYmd(97, 0, 15), 0);
    EXPECT_EQ(dayNumberFromYmd(97, 13, 15), 0);
    const Ymd z = ymdFromDayNumber(0);
    EXPECT_TRUE(z.year == 0 && z.month == 0 && z.day == 0) << z.year << ' ' << z.month << ' ' << z.day;
}

TEST(DayNumber, EveryDateFrom1961To2099RoundTrips) {
    for (int y = 1961; y <= 2099; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                int expected = 0;
                try {
                    expected = fixtures::dayNumberOf(y, m, d);
                } catch (const std::invalid_argument&) {
                    continue;
                }
                ASSERT_EQ(dayNumberFromYmd(y - 1900, m, d), expected) << y << '-' << m << '-' << d;
                ASSERT_EQ(dayNumberFromYmd(y, m, d), expected);
                const Ymd back = ymdFromDayNumber(static_cast<DayNumber>(expected));
                ASSERT_TRUE(back.year == y - 1900 && back.month == m && back.day == d) << y << '-' << m << '-' << d;
            }
        }
    }
}

TEST(FileDate, BothCenturiesAndValuesThatAreNoDate) {
    for (auto [y, m, d] : {std::tuple{1961, 1, 1}, std::tuple{1997, 3, 15}, std::tuple{2000, 2, 29},
                           std::tuple{2001, 3, 15}, std::tuple{2099, 12, 31}}) {
        const DayNumber n = day(y, m, d);
        EXPECT_EQ(dayNumberFromFileDate(fixtures::fileDate(y, m, d)), n);
        EXPECT_EQ(fileDateValue(n), fixtures::fileDate(y, m, d));
        EXPECT_EQ(bytesOf(fileDateFromDayNumber(n)), fixtures::mbf(fixtures::fileDate(y, m, d)));
    }
    for (float noDate : {-970315.0f, 971315.0f, kNaN, kInf}) EXPECT_EQ(dayNumberFromFileDate(noDate), 0) << noDate;
}

TEST(Time, PackingDropsTheOddSecondAndRoundTripsThroughTheFileValue) {
    EXPECT_EQ(packTime(9, 30, 1), 17100);
    EXPECT_EQ(packTime(9, 30, 0), 17100);
    EXPECT_EQ(packedTimeFromFileTime(93001.0f), 17100);
    EXPECT_EQ(packTime(0, 0, 0), 0);
    EXPECT_EQ(packTime(23, 59, 59), 23 * 1800 + 59 * 30 + 29);
    const Hms t = unpackTime(packTime(16, 45, 58));
    EXPECT_TRUE(t.hours == 16 && t.minutes == 45 && t.seconds == 58) << t.hours << ':' << t.minutes << ':' << t.seconds;
    EXPECT_EQ(fileTimeValue(packTime(9, 30, 1)), 93000.0f);
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; m += 7) {
            EXPECT_EQ(packedTimeFromFileTime(fileTimeValue(packTime(h, m, 44))), packTime(h, m, 44));
        }
    }
}

// ---- date texts -----------------------------------------------------------------------------

TEST(ParseDateText, Table) {
    struct Case {
        const char* text;
        int code;
        DayNumber expected;
    };
    const Case cases[] = {
        // Two-digit years window at 60; a four-digit year 19xx below 60 is windowed the same way.
        {"03/15/05", 3, day(2005, 3, 15)}, {"03/15/97", 3, day(1997, 3, 15)}, {"01/01/61", 3, day(1961, 1, 1)},
        {"12/31/59", 3, day(2059, 12, 31)}, {"050315", 7, day(2005, 3, 15)}, {"19970315", 8, day(1997, 3, 15)},
        {"20050315", 8, day(2005, 3, 15)}, {"15.03.2099", 6, day(2099, 3, 15)}, {"1997-03-15", 2, day(1997, 3, 15)},
        {"19050315", 8, day(2005, 3, 15)},
        // Leading blanks and one quote are skipped; each part is read from its own two characters.
        {"  \"970315", 7, day(1997, 3, 15)}, {"\"03/15/97\"", 3, day(1997, 3, 15)}, {"03/ 5/97", 3, day(1997, 3, 5)},
        // No date: read unchecked, impossible months or days would land in another month or year.
        {"00/00/00", 3, 0}, {"", 3, 0}, {"    ", 3, 0}, {"\"", 3, 0}, {"03/15/97", 0, 0}, {"03/15/97", 13, 0},
        {"13/15/97", 3, 0}, {"03/32/97", 3, 0}, {"00/15/97", 3, 0}, {"03/00/97", 3, 0}, {"19971315", 8, 0},
        {"19600315", 8, 0}, // before day 1
    };
    for (const Case& c : cases) EXPECT_EQ(parseDateText(c.text, c.code), c.expected) << '"' << c.text << "\" " << c.code;
}

TEST(FormatDate, EveryCodeZeroAndUnknownCodes) {
    const char* expected[] = {"97-03-05", "1997-03-05", "03-05-97", "03-05-1997", "05-03-97", "05-03-1997",
                              "970305",   "19970305",   "030597",   "03051997",   "050397",   "05031997"};
    for (int code = 1; code <= 12; ++code) EXPECT_EQ(formatDate(day(1997, 3, 5), code, '-'), expected[code - 1]) << code;
    EXPECT_EQ(formatDate(day(2005, 11, 30), 4, '/'), "11/30/2005");
    EXPECT_EQ(formatDateForDisplay(day(2005, 11, 30)), "11/30/05");
    EXPECT_EQ(formatDate(0, 3, '/'), "00/00/00");
    EXPECT_EQ(formatDate(0, 8, '/'), "00000000");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 0, '/'), "");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 13, '/'), "");
}

TEST(FormatDate, ParseRoundTripsEveryDay) {
    for (int code = 1; code <= 12; ++code) {
        // Two-digit years only reach to the end of the window.
        const int last = code % 2 ? day(2059, 12, 31) : day(2099, 12, 31);
        for (int n = day(1961, 1, 1); n <= last; ++n) {
            const auto d = static_cast<DayNumber>(n);
            ASSERT_EQ(parseDateText(formatDate(d, code, code % 2 ? '.' : '/'), code), d) << code << ' ' << n;
        }
    }
}

// ---- code tables ----------------------------------------------------------------------------

TEST(CodeTables, DateFormatNames) {
    const char* names[] = {"YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
                           "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY"};
    for (int code = 1; code <= kDateFormatCount; ++code) {
        EXPECT_EQ(dateFormatName(code), names[code - 1]);
        EXPECT_EQ(dateFormatCode(names[code - 1]), code);
    }
    EXPECT_EQ(dateFormatName(0), "");
    EXPECT_EQ(dateFormatName(13), "");
    EXPECT_EQ(dateFormatCode("mm_dd_yy"), 3);
    EXPECT_EQ(dateFormatCode("MM/DD/YY"), 0);
}

TEST(CodeTables, FieldCodesAndPeriodLetters) {
    const std::pair<int, const char*> table[] = {
        {-7, "128ths"},  {-6, "64ths"},      {-5, "32nds"},       {-4, "16ths"}, {-3, "8ths"},
        {-2, "4ths"},    {-1, "Halves"},     {0, "Whole Num."},   {1, "10ths"},  {2, "100ths"},
        {3, "1,000ths"}, {4, "10,000ths"},   {5, "100,000ths"},   {100, "100s"}, {1000, "1,000s"}};
    for (auto [code, text] : table) EXPECT_EQ(fieldCodeText(code), text) << code;
    for (int other : {-8, 6, 10, 99, 101, 999, 1001, 10000}) EXPECT_EQ(fieldCodeText(other), "") << other;
    for (const char* text : {"D Daily", "I Intra-day", "W Weekly", "M Monthly", "Q Quarterly", "Y Yearly", "X ERROR"})
        EXPECT_EQ(periodText(text[0]), text);
}

TEST(CodeTables, StatusTexts) {
    const char* texts[] = {"Sucessfull",  "Invalid Parm",      "File Open",          "Malloc",
                           "File Read",   "File Write",        "File Seek",          "File Exists",
                           "File Not Found", "Record Not Found", "No Graphics Found", "No Fonts Found",
                           "Charts Uninitialized", "Max Lines Exceeded", "Max Grids Exceeded", "Unknown"};
    for (int i = 0; i <= 15; ++i) EXPECT_EQ(statusText(static_cast<StoreStatus>(-i)), texts[i]) << -i;
    EXPECT_EQ(statusText(-16), "");
    EXPECT_EQ(statusText(kStatusNoLayout), "");
    EXPECT_EQ(statusText(1), "");
}

// ---- names written by Windows programs -----------------------------------------------------

TEST(Windows1252, KnownCharactersAndEveryDefinedByteRoundTrips) {
    EXPECT_EQ(windows1252ToUtf8("\x80 \xE9\x9F"), "\u20AC \u00E9\u0178");
    EXPECT_EQ(utf8ToWindows1252("\u20AC \u00E9\u0178"), "\x80 \xE9\x9F");
    EXPECT_EQ(utf8ToWindows1252("A\u65E5B"), "A?B");    // no such character in the code page
    EXPECT_EQ(utf8ToWindows1252("\U0001F600"), "?");     // one character, one question mark
    EXPECT_EQ(utf8ToWindows1252("CAF\xC9"), "CAF\xC9"); // not UTF-8: already a 1252 byte
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue; // undefined
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(one)), one) << b;
    }
}

} // namespace
} // namespace qv
