// F<n>.DOP: the record length byte, the DOP text, then the quote file the default layout
// looks at when the DOP is unusable.

#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::vector<Input> parts = splitParts(data + 1, size - 1, 2);
    ScratchDir scratch;
    writeFile(scratch / "F1.DOP", parts[0]);
    if (parts.size() > 1)
        writeFile(scratch / "F1.DAT", parts[1]);
    for (const char period : {'D', kIntradayPeriod})
        for (const char* name : {"F1.DOP", "F1.DAT"}) {
            const LayoutResult r = readFieldLayout(scratch / name, data[0], period);
            if (r.status != kStatusOk)
                continue;
            check(r.layout.field(FieldKind::Date) >= 1, "a layout without a date");
            for (int k = 0; k < kFieldKindCount; ++k) {
                const int f = r.layout.fieldNumber[k];
                check(f >= 0 && f <= data[0] / 4, "a field beyond the record");
                for (int j = 0; j < k; ++j)
                    check(f == 0 || r.layout.fieldNumber[j] != f, "two kinds in one field");
            }
        }
    return 0;
}
