#include "core/store/encodings.h"

#include "core/platform/text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qv {
namespace {

constexpr int kCumulativeDays[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

// The years a day number can hold: 1900..2099.
constexpr int kFirstYear = 0;
constexpr int kLastYear = 199;

// Division rounding down, also for the negative counts of days before 1961.
template <typename T>
constexpr T floorDiv(T a, T b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

struct DateFormat {
    std::string_view name;
    int century; // character offsets, -1 = absent
    int year;
    int month;
    int day;
};

constexpr DateFormat kFormats[kDateFormatCount] = {
    {"YY_MM_DD", -1, 0, 3, 6}, {"CCYY_MM_DD", 0, 2, 5, 8}, {"MM_DD_YY", -1, 6, 0, 3}, {"MM_DD_CCYY", 6, 8, 0, 3},
    {"DD_MM_YY", -1, 6, 3, 0}, {"DD_MM_CCYY", 6, 8, 3, 0}, {"YYMMDD", -1, 0, 2, 4},   {"CCYYMMDD", 0, 2, 4, 6},
    {"MMDDYY", -1, 4, 0, 2},   {"MMDDCCYY", 4, 6, 0, 2},   {"DDMMYY", -1, 4, 2, 0},   {"DDMMCCYY", 4, 6, 2, 0},
};

// The two characters at `offset` read as a decimal number: leading blanks and a sign allowed,
// reading stops at the first non-digit; characters past the end of the text are absent.
int twoDigitField(std::string_view text, int offset)
{
    if (offset < 0 || static_cast<std::size_t>(offset) >= text.size())
        return 0;
    const std::string_view part = text.substr(static_cast<std::size_t>(offset), 2);
    std::size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == '-' || part[i] == '+')) {
        negative = part[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i)
        value = value * 10 + (part[i] - '0');
    return negative ? -value : value;
}

// Cuts a float to an int the way the file formats mean it (toward zero), refusing what no int
// can hold, so that garbage read from a file never reaches an undefined conversion.
bool truncToInt(double v, int& out)
{
    if (!std::isfinite(v) || v < -2.0e9 || v > 2.0e9)
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

void ieeeToMbf(const std::uint8_t* src, std::uint8_t* dest)
{
    std::uint8_t b[4];
    std::memcpy(b, src, 4);
    const int e = ((b[3] << 1) | (b[2] >> 7)) & 0xFF;
    if (e == 0) { // zero of either sign, and subnormals far below the MBF range
        std::memset(dest, 0, 4);
        return;
    }
    const std::uint8_t sign = b[3] & 0x80;
    if (e >= 254) { // beyond the MBF range, infinities and NaN: the largest MBF magnitude
        dest[0] = 0xFF;
        dest[1] = 0xFF;
        dest[2] = static_cast<std::uint8_t>(0x7F | sign);
        dest[3] = 0xFF;
        return;
    }
    dest[0] = b[0];
    dest[1] = b[1];
    dest[2] = static_cast<std::uint8_t>((b[2] & 0x7F) | sign);
    dest[3] = static_cast<std::uint8_t>(e + 2);
}

void mbfToIeee(const std::uint8_t* src, std::uint8_t* dest)
{
    std::uint8_t b[4];
    std::memcpy(b, src, 4);
    if (b[3] <= 2) { // 0, and exponents 1 and 2, which no IEEE single can hold
        std::memset(dest, 0, 4);
        return;
    }
    const int e = b[3] - 2;
    const std::uint8_t sign = b[2] & 0x80;
    dest[0] = b[0];
    dest[1] = b[1];
    dest[2] = static_cast<std::uint8_t>((b[2] & 0x7F) | ((e & 1) << 7));
    dest[3] = static_cast<std::uint8_t>((e >> 1) | sign);
}

MbfFloat floatToMbf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const std::uint8_t ieee[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                  static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    MbfFloat out;
    ieeeToMbf(ieee, out.data());
    return out;
}

DayNumber dayNumberFromYmd(int year, int month, int day)
{
    if (year >= 1900)
        year -= 1900;
    if (month < 1 || month > 12 || year < 0 || year > kLastYear || day < -1000 || day > 1000)
        return kNoDay;
    // As the inline file-date path: floored years, and 1900 without its leap day.
    const int leap = month > 2 ? year % 4 == 0 : year == 0;
    const int n = day + kCumulativeDays[0][month - 1] + floorDiv((year - 61) * 1461, 4) + leap;
    return isDay(n) ? n : kNoDay;
}

Ymd ymdFromDayNumber(DayNumber n)
{
    if (!isDay(n))
        return {};
    Ymd ymd;
    long r = 0;
    if (n < dayNumberFromYmd(1, 1, 1)) { // 1900, a common year the four-year cycle would not give
        ymd.year = 0;
        r = n - kFirstDay + 1;
    } else {
        const long c = floorDiv(4L * n - 1, 1461L);
        r = n - floorDiv(c * 1461, 4L);
        ymd.year = static_cast<int>(c + 61);
    }
    const int* cum = kCumulativeDays[ymd.year % 4 == 0 && ymd.year != 0 ? 1 : 0];
    int m = 11;
    while (m > 0 && cum[m] >= r)
        --m;
    ymd.month = m + 1;
    ymd.day = static_cast<int>(r - cum[m]);
    return ymd;
}

DayNumber dayNumberFromFileDateSlow(float fileDate)
{
    int y = 0;
    int m = 0;
    int d = 0;
    const double v = fileDate;
    if (!truncToInt(v / 10000.0, y) || v < 0)
        return kNoDay;
    if (!truncToInt((v - y * 10000.0) / 100.0, m) || !truncToInt(v - y * 10000.0 - m * 100.0, d))
        return kNoDay;
    if (m < 1 || m > 12 || y < 0 || y > kLastYear)
        return kNoDay;
    return dayNumberFromYmd(y, m, d);
}

float fileDateValue(DayNumber n)
{
    const Ymd ymd = ymdFromDayNumber(n);
    return static_cast<float>(ymd.month * 100 + ymd.year * 10000 + ymd.day);
}

MbfFloat fileDateFromDayNumber(DayNumber n) { return floatToMbf(fileDateValue(n)); }

PackedTime packTime(int hours, int minutes, int seconds)
{
    return static_cast<PackedTime>((hours * 1800 + minutes * 30 + seconds / 2) & 0xFFFF);
}

Hms unpackTime(PackedTime t) { return {t / 1800, (t % 1800) / 30, (t % 30) * 2}; }

PackedTime packedTimeFromFileTime(float fileTime)
{
    int h = 0;
    int mi = 0;
    int s = 0;
    const double v = fileTime;
    if (v < 0 || !truncToInt(v / 10000.0, h) || !truncToInt((v - h * 10000.0) / 100.0, mi) ||
        !truncToInt(v - h * 10000.0 - mi * 100.0, s) || h > 36)
        return 0;
    return packTime(h, mi, s);
}

float fileTimeValue(PackedTime t)
{
    const Hms hms = unpackTime(t);
    return static_cast<float>(hms.hours * 10000 + hms.minutes * 100 + hms.seconds);
}

std::string_view dateFormatName(int code)
{
    if (code < 1 || code > kDateFormatCount)
        return {};
    return kFormats[code - 1].name;
}

int dateFormatCode(std::string_view name)
{
    for (int code = 1; code <= kDateFormatCount; ++code) {
        const std::string_view candidate = kFormats[code - 1].name;
        if (candidate.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = upperAscii(name[i]) == candidate[i];
        if (same)
            return code;
    }
    return 0;
}

DayNumber parseExactMmDdYy(std::string_view text)
{
    const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 8 || !digit(0) || !digit(1) || !digit(3) || !digit(4) || !digit(6) || !digit(7) ||
        text[2] != text[5] || digit(2))
        return kNoDay;
    const DayNumber day = parseDateText(text, 3);
    return day != kNoDay && formatDate(day, 3, text[2]) == text ? day : kNoDay;
}

DayNumber parseIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return kNoDay;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (std::size_t i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return kNoDay;
            parts[p] = parts[p] * 10 + (text[i] - '0');
        }
    }
    const int year = parts[0];
    if (year < 1900 || year > 2099 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1)
        return kNoDay;
    const DayNumber day = dayNumberFromYmd(year - 1900, parts[1], parts[2]);
    const Ymd back = ymdFromDayNumber(day); // February 30th would roll over into March
    return back.month == parts[1] && back.day == parts[2] ? day : kNoDay;
}

DayNumber parseDateText(std::string_view text, int formatCode)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '"')
        text.remove_prefix(1);
    if (text.empty() || formatCode < 1 || formatCode > kDateFormatCount)
        return kNoDay;
    const DateFormat& f = kFormats[formatCode - 1];
    int century = 0;
    if (f.century >= 0)
        century = twoDigitField(text, f.century) * 100 - 1900;
    const int yy = twoDigitField(text, f.year);
    const int mm = twoDigitField(text, f.month);
    const int dd = twoDigitField(text, f.day);
    if (yy == 0 && mm == 0 && dd == 0)
        return kNoDay;
    // Only a two-digit year needs the window: a year written with its century says which it
    // is, so 19281001 is 1928 (an export of history before 1960 reads back as it was written).
    if (yy < 60 && f.century < 0)
        century = 100;
    // A month or day out of range would index past the day tables; a year outside 1900..2099
    // has no day number. None of them is a date.
    const int year = century + yy;
    if (mm < 1 || mm > 12 || dd < 1 || dd > 31 || year < kFirstYear || year > kLastYear)
        return kNoDay;
    return dayNumberFromYmd(year, mm, dd);
}

std::string formatDate(DayNumber n, int formatCode, char separator)
{
    if (formatCode < 1 || formatCode > kDateFormatCount)
        return {};
    int yy = 0;
    int cc = 0;
    int mm = 0;
    int dd = 0;
    if (isDay(n)) {
        const Ymd ymd = ymdFromDayNumber(n);
        yy = ymd.year % 100;
        cc = ymd.year / 100 + 19;
        mm = ymd.month;
        dd = ymd.day;
    }
    char buf[64];
    const char s = separator;
    switch (formatCode) {
    case 1: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", yy, s, mm, s, dd); break;
    case 2: std::snprintf(buf, sizeof buf, "%02d%02d%c%02d%c%02d", cc, yy, s, mm, s, dd); break;
    case 3: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", mm, s, dd, s, yy); break;
    case 4: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d%02d", mm, s, dd, s, cc, yy); break;
    case 5: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", dd, s, mm, s, yy); break;
    case 6: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d%02d", dd, s, mm, s, cc, yy); break;
    case 7: std::snprintf(buf, sizeof buf, "%02d%02d%02d", yy, mm, dd); break;
    case 8: std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", cc, yy, mm, dd); break;
    case 9: std::snprintf(buf, sizeof buf, "%02d%02d%02d", mm, dd, yy); break;
    case 10: std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", mm, dd, cc, yy); break;
    case 11: std::snprintf(buf, sizeof buf, "%02d%02d%02d", dd, mm, yy); break;
    default: std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", dd, mm, cc, yy); break;
    }
    return buf;
}

std::string formatDateForDisplay(DayNumber n)
{
    const Ymd ymd = ymdFromDayNumber(n);
    if (!isDay(n) || (ymd.year >= 60 && ymd.year < 160))
        return formatDate(n, 3, '/');
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", ymd.year + 1900, ymd.month, ymd.day);
    return buf;
}

std::string_view fieldCodeText(int code)
{
    switch (code) {
    case -7: return "128ths";
    case -6: return "64ths";
    case -5: return "32nds";
    case -4: return "16ths";
    case -3: return "8ths";
    case -2: return "4ths";
    case -1: return "Halves";
    case 0: return "Whole Num.";
    case 1: return "10ths";
    case 2: return "100ths";
    case 3: return "1,000ths";
    case 4: return "10,000ths";
    case 5: return "100,000ths";
    case 100: return "100s";
    case 1000: return "1,000s";
    default: return {};
    }
}

std::string periodText(char letter)
{
    std::string_view word;
    switch (letter) {
    case 'D': word = "Daily"; break;
    case 'I': word = "Intra-day"; break;
    case 'W': word = "Weekly"; break;
    case 'M': word = "Monthly"; break;
    case 'Q': word = "Quarterly"; break;
    case 'Y': word = "Yearly"; break;
    default: word = "ERROR"; break;
    }
    std::string text(1, letter);
    text += ' ';
    text += word;
    return text;
}

} // namespace qv
