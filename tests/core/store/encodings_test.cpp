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

float ieeeOf(const std::uint8_t* b) {
    float f = 0;
    std::memcpy(&f, b, 4);
    return f;
}

// ---- MBF ----------------------------------------------------------------------------------

TEST(Mbf, ZeroOfEitherSignIsFourZeroBytes) {
    EXPECT_EQ(bytesOf(floatToMbf(0.0f)), ByteVec(4, 0));
    EXPECT_EQ(bytesOf(floatToMbf(-0.0f)), ByteVec(4, 0));
}

TEST(Mbf, KnownBytes) {
    EXPECT_EQ(bytesOf(floatToMbf(1.0f)), (ByteVec{0x00, 0x00, 0x00, 0x81}));
    EXPECT_EQ(bytesOf(floatToMbf(-1.0f)), (ByteVec{0x00, 0x00, 0x80, 0x81}));
    EXPECT_EQ(bytesOf(floatToMbf(0.5f)), (ByteVec{0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(bytesOf(floatToMbf(10.0f)), (ByteVec{0x00, 0x00, 0x20, 0x84}));
    // The fixture's own encoder must agree with the hand-worked bytes, or everything built
    // with it proves nothing.
    EXPECT_EQ(fixtures::mbf(10.0f), (ByteVec{0x00, 0x00, 0x20, 0x84}));
    EXPECT_EQ(fixtures::mbf(-1.0f), (ByteVec{0x00, 0x00, 0x80, 0x81}));
}

TEST(Mbf, TypicalValuesMatchTheIndependentEncoderBothWays) {
    for (float v : {10.25f, 0.0625f, 123.456f, -7.125f, 970315.0f, 1010315.0f, 93000.0f, 1.0e6f, 0.001f,
                    3.0e9f, 1.0f / 3.0f}) {
        SCOPED_TRACE(v);
        const ByteVec expected = fixtures::mbf(v);
        EXPECT_EQ(bytesOf(floatToMbf(v)), expected);
        EXPECT_EQ(mbfToFloat(expected.data()), v);
    }
}

TEST(Mbf, ConversionInPlace) {
    std::uint8_t buf[4];
    ByteVec m = fixtures::mbf(-42.75f);
    std::memcpy(buf, m.data(), 4);
    mbfToIeee(buf, buf);
    EXPECT_EQ(ieeeOf(buf), -42.75f);
    ieeeToMbf(buf, buf);
    EXPECT_EQ(ByteVec(buf, buf + 4), m);
}

TEST(Mbf, RandomValuesRoundTripBitExactly) {
    std::mt19937 rng(1961);
    std::uniform_int_distribution<int> exponent(-120, 120);
    std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
    for (int i = 0; i < 20000; ++i) {
        float v = std::ldexp(mantissa(rng), exponent(rng));
        if (i % 2) v = -v;
        const MbfFloat m = floatToMbf(v);
        ASSERT_EQ(bytesOf(m), fixtures::mbf(v)) << v;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(mbfToFloat(m.data())), std::bit_cast<std::uint32_t>(v)) << v;
    }
}

TEST(Mbf, ExponentByteZeroReadsAsZeroWhateverTheOtherBytes) {
    for (ByteVec m : {ByteVec{0x12, 0x34, 0x56, 0x00}, ByteVec{0xFF, 0xFF, 0xFF, 0x00}, ByteVec{0, 0, 0x80, 0}}) {
        EXPECT_EQ(mbfToFloat(m.data()), 0.0f);
        std::uint8_t out[4] = {9, 9, 9, 9};
        mbfToIeee(m.data(), out);
        EXPECT_EQ(ByteVec(out, out + 4), ByteVec(4, 0));
    }
}

TEST(Mbf, ExponentsWithoutSingleEquivalentReadAsZero) {
    for (std::uint8_t e : {std::uint8_t{1}, std::uint8_t{2}}) {
        const ByteVec m{0x55, 0x55, 0x55, e};
        EXPECT_EQ(mbfToFloat(m.data()), 0.0f) << int(e);
    }
}

TEST(Mbf, ValuesBeyondTheRangeSaturateWithTheirSign) {
    const ByteVec largest{0xFF, 0xFF, 0x7F, 0xFF};
    const ByteVec largestNegative{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(bytesOf(floatToMbf(std::numeric_limits<float>::infinity())), largest);
    EXPECT_EQ(bytesOf(floatToMbf(std::numeric_limits<float>::max())), largest);
    EXPECT_EQ(bytesOf(floatToMbf(-std::numeric_limits<float>::infinity())), largestNegative);
    EXPECT_EQ(floatToMbf(std::numeric_limits<float>::quiet_NaN())[3], 0xFF);
}

// ---- day numbers ----------------------------------------------------------------------------

TEST(DayNumber, KnownValues) {
    EXPECT_EQ(dayNumberFromYmd(61, 1, 1), 1);
    EXPECT_EQ(dayNumberFromYmd(1961, 1, 1), 1);
    EXPECT_EQ(dayNumberFromYmd(64, 12, 31), 1461);
    EXPECT_EQ(dayNumberFromYmd(65, 1, 1), 1462);
    EXPECT_EQ(dayNumberFromYmd(100, 3, 1) - dayNumberFromYmd(100, 2, 28), 2); // 2000 is a leap year
    EXPECT_EQ(dayNumberFromYmd(97, 3, 15), fixtures::dayNumberOf(1997, 3, 15));
}

TEST(DayNumber, MonthOutsideTheYearGivesZero) {
    EXPECT_EQ(dayNumberFromYmd(97, 0, 15), 0);
    EXPECT_EQ(dayNumberFromYmd(97, 13, 15), 0);
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
                ASSERT_EQ(back.year, y - 1900);
                ASSERT_EQ(back.month, m);
                ASSERT_EQ(back.day, d);
            }
        }
    }
}

TEST(DayNumber, ZeroIsNoDate) {
    const Ymd z = ymdFromDayNumber(0);
    EXPECT_EQ(z.year, 0);
    EXPECT_EQ(z.month, 0);
    EXPECT_EQ(z.day, 0);
}

TEST(FileDate, ReadsBothCenturies) {
    EXPECT_EQ(dayNumberFromFileDate(1010315.0f), fixtures::dayNumberOf(2001, 3, 15));
    EXPECT_EQ(dayNumberFromFileDate(970315.0f), fixtures::dayNumberOf(1997, 3, 15));
}

TEST(FileDate, ValuesThatAreNoDateGiveZero) {
    EXPECT_EQ(dayNumberFromFileDate(-970315.0f), 0);
    EXPECT_EQ(dayNumberFromFileDate(971315.0f), 0); // month 13
    EXPECT_EQ(dayNumberFromFileDate(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(dayNumberFromFileDate(std::numeric_limits<float>::infinity()), 0);
}

TEST(FileDate, WrittenAsMbfOfTheFileDateValue) {
    for (auto [y, m, d] : {std::tuple{1961, 1, 1}, std::tuple{1997, 3, 15}, std::tuple{2000, 2, 29},
                           std::tuple{2001, 3, 15}, std::tuple{2099, 12, 31}}) {
        const auto n = static_cast<DayNumber>(fixtures::dayNumberOf(y, m, d));
        EXPECT_EQ(fileDateValue(n), fixtures::fileDate(y, m, d));
        EXPECT_EQ(bytesOf(fileDateFromDayNumber(n)), fixtures::mbf(fixtures::fileDate(y, m, d)));
        EXPECT_EQ(dayNumberFromFileDate(fileDateValue(n)), n);
    }
}

// ---- times ----------------------------------------------------------------------------------

TEST(Time, PackingDropsTheOddSecond) {
    EXPECT_EQ(packTime(9, 30, 1), 17100);
    EXPECT_EQ(packTime(9, 30, 0), 17100);
    EXPECT_EQ(packedTimeFromFileTime(93001.0f), 17100);
    EXPECT_EQ(packTime(0, 0, 0), 0);
    EXPECT_EQ(packTime(23, 59, 59), 23 * 1800 + 59 * 30 + 29);
}

TEST(Time, UnpackAndFileTime) {
    const Hms t = unpackTime(packTime(16, 45, 58));
    EXPECT_EQ(t.hours, 16);
    EXPECT_EQ(t.minutes, 45);
    EXPECT_EQ(t.seconds, 58);
    EXPECT_EQ(fileTimeValue(packTime(9, 30, 1)), 93000.0f);
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; m += 7) {
            const PackedTime p = packTime(h, m, 44);
            EXPECT_EQ(packedTimeFromFileTime(fileTimeValue(p)), p);
        }
    }
}

// ---- date texts -----------------------------------------------------------------------------

DayNumber day(int y, int m, int d) { return static_cast<DayNumber>(fixtures::dayNumberOf(y, m, d)); }

TEST(ParseDateText, TwoDigitYearsWindowAt60) {
    EXPECT_EQ(parseDateText("03/15/05", 3), day(2005, 3, 15));
    EXPECT_EQ(parseDateText("03/15/97", 3), day(1997, 3, 15));
    EXPECT_EQ(parseDateText("01/01/61", 3), day(1961, 1, 1));
    EXPECT_EQ(parseDateText("12/31/59", 3), day(2059, 12, 31));
    EXPECT_EQ(parseDateText("050315", 7), day(2005, 3, 15));
}

TEST(ParseDateText, CenturyFormats) {
    EXPECT_EQ(parseDateText("19970315", 8), day(1997, 3, 15));
    EXPECT_EQ(parseDateText("20050315", 8), day(2005, 3, 15));
    EXPECT_EQ(parseDateText("15.03.2099", 6), day(2099, 3, 15));
    EXPECT_EQ(parseDateText("1997-03-15", 2), day(1997, 3, 15));
    // A four-digit year 19xx below 60 is windowed as a two-digit one would be.
    EXPECT_EQ(parseDateText("19050315", 8), day(2005, 3, 15));
}

TEST(ParseDateText, LeadingBlanksAndOneQuoteAreSkipped) {
    EXPECT_EQ(parseDateText("  \"970315", 7), day(1997, 3, 15));
    EXPECT_EQ(parseDateText("\"03/15/97\"", 3), day(1997, 3, 15));
    // Each part is read from its own two characters, which may start with a blank.
    EXPECT_EQ(parseDateText("03/ 5/97", 3), day(1997, 3, 5));
}

TEST(ParseDateText, TextsThatAreNoDateGiveZero) {
    EXPECT_EQ(parseDateText("00/00/00", 3), 0);
    EXPECT_EQ(parseDateText("", 3), 0);
    EXPECT_EQ(parseDateText("    ", 3), 0);
    EXPECT_EQ(parseDateText("\"", 3), 0);
    EXPECT_EQ(parseDateText("03/15/97", 0), 0);
    EXPECT_EQ(parseDateText("03/15/97", 13), 0);
}

TEST(ParseDateText, ImpossibleMonthOrDayGivesZero) {
    // Read unchecked, these would land in another month or year.
    EXPECT_EQ(parseDateText("13/15/97", 3), 0);
    EXPECT_EQ(parseDateText("03/32/97", 3), 0);
    EXPECT_EQ(parseDateText("00/15/97", 3), 0);
    EXPECT_EQ(parseDateText("03/00/97", 3), 0);
    EXPECT_EQ(parseDateText("19971315", 8), 0);
    EXPECT_EQ(parseDateText("19600315", 8), 0); // before day 1
}

TEST(FormatDate, EveryCode) {
    const DayNumber n = day(1997, 3, 5);
    const char* expected[] = {"97-03-05", "1997-03-05", "03-05-97", "03-05-1997", "05-03-97", "05-03-1997",
                              "970305",   "19970305",   "030597",   "03051997",   "050397",   "05031997"};
    for (int code = 1; code <= 12; ++code) {
        EXPECT_EQ(formatDate(n, code, '-'), expected[code - 1]) << code;
    }
    EXPECT_EQ(formatDate(day(2005, 11, 30), 4, '/'), "11/30/2005");
    EXPECT_EQ(formatDateForDisplay(day(2005, 11, 30)), "11/30/05");
}

TEST(FormatDate, ZeroAndUnknownCodes) {
    EXPECT_EQ(formatDate(0, 3, '/'), "00/00/00");
    EXPECT_EQ(formatDate(0, 8, '/'), "00000000");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 0, '/'), "");
    EXPECT_EQ(formatDate(day(1997, 3, 5), 13, '/'), "");
}

TEST(FormatDate, ParseRoundTripsEveryDay) {
    const DayNumber first = day(1961, 1, 1);
    const DayNumber lastCentury = day(2099, 12, 31);
    const DayNumber lastWindowed = day(2059, 12, 31);
    for (int code : {2, 4, 6, 8, 10, 12}) {
        for (int n = first; n <= lastCentury; ++n) {
            const auto d = static_cast<DayNumber>(n);
            ASSERT_EQ(parseDateText(formatDate(d, code, '/'), code), d) << code << ' ' << n;
        }
    }
    for (int code : {1, 3, 5, 7, 9, 11}) {
        for (int n = first; n <= lastWindowed; ++n) {
            const auto d = static_cast<DayNumber>(n);
            ASSERT_EQ(parseDateText(formatDate(d, code, '.'), code), d) << code << ' ' << n;
        }
    }
}

// ---- code tables ----------------------------------------------------------------------------

TEST(CodeTables, DateFormatNames) {
    const char* names[] = {"YY_MM_DD",   "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
                           "YYMMDD",     "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY"};
    for (int code = 1; code <= kDateFormatCount; ++code) {
        EXPECT_EQ(dateFormatName(code), names[code - 1]);
        EXPECT_EQ(dateFormatCode(names[code - 1]), code);
    }
    EXPECT_EQ(dateFormatName(0), "");
    EXPECT_EQ(dateFormatName(13), "");
    EXPECT_EQ(dateFormatCode("mm_dd_yy"), 3);
    EXPECT_EQ(dateFormatCode("MM/DD/YY"), 0);
}

TEST(CodeTables, FieldCodes) {
    const std::pair<int, const char*> table[] = {
        {-7, "128ths"}, {-6, "64ths"},     {-5, "32nds"},    {-4, "16ths"},      {-3, "8ths"},
        {-2, "4ths"},   {-1, "Halves"},    {0, "Whole Num."}, {1, "10ths"},       {2, "100ths"},
        {3, "1,000ths"}, {4, "10,000ths"}, {5, "100,000ths"}, {100, "100s"},      {1000, "1,000s"}};
    for (auto [code, text] : table) {
        EXPECT_EQ(fieldCodeText(code), text) << code;
    }
    for (int other : {-8, 6, 10, 99, 101, 999, 1001, 10000}) {
        EXPECT_EQ(fieldCodeText(other), "") << other;
    }
}

TEST(CodeTables, PeriodLetters) {
    EXPECT_EQ(periodText('D'), "D Daily");
    EXPECT_EQ(periodText('I'), "I Intra-day");
    EXPECT_EQ(periodText('W'), "W Weekly");
    EXPECT_EQ(periodText('M'), "M Monthly");
    EXPECT_EQ(periodText('Q'), "Q Quarterly");
    EXPECT_EQ(periodText('Y'), "Y Yearly");
    EXPECT_EQ(periodText('X'), "X ERROR");
}

TEST(CodeTables, StatusTexts) {
    const char* texts[] = {"Sucessfull",  "Invalid Parm",      "File Open",          "Malloc",
                           "File Read",   "File Write",        "File Seek",          "File Exists",
                           "File Not Found", "Record Not Found", "No Graphics Found", "No Fonts Found",
                           "Charts Uninitialized", "Max Lines Exceeded", "Max Grids Exceeded", "Unknown"};
    for (int i = 0; i <= 15; ++i) {
        EXPECT_EQ(statusText(static_cast<StoreStatus>(-i)), texts[i]) << -i;
    }
    EXPECT_EQ(statusText(-16), "");
    EXPECT_EQ(statusText(kStatusNoLayout), "");
    EXPECT_EQ(statusText(1), "");
}

// ---- names written by Windows programs -----------------------------------------------------

TEST(Windows1252, KnownCharacters) {
    EXPECT_EQ(windows1252ToUtf8("\x80 \xE9\x9F"), "\u20AC \u00E9\u0178");
    EXPECT_EQ(utf8ToWindows1252("\u20AC \u00E9\u0178"), "\x80 \xE9\x9F");
    EXPECT_EQ(utf8ToWindows1252("A\u65E5B"), "A?B");         // no such character in the code page
    EXPECT_EQ(utf8ToWindows1252("\U0001F600"), "?");          // one character, one question mark
    EXPECT_EQ(utf8ToWindows1252("CAF\xC9"), "CAF\xC9");      // not UTF-8: already a 1252 byte
}

TEST(Windows1252, EveryDefinedByteRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue; // undefined
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(one)), one) << b;
    }
}

} // namespace
} // namespace qv
