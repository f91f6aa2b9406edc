#include "core/platform/clock.h"

#include <ctime>
#include <mutex>

namespace qv {
namespace {
std::mutex g_mutex;
std::optional<std::string> g_override;

std::string formatNow(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[80];
    std::strftime(text, sizeof text, format, &local);
    return text;
}
} // namespace

std::string localTimeText() { return formatNow("%A, %B %d, %Y %H:%M:%S"); }

std::string todayText()
{
    {
        std::lock_guard lock(g_mutex);
        if (g_override)
            return *g_override;
    }
    return formatNow("%m/%d/%y");
}

void setTodayOverride(std::optional<std::string> text)
{
    std::lock_guard lock(g_mutex);
    g_override = std::move(text);
}

} // namespace qv
