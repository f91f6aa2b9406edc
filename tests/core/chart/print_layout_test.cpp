#include "core/chart/print_layout.h"

#include "chart_test_support.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using charttest::climbingDays;

TEST(PrintLayout, PagesHoldWholeLinesTheLastTakesTheRestAndTabsFallOnWholeInches) {
    // A 16-unit font: 21 units per line, so 950 units hold 45 lines.
    const struct { int area, quotes, linesPerPage, pageCount; } cases[] = {
        {-950, 100, 45, 3}, // the printable area may come with either sign
        {950, 90, 45, 2}, {944, 1, 44, 1}, {0, 3, 1, 3},
    };
    for (const auto& c : cases) {
        const PrintMetrics got = printMetrics(c.area, 16, c.quotes);
        EXPECT_TRUE(got.linesPerPage == c.linesPerPage && got.pageCount == c.pageCount) << c.area << " " << c.quotes;
    }
    EXPECT_EQ(printLineTop(printMetrics(950, 16, 100), 2), 42);
    for (const auto& [from, stop] : {std::pair{kPrintLeftMargin, 100}, {199, 200}, {200, 300}, {-20, 100}})
        EXPECT_EQ(nextPrintTabStop(from), stop) << from;
}

TEST(PrintLayout, PagesReadTheirOwnQuotesAndLeaveOutAbsentFieldsWithTheirTabs) {
    const int d = fixtures::dayNumberOf(1999, 12, 31);
    QuoteSeries s = charttest::seriesOf({{d, 1, 2, 0.5f, 1.5f, 0, -1}, {d + 1, -1, 2, 1, 1.5f, 10, -1}});
    EXPECT_EQ(printLineText(s, 0), "12/31/99\t1.0000\t2.0000\t0.5000\t1.5000\t0.00");
    EXPECT_EQ(printLineText(s, 1), "01/01/00\t2.0000\t1.0000\t1.5000\t10.00") << "the high moves into the open's column";
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
