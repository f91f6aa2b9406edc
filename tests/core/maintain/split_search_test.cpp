#include "core/maintain/split_search.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace qv {
namespace {

namespace fx = fixtures;

// Two quotes whose bars have no height: the gap is the whole change of the close, so only the
// ratio window decides.
QuotePair apart(float close0, float close1) { return {close0, close0, close0, close1, close1, close1}; }

std::string ratioText(const std::optional<SplitRatio>& r)
{
    return r ? std::to_string(r->newShares) + " for " + std::to_string(r->oldShares) : "none";
}

TEST(SplitPairTest, RatiosWindowsGapAndMissingValuesDecideAsListed)
{
    const struct {
        QuotePair pair;
        const char* ratio;
        const char* why;
        bool hasHighLow = true;
    } cases[] = {
        {apart(16, 12), "none", "4 for 3 falls between the windows"},
        {{10, 10.2f, 9.8f, 30, 30.5f, 29.5f}, "1 for 3", "a reverse split"},
        // 1.8f and 2.2f lie just outside (0.9 * 2, 1.1 * 2) taken in double precision.
        {apart(18.0f, 10), "none", "window (1.8, 2.2) open below"},
        {apart(22.0f, 10), "none", "window open above"},
        {apart(18.01f, 10), "2 for 1", "a hundredth inside"},
        // Falling 40 to 20 the gap, from the earlier low down to the later high, must exceed 16.
        {{40, 41, 36, 20, 20, 19}, "none", "gap of exactly 0.8"},
        {{40, 41, 36.02f, 20, 20, 19}, "2 for 1", "just over"},
        {{40, -1, -1, 20, -1, -1}, "none", "no high and low: both read as -1"},
        {{40, 41, -1, 20, 21, -1}, "none", "only one of them: the other's -1 fakes a wide gap", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ratioText(splitRatioOfPair(c.pair, c.hasHighLow)), c.ratio) << c.why;
}

const int kFirstDay = fx::dayNumberOf(1997, 1, 2);

struct Security {
    int fileNumber;
    std::string symbol;
    std::vector<float> closes; // each bar 5% either side of its close
    std::vector<std::string> fields = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
};

// n closes at 10, doubling at each of the given indices (a 1 for 2 candidate there).
std::vector<float> doublingAt(int n, std::vector<int> jumps)
{
    std::vector<float> closes;
    float level = 10.0f;
    for (int k = 0; k < n; ++k)
        closes.push_back(level *= std::count(jumps.begin(), jumps.end(), k) ? 2.0f : 1.0f);
    return closes;
}

void writePortfolio(const std::string& dir, const std::vector<Security>& securities)
{
    std::vector<fx::ByteVec> records;
    for (const Security& s : securities) {
        const int fields = static_cast<int>(s.fields.size());
        records.push_back(fx::masterEntry({s.fileNumber, s.symbol, s.symbol + " INC", fields}));
        std::vector<fx::QuoteRow> rows;
        for (std::size_t k = 0; k < s.closes.size(); ++k)
            for (fx::QuoteRow& row = rows.emplace_back(); const std::string& f : s.fields)
                row.push_back(f == "DATE"               ? fx::fileDateOfDayNumber(kFirstDay + static_cast<int>(k))
                              : f == "HIGH"             ? s.closes[k] * 1.05f
                              : f == "LOW"              ? s.closes[k] * 0.95f
                              : f == "VOL" || f == "OI" ? 1000.0f
                                                        : s.closes[k]);
        const std::string stem = dir + "/F" + std::to_string(s.fileNumber);
        fx::writeBytes(stem + ".DAT", fx::quoteFile(fields, rows));
        fx::writeText(stem + ".DOP", fx::dopText(s.fields));
    }
    fx::writeBytes(dir + "/MASTER", fx::masterFile(records));
}

struct Recorded {
    std::vector<std::string> lines, messages;
    SplitSearchOutcome outcome;
};
Recorded search(const std::string& dir)
{
    Recorded r;
    SplitSearchReporter reporter;
    reporter.onCandidate = [&](const SplitCandidate& c) { r.lines.push_back(splitCandidateLine(c)); };
    reporter.onMessage = [&](const SplitSearchMessage& m) { r.messages.push_back(m.text); };
    r.outcome = runSplitSearch(dir, reporter);
    return r;
}

// The candidate line, its date computed from the fixture's own calendar.
std::string line(const std::string& symbol, const std::string& ratio, int k)
{
    const auto v = static_cast<long>(fx::fileDateOfDayNumber(kFirstDay + k));
    char date[16];
    std::snprintf(date, sizeof date, "%02ld/%02ld/%02ld", v / 100 % 100, v % 100, v / 10000 % 100);
    return symbol + " possible " + ratio + " split on " + date;
}

TEST(SplitSearchTest, EveryPairIsTestedOnceAcrossChunkBoundariesAndShortSecuritiesAreNamed)
{
    fx::TempDir tmp;
    // LONG jumps at the pairs (0,1), (398,399), (399,400), (400,401) and its last, (598,599);
    // ODD is one chunk and two quotes, the second read holding just the pair (399,400).
    writePortfolio(tmp.path(), {{7, "ZED", {10, 10, 10, 10.0f / 3, 10.0f / 3}},
                                {1, "NONE", {}},
                                {2, "LONG", doublingAt(600, {1, 399, 400, 401, 599})},
                                {4, "ODD", doublingAt(401, {400})},
                                {5, "BOTH", doublingAt(4, {2}), {"DATE", "HIGH", "LOW", "CLOSE"}}, // no open
                                {6, "CLOSE", doublingAt(4, {2}), {"DATE", "CLOSE", "VOL"}}});
    const Recorded r = search(tmp.path());
    EXPECT_EQ(r.lines, (std::vector<std::string>{line("ZED", "3 for 1", 3), line("LONG", "1 for 2", 1),
                                                 line("LONG", "1 for 2", 399), line("LONG", "1 for 2", 400),
                                                 line("LONG", "1 for 2", 401), line("LONG", "1 for 2", 599),
                                                 line("ODD", "1 for 2", 400), line("BOTH", "1 for 2", 2)}));
    EXPECT_EQ(r.messages, std::vector<std::string>{
                              "For symbol NONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes."});

    writePortfolio(tmp.path(), {{1, "FLAT", doublingAt(3, {})}});
    EXPECT_EQ(search(tmp.path()).outcome.finalMessage().value().text, "No candidate splits found");
}

TEST(SplitSearchTest, AnUnreadableSecurityEndsTheSearchKeepingWhatWasFound)
{
    fx::TempDir tmp;
    writePortfolio(tmp.path(),
                   {{1, "A", doublingAt(3, {1})}, {2, "B", doublingAt(3, {1})}, {3, "C", doublingAt(3, {1})}});
    std::filesystem::remove(tmp.file("F2.DAT"));
    const Recorded r = search(tmp.path());
    EXPECT_EQ(r.outcome.end, SplitSearchOutcome::End::ReadFailed);
    EXPECT_EQ(r.outcome.failure.message(), "Error in SplitSearch bars read");
    EXPECT_EQ(r.outcome.failure.file(), tmp.file("F2.DAT")) << "the file that could not be read";
    EXPECT_EQ(r.lines, std::vector<std::string>{line("A", "1 for 2", 1)});
    EXPECT_EQ(search(tmp.subdir("empty")).outcome.end, SplitSearchOutcome::End::NoPortfolio);
}

TEST(SplitSearchTest, ReportIsWrittenLineByLine)
{
    fx::TempDir tmp;
    ASSERT_TRUE(saveSplitSearchReport(tmp.file("r.txt"), {"A possible 2 for 1", "B possible 1 for 3"}));
    const fx::ByteVec saved = fx::readBytes(tmp.file("r.txt"));
    EXPECT_EQ(std::string(saved.begin(), saved.end()), "A possible 2 for 1\nB possible 1 for 3\n");
    // A report that cannot take the place of what is there (a directory) says so and why.
    const Outcome failed = saveSplitSearchReport(tmp.path(), {"A possible 2 for 1"});
    EXPECT_EQ(failed.file(), tmp.path());
    EXPECT_EQ(failed.message().rfind("The search results could not be saved.\n", 0), 0u) << failed.message();
}

} // namespace
} // namespace qv
