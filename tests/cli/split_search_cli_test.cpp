// split-search end to end: the candidate lines on standard output, the program's messages on
// standard error, and the exit status.

#include "cli_harness.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

namespace qv::cli::testing {
namespace {

using fixtures::TempDir;

// Quotes of 7 fields from 1997-03-03 on, one a day, closes as given and bars 2% either side.
std::vector<fixtures::QuoteRow> quotesWithCloses(const std::vector<float>& closes)
{
    std::vector<fixtures::QuoteRow> rows;
    for (std::size_t k = 0; k < closes.size(); ++k) {
        const float c = closes[k];
        rows.push_back(quote7(1997, 3, 3 + static_cast<int>(k), c, c * 1.02f, c * 0.98f, c, 1000, 0));
    }
    return rows;
}

Security security(int fileNumber, const std::string& symbol, const std::vector<float>& closes)
{
    return {{fileNumber, symbol, symbol + " CORP", 7}, quotesWithCloses(closes)};
}

TEST(SplitSearchCli, PrintsOneLinePerCandidateInPortfolioOrder)
{
    TempDir dir;
    writePortfolio(dir.path(), {security(3, "IBM", {40, 40, 20, 20, 60}), security(1, "MSFT", {10, 10, 10}),
                                security(2, "T", {12, 12, 18})});
    const CliRun run = runInProcess({"split-search", dir.path()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"IBM possible 2 for 1 split on 03/05/97",
                                                        "IBM possible 1 for 3 split on 03/07/97",
                                                        "T possible 2 for 3 split on 03/05/97"}));
    EXPECT_EQ(run.err, "");
}

TEST(SplitSearchCli, NothingFoundIsReportedOnStandardErrorWithSuccess)
{
    TempDir dir;
    writePortfolio(dir.path(), {security(1, "FLAT", {10, 10.5f, 10, 9.5f}), security(2, "ONE", {10})});
    const CliRun run = runProgram({"split-search", dir.path()});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.\n"
                       "No candidate splits found\n");
}

TEST(SplitSearchCli, AFailedReadOrAMissingPortfolioFailsAndDirIsRequired)
{
    TempDir dir;
    writePortfolio(dir.path(), {security(1, "A", {10, 20}), security(2, "B", {10, 20})});
    fixtures::writeBytes(dir.file("F2.DAT"), {});
    const CliRun broken = runInProcess({"split-search", dir.path()});
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_EQ(broken.out, "A possible 1 for 2 split on 03/04/97\n");
    EXPECT_EQ(broken.err, "Error in SplitSearch bars read\n");

    const CliRun missing = runInProcess({"split-search", dir.file("nowhere")});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err, "");
    EXPECT_EQ(runInProcess({"split-search"}).exitStatus, 2);
}

} // namespace
} // namespace qv::cli::testing
