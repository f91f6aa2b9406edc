#pragma once
// Quote series built in memory, and a one-security portfolio on disk, for the chart and print
// tests (core and desktop).

#include "core/store/quotes.h"
#include "fixtures/portfolio_builder.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace qv::charttest {

struct Day {
    int dayNumber = 0;
    float open = 0, high = 0, low = 0, close = 0, volume = 0, openInterest = 0;
};

inline QuoteSeries seriesOf(const std::vector<Day>& days)
{
    QuoteSeries s;
    if (initQuoteSeries(s, static_cast<int>(days.size())) != 0 || setQuoteCount(s, static_cast<int>(days.size())) != 0)
        throw std::runtime_error("no room for the test series");
    for (std::size_t i = 0; i < days.size(); ++i) {
        s.date[i] = static_cast<DayNumber>(days[i].dayNumber);
        s.open[i] = days[i].open;
        s.high[i] = days[i].high;
        s.low[i] = days[i].low;
        s.close[i] = days[i].close;
        s.volume[i] = days[i].volume;
        s.openInterest[i] = days[i].openInterest;
    }
    return s;
}

// n consecutive days from 1997-01-02 whose prices climb from 10 and volumes from 100.
inline std::vector<Day> climbingDays(int n)
{
    std::vector<Day> days;
    const int first = fixtures::dayNumberOf(1997, 1, 2);
    for (int i = 0; i < n; ++i) {
        const float base = 10.0f + static_cast<float>(i);
        days.push_back({first + i, base, base + 1.0f, base - 0.5f, base + 0.5f, 100.0f + static_cast<float>(i), 7.0f});
    }
    return days;
}

struct Security {
    std::string symbol;
    std::string name;
    std::vector<Day> days;
};

// MASTER and F<n>.DAT/F<n>.DOP (n = 1, 2, ...) holding the securities with seven fields each.
inline void writePortfolio(const std::string& dir, const std::vector<Security>& securities)
{
    std::vector<fixtures::ByteVec> entries;
    int fileNumber = 0;
    for (const Security& sec : securities) {
        std::vector<fixtures::QuoteRow> rows;
        for (const Day& d : sec.days)
            rows.push_back({fixtures::fileDateOfDayNumber(d.dayNumber), d.open, d.high, d.low, d.close, d.volume,
                            d.openInterest});
        fixtures::EntrySpec e;
        e.fileNumber = ++fileNumber;
        e.symbol = sec.symbol;
        e.name = sec.name;
        e.fields = 7;
        if (!rows.empty()) {
            e.firstDate = rows.front()[0];
            e.lastDate = rows.back()[0];
        }
        entries.push_back(fixtures::masterEntry(e));
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
