#include "gui/app/LayoutRules.h"

#include <QFontMetrics>

#include <algorithm>
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

QRect fitPlacement(const QRect& placement, const QRect& area)
{
    if (area.isEmpty())
        return placement;
    const int width = std::min(placement.width(), area.width());
    const int height = std::min(placement.height(), area.height());
    const int x = std::clamp(placement.x(), area.x(), area.x() + area.width() - width);
    const int y = std::clamp(placement.y(), area.y(), area.y() + area.height() - height);
    return {x, y, width, height};
}

int cellWidthFor(const QFontMetrics& metrics, const QString& text)
{
    // 2 pixels before the text, 3 after it (the last holds the column line), and a little air.
    return metrics.horizontalAdvance(text) + 2 + 3 + 4;
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
    const int each =
        static_cast<int>(static_cast<long long>(clientWidth) * 9 / (10 * static_cast<long long>(saved.size())));
    return std::vector<int>(saved.size(), each);
}

} // namespace qv::gui
