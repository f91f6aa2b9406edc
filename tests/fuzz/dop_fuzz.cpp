// F<n>.DOP, the field-description file: the first byte is the record length the MASTER entry
// gives, then the DOP text, the part separator, and the quote file the 5-field default looks
// at when the DOP is unusable.

#include "core/store/quotes.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int recordLength = data[0];
    const std::vector<Input> parts = splitParts(Input(data + 1, size - 1), 2);
    ScratchDir scratch;
    writeFile(scratch / "F1.DOP", parts[0]);
    if (parts.size() > 1)
        writeFile(scratch / "F1.DAT", parts[1]);

    // Intraday entries have layouts of their own when the DOP is unusable.
    for (const char period : {'D', kIntradayPeriod}) {
        for (const char* name : {"F1.DOP", "F1.DAT"}) {
            const LayoutResult r = readFieldLayout(scratch / name, recordLength, period);
            if (r.status != kStatusOk)
                continue;
            // A layout in use names the date, places every field inside the record, and no two
            // kinds in the same field.
            const FieldLayout& layout = r.layout;
            check(layout.field(FieldKind::Date) >= 1, "a layout without a date");
            for (int k = 0; k < kFieldKindCount; ++k) {
                const int f = layout.fieldNumber[k];
                check(f >= 0 && f <= recordLength / 4, "a field beyond the record");
                for (int j = 0; j < k; ++j)
                    check(f == 0 || layout.fieldNumber[j] != f, "two kinds in one field");
            }
        }
    }
    return 0;
}
