#include "core/chart/chart_geometry.h"
#include "core/chart/print_layout.h"

#include "chart_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace qv {
namespace {

using charttest::climbingDays;
using charttest::Day;

// A 400 x 225 chart: plot width 330, price pane 160 high, volume pane 40.
constexpr int kW = 400;
constexpr int kH = 225;

std::optional<PaintedSpan> spanAt(const ChartGeometry& g, ChartElement e, int x)
{
    for (const ChartLine& l : g.lines)
        if (l.element == e && l.from.x == x)
            return paintedSpan(l);
    return std::nullopt;
}

std::optional<std::string> textAt(const ChartGeometry& g, ChartPoint at)
{
    for (const ChartText& t : g.texts)
        if (t.at == at)
            return t.text;
    return std::nullopt;
}

int dayOf(int y, int m, int d) { return fixtures::dayNumberOf(y, m, d); }

ChartGeometry chartOf(const std::vector<Day>& days, int w = kW, int h = kH, const std::string& symbol = "")
{
    const QuoteSeries s = charttest::seriesOf(days);
    return layoutChart(w, h, &s, symbol, "XYZ INDUSTRIES");
}

TEST(ChartGeometry, BarsEndWithTheNewestQuoteAndAreScaledIntoTheirPanes)
{
    // A full series draws one bar fewer than fits, ending with the newest.
    const ChartGeometry full = chartOf(climbingDays(250));
    ASSERT_EQ(full.bars.size(), 109u);
    EXPECT_TRUE(full.bars.front().index == 141 && full.bars.front().x == 8 && full.bars.back().x == 332);

    const int d = dayOf(1997, 3, 3);
    const ChartGeometry g =
        chartOf({{d, 0, 20, 10, 15, 1000, 0}, {d + 1, 0, 20, 10, 12.5f, 500, 0}, {d + 2, 0, 15, 12.5f, 17.5f, 10, 0}},
                kW, kH, "XYZ");
    // Quote 0 spans the whole price pane and has the largest volume.
    const auto y = [&](ChartElement e, int x, bool last = false) {
        const auto span = spanAt(g, e, x);
        return !span ? -1 : last ? span->last.y : span->first.y;
    };
    EXPECT_EQ((std::vector{y(ChartElement::HighLowBar, 8), y(ChartElement::HighLowBar, 8, true),
                           y(ChartElement::CloseTick, 8), y(ChartElement::Volume, 8, true)}),
              (std::vector{50, 210, 130, 48}));
    // Quote 1: close a quarter up; quote 2's volume scales to 0.4 pixel.
    EXPECT_EQ(y(ChartElement::CloseTick, 11), 90);
    EXPECT_EQ(y(ChartElement::Volume, 14), -1);
    // The top of the range, and the last close beside its tick.
    EXPECT_TRUE(textAt(g, {337, kH - 3}) == " 20.00" && textAt(g, {337, 167}) == " 17.50");
}

TEST(ChartGeometry, TheOldestDrawnQuoteOnlySeedsTheRangeAndTheOneBeforeItMarksTheMonth)
{
    const int d = dayOf(1997, 3, 3);
    // A damaged oldest record (low 0, a wild high) does not squash the chart.
    const ChartGeometry g =
        chartOf({{d, 0, 5000, 0, 0, 10, 0}, {d + 1, 0, 20, 10, 15, 100, 0}, {d + 2, 0, 18, 12, 13, 50, 0}});
    EXPECT_TRUE(g.minPrice == 10 && g.maxPrice == 20) << g.minPrice << ' ' << g.maxPrice;

    // Beyond what fits, the quote before the first drawn one takes no part in the range, but is
    // compared with to place a month mark. 120 days from Jan 21: the first drawn (11) is Feb 1.
    std::vector<Day> days;
    for (int i = 0; i < 120; ++i)
        days.push_back({dayOf(1997, 1, 21) + i, 0, 2, 1, 1.5f, 5, 0});
    days[10].low = 0.01f;
    days[11].low = 0.02f; // first drawn: seeds the minimum, then is replaced
    const ChartGeometry h = chartOf(days);
    EXPECT_TRUE(h.firstIndex == 11 && h.minPrice == 1) << h.firstIndex << ' ' << h.minPrice;
    std::vector<int> xs;
    for (const ChartBar& b : h.bars)
        if (b.monthMark)
            xs.push_back(b.x);
    EXPECT_EQ(xs, (std::vector<int>{8, 92, 185, 275}));
}

// Quotes before 1961 (day numbers 0 and below) mark their months and name the newest day as the grid does.
TEST(ChartGeometry, QuotesBefore1961MarkTheirMonthsAndNameTheNewestDay)
{
    for (const auto& [first, newest] :
         {std::pair{dayOf(1960, 11, 20), "01/09/61"}, std::pair{dayOf(1928, 9, 12), "1928-11-01"}}) {
        std::vector<Day> days;
        for (int i = 0; i <= 50; ++i)
            days.push_back({first + i, 0, 2, 1, 1.5f, 5, 0});
        const ChartGeometry g = chartOf(days);
        ASSERT_EQ(g.bars.size(), 51u);
        std::vector<int> marked;
        for (const ChartBar& b : g.bars)
            if (b.monthMark)
                marked.push_back(b.index);
        EXPECT_EQ(marked.size(), 2u) << newest;
        EXPECT_EQ(textAt(g, {g.bars.back().x, kH - 3}), newest);
    }
}

TEST(ChartGeometry, FlatDamagedOrTooSmallChartsDrawWithoutFault)
{
    const int d = dayOf(1997, 3, 3);
    // One price throughout, no volume: bars on the price pane's floor, no volume bars.
    const ChartGeometry flat = chartOf({{d, 0, 10, 10, 10, 0, 0}, {d + 1, 0, 10, 10, 10, 0, 0}});
    EXPECT_EQ(spanAt(flat, ChartElement::HighLowBar, flat.bars[1].x)->last.y, 50);
    EXPECT_FALSE(spanAt(flat, ChartElement::Volume, flat.bars[1].x));
    // A damaged negative volume paints nothing below its bar.
    const ChartGeometry damaged = chartOf({{d, 0, 2, 1, 1, 32, 0}, {d + 1, 0, 2, 1, 1, -5, 0}});
    EXPECT_FALSE(spanAt(damaged, ChartElement::Volume, damaged.bars[1].x));

    for (const auto& [w, h] : {std::pair{75, 225}, std::pair{400, 26}, std::pair{0, 0}}) {
        const ChartGeometry g = chartOf(climbingDays(20), w, h, "XYZ");
        EXPECT_TRUE(g.bars.empty() && g.texts.empty()) << w << "x" << h;
    }
}

TEST(ChartGeometry, LoadingReadsTheNewestQuotesOrNothing)
{
    fixtures::TempDir dir;
    charttest::writeSecurity(dir.path(), climbingDays(300));
    QuoteSeries s;
    ASSERT_TRUE(loadChartSeries(s, dir.path(), "XYZ"));
    EXPECT_TRUE(s.count == kChartCapacity && s.date[0] == fixtures::dayNumberOf(1997, 1, 2) + 50);
    EXPECT_FALSE(loadChartSeries(s, dir.path(), "NOPE"));
}

TEST(PrintLayout, PagesHoldWholeLinesTheLastTakesTheRestAndTabsFallOnWholeInches)
{
    // A 16-unit font: 21 units per line, so 950 units hold 45 lines.
    // Area (the printable area may come with either sign), quotes, lines per page, pages.
    for (const auto& [area, quotes, lines, pages] :
         {std::array{-950, 100, 45, 3}, {950, 90, 45, 2}, {944, 1, 44, 1}, {0, 3, 1, 3}}) {
        const PrintMetrics got = printMetrics(area, 16, quotes);
        EXPECT_TRUE(got.linesPerPage == lines && got.pageCount == pages) << area << " " << quotes;
    }
    EXPECT_EQ(printLineTop(printMetrics(950, 16, 100), 2), 42);
    for (const auto& [from, stop] : {std::pair{kPrintLeftMargin, 100}, {199, 200}, {200, 300}, {-20, 100}})
        EXPECT_EQ(nextPrintTabStop(from), stop) << from;
}

TEST(PrintLayout, PagesReadTheirOwnQuotesAndLeaveOutAbsentFieldsWithTheirTabs)
{
    const int d = fixtures::dayNumberOf(1999, 12, 31);
    QuoteSeries s = charttest::seriesOf({{d, 1, 2, 0.5f, 1.5f, 0, -1}, {d + 1, -1, 2, 1, 1.5f, 10, -1}});
    EXPECT_EQ(printLineText(s, 0), "12/31/99\t1.0000\t2.0000\t0.5000\t1.5000\t0.00");
    EXPECT_EQ(printLineText(s, 1), "01/01/00\t2.0000\t1.0000\t1.5000\t10.00")
        << "the high moves into the open's column";
    const QuoteSeries early = charttest::seriesOf({{fixtures::dayNumberOf(1928, 10, 1), 1, 2, 0.5f, 1.5f, 0, -1}});
    EXPECT_EQ(printLineText(early, 0), "1928-10-01\t1.0000\t2.0000\t0.5000\t1.5000\t0.00");

    fixtures::TempDir dir;
    charttest::writeSecurity(dir.path(), climbingDays(100));
    const PrintPage first = printPage(dir.path(), "XYZ", 100, 1, 45);
    ASSERT_EQ(first.lines.size(), 45u);
    EXPECT_EQ(first.lines[0], "01/02/97\t10.0000\t11.0000\t9.5000\t10.5000\t100.00\t7.00");
    const PrintPage third = printPage(dir.path(), "XYZ", 100, 3, 45);
    ASSERT_TRUE(third.lines.size() == 10u && third.ranOut);
    EXPECT_EQ(third.lines[0], "04/02/97\t100.0000\t101.0000\t99.5000\t100.5000\t190.00\t7.00");

    // Quotes that cannot be read print as failures and printing goes on.
    EXPECT_EQ(printPage(dir.path(), "GONE", 3, 1, 45).lines, (std::vector<std::string>(3, "Print Failure")));
}

} // namespace
} // namespace qv
