// The run over portfolios: which securities take part, what happens to portfolios whose files
// cannot be used, the audit log as a whole, the end-of-run clean-up and the anomaly report.

#include "update_test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

using namespace qv::updatetest;

float d(int y, int m, int day) { return fileDate(y, m, day); }

Security sec(int n, const std::string& symbol) { return {n, symbol, {row7(d(1997, 1, 15), 10, 100, 1)}}; }
std::string line(const std::string& symbol) { return symbol + ",970116,11,12,10,11.5,200,2\n"; }
const QuoteRow kNewRow{d(1997, 1, 16), 11, 12, 10, 11.5f, 200, 2}; // what line() becomes

class UpdateRun : public UpdateFixture, public ::testing::Test {};

TEST_F(UpdateRun, SkippedSecuritiesLeaveNoTraceAndAnAllSkippedPortfolioIsNotTouched) {
    portfolio({sec(1, "IBM"), sec(2, "MSFT"), sec(4, "GC")}, {1, 4});
    const std::string other = tmp.subdir("Other");
    writePortfolio(other, {sec(3, "XOM"), sec(5, "T")}, {3, 5});
    assignProfile(other, 3, "Daily");
    assignProfile(other, 5, "Daily");
    updateFile("D.TXT", line("IBM") + line("MSFT") + line("GC") + line("XOM") + line("T"));
    auto dataBefore = snapshot(data);
    const auto otherBefore = snapshot(other);
    UpdateInputs in = inputs();
    in.portfolios.push_back(other);

    const RunOutcome run = runUpdate(in);

    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.audit, (std::vector<std::string>{title(), "", auditFor(data), "Quote for: 011697 added to: MSFT", "",
                                                   auditFor(other)}));
    EXPECT_EQ(snapshot(other), otherBefore);
    auto dataAfter = snapshot(data);
    const auto changed = [](const auto& f) { return f.first == "F2.DAT" || f.first == "MASTER"; };
    EXPECT_EQ(std::erase_if(dataAfter, changed), std::erase_if(dataBefore, changed));
    EXPECT_EQ(dataAfter, dataBefore);
}

TEST_F(UpdateRun, SecuritiesWithoutAProfileOrUpdateFilesAreReportedAsNotUpdated) {
    portfolio({sec(1, "IBM"), sec(2, "MSFT"), sec(3, "XOM"), sec(4, "GC")});
    ASSERT_EQ(::unlink((data + "/F2.pfl").c_str()), 0); // no assignment
    assignProfile(data, 3, "Gone");                     // names a profile that is not there
    writeProfile(startup, "Nowhere", ProfileSpec{.updatePath = tmp.file("NoSuchDir")});
    assignProfile(data, 4, "Nowhere");
    updateFile("D.TXT", line("IBM") + line("MSFT") + line("XOM") + line("GC"));

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.flags, 0);
    EXPECT_TRUE(run.recorder.messages.empty());
    EXPECT_EQ(run.audit, auditOf({"Quote for: 011697 added to: IBM", "----> Could not add quote to symbol: MSFT",
                                  "----> Could not add quote to symbol: XOM", "----> Could not add quote to symbol: GC"}));
}

TEST_F(UpdateRun, PortfolioWhoseMasterCannotBeUsedIsPassedOverUntouchedAndTheRunGoesOn) {
    const std::string missingDir = tmp.file("NoPortfolio"), emptyMaster = tmp.subdir("EmptyMaster"),
                      masterIsDir = tmp.subdir("MasterIsDir");
    writeBytes(emptyMaster + "/MASTER", {});
    tmp.subdir("MasterIsDir/MASTER");
    portfolio({sec(1, "IBM")});
    updateFile("D.TXT", line("IBM"));
    const auto emptyBefore = snapshot(emptyMaster), dirBefore = snapshot(masterIsDir);
    UpdateInputs in = inputs();
    in.portfolios = {missingDir, emptyMaster, masterIsDir, data};

    const RunOutcome run = runUpdate(in);

    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(snapshot(emptyMaster), emptyBefore);
    EXPECT_EQ(snapshot(masterIsDir), dirBefore);
    EXPECT_FALSE(exists(missingDir));
    // Each bad portfolio has its heading followed by one error line.
    ASSERT_EQ(run.audit.size(), 1u + 3u * 3u + 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(run.audit[1 + 3 * p], "");
        EXPECT_EQ(run.audit[2 + 3 * p], auditFor(in.portfolios[static_cast<std::size_t>(p)]));
        EXPECT_EQ(run.audit[3 + 3 * p].rfind("ERROR: ", 0), 0u) << run.audit[3 + 3 * p];
    }
    EXPECT_EQ(run.audit.back(), "Quote for: 011697 added to: IBM");

    in.portfolios.clear(); // and no portfolio at all gives a title-only log
    const RunOutcome none = runUpdate(in);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.audit, std::vector<std::string>{title()});
}

TEST_F(UpdateRun, LogThatCannotBeCreatedDoesNotStopTheRunAndIsReported) {
    tmp.subdir("Start/AUDIT.TXT");
    portfolio({sec(1, "IBM")});
    updateFile("D.TXT", line("IBM"));

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.count, 1);
    EXPECT_NE(run.auditProblem.find("AUDIT.TXT"), std::string::npos) << run.auditProblem;
    EXPECT_EQ(dataFile("F1.DAT"), quoteFile(7, plus(sec(1, "IBM"), {kNewRow}).rows));
}

TEST_F(UpdateRun, ReplacedFilesKeepTheirLowerCaseNamesAndPathsKeepTheirCase) {
    portfolio({sec(1, "IBM")});
    for (const char* name : {"MASTER", "F1.DAT", "F1.DOP", "F1.pfl", "SKIPQVTA.PBG"}) {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ASSERT_EQ(::rename((data + "/" + name).c_str(), (data + "/" + lower).c_str()), 0);
    }
    updateFile("D.TXT", line("IBM"));

    const RunOutcome run = runUpdate(inputs());

    EXPECT_EQ(run.audit, auditOf({"Quote for: 011697 added to: IBM"}));
    const Security ibm = plus(sec(1, "IBM"), {kNewRow});
    EXPECT_EQ(readBytes(data + "/f1.dat"), quoteFile(7, ibm.rows));
    EXPECT_EQ(readBytes(data + "/master"), expectedMaster({ibm.entry()}));
    EXPECT_FALSE(exists(data + "/MASTER"));
    EXPECT_FALSE(exists(data + "/F1.DAT"));
}

TEST_F(UpdateRun, DeleteTxtRemovesTheFilesQuotesWereTakenFromAndNothingElse) {
    for (const bool deleteTxt : {false, true}) {
        SCOPED_TRACE(deleteTxt ? "DeleteTxt set" : "DeleteTxt cleared");
        portfolio({sec(1, "IBM"), sec(2, "MSFT")});
        updateFile("USED.TXT", line("IBM") + line("MSFT"));
        updateFile("OLD.TXT", "IBM,970110,1,1,1,1,1,1\nMSFT,970103,1,1,1,1,1,1\n");
        UpdateInputs in = inputs();
        in.settings.deleteTxt = deleteTxt;

        const RunOutcome run = runUpdate(in);

        EXPECT_EQ(run.count, 2);
        EXPECT_EQ(exists(updates + "/USED.TXT"), !deleteTxt);
        EXPECT_TRUE(exists(updates + "/OLD.TXT"));
    }
}

TEST_F(UpdateRun, DirectoryEntriesOfTheMasterAreNotSecurities) {
    Security ibm = sec(2, "IBM");
    writeBytes(data + "/F2.DAT", quoteFile(7, ibm.rows));
    writeText(data + "/F2.DOP", dopText(ibm.dop));
    writeBytes(data + "/MASTER", masterFile({masterDirectoryEntry(1, "SUB"), masterEntry(ibm.entry())}));
    writeSkipFile(data);
    assignProfile(data, 1, "Daily");
    assignProfile(data, 2, "Daily");
    updateFile("D.TXT", line("IBM"));

    EXPECT_EQ(runUpdate(inputs()).audit, auditOf({"Quote for: 011697 added to: IBM"}));
    EXPECT_EQ(dataFile("MASTER"), masterFile({masterDirectoryEntry(1, "SUB"), masterEntry(plus(ibm, {kNewRow}).entry())}));
}

// Anomaly report.

TEST_F(UpdateRun, AnomalyReportOfARealRunNamesEachSecurityNotUpdatedWithItsPortfolio) {
    portfolio({sec(1, "IBM"), sec(2, "MSFT")});
    updateFile("D.TXT", line("IBM"));
    const RunOutcome run = runUpdate(inputs());

    const AnomalyReport report = buildAnomalyReport(startup + "/AUDIT.TXT", run.count);

    EXPECT_EQ(report.title, title() + "\n");
    EXPECT_EQ(report.entries, (std::vector<std::string>{"MSFT in " + data + " ", ""}));
}

TEST(AnomalyReportTest, FixedTextsErrorLinesAndPortfolioTexts) {
    const std::vector<std::string> nothingUpdated{"No quotes were updated this time.",
                                                  "Perhaps....",
                                                  "   this was a holiday",
                                                  "   this was a redundant update",
                                                  "   you have not established Profiles",
                                                  "   your Profiles reference invalid file locations",
                                                  " ",
                                                  "See you next time!",
                                                  ""};
    const auto plusLines = [](std::vector<std::string> v, std::initializer_list<std::string> more) {
        v.insert(v.end(), more);
        return v;
    };
    struct Case {
        const char* what;
        std::optional<std::string> log; // none: no AUDIT.TXT
        int count;
        std::string title;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"a count without anomalies says so",
         "Results of Quovanta for X\n\nAudit for MASTER at: /ms\nQuote for: 011697 added to: IBM\n", 3,
         "Results of Quovanta for X\n", {"No anomalies to report!", " ", "See you next time!", ""}},
        {"count zero shows the fixed reasons, then the error lines",
         "Results of Quovanta for X\n\nAudit for MASTER at: /ms\nERROR: De-Compress failure for file DAILY.ZIP\n"
         "----> Could not add quote to symbol: IBM\n",
         0, "Results of Quovanta for X\n", plusLines(nothingUpdated, {"ERROR: De-Compress failure for file DAILY.ZIP "})},
        {"any line holding MASTER becomes the portfolio text",
         "T\n\nAudit for MASTER at: /ms/stocks\n----> Could not add quote to symbol: IBM\n"
         "----> Could not add quote to symbol: MASTERX\n----> Could not add quote to symbol: GC\n"
         "\nAudit for MASTER at: /ms/bonds\nERROR: De-Compress failure for file B.ZIP\n"
         "----> Could not add quote to symbol: T\n",
         2, "T\n",
         {"IBM in /ms/stocks ", "MASTERX in MASTERX ", "GC in MASTERX ", "T in /ms/bonds ", "",
          "ERROR: De-Compress failure for file B.ZIP "}},
        {"a missing log still gives the fixed texts", std::nullopt, 0, "", nothingUpdated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        if (c.log) writeText(tmp.file("AUDIT.TXT"), *c.log);
        const AnomalyReport report = buildAnomalyReport(tmp.file("AUDIT.TXT"), c.count);
        EXPECT_EQ(report.title, c.title);
        EXPECT_EQ(report.entries, c.entries);
    }
}

} // namespace
} // namespace qv
