#pragma once
// Number and date encodings of portfolio files.
//
// Numbers are 4-byte Microsoft Binary Format singles (MBF): byte 3 = exponent (bias 129),
// byte 2 bit 7 = sign, the rest the fraction with an implied leading 1; an exponent byte of 0
// is 0.0. Dates in files are the number (year - 1900) * 10000 + month * 100 + day
// ("file date": 970315, 1010315, 281001 for 1928-10-01); in memory a date is a DayNumber, days
// from 1961-01-01 (day 1; 1960-12-31 is day 0, earlier days are below 0, back to 1900-01-01),
// kNoDay = no date. The calendar is the Gregorian one (1900 has no February 29th). Times are
// packed into two-second steps.
//
// Everything here is pure and thread-safe.

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace qv {

using MbfFloat = std::array<std::uint8_t, 4>;
using DayNumber = std::int32_t;
using PackedTime = std::uint16_t;

// No date: below every day, so that "later than the last date" holds for every day when there
// is none, and a range starting at kNoDay starts before the first quote.
inline constexpr DayNumber kNoDay = std::numeric_limits<DayNumber>::min();
inline constexpr DayNumber kFirstDay = -22279; // 1900-01-01
inline constexpr DayNumber kLastDay = 50769;   // 2099-12-31
inline constexpr bool isDay(DayNumber n) { return n >= kFirstDay && n <= kLastDay; }

// Converts 4 bytes holding a value in one format to the other. src and dest may be the same.
// MBF exponents 1 and 2 (no IEEE single equivalent) read as 0.0. IEEE values beyond the MBF
// range (and infinities, NaN) are stored as the largest MBF magnitude with their sign.
void mbfToIeee(const std::uint8_t* src, std::uint8_t* dest);
void ieeeToMbf(const std::uint8_t* src, std::uint8_t* dest);
// The value of 4 MBF bytes, inline: readers convert every field of every quote they read.
inline float mbfToFloat(const std::uint8_t* mbf)
{
    const std::uint32_t m = static_cast<std::uint32_t>(mbf[0]) | static_cast<std::uint32_t>(mbf[1]) << 8 |
                            static_cast<std::uint32_t>(mbf[2]) << 16 | static_cast<std::uint32_t>(mbf[3]) << 24;
    const std::uint32_t exponent = m >> 24;
    // Exponents 0..2 are 0.0 (see mbfToIeee); the sign moves from bit 23 to bit 31.
    const std::uint32_t bits =
        exponent <= 2 ? 0u : ((m & 0x00800000u) << 8) | ((exponent - 2) << 23) | (m & 0x007FFFFFu);
    return std::bit_cast<float>(bits);
}
MbfFloat floatToMbf(float value);

struct Ymd {
    int year = 0;  // years since 1900 (61 = 1961, 100 = 2000)
    int month = 0; // 1..12
    int day = 0;   // 1..31
};

// (year, month, day) to a day number. A year from 1900 on is taken as a full year. A month
// outside 1..12, or a result outside kFirstDay..kLastDay, gives kNoDay. The day is not checked
// against its month: day 0 is the month's eve, day 31 of a 30-day month the next month's first.
DayNumber dayNumberFromYmd(int year, int month, int day);
// The reverse; kNoDay (and anything outside kFirstDay..kLastDay) gives {0, 0, 0}.
Ymd ymdFromDayNumber(DayNumber n);
// A file date (already converted to IEEE) to a day number; kNoDay for a value that is no date
// (negative, not finite, with a month outside 1..12, or outside 1900..2099).
DayNumber dayNumberFromFileDateSlow(float fileDate);
inline DayNumber dayNumberFromFileDate(float fileDate)
{
    // Every stored date (1900..2099) takes the inline path, once per quote read: there the
    // truncating divisions of the float form give the parts of integer division.
    if (!(fileDate >= 101.0f && fileDate < 2000000.0f))
        return dayNumberFromFileDateSlow(fileDate);
    static constexpr int kCumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const auto v = static_cast<int>(fileDate);
    const int y = v / 10000;
    const int m = v / 100 % 100;
    if (static_cast<unsigned>(m - 1) > 11)
        return kNoDay;
    // (y - 61) * 1461 >> 2 floors (years before 1961 count below day 1); the every-fourth-year
    // rule counts a February 29th in 1900, which never was, so January and February 1900 lie
    // one day later and the leap day counted from March on is the one 1900 lacked.
    const int n = v % 100 + kCumulative[m - 1] + ((y - 61) * 1461 >> 2) + (m > 2 ? y % 4 == 0 : y == 0);
    return isDay(n) ? n : kNoDay;
}
// The file date of a day number; 0.0 for one that is no day.
float fileDateValue(DayNumber n);
MbfFloat fileDateFromDayNumber(DayNumber n);

PackedTime packTime(int hours, int minutes, int seconds);
struct Hms {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};
Hms unpackTime(PackedTime t);
// A file time (HHMMSS, already IEEE) to a packed time; 0 for a value out of range.
PackedTime packedTimeFromFileTime(float fileTime);
// hours * 10000 + minutes * 100 + seconds of a packed time.
float fileTimeValue(PackedTime t);

// Date-format codes 1..12, in the order the date-format lists show them.
inline constexpr int kDateFormatCount = 12;
// "YY_MM_DD" ... "DDMMCCYY" for codes 1..12; empty for any other code.
std::string_view dateFormatName(int code);
// The code whose name equals `name` without regard to case; 0 when none does.
int dateFormatCode(std::string_view name);

// Reads a date text in the given format; kNoDay when the text is not a date (empty, a code
// outside 1..12, all parts zero, a month outside 1..12, a day outside 1..31, or a year outside
// 1900..2099, which day numbers cannot hold). Two-digit years 00..59 are 2000..2059 and 60..99
// are 1960..1999; a four-digit year is the year it says.
DayNumber parseDateText(std::string_view text, int formatCode);
// Reads text of exactly the form MM?DD?YY (two digits each, the same non-digit `?` twice) naming
// a day that exists; kNoDay for anything else. The format reader alone would take "12/3/202" as
// 12/03/02 (it reads two characters at fixed offsets) and "02/30/97" as March 2nd.
DayNumber parseExactMmDdYy(std::string_view text);
// Reads text of exactly the form YYYY-MM-DD naming a day of 1900..2099 that exists; kNoDay for
// anything else. The one form that names any day without a century window.
DayNumber parseIsoDate(std::string_view text);
// Prints a day number in the given format with `separator` where the format has one.
// kNoDay prints as zeros; a code outside 1..12 gives the empty text.
std::string formatDate(DayNumber n, int formatCode, char separator);
// The form every date shown to the user takes: MM/DD/YY for the days whose two-digit year reads
// back as the same year (1960..2059), YYYY-MM-DD for the others, so that a date copied from the
// grid into a dialog or a command names the same day. kNoDay prints as 00/00/00.
std::string formatDateForDisplay(DayNumber n);

// Text of a field-description code ("10,000ths", "100s", "Halves"...); empty for other codes.
std::string_view fieldCodeText(int code);
// "D Daily", "W Weekly"... ; "<letter> ERROR" for an unknown letter.
std::string periodText(char letter);

} // namespace qv
