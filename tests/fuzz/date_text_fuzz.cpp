// Date texts as typed and as update and import files hold them: the first byte picks the
// format (and the printed separator), the rest is the text.

#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int code = data[0] % (kDateFormatCount + 2); // 0 and 13 are no format
    const DayNumber n = parseDateText(asText(Input(data + 1, size - 1)), code);
    if (n == kNoDay)
        return 0;
    const Ymd ymd = ymdFromDayNumber(n);
    check(dayNumberFromYmd(ymd.year, ymd.month, ymd.day) == n, "day number does not round-trip");
    // Two-digit years print only for 1960..2059.
    const bool yearPrintable = ymd.year >= 60 && ymd.year < 160;
    if (yearPrintable || dateFormatName(code).find("CC") != std::string_view::npos)
        check(parseDateText(formatDate(n, code, "/-. "[(data[0] >> 4) % 4]), code) == n,
              "printed date does not read back");
    const std::string shown = formatDateForDisplay(n);
    check((shown.size() == 10 ? parseIsoDate(shown) : parseExactMmDdYy(shown)) == n,
          "displayed date does not read back");
    check(dayNumberFromFileDate(fileDateValue(n)) == n, "file date does not round-trip");
    return 0;
}
