#pragma once
// Number and date encodings of portfolio files.
//
// Numbers are 4-byte Microsoft Binary Format singles (MBF): byte 3 = exponent (bias 129),
// byte 2 bit 7 = sign, the rest the fraction with an implied leading 1; an exponent byte of 0
// is 0.0. Dates in files are the number (year - 1900) * 10000 + month * 100 + day
// ("file date": 970315, 1010315); in memory a date is a DayNumber, days from 1961-01-01
// (day 1), 0 = no date. Times are packed into two-second steps.
//
// Everything here is pure and thread-safe.

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

using MbfFloat = std::array<std::uint8_t, 4>;
using DayNumber = std::uint16_t;
using PackedTime = std::uint16_t;

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
    const std::uint32_t bits = exponent <= 2 ? 0u : ((m & 0x00800000u) << 8) | ((exponent - 2) << 23) | (m & 0x007FFFFFu);
    return std::bit_cast<float>(bits);
}
MbfFloat floatToMbf(float value);

struct Ymd {
    int year = 0;  // years since 1900 (61 = 1961, 100 = 2000)
    int month = 0; // 1..12
    int day = 0;   // 1..31
};

// (year, month, day) to a day number. A year above 1900 is taken as a full year. A month
// outside 1..12 gives 0. The result is cut to 16 bits as stored.
DayNumber dayNumberFromYmd(int year, int month, int day);
// The reverse; day number 0 gives {0, 0, 0}.
Ymd ymdFromDayNumber(DayNumber n);
// A file date (already converted to IEEE) to a day number; 0 for a value that is no date
// (negative, not finite, or with a month outside 1..12).
DayNumber dayNumberFromFileDateSlow(float fileDate);
inline DayNumber dayNumberFromFileDate(float fileDate)
{
    // Every stored date (1961..2099) takes the inline path, once per quote read: there the
    // truncating divisions of the float form give the parts of integer division.
    if (!(fileDate >= 610101.0f && fileDate < 2000000.0f))
        return dayNumberFromFileDateSlow(fileDate);
    static constexpr unsigned kCumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const auto v = static_cast<unsigned>(fileDate);
    const unsigned y = v / 10000;
    const unsigned m = v / 100 % 100;
    if (m - 1 > 11)
        return 0;
    const unsigned n = v % 100 + kCumulative[m - 1] + ((y - 61) * 1461 >> 2) + (m > 2 && y % 4 == 0 ? 1 : 0);
    return static_cast<DayNumber>(n & 0xFFFF);
}
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

// Reads a date text in the given format; 0 when the text is not a date (empty, a code outside
// 1..12, all parts zero, a month outside 1..12, a day outside 1..31, or a year outside
// 1961..2099, which day numbers cannot hold).
DayNumber parseDateText(std::string_view text, int formatCode);
// Reads text of exactly the form MM?DD?YY (two digits each, the same non-digit `?` twice) naming
// a day that exists; 0 for anything else. The format reader alone would take "12/3/202" as
// 12/03/02 (it reads two characters at fixed offsets) and "02/30/97" as March 2nd.
DayNumber parseExactMmDdYy(std::string_view text);
// Prints a day number in the given format with `separator` where the format has one.
// Day number 0 prints as zeros; a code outside 1..12 gives the empty text.
std::string formatDate(DayNumber n, int formatCode, char separator);
// MM/DD/YY, the form every date shown to the user takes.
std::string formatDateForDisplay(DayNumber n);

// Text of a field-description code ("10,000ths", "100s", "Halves"...); empty for other codes.
std::string_view fieldCodeText(int code);
// "D Daily", "W Weekly"... ; "<letter> ERROR" for an unknown letter.
std::string periodText(char letter);

} // namespace qv
