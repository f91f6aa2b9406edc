#include "core/chart/chart_geometry.h"

#include "chart_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace qv {
namespace {

using charttest::climbingDays;
using charttest::Day;
using charttest::seriesOf;

// A 400 x 225 chart: A = 330, B = 200, P = 160, V = 40.
constexpr int kW = 400;
constexpr int kH = 225;

std::vector<ChartLine> linesOf(const ChartGeometry& g, ChartElement e, int x) {
    std::vector<ChartLine> out;
    for (const ChartLine& l : g.lines)
        if (l.element == e && l.from.x == x)
            out.push_back(l);
    return out;
}

std::optional<ChartText> textAt(const ChartGeometry& g, ChartElement e, ChartPoint at) {
    for (const ChartText& t : g.texts)
        if (t.element == e && t.at == at)
            return t;
    return std::nullopt;
}

bool hasTextAt(const ChartGeometry& g, ChartPoint at) {
    return std::any_of(g.texts.begin(), g.texts.end(), [&](const ChartText& t) { return t.at == at; });
}

int dayOf(int y, int m, int d) { return fixtures::dayNumberOf(y, m, d); }

ChartGeometry chartOf(const std::vector<Day>& days, int w = kW, int h = kH, const std::string& symbol = "",
                      const std::string& name = "") {
    const QuoteSeries s = seriesOf(days);
    return layoutChart(w, h, &s, symbol, name);
}

TEST(ChartGeometry, PanesAxesAndBarPlacesFollowTheRectangleEndingWithTheNewestQuote) {
    const ChartGeometry g = layoutChart(kW, kH, nullptr, "", "");
    EXPECT_EQ(g.plotWidth, 330);
    EXPECT_EQ(g.priceHeight, 160);
    EXPECT_EQ(g.volumeHeight, 40);
    ASSERT_EQ(g.lines.size(), 3u) << "nothing loaded: background and axes only";
    EXPECT_EQ(g.lines[0].from, (ChartPoint{5, 10}));
    EXPECT_EQ(g.lines[0].to, (ChartPoint{335, 10}));
    // The pane divider sits just below the lowest price bar (V + 10).
    EXPECT_EQ(g.lines[1].from, (ChartPoint{5, 49}));
    EXPECT_EQ(g.lines[2].from, (ChartPoint{335, 10}));
    EXPECT_EQ(g.lines[2].to, (ChartPoint{335, 209}));
    EXPECT_TRUE(g.texts.empty());
    EXPECT_TRUE(g.bars.empty());

    EXPECT_TRUE(chartOf({}, kW, kH, "XYZ", "XYZ INDUSTRIES").texts.empty());

    // A full series draws one bar fewer than fits, ending with the newest.
    const ChartGeometry full = chartOf(climbingDays(250), kW, kH, "XYZ");
    ASSERT_EQ(full.bars.size(), 109u);
    EXPECT_EQ(full.bars.front().index, 141);
    EXPECT_EQ(full.bars.front().x, 8);
    EXPECT_EQ(full.bars.back().index, 249);
    EXPECT_EQ(full.bars.back().x, 332);

    const ChartGeometry wide = chartOf(climbingDays(50), 1200, kH, "XYZ");
    ASSERT_EQ(wide.bars.size(), 50u);
    EXPECT_EQ(wide.bars.front().index, 0);
    EXPECT_EQ(wide.bars.front().x, 8);
    EXPECT_EQ(wide.bars.back().x, 8 + 49 * 3);
}

TEST(ChartGeometry, BarsTicksVolumesAndLabelsAreScaledIntoTheirPanes) {
    const int d = dayOf(1997, 3, 3);
    const ChartGeometry g = chartOf({{d, 0, 20, 10, 15, 1000, 0},
                                    {d + 1, 0, 20, 10, 12.5f, 500, 0},
                                    {d + 2, 0, 15, 12.5f, 17.5f, 10, 0}}, kW, kH, "XYZ", "XYZ INDUSTRIES");
    EXPECT_DOUBLE_EQ(g.minPrice, 10);
    EXPECT_DOUBLE_EQ(g.maxPrice, 20);
    EXPECT_DOUBLE_EQ(g.maxVolume, 1000);

    // Quote 0 spans the whole price pane; both ends of its bar are painted.
    const auto bar0 = linesOf(g, ChartElement::HighLowBar, 8);
    ASSERT_EQ(bar0.size(), 1u);
    const PaintedSpan span0 = paintedSpan(bar0[0]);
    EXPECT_EQ(span0.first, (ChartPoint{8, 50}));
    EXPECT_EQ(span0.last, (ChartPoint{8, 210}));
    const auto tick0 = linesOf(g, ChartElement::CloseTick, 8);
    ASSERT_EQ(tick0.size(), 1u);
    EXPECT_EQ(tick0[0].from, (ChartPoint{8, 130}));
    EXPECT_EQ(paintedSpan(tick0[0]).last, (ChartPoint{9, 130})) << "the tick points right, two pixels";
    const auto vol0 = linesOf(g, ChartElement::Volume, 8);
    ASSERT_EQ(vol0.size(), 1u);
    EXPECT_EQ(paintedSpan(vol0[0]).first, (ChartPoint{8, 12}));
    EXPECT_EQ(paintedSpan(vol0[0]).last, (ChartPoint{8, 48}));

    // Quote 1: close a quarter up, half the largest volume.
    EXPECT_EQ(linesOf(g, ChartElement::CloseTick, 11).at(0).from, (ChartPoint{11, 90}));
    EXPECT_EQ(paintedSpan(linesOf(g, ChartElement::Volume, 11).at(0)).last, (ChartPoint{11, 28}));

    // Quote 2: a volume that scales to 0.4 pixel draws no volume line.
    EXPECT_EQ(g.bars[2].yVolume, 0);
    EXPECT_TRUE(linesOf(g, ChartElement::Volume, 14).empty());
    EXPECT_EQ(paintedSpan(linesOf(g, ChartElement::HighLowBar, 14).at(0)).first, (ChartPoint{14, 90}));
    EXPECT_EQ(paintedSpan(linesOf(g, ChartElement::HighLowBar, 14).at(0)).last, (ChartPoint{14, 130}));

    // Last close at the middle: both range labels, and the close label beside its tick.
    EXPECT_EQ(textAt(g, ChartElement::NormalText, {337, kH - 3})->text, " 20.00");
    EXPECT_EQ(textAt(g, ChartElement::NormalText, {337, 50})->text, " 10.00");
    const auto close = textAt(g, ChartElement::CloseTick, {337, 167});
    ASSERT_TRUE(close);
    EXPECT_EQ(close->text, " 17.50");
    EXPECT_EQ(close->anchorY, TextAnchorY::Baseline);
    EXPECT_EQ(textAt(g, ChartElement::NormalText, {340, 50})->text, "1000");
    const auto symbol = textAt(g, ChartElement::TitleText, {160, kH - 3});
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->text, "XYZ");
    EXPECT_EQ(symbol->align, TextAlign::Right);
    EXPECT_EQ(textAt(g, ChartElement::TitleText, {165, kH - 3})->text, "XYZ INDUSTRIES");
    EXPECT_FALSE(textAt(g, ChartElement::NormalText, {14, kH - 3})) << "x_last 14 leaves no room for the date";
}

TEST(ChartGeometry, TheOldestDrawnQuoteOnlySeedsTheRange) {
    const int d = dayOf(1997, 3, 3);
    // A damaged oldest record (low 0, a wild high) does not squash the chart.
    const ChartGeometry g = chartOf({{d, 0, 5000, 0, 0, 10, 0}, {d + 1, 0, 20, 10, 15, 100, 0},
                                    {d + 2, 0, 18, 12, 13, 50, 0}});
    EXPECT_DOUBLE_EQ(g.minPrice, 10);
    EXPECT_DOUBLE_EQ(g.maxPrice, 20);

    // Beyond what fits, the quote before the first drawn one takes no part at all.
    std::vector<Day> days = climbingDays(120);
    days[10].low = 0.01f;
    days[11].low = 0.02f; // first drawn: seeds the minimum, then is replaced
    const ChartGeometry h = chartOf(days);
    EXPECT_EQ(h.firstIndex, 11);
    EXPECT_DOUBLE_EQ(h.minPrice, days[12].low);
}

TEST(ChartGeometry, MonthMarksStandUnderTheFirstBarOfEachMonth) {
    const ChartGeometry g = chartOf({{dayOf(1997, 1, 30), 0, 2, 1, 1.5f, 5, 0},
                                    {dayOf(1997, 1, 31), 0, 2, 1, 1.5f, 5, 0},
                                    {dayOf(1997, 2, 3), 0, 2, 1, 1.5f, 5, 0}});
    std::vector<ChartLine> marks;
    for (const ChartLine& l : g.lines)
        if (l.dashDot)
            marks.push_back(l);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].element, ChartElement::Axes);
    EXPECT_EQ(marks[0].from, (ChartPoint{14, 0}));
    EXPECT_EQ(marks[0].to, (ChartPoint{14, 10}));

    // 120 days from Jan 21: the first drawn quote (11, Feb 1) is compared with the undrawn one
    // before it; further marks at Mar 1, Apr 1, May 1.
    std::vector<Day> days;
    for (int i = 0; i < 120; ++i)
        days.push_back({dayOf(1997, 1, 21) + i, 0, 2, 1, 1.5f, 5, 0});
    std::vector<int> xs;
    for (const ChartBar& b : chartOf(days).bars)
        if (b.monthMark)
            xs.push_back(b.x);
    EXPECT_EQ(xs, (std::vector<int>{8, 92, 185, 275}));
}

TEST(ChartGeometry, LabelsAvoidTheLastCloseAndNeedRoomForTheDate) {
    const int d = dayOf(1997, 3, 3);
    const ChartPoint maxAt{337, kH - 3};
    const ChartPoint minAt{337, 50};
    const ChartGeometry top = chartOf({{d, 0, 20, 10, 15, 1, 0}, {d + 1, 0, 20, 10, 20, 1, 0}});
    EXPECT_FALSE(hasTextAt(top, maxAt)) << "the close label already shows the maximum";
    EXPECT_TRUE(hasTextAt(top, minAt));
    const ChartGeometry bottom = chartOf({{d, 0, 20, 10, 15, 1, 0}, {d + 1, 0, 20, 10, 10, 1, 0}});
    EXPECT_TRUE(hasTextAt(bottom, maxAt));
    EXPECT_FALSE(hasTextAt(bottom, minAt));

    // The date of the last bar appears once that bar lies beyond x = 100.
    const ChartGeometry g31 = chartOf(climbingDays(31));
    EXPECT_EQ(g31.bars.back().x, 98);
    EXPECT_FALSE(hasTextAt(g31, {98, kH - 3}));
    const auto date = textAt(chartOf(climbingDays(32)), ChartElement::NormalText, {101, kH - 3});
    ASSERT_TRUE(date);
    EXPECT_EQ(date->text, "02/02/97");
    EXPECT_EQ(date->align, TextAlign::Right);
}

TEST(ChartGeometry, ScalingThatWouldDivideByZeroStillDrawsASoundChartAndVolumesNeverPaintBelowTheirBar) {
    const int d = dayOf(1997, 3, 3);
    // One price throughout, no volume: bars on the price pane's floor, no volume bars.
    const ChartGeometry flat = chartOf({{d, 0, 10, 10, 10, 0, 0}, {d + 1, 0, 10, 10, 10, 0, 0}});
    ASSERT_EQ(flat.bars.size(), 2u);
    for (const ChartBar& b : flat.bars) {
        EXPECT_EQ(paintedSpan(linesOf(flat, ChartElement::HighLowBar, b.x).at(0)).last, (ChartPoint{b.x, 50}));
        EXPECT_EQ(linesOf(flat, ChartElement::CloseTick, b.x).at(0).from.y, 50);
        EXPECT_TRUE(linesOf(flat, ChartElement::Volume, b.x).empty());
    }
    EXPECT_EQ(textAt(flat, ChartElement::NormalText, {340, 50})->text, "  0");

    // No volume field (-1 throughout): no bars pointing anywhere and no "-1" label.
    const ChartGeometry none = chartOf({{d, 0, 12, 10, 11, -1, -1}, {d + 1, 0, 13, 11, 12, -1, -1}});
    for (const ChartLine& l : none.lines)
        EXPECT_NE(l.element, ChartElement::Volume);
    EXPECT_FALSE(hasTextAt(none, {340, 50}));

    // H = 185 gives V = 32, so volumes of a largest 32 scale to themselves; -5 is a damaged record.
    const ChartGeometry g = chartOf({{d, 0, 2, 1, 1, 32, 0}, {d + 1, 0, 2, 1, 1, 1, 0}, {d + 2, 0, 2, 1, 1, 2, 0},
                                    {d + 3, 0, 2, 1, 1, 3, 0}, {d + 4, 0, 2, 1, 1, -5, 0},
                                    {d + 5, 0, 2, 1, 1, 5, 0}}, kW, 185);
    ASSERT_EQ(g.volumeHeight, 32);
    std::vector<int> heights;
    for (const ChartBar& b : g.bars) {
        const auto v = linesOf(g, ChartElement::Volume, b.x);
        if (v.empty()) {
            heights.push_back(0);
            continue;
        }
        const PaintedSpan span = paintedSpan(v[0]);
        EXPECT_EQ(span.first.y, 12);
        EXPECT_GE(span.last.y, 12);
        heights.push_back(span.last.y - span.first.y + 1);
    }
    EXPECT_EQ(heights, (std::vector<int>{29, 1, 1, 1, 0, 2}));
}

TEST(ChartGeometry, RectanglesTooSmallOrDamagedQuotesDrawWithoutFault) {
    for (const auto& [w, h] : {std::pair{75, 225}, std::pair{20, 225}, std::pair{400, 26}, std::pair{400, 10},
                              std::pair{0, 0}}) {
        const ChartGeometry g = chartOf(climbingDays(20), w, h, "XYZ");
        EXPECT_TRUE(g.bars.empty()) << w << "x" << h;
        EXPECT_TRUE(g.texts.empty()) << w << "x" << h;
    }
    // Two bar places: one bar.
    EXPECT_EQ(chartOf(climbingDays(20), 76, 225).bars.size(), 1u);

    std::vector<Day> days = climbingDays(5);
    days[4].close = 1.0e30f;
    const ChartGeometry g = chartOf(days);
    ASSERT_EQ(g.bars.size(), 5u);
    EXPECT_GT(g.bars.back().yClose, g.priceHeight);
}

TEST(ChartGeometry, LinesLeaveTheirEndPointUnpainted) {
    const PaintedSpan up = paintedSpan({ChartElement::Axes, {3, 10}, {3, 14}, false});
    EXPECT_EQ(up.first, (ChartPoint{3, 10}));
    EXPECT_EQ(up.last, (ChartPoint{3, 13}));
    const PaintedSpan left = paintedSpan({ChartElement::Axes, {9, 2}, {5, 2}, false});
    EXPECT_EQ(left.last, (ChartPoint{6, 2}));
    EXPECT_TRUE(paintedSpan({ChartElement::Axes, {4, 4}, {4, 4}, false}).empty);
}

TEST(ChartGeometry, LoadingReadsTheNewestQuotesOrNothing) {
    fixtures::TempDir dir;
    charttest::writeSecurity(dir.path(), climbingDays(300));
    QuoteSeries s;
    ASSERT_TRUE(loadChartSeries(s, dir.path(), "XYZ"));
    ASSERT_EQ(s.count, kChartCapacity);
    EXPECT_EQ(s.date[0], fixtures::dayNumberOf(1997, 1, 2) + 50);
    EXPECT_FLOAT_EQ(s.close[249], 10.0f + 299 + 0.5f);

    EXPECT_FALSE(loadChartSeries(s, dir.path(), "NOPE"));
    EXPECT_EQ(s.count, 0);
    EXPECT_FALSE(loadChartSeries(s, dir.path() + "/missing", "XYZ"));
}

} // namespace
} // namespace qv
