#include "core/maintain/split_search.h"

#include "core/platform/fault_injection.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qv {
namespace {

namespace fx = fixtures;

// ---- The pair test ------------------------------------------------------------------------

// Two quotes whose bars have no height: the gap is the whole change of the close, so only the
// ratio window decides.
QuotePair apart(float close0, float close1) { return {close0, close0, close0, close1, close1, close1}; }

std::string ratioText(const std::optional<SplitRatio>& r) {
    return r ? std::to_string(r->newShares) + " for " + std::to_string(r->oldShares) : "none";
}

TEST(SplitPairTest, EveryRatioOfOneToFourIsFoundOrRefusedAsListed) {
    // 3 for 4 and 4 for 3 fall between the windows; 2 for 4 and 4 for 2 are 1 for 2 and 2 for 1.
    const std::map<std::pair<int, int>, std::string> expected = {
        {{1, 2}, "1 for 2"}, {{1, 3}, "1 for 3"}, {{1, 4}, "1 for 4"}, {{2, 1}, "2 for 1"},
        {{2, 3}, "2 for 3"}, {{2, 4}, "1 for 2"}, {{3, 1}, "3 for 1"}, {{3, 2}, "3 for 2"},
        {{3, 4}, "none"},    {{4, 1}, "4 for 1"}, {{4, 2}, "2 for 1"}, {{4, 3}, "none"},
    };
    for (const auto& [ij, text] : expected) {
        const float later = 12.0f; // divisible by 1..4: every close below is exact
        const float earlier = later * static_cast<float>(ij.first) / static_cast<float>(ij.second);
        EXPECT_EQ(ratioText(splitRatioOfPair(apart(earlier, later))), text) << ij.first << " for " << ij.second;
    }
    EXPECT_EQ(ratioText(splitRatioOfPair(apart(12.0f, 12.0f))), "none");
    EXPECT_EQ(splitRatios().size(), 8u);
}

TEST(SplitPairTest, WindowsGapAndMissingValuesDecideAsListed) {
    struct Case {
        QuotePair pair;
        const char* ratio;
        const char* why;
        bool hasHighLow = true;
    };
    const Case cases[] = {
        {{40, 40.5f, 39, 20.25f, 20.5f, 20}, "2 for 1", "later high under the earlier low"},
        {{40, 40.5f, 39, 20.25f, 35, 20}, "none", "the same closes, bars nearly touching"},
        {{10, 10.2f, 9.8f, 30, 30.5f, 29.5f}, "1 for 3", "a reverse split"},
        // 1.8f and 2.2f lie just outside (0.9 * 2, 1.1 * 2) taken in double precision.
        {apart(18.0f, 10), "none", "window (1.8, 2.2) open below"},
        {apart(18.01f, 10), "2 for 1", "a hundredth inside"},
        {apart(21.99f, 10), "2 for 1", "a hundredth inside"},
        {apart(22.0f, 10), "none", "window open above"},
        {apart(4.5f, 10), "none", "window (0.45, 0.55) open below"},
        {apart(4.51f, 10), "1 for 2", "a hundredth inside"},
        {apart(5.49f, 10), "1 for 2", "a hundredth inside"},
        {apart(5.5f, 10), "none", "window open above"},
        // Falling 40 to 20 the gap, from the earlier low down to the later high, must exceed 16.
        {{40, 41, 36, 20, 20, 19}, "none", "gap of exactly 0.8 of the change"},
        {{40, 41, 36.02f, 20, 20, 19}, "2 for 1", "gap just over 0.8"},
        // Rising 20 to 40: from the earlier high up to the later low.
        {{20, 20.5f, 19, 40, 41, 36.5f}, "none", "gap of exactly 0.8, rising"},
        {{20, 20.5f, 19, 40, 41, 36.52f}, "1 for 2", "gap just over 0.8, rising"},
        {{10, 25, 9, 30, 31, 12}, "none", "overlapping bars, 22 apart the wrong way round"},
        {{30, 31, 12, 10, 25, 9}, "none", "overlapping bars, falling"},
        {{0, 10.5f, 9.5f, 20, 21, 19}, "none", "earlier close 0"},
        {{40, 41, 39, 0, 1, 0}, "none", "later close 0"},
        {{40, -1, -1, 20, -1, -1}, "none", "no high and low: both read as -1"},
        {{40, 41, -1, 20, 21, -1}, "none", "only one of them: the other's -1 fakes a wide gap", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ratioText(splitRatioOfPair(c.pair, c.hasHighLow)), c.ratio) << c.why;
}

// ---- Whole portfolios ---------------------------------------------------------------------

struct Bar {
    float close, high, low;
};
// A bar of 5% either side of its close.
Bar around(float close) { return {close, close * 1.05f, close * 0.95f}; }

const int kFirstDay = fx::dayNumberOf(1997, 1, 2);

// The date of the k-th quote as the candidate line shows it, computed from the fixture's own
// calendar.
std::string dateText(int k) {
    const auto v = static_cast<long>(fx::fileDateOfDayNumber(kFirstDay + k));
    char text[16];
    std::snprintf(text, sizeof text, "%02ld/%02ld/%02ld", v / 100 % 100, v % 100, v / 10000 % 100);
    return text;
}

struct Security {
    int fileNumber;
    std::string symbol;
    std::vector<Bar> bars;
    std::vector<std::string> fields = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
};

void writePortfolio(const std::string& dir, const std::vector<Security>& securities) {
    std::vector<fx::ByteVec> records;
    for (const Security& s : securities) {
        const int fields = static_cast<int>(s.fields.size());
        records.push_back(fx::masterEntry({s.fileNumber, s.symbol, s.symbol + " INC", fields}));
        std::vector<fx::QuoteRow> rows;
        for (std::size_t k = 0; k < s.bars.size(); ++k) {
            fx::QuoteRow row;
            const Bar& b = s.bars[k];
            for (const std::string& f : s.fields)
                row.push_back(f == "DATE"                  ? fx::fileDateOfDayNumber(kFirstDay + static_cast<int>(k))
                              : f == "HIGH"                ? b.high
                              : f == "LOW"                 ? b.low
                              : f == "CLOSE" || f == "OPEN" ? b.close
                                                           : 1000.0f);
            rows.push_back(row);
        }
        const std::string stem = dir + "/F" + std::to_string(s.fileNumber);
        fx::writeBytes(stem + ".DAT", fx::quoteFile(fields, rows));
        fx::writeText(stem + ".DOP", fx::dopText(s.fields));
    }
    fx::writeBytes(dir + "/MASTER", fx::masterFile(records));
}

// n quotes at 10, with price levels changed from the given indices on (each level twice the
// last: a 1 for 2 candidate at each index).
std::vector<Bar> doublingAt(int n, std::vector<int> jumps) {
    std::vector<Bar> bars;
    float level = 10.0f;
    for (int k = 0; k < n; ++k) {
        for (int j : jumps)
            if (j == k) level *= 2.0f;
        bars.push_back(around(level));
    }
    return bars;
}

struct Recorded {
    std::vector<std::string> lines;
    std::vector<std::string> messages;
    std::vector<std::string> symbols;
    SplitSearchOutcome outcome;
};

Recorded search(const std::string& dir) {
    Recorded r;
    SplitSearchReporter reporter;
    reporter.onCandidate = [&](const SplitCandidate& c) { r.lines.push_back(splitCandidateLine(c)); };
    reporter.onMessage = [&](const SplitSearchMessage& m) { r.messages.push_back(m.text); };
    reporter.onSymbolDone = [&](const std::string& s) { r.symbols.push_back(s); };
    r.outcome = runSplitSearch(dir, reporter);
    return r;
}

std::string line(const std::string& symbol, const std::string& ratio, int k) {
    return symbol + " possible " + ratio + " split on " + dateText(k);
}

class SplitSearchTest : public ::testing::Test {
protected:
    void TearDown() override { faults::reset(); }
    fx::TempDir tmp;
    const std::string& dir() const { return tmp.path(); }
};

TEST_F(SplitSearchTest, EveryPairIsTestedOnceAcrossChunkBoundariesSecurityBySecurity) {
    std::vector<Bar> falling = doublingAt(5, {});
    falling[3] = falling[4] = around(10.0f / 3.0f); // 3 for 1 at quote 3
    // LONG jumps at the pairs (0,1), (398,399), (399,400), (400,401) and its last, (598,599);
    // ODD is one chunk and two quotes, the second read holding just the pair (399,400).
    writePortfolio(dir(), {{7, "ZED", falling},
                           {2, "LONG", doublingAt(600, {1, 399, 400, 401, 599})},
                           {4, "ODD", doublingAt(401, {400})},
                           {3, "FLAT", doublingAt(400, {})},
                           {5, "BOTH", doublingAt(4, {2}), {"DATE", "HIGH", "LOW", "CLOSE"}}}); // no open: still found
    const Recorded r = search(dir());
    ASSERT_TRUE(r.outcome.done());
    EXPECT_EQ(r.lines, (std::vector<std::string>{line("ZED", "3 for 1", 3), line("LONG", "1 for 2", 1),
                                                 line("LONG", "1 for 2", 399), line("LONG", "1 for 2", 400),
                                                 line("LONG", "1 for 2", 401), line("LONG", "1 for 2", 599),
                                                 line("ODD", "1 for 2", 400), line("BOTH", "1 for 2", 2)}));
    EXPECT_EQ(r.outcome.candidates[3].index, 400);
    EXPECT_EQ(r.symbols, (std::vector<std::string>{"ZED", "LONG", "ODD", "FLAT", "BOTH"}));
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(r.outcome.finalMessage());
}

TEST_F(SplitSearchTest, SecuritiesWithFewerThanTwoQuotesAreNamedAndPassedOverAndFilesWithoutHighOrLowYieldNone) {
    writePortfolio(dir(), {{1, "NONE", {}},
                           {2, "ONE", {around(10.0f)}},
                           {3, "FLAT", doublingAt(3, {})},
                           {4, "CLOSE", doublingAt(4, {2}), {"DATE", "CLOSE", "VOL"}},
                           {5, "NOLOW", doublingAt(4, {2}), {"DATE", "OPEN", "HIGH", "CLOSE", "VOL"}}});
    const Recorded r = search(dir());
    ASSERT_TRUE(r.outcome.done());
    EXPECT_EQ(r.messages,
              (std::vector<std::string>{
                  "For symbol NONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.",
                  "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes."}));
    EXPECT_EQ(r.symbols, (std::vector<std::string>{"NONE", "ONE", "FLAT", "CLOSE", "NOLOW"}));
    // Nothing found: the information message follows "Done search".
    const auto message = r.outcome.finalMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, "No candidate splits found");
    EXPECT_TRUE(message->information);
}

TEST_F(SplitSearchTest, AnUnreadableSecurityEndsTheSearchKeepingWhatWasFound) {
    writePortfolio(dir(), {{1, "A", doublingAt(3, {1})}, {2, "B", doublingAt(3, {1})}, {3, "C", doublingAt(3, {1})}});
    std::filesystem::remove(tmp.file("F2.DAT"));
    const Recorded r = search(dir());
    EXPECT_EQ(r.outcome.end, SplitSearchOutcome::End::ReadFailed);
    EXPECT_EQ(r.outcome.failureMessage, "Error in SplitSearch bars read");
    EXPECT_EQ(r.lines, std::vector<std::string>{line("A", "1 for 2", 1)});
    EXPECT_EQ(r.symbols, std::vector<std::string>{"A"});
    EXPECT_FALSE(r.outcome.finalMessage());
    EXPECT_EQ(search(tmp.subdir("empty")).outcome.end, SplitSearchOutcome::End::NoPortfolio);
}

TEST_F(SplitSearchTest, ReportIsWrittenLineByLineAndAFailedSaveKeepsTheOldOne) {
    const std::string path = tmp.file("result.txt");
    fx::writeText(path, "an older and much longer report\nwith two lines\n");
    ASSERT_TRUE(saveSplitSearchReport(path, {"A possible 2 for 1 split on 01/03/97", "B possible 1 for 3 split on 02/04/98"}));
    const fx::ByteVec saved = fx::readBytes(path);
    EXPECT_EQ(std::string(saved.begin(), saved.end()),
              "A possible 2 for 1 split on 01/03/97\nB possible 1 for 3 split on 02/04/98\n");
    {
        faults::ScopedFailure failure(faults::Op::Rename, 1);
        EXPECT_FALSE(saveSplitSearchReport(path, {"X possible 2 for 1 split on 01/03/97"}));
    }
    EXPECT_EQ(fx::readBytes(path), saved);
    EXPECT_EQ(fx::snapshot(dir()).size(), 1u); // no temporary file left behind
}

} // namespace
} // namespace qv
