#include "core/chart/print_layout.h"

#include "chart_test_support.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using charttest::climbingDays;
using charttest::seriesOf;

// A 16-unit font: 21 units per line, so 950 units hold 45 lines.
constexpr int kLine = 16;
constexpr int kArea45 = 950;

TEST(PrintLayout, PagesHoldWholeLinesTheLastTakesTheRestAndNothingDividesByZero) {
    const PrintMetrics m = printMetrics(kArea45, kLine, 100);
    EXPECT_EQ(m.linePitch, 21);
    EXPECT_EQ(printLineTop(m, 2), 42);
    struct Case {
        int area, quotes, linesPerPage, pageCount;
    };
    const Case cases[] = {
        {kArea45, 100, 45, 3}, {-kArea45, 100, 45, 3}, // the printable area may come with either sign
        {kArea45, 90, 45, 2},  {kArea45, 91, 45, 3},   {945, 1, 45, 1}, {944, 1, 44, 1},
        {10, 5, 1, 5},         {0, 3, 1, 3},           // an area below one line still prints one
        {kArea45, 0, 45, 0},   {kArea45, -4, 45, 0},
    };
    for (const Case& c : cases) {
        const PrintMetrics got = printMetrics(c.area, kLine, c.quotes);
        EXPECT_EQ(got.linesPerPage, c.linesPerPage) << c.area << " " << c.quotes;
        EXPECT_EQ(got.pageCount, c.pageCount) << c.area << " " << c.quotes;
    }
}

TEST(PrintLayout, TabStopsFallOnWholeInchesFromTheFirstInch) {
    EXPECT_EQ(nextPrintTabStop(kPrintLeftMargin), 100);
    EXPECT_EQ(nextPrintTabStop(140), 200);
    EXPECT_EQ(nextPrintTabStop(199), 200);
    EXPECT_EQ(nextPrintTabStop(200), 300);
    EXPECT_EQ(nextPrintTabStop(-20), 100);
}

TEST(PrintLayout, LinesLeaveOutAbsentFieldsWithTheirTabs) {
    const int d = fixtures::dayNumberOf(1999, 12, 31);
    QuoteSeries s = seriesOf({{d, 12.5f, 13, 12, 12.75f, 1500, 42}, {d + 1, 1, 2, 0.5f, 1.5f, 0, -1},
                              {d + 2, -1, 2, 1, 1.5f, 10, -1}});
    EXPECT_EQ(printLineText(s, 0), "12/31/99\t12.5000\t13.0000\t12.0000\t12.7500\t1500.00\t42.00");
    // No open interest: six columns, no trailing tab; a volume of 0 is still printed.
    EXPECT_EQ(printLineText(s, 1), "01/01/00\t1.0000\t2.0000\t0.5000\t1.5000\t0.00");
    // No open: the high moves into the open's column.
    EXPECT_EQ(printLineText(s, 2), "01/02/00\t2.0000\t1.0000\t1.5000\t10.00");
}

TEST(PrintLayout, PagesReadTheirOwnQuotesOldestFirstAndUnreadableOnesPrintAsFailures) {
    fixtures::TempDir dir;
    charttest::writeSecurity(dir.path(), climbingDays(100));
    const PrintPage first = printPage(dir.path(), "XYZ", 100, 1, 45);
    ASSERT_EQ(first.lines.size(), 45u);
    EXPECT_FALSE(first.ranOut);
    EXPECT_EQ(first.lines[0], "01/02/97\t10.0000\t11.0000\t9.5000\t10.5000\t100.00\t7.00");
    EXPECT_EQ(printPage(dir.path(), "XYZ", 100, 2, 45).lines.size(), 45u);
    const PrintPage third = printPage(dir.path(), "XYZ", 100, 3, 45);
    ASSERT_EQ(third.lines.size(), 10u);
    EXPECT_TRUE(third.ranOut);
    EXPECT_EQ(third.lines[0], "04/02/97\t100.0000\t101.0000\t99.5000\t100.5000\t190.00\t7.00");

    const PrintPage none = printPage(dir.path(), "XYZ", 0, 1, 45);
    EXPECT_TRUE(none.lines.empty());
    EXPECT_TRUE(none.ranOut);

    // Quotes that cannot be read print as failures and printing goes on: the file shrank after
    // the view counted 102 quotes.
    const PrintPage shrunk = printPage(dir.path(), "XYZ", 102, 3, 45);
    ASSERT_EQ(shrunk.lines.size(), 12u);
    EXPECT_EQ(shrunk.lines[9], third.lines[9]);
    EXPECT_EQ(shrunk.lines[10], "Print Failure");
    EXPECT_EQ(shrunk.lines[11], "Print Failure");
    EXPECT_TRUE(shrunk.ranOut);
    EXPECT_EQ(printPage(dir.path(), "GONE", 3, 1, 45).lines, (std::vector<std::string>(3, "Print Failure")));
}

} // namespace
} // namespace qv
