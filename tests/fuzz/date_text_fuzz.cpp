// Date texts as the user types them and as update and import files hold them: the first byte
// picks the format (and the separator of the printed form), the rest is the text.

#include "core/store/encodings.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int code = data[0] % (kDateFormatCount + 2); // 0 and 13 are no format
    const char separator = "/-. "[(data[0] >> 4) % 4];
    const std::string_view text = asText(Input(data + 1, size - 1));

    const DayNumber n = parseDateText(text, code);
    if (n == 0)
        return 0;
    check(code >= 1 && code <= kDateFormatCount, "a date read in no format");
    // A date read must print and read back as the same day, and its parts must be a real date.
    const Ymd ymd = ymdFromDayNumber(n);
    check(ymd.month >= 1 && ymd.month <= 12 && ymd.day >= 1 && ymd.day <= 31, "parts of a date read");
    check(dayNumberFromYmd(ymd.year, ymd.month, ymd.day) == n, "day number does not round-trip");
    // Two-digit years read as 1960..2059.
    const bool twoDigitYear = dateFormatName(code).find("CC") == std::string_view::npos;
    const bool yearPrintable = ymd.year >= 60 && ymd.year < 160;
    if (!twoDigitYear || yearPrintable)
        check(parseDateText(formatDate(n, code, separator), code) == n, "printed date does not read back");
    if (yearPrintable)
        check(parseDateText(formatDateForDisplay(n), dateFormatCode("MM_DD_YY")) == n,
              "displayed date does not read back");
    check(dayNumberFromFileDate(fileDateValue(n)) == n, "file date does not round-trip");
    return 0;
}
