#include "core/platform/clock.h"

#include <ctime>
#include <mutex>

namespace qv {
namespace {
std::mutex g_mutex;
std::optional<std::string> g_override;
} // namespace

std::string todayText()
{
    {
        std::lock_guard lock(g_mutex);
        if (g_override)
            return *g_override;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%m/%d/%y", &local);
    return text;
}

void setTodayOverride(std::optional<std::string> text)
{
    std::lock_guard lock(g_mutex);
    g_override = std::move(text);
}

} // namespace qv
