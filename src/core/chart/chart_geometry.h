#pragma once
// What the bar chart draws where, as plain data: the painter only maps it onto a device.
//
// Coordinates are logical pixels of a W x H chart: x counts pixel columns from the left edge,
// y counts pixel rows from the bottom edge upwards, so (0, 0) is the bottom-left pixel and
// (W - 1, H - 1) the top-right one. A line runs from `from` to `to`, and `to` itself is not
// painted; every line is horizontal or vertical.

#include "core/store/quotes.h"
#include "core/store/status.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The chart reads the most recent quotes only: about (W - 70) / 3 of them fit on a wide screen.
inline constexpr int kChartCapacity = 250;
inline constexpr int kChartBarSpacing = 3;

// Sets up `series` for the chart and reads the last kChartCapacity quotes of `symbol` in `dir`.
// Returns true when the series is loaded; on any failure the series is released and the chart
// shows its background and axes only.
bool loadChartSeries(QuoteSeries& series, const std::string& dir, const std::string& symbol);

// The eight-colour palette: index = 4 R + 2 G + B, each component 0 or 255.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb paletteColour(int index);

enum class ChartElement { Background, Axes, HighLowBar, CloseTick, NormalText, TitleText, Volume };
// The palette index each element is drawn in.
int paletteIndexOf(ChartElement element);
inline Rgb colourOf(ChartElement element) { return paletteColour(paletteIndexOf(element)); }

struct ChartPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

struct ChartLine {
    ChartElement element = ChartElement::Axes;
    ChartPoint from;
    ChartPoint to; // not painted
    bool dashDot = false;
};

// The pixels a line paints, both ends included; `empty` for a line of no length.
struct PaintedSpan {
    bool empty = true;
    ChartPoint first;
    ChartPoint last;
};
PaintedSpan paintedSpan(const ChartLine& line);

enum class TextAlign { Left, Right };     // the anchor is the left or the right end of the text
enum class TextAnchorY { Top, Baseline }; // the anchor row is the text's top row or its baseline

struct ChartText {
    ChartElement element = ChartElement::NormalText;
    ChartPoint at;
    TextAlign align = TextAlign::Left;
    TextAnchorY anchorY = TextAnchorY::Top;
    std::string text;
};

// One drawn quote, with the scaled heights its lines were made from.
struct ChartBar {
    int index = 0; // in the series
    int x = 0;
    int yHigh = 0, yLow = 0, yClose = 0, yVolume = 0;
    bool monthMark = false;
};

struct ChartGeometry {
    int width = 0;        // W
    int height = 0;       // H
    int plotWidth = 0;    // A = W - 70
    int paneHeight = 0;   // B = H - 25, both panes together
    int priceHeight = 0;  // P
    int volumeHeight = 0; // V

    // Filled only when quotes were drawn.
    int firstIndex = -1; // the series index of the oldest bar
    double maxPrice = 0;
    double minPrice = 0;
    double maxVolume = 0;
    std::vector<ChartBar> bars;

    // Everything to paint, in painting order, after filling the whole rectangle with the
    // background colour.
    std::vector<ChartLine> lines;
    std::vector<ChartText> texts;
};

// Lays out the chart of a W x H rectangle. `series` is null when nothing is loaded; symbol and
// name make the title.
//
// Where the scaling would divide by zero the chart stays drawable: when every drawn price is the
// same (range 0) the bars and ticks lie on the bottom of the price pane, and when the largest
// volume is 0 or less (no volume, or no volume field) no volume bars are drawn. A volume bar
// whose scaled height is 1 to 3 paints its bottom pixel rather than running downwards. A rectangle too
// narrow for two bars, or too low for its panes, gets background and axes only.
ChartGeometry layoutChart(int width, int height, const QuoteSeries* series, std::string_view symbol,
                          std::string_view name);

} // namespace qv
