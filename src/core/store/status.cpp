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

std::string statusMessage(StoreStatus status)
{
    const std::string_view text = statusText(status);
    if (!text.empty())
        return std::string(text);
    if (status == kStatusNoLayout)
        return "No field layout: the DOP file is missing and the record length has no default layout";
    return "Status " + std::to_string(status);
}

} // namespace qv
