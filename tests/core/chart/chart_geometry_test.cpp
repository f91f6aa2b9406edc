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

std::vector<ChartLine> linesOf(const ChartGeometry& g, ChartElement e, int x)
{
    std::vector<ChartLine> out;
    for (const ChartLine& l : g.lines)
        if (l.element == e && l.from.x == x)
            out.push_back(l);
    return out;
}

std::optional<ChartText> textAt(const ChartGeometry& g, ChartElement e, ChartPoint at)
{
    for (const ChartText& t : g.texts)
        if (t.element == e && t.at == at)
            return t;
    return std::nullopt;
}

bool hasTextAt(const ChartGeometry& g, ChartPoint at)
{
    return std::any_of(g.texts.begin(), g.texts.end(), [&](const ChartText& t) { return t.at == at; });
}

int dayOf(int y, int m, int d) { return fixtures::dayNumberOf(y, m, d); }

TEST(ChartGeometry, PanesAxesAndBarPlacesFollowTheRectangle)
{
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

    QuoteSeries empty = seriesOf({});
    EXPECT_TRUE(layoutChart(kW, kH, &empty, "XYZ", "XYZ INDUSTRIES").texts.empty());
}

TEST(ChartGeometry, AFullSeriesDrawsOneBarFewerThanFitsEndingWithTheNewest)
{
    const QuoteSeries s = seriesOf(climbingDays(250));
    const ChartGeometry g = layoutChart(kW, kH, &s, "XYZ", "");
    ASSERT_EQ(g.bars.size(), 109u);
    EXPECT_EQ(g.bars.front().index, 141);
    EXPECT_EQ(g.bars.front().x, 8);
    EXPECT_EQ(g.bars.back().index, 249);
    EXPECT_EQ(g.bars.back().x, 332);

    const QuoteSeries few = seriesOf(climbingDays(50));
    const ChartGeometry wide = layoutChart(1200, kH, &few, "XYZ", "");
    ASSERT_EQ(wide.bars.size(), 50u);
    EXPECT_EQ(wide.bars.front().index, 0);
    EXPECT_EQ(wide.bars.front().x, 8);
    EXPECT_EQ(wide.bars.back().x, 8 + 49 * 3);
}

TEST(ChartGeometry, BarsTicksAndVolumesAreScaledIntoTheirPanes)
{
    const int d = dayOf(1997, 3, 3);
    const QuoteSeries s = seriesOf({{d, 0, 20, 10, 15, 1000, 0},
                                    {d + 1, 0, 20, 10, 12.5f, 500, 0},
                                    {d + 2, 0, 15, 12.5f, 17.5f, 10, 0}});
    const ChartGeometry g = layoutChart(kW, kH, &s, "XYZ", "XYZ INDUSTRIES");
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
}

TEST(ChartGeometry, TheOldestDrawnQuoteOnlySeedsTheRange)
{
    const int d = dayOf(1997, 3, 3);
    // A damaged oldest record (low 0, a wild high) does not squash the chart.
    const QuoteSeries s = seriesOf({{d, 0, 5000, 0, 0, 10, 0}, {d + 1, 0, 20, 10, 15, 100, 0},
                                    {d + 2, 0, 18, 12, 13, 50, 0}});
    const ChartGeometry g = layoutChart(kW, kH, &s, "", "");
    EXPECT_DOUBLE_EQ(g.minPrice, 10);
    EXPECT_DOUBLE_EQ(g.maxPrice, 20);

    // Beyond what fits, the quote before the first drawn one takes no part at all.
    std::vector<Day> days = climbingDays(120);
    days[10].low = 0.01f;
    days[11].low = 0.02f; // first drawn: seeds the minimum, then is replaced
    const QuoteSeries many = seriesOf(days);
    const ChartGeometry h = layoutChart(kW, kH, &many, "", "");
    EXPECT_EQ(h.firstIndex, 11);
    EXPECT_DOUBLE_EQ(h.minPrice, days[12].low);
}

TEST(ChartGeometry, MonthMarksStandUnderTheFirstBarOfEachMonth)
{
    const QuoteSeries s = seriesOf({{dayOf(1997, 1, 30), 0, 2, 1, 1.5f, 5, 0},
                                    {dayOf(1997, 1, 31), 0, 2, 1, 1.5f, 5, 0},
                                    {dayOf(1997, 2, 3), 0, 2, 1, 1.5f, 5, 0}});
    const ChartGeometry g = layoutChart(kW, kH, &s, "", "");
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
    const QuoteSeries many = seriesOf(days);
    std::vector<int> xs;
    for (const ChartBar& b : layoutChart(kW, kH, &many, "", "").bars)
        if (b.monthMark)
            xs.push_back(b.x);
    EXPECT_EQ(xs, (std::vector<int>{8, 92, 185, 275}));
}

TEST(ChartGeometry, LabelsAvoidTheLastCloseAndNeedRoomForTheDate)
{
    const int d = dayOf(1997, 3, 3);
    const ChartPoint maxAt{337, kH - 3};
    const ChartPoint minAt{337, 50};
    {
        // Last close at the middle: both range labels, and the close label beside its tick.
        const QuoteSeries s = seriesOf({{d, 0, 20, 10, 15, 1000, 0},
                                        {d + 1, 0, 20, 10, 12.5f, 500, 0},
                                        {d + 2, 0, 15, 12.5f, 17.5f, 10, 0}});
        const ChartGeometry g = layoutChart(kW, kH, &s, "XYZ", "XYZ INDUSTRIES");
        EXPECT_EQ(textAt(g, ChartElement::NormalText, maxAt)->text, " 20.00");
        EXPECT_EQ(textAt(g, ChartElement::NormalText, minAt)->text, " 10.00");
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
    {
        const QuoteSeries top = seriesOf({{d, 0, 20, 10, 15, 1, 0}, {d + 1, 0, 20, 10, 20, 1, 0}});
        const ChartGeometry g = layoutChart(kW, kH, &top, "", "");
        EXPECT_FALSE(hasTextAt(g, maxAt)) << "the close label already shows the maximum";
        EXPECT_TRUE(hasTextAt(g, minAt));
        const QuoteSeries bottom = seriesOf({{d, 0, 20, 10, 15, 1, 0}, {d + 1, 0, 20, 10, 10, 1, 0}});
        const ChartGeometry b = layoutChart(kW, kH, &bottom, "", "");
        EXPECT_TRUE(hasTextAt(b, maxAt));
        EXPECT_FALSE(hasTextAt(b, minAt));
    }
    {
        // The date of the last bar appears once that bar lies beyond x = 100.
        const QuoteSeries s31 = seriesOf(climbingDays(31));
        EXPECT_EQ(layoutChart(kW, kH, &s31, "", "").bars.back().x, 98);
        EXPECT_FALSE(hasTextAt(layoutChart(kW, kH, &s31, "", ""), {98, kH - 3}));
        const QuoteSeries s32 = seriesOf(climbingDays(32));
        const auto date = textAt(layoutChart(kW, kH, &s32, "", ""), ChartElement::NormalText, {101, kH - 3});
        ASSERT_TRUE(date);
        EXPECT_EQ(date->text, "02/02/97");
        EXPECT_EQ(date->align, TextAlign::Right);
    }
}

TEST(ChartGeometry, ScalingThatWouldDivideByZeroStillDrawsASoundChart)
{
    const int d = dayOf(1997, 3, 3);
    {
        // One price throughout, no volume: bars on the price pane's floor, no volume bars.
        const QuoteSeries s = seriesOf({{d, 0, 10, 10, 10, 0, 0}, {d + 1, 0, 10, 10, 10, 0, 0}});
        const ChartGeometry g = layoutChart(kW, kH, &s, "", "");
        ASSERT_EQ(g.bars.size(), 2u);
        for (const ChartBar& b : g.bars) {
            EXPECT_EQ(paintedSpan(linesOf(g, ChartElement::HighLowBar, b.x).at(0)).last, (ChartPoint{b.x, 50}));
            EXPECT_EQ(linesOf(g, ChartElement::CloseTick, b.x).at(0).from.y, 50);
            EXPECT_TRUE(linesOf(g, ChartElement::Volume, b.x).empty());
        }
        EXPECT_EQ(textAt(g, ChartElement::NormalText, {340, 50})->text, "  0");
    }
    {
        // No volume field (-1 throughout): no bars pointing anywhere and no "-1" label.
        const QuoteSeries s = seriesOf({{d, 0, 12, 10, 11, -1, -1}, {d + 1, 0, 13, 11, 12, -1, -1}});
        const ChartGeometry g = layoutChart(kW, kH, &s, "", "");
        for (const ChartLine& l : g.lines)
            EXPECT_NE(l.element, ChartElement::Volume);
        EXPECT_FALSE(hasTextAt(g, {340, 50}));
    }
}

TEST(ChartGeometry, SmallAndNegativeVolumesNeverPaintBelowTheirBar)
{
    const int d = dayOf(1997, 3, 3);
    // H = 185 gives V = 32, so volumes of a largest 32 scale to themselves; -5 is a damaged record.
    const QuoteSeries s = seriesOf({{d, 0, 2, 1, 1, 32, 0}, {d + 1, 0, 2, 1, 1, 1, 0}, {d + 2, 0, 2, 1, 1, 2, 0},
                                    {d + 3, 0, 2, 1, 1, 3, 0}, {d + 4, 0, 2, 1, 1, -5, 0},
                                    {d + 5, 0, 2, 1, 1, 5, 0}});
    const ChartGeometry g = layoutChart(kW, 185, &s, "", "");
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

TEST(ChartGeometry, RectanglesTooSmallOrDamagedQuotesDrawWithoutFault)
{
    const QuoteSeries s = seriesOf(climbingDays(20));
    for (const auto& [w, h] : {std::pair{75, 225}, std::pair{20, 225}, std::pair{400, 26}, std::pair{400, 10},
                              std::pair{0, 0}}) {
        const ChartGeometry g = layoutChart(w, h, &s, "XYZ", "");
        EXPECT_TRUE(g.bars.empty()) << w << "x" << h;
        EXPECT_TRUE(g.texts.empty()) << w << "x" << h;
    }
    // Two bar places: one bar.
    EXPECT_EQ(layoutChart(76, 225, &s, "", "").bars.size(), 1u);

    std::vector<Day> days = climbingDays(5);
    days[4].close = 1.0e30f;
    const QuoteSeries wild = seriesOf(days);
    const ChartGeometry g = layoutChart(kW, kH, &wild, "", "");
    ASSERT_EQ(g.bars.size(), 5u);
    EXPECT_GT(g.bars.back().yClose, g.priceHeight);
}

TEST(ChartGeometry, LinesLeaveTheirEndPointUnpainted)
{
    const PaintedSpan up = paintedSpan({ChartElement::Axes, {3, 10}, {3, 14}, false});
    EXPECT_EQ(up.first, (ChartPoint{3, 10}));
    EXPECT_EQ(up.last, (ChartPoint{3, 13}));
    const PaintedSpan left = paintedSpan({ChartElement::Axes, {9, 2}, {5, 2}, false});
    EXPECT_EQ(left.last, (ChartPoint{6, 2}));
    EXPECT_TRUE(paintedSpan({ChartElement::Axes, {4, 4}, {4, 4}, false}).empty);
}

TEST(ChartGeometry, LoadingReadsTheNewestQuotesOrNothing)
{
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
