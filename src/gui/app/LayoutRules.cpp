#include "gui/app/LayoutRules.h"

#include <numeric>

namespace qv::gui {

QRect initialPlacement(int x, int y, int cx, int cy, const QRect& screen)
{
    if (cx >= 1 && cy >= 1 && x >= 0 && y >= 0)
        return {x, y, cx, cy};
    const int width = static_cast<int>(screen.width() * 0.95);
    const int height = static_cast<int>(screen.height() * 0.95);
    return {screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2, width, height};
}

std::vector<int> fitColumnWidths(const std::vector<int>& saved, int clientWidth)
{
    if (saved.empty())
        return saved;
    // Summed in 64 bits: widths come from a file a user may have edited.
    long long sum = 0;
    bool unusable = false;
    for (int w : saved) {
        if (w <= 0 || w > clientWidth)
            unusable = true;
        sum += w;
    }
    if (!unusable && sum <= clientWidth)
        return saved;
    const int each = static_cast<int>(static_cast<long long>(clientWidth) * 9 / (10 * static_cast<long long>(saved.size())));
    return std::vector<int>(saved.size(), each);
}

} // namespace qv::gui
