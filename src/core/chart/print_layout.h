#pragma once
// The printed quote list: one quote per line, oldest first, tab-separated, in logical units of
// 0.01 inch measured down from the top of the printable area. The painter measures the font and
// draws; everything else (lines per page, pages, line texts, tab stops) is decided here.

#include "core/store/quotes.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr int kPrintFontHeight = 16; // 0.16 inch, bold
inline constexpr int kPrintLineGap = 5;
inline constexpr int kPrintLeftMargin = 75; // from the printable area's left edge
inline constexpr int kPrintTabStep = 100;   // tab stops every inch from x = 100
inline constexpr std::string_view kPrintFailure = "Print Failure";

struct PrintMetrics {
    int lineHeight = 0;   // h: the height of "Fg" in the print font
    int linePitch = 0;    // h + 5
    int linesPerPage = 0; // L, at least 1
    int pageCount = 0;    // 0 for a security without quotes
};

// Lines per page and pages of `quotes` quotes on a printable area `areaHeight` units high (its
// sign is ignored). An area lower than one line still prints one line per page, so that the
// page count never divides by zero.
PrintMetrics printMetrics(int areaHeight, int lineHeight, int quotes);

// The y of line j's top, downwards from the printable area's top.
inline int printLineTop(const PrintMetrics& m, int j) { return m.linePitch * j; }

// The first tab stop right of x (units from the printable area's left edge).
int nextPrintTabStop(int x);

// The printed line of quote i of the series: MM/DD/YY, then a tab and the value for each of
// open, high, low, close ("%.4f"), volume, open interest ("%.2f") that is 0 or more; a
// negative value (a field the file lacks) is left out with its tab.
std::string printLineText(const QuoteSeries& series, int i);

struct PrintPage {
    std::vector<std::string> lines; // line j is printed at printLineTop(m, j)
    bool ranOut = false;            // the quotes ended on this page: printing stops after it
};

// Page `page` (1-based) of the security's `quotesInFile` quotes at `linesPerPage` lines: reads
// each quote on its own, so the file is never held whole; a quote that cannot be read prints
// as kPrintFailure and printing goes on.
PrintPage printPage(const std::string& dir, const std::string& symbol, int quotesInFile, int page, int linesPerPage);

} // namespace qv
