#pragma once
// Quote series built in memory, and a one-security portfolio on disk, for the chart and print
// tests (core and desktop).

#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace qv::charttest {

struct Day {
    int dayNumber = 0;
    float open = 0, high = 0, low = 0, close = 0, volume = 0, openInterest = 0;
};

inline QuoteSeries seriesOf(const std::vector<Day>& days)
{
    QuoteSeries s;
    const int n = static_cast<int>(days.size());
    if (initQuoteSeries(s, n) != 0 || setQuoteCount(s, n) != 0)
        throw std::runtime_error("no room for the test series");
    for (std::size_t i = 0; i < days.size(); ++i) {
        const Day& d = days[i];
        s.date[i] = static_cast<DayNumber>(d.dayNumber);
        std::tie(s.open[i], s.high[i], s.low[i], s.close[i]) = std::tuple(d.open, d.high, d.low, d.close);
        std::tie(s.volume[i], s.openInterest[i]) = std::tuple(d.volume, d.openInterest);
    }
    return s;
}

// n consecutive days from 1997-01-02 whose prices climb from 10 and volumes from 100.
inline std::vector<Day> climbingDays(int n)
{
    std::vector<Day> days;
    for (int i = 0; i < n; ++i) {
        const float base = 10.0f + static_cast<float>(i);
        days.push_back({fixtures::dayNumberOf(1997, 1, 2) + i, base, base + 1.0f, base - 0.5f, base + 0.5f,
                        100.0f + static_cast<float>(i), 7.0f});
    }
    return days;
}

struct Security {
    std::string symbol, name;
    std::vector<Day> days;
};

// MASTER and F<n>.DAT/F<n>.DOP (n = 1, 2, ...) holding the securities with seven fields each.
inline void writePortfolio(const std::string& dir, const std::vector<Security>& securities)
{
    std::vector<fixtures::ByteVec> entries;
    for (std::size_t k = 0; k < securities.size(); ++k) {
        const Security& sec = securities[k];
        std::vector<fixtures::QuoteRow> rows;
        for (const Day& d : sec.days)
            rows.push_back(
                {fixtures::fileDateOfDayNumber(d.dayNumber), d.open, d.high, d.low, d.close, d.volume, d.openInterest});
        const int fileNumber = static_cast<int>(k) + 1;
        const float first = rows.empty() ? 0 : rows.front()[0], last = rows.empty() ? 0 : rows.back()[0];
        entries.push_back(fixtures::masterEntry({fileNumber, sec.symbol, sec.name, 7, first, last}));
        const std::string stem = dir + "/F" + std::to_string(fileNumber);
        fixtures::writeBytes(stem + ".DAT", fixtures::quoteFile(7, rows));
        fixtures::writeText(stem + ".DOP", fixtures::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
    }
    fixtures::writeBytes(dir + "/MASTER", fixtures::masterFile(entries));
}

// One security "XYZ" ("XYZ INDUSTRIES") holding `days`.
inline void writeSecurity(const std::string& dir, const std::vector<Day>& days)
{
    writePortfolio(dir, {{"XYZ", "XYZ INDUSTRIES", days}});
}

} // namespace qv::charttest
