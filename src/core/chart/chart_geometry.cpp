#include "core/chart/chart_geometry.h"

#include "core/store/encodings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qv {
namespace {

constexpr int kRightMargin = 70;  // room for the price labels right of the plot
constexpr int kTopAndBottom = 25; // the time axis and month marks below, the title above
constexpr double kPriceShare = 0.8;
constexpr int kAxisY = 10; // the time axis
constexpr int kFirstBarX = kChartBarSpacing + 5;
constexpr int kVolumeBarBottom = 12;
constexpr int kMonthMarkLength = 10;

// A scaled height, truncated towards zero. A corrupt quote far outside the range (a close of
// 1e30 beside highs of 10) must not overflow the conversion; nothing that large is visible anyway.
int scaled(double value, double full, int span)
{
    const double v = value / full * span;
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6));
}

std::string printed(const char* format, double value)
{
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, format, value);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf)
        return buf;
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), format, value);
    big.pop_back();
    return big;
}

std::string printedWhole(double value)
{
    // "%3d" of the value truncated; a volume beyond 64 bits is shown at the limit.
    const double t = std::clamp(std::trunc(value), -9.0e18, 9.0e18);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%3lld", static_cast<long long>(t));
    return buf;
}

std::string monthOf(DayNumber date) { return formatDate(date, 9, ' ').substr(0, 2); }

bool allNonZero(float a, float b, float c) { return a != 0.0f && b != 0.0f && c != 0.0f; }

} // namespace

bool loadChartSeries(QuoteSeries& series, const std::string& dir, const std::string& symbol)
{
    freeQuoteSeries(series);
    if (initQuoteSeries(series, kChartCapacity) != kStatusOk)
        return false;
    if (readQuoteSeries(series, dir, symbol, -1, kChartCapacity) != kStatusOk) {
        freeQuoteSeries(series);
        return false;
    }
    return true;
}

Rgb paletteColour(int index)
{
    const auto on = [index](int bit) { return static_cast<std::uint8_t>((index & bit) != 0 ? 255 : 0); };
    return Rgb{on(4), on(2), on(1)};
}

int paletteIndexOf(ChartElement element)
{
    switch (element) {
    case ChartElement::Background: return 0;
    case ChartElement::Axes: return 7;
    case ChartElement::HighLowBar: return 2;
    case ChartElement::CloseTick: return 3;
    case ChartElement::NormalText: return 7;
    case ChartElement::TitleText: return 3;
    case ChartElement::Volume: return 4;
    }
    return 0;
}

PaintedSpan paintedSpan(const ChartLine& line)
{
    PaintedSpan span;
    if (line.from == line.to)
        return span;
    span.empty = false;
    span.first = line.from;
    span.last = line.to;
    if (line.to.x != line.from.x)
        span.last.x += line.to.x > line.from.x ? -1 : 1;
    else
        span.last.y += line.to.y > line.from.y ? -1 : 1;
    return span;
}

ChartGeometry layoutChart(int width, int height, const QuoteSeries* series, std::string_view symbol,
                          std::string_view name)
{
    ChartGeometry g;
    g.width = width;
    g.height = height;
    const int W = width;
    const int H = height;
    const int A = W - kRightMargin;
    const int B = H - kTopAndBottom;
    const int P = static_cast<int>(B * kPriceShare);
    const int V = B - P;
    g.plotWidth = A;
    g.paneHeight = B;
    g.priceHeight = P;
    g.volumeHeight = V;

    const auto line = [&g](ChartElement e, int x1, int y1, int x2, int y2, bool dashDot = false) {
        g.lines.push_back(ChartLine{e, {x1, y1}, {x2, y2}, dashDot});
    };
    const auto text = [&g](ChartElement e, int x, int y, TextAlign align, TextAnchorY anchorY, std::string s) {
        g.texts.push_back(ChartText{e, {x, y}, align, anchorY, std::move(s)});
    };

    line(ChartElement::Axes, 5, kAxisY, A + 5, kAxisY);
    line(ChartElement::Axes, 5, H - 16 - P, A + 5, H - 16 - P);
    line(ChartElement::Axes, A + 5, kAxisY, A + 5, H - 16);

    const int n = series ? std::min(series->count, static_cast<int>(series->high.size())) : 0;
    const int N = A / kChartBarSpacing;
    // Fewer than two bar places (N - 1 bars are drawn) or panes without height: axes only.
    if (n <= 0 || N < 2 || P < 1 || V < 1)
        return g;
    const QuoteSeries& s = *series;
    const auto at = [](int i) { return static_cast<std::size_t>(i); };

    // ---- Range: the oldest drawn quote only seeds it, so that one bad record cannot squash the chart.
    const int start = std::max(0, n - N + 1);
    const int end = std::min(n, start + N); // start + 1 .. end - 1 are at most N - 1 quotes
    double maxP = s.high[at(start)];
    double minP = s.low[at(start)];
    double maxV = s.volume[at(start)];
    for (int i = start + 1; i < end; ++i) {
        if (allNonZero(s.low[at(i)], s.high[at(i)], s.close[at(i)])) {
            minP = s.low[at(i)];
            break;
        }
    }
    for (int i = start + 1; i < end; ++i) {
        const double h = s.high[at(i)];
        if (h != 0.0 && h < 100.0 * minP && s.low[at(i)] != 0.0f && s.close[at(i)] != 0.0f) {
            maxP = h;
            break;
        }
    }
    for (int i = start + 1; i < end; ++i) {
        maxP = std::max(maxP, static_cast<double>(s.high[at(i)]));
        minP = std::min(minP, static_cast<double>(s.low[at(i)]));
        maxV = std::max(maxV, static_cast<double>(s.volume[at(i)]));
    }
    const double range = maxP - minP;
    const bool flat = !(range > 0.0); // also a NaN-free guard: the bars then lie on the pane's floor
    const bool volumes = maxV > 0.0;
    g.firstIndex = start;
    g.maxPrice = maxP;
    g.minPrice = minP;
    g.maxVolume = maxV;

    // ---- Bars, oldest first.
    int x = kFirstBarX;
    for (int i = start; i < n && x < A + 5; ++i, x += kChartBarSpacing) {
        ChartBar bar;
        bar.index = i;
        bar.x = x;
        if (!flat) {
            bar.yHigh = scaled(s.high[at(i)] - minP, range, P);
            bar.yLow = scaled(s.low[at(i)] - minP, range, P);
            bar.yClose = scaled(s.close[at(i)] - minP, range, P);
        }
        // A negative volume (absent field or corrupt record) counts as none.
        if (volumes)
            bar.yVolume = std::max(0, scaled(s.volume[at(i)], maxV, V));
        bar.monthMark = i > 0 && monthOf(s.date[at(i)]) != monthOf(s.date[at(i - 1)]);

        line(ChartElement::HighLowBar, x, bar.yLow + V + 10, x, bar.yHigh + V + 11);
        line(ChartElement::CloseTick, x, bar.yClose + V + 10, x + 2, bar.yClose + V + 10);
        // The bar runs up from y = 12 to yV + 9. For yV of 1 to 3 that end lies at or below its
        // start and would paint downwards or nothing; such a bar paints its first pixel instead,
        // so that a larger volume never shows less.
        if (bar.yVolume != 0)
            line(ChartElement::Volume, x, kVolumeBarBottom, x, std::max(bar.yVolume + 9, kVolumeBarBottom + 1));
        if (bar.monthMark)
            line(ChartElement::Axes, x, 0, x, kMonthMarkLength, true);
        g.bars.push_back(bar);
    }

    // ---- Labels.
    const ChartBar& last = g.bars.back();
    const double lastClose = s.close[at(last.index)];
    const double position = flat ? 0.0 : (lastClose - minP) / range;
    if (last.x > 100)
        text(ChartElement::NormalText, last.x, H - 3, TextAlign::Right, TextAnchorY::Top,
             formatDateForDisplay(s.date[at(last.index)]));
    text(ChartElement::CloseTick, A + 7, last.yClose + V + 7, TextAlign::Left, TextAnchorY::Baseline,
         printed("%6.2f", lastClose));
    if (position < 0.95)
        text(ChartElement::NormalText, A + 7, H - 3, TextAlign::Left, TextAnchorY::Top, printed("%6.2f", maxP));
    if (position > 0.05)
        text(ChartElement::NormalText, A + 7, V + 10, TextAlign::Left, TextAnchorY::Baseline, printed("%6.2f", minP));
    // A security without a volume field has nothing to label here.
    if (maxV >= 0.0)
        text(ChartElement::NormalText, A + 10, V + 10, TextAlign::Left, TextAnchorY::Top, printedWhole(maxV));
    text(ChartElement::TitleText, A / 2 - 5, H - 3, TextAlign::Right, TextAnchorY::Top, std::string(symbol));
    text(ChartElement::TitleText, A / 2, H - 3, TextAlign::Left, TextAnchorY::Top, std::string(name));
    return g;
}

} // namespace qv
