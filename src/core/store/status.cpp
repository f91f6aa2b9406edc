#include "core/store/status.h"

namespace qv {

std::string_view statusText(StoreStatus status)
{
    static constexpr std::string_view kTexts[] = {
        "Sucessfull",
        "Invalid Parm",
        "File Open",
        "Malloc",
        "File Read",
        "File Write",
        "File Seek",
        "File Exists",
        "File Not Found",
        "Record Not Found",
        "No Graphics Found",
        "No Fonts Found",
        "Charts Uninitialized",
        "Max Lines Exceeded",
        "Max Grids Exceeded",
        "Unknown",
    };
    const int index = -status;
    if (index < 0 || index >= static_cast<int>(std::size(kTexts)))
        return {};
    return kTexts[index];
}

} // namespace qv
