#include "core/chart/print_layout.h"

#include "core/store/encodings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qv {

PrintMetrics printMetrics(int areaHeight, int lineHeight, int quotes)
{
    PrintMetrics m;
    m.lineHeight = lineHeight;
    m.linePitch = lineHeight + kPrintLineGap;
    const long long area = std::llabs(static_cast<long long>(areaHeight));
    const long long perPage = m.linePitch > 0 ? area / m.linePitch : 0;
    m.linesPerPage = perPage < 1 ? 1 : static_cast<int>(std::min<long long>(perPage, 1 << 20));
    const int q = quotes > 0 ? quotes : 0;
    m.pageCount = q / m.linesPerPage + (q % m.linesPerPage != 0 ? 1 : 0);
    return m;
}

int nextPrintTabStop(int x)
{
    if (x < kPrintTabStep)
        return kPrintTabStep;
    return (x / kPrintTabStep + 1) * kPrintTabStep;
}

std::string printLineText(const QuoteSeries& series, int i)
{
    const auto at = static_cast<std::size_t>(i);
    std::string line = formatDateForDisplay(series.date[at]);
    const auto add = [&line](const char* format, float value) {
        if (value < 0.0f)
            return;
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, format, static_cast<double>(value));
        line += '\t';
        if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
            line += buf;
        } else {
            std::string big(static_cast<std::size_t>(n) + 1, '\0');
            std::snprintf(big.data(), big.size(), format, static_cast<double>(value));
            big.pop_back();
            line += big;
        }
    };
    add("%.4f", series.open[at]);
    add("%.4f", series.high[at]);
    add("%.4f", series.low[at]);
    add("%.4f", series.close[at]);
    add("%.2f", series.volume[at]);
    add("%.2f", series.openInterest[at]);
    return line;
}

PrintPage printPage(const std::string& dir, const std::string& symbol, int quotesInFile, int page, int linesPerPage)
{
    PrintPage result;
    if (page < 1 || linesPerPage < 1) {
        result.ranOut = true;
        return result;
    }
    QuoteSeries series;
    const bool ready = initQuoteSeries(series, 1) == kStatusOk;
    for (int j = 0; j < linesPerPage; ++j) {
        const long long k = static_cast<long long>(page - 1) * linesPerPage + j;
        if (k >= quotesInFile) {
            result.ranOut = true;
            break;
        }
        const bool read =
            ready && readQuoteSeries(series, dir, symbol, static_cast<int>(k), 1) == kStatusOk && series.count == 1;
        result.lines.push_back(read ? printLineText(series, 0) : std::string(kPrintFailure));
    }
    freeQuoteSeries(series);
    return result;
}

} // namespace qv
