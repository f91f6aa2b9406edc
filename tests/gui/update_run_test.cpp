// The windows of an update run, and the run through CUpdateRun on a byte-built portfolio: the
// progress the window shows, a message box raised by the worker, the end of the run and the
// anomaly report after it.

#include "core/update/update_test_support.h"
#include "gui/common/MessageBox.h"
#include "gui/update/CAnomalyReportDlg.h"
#include "gui/update/CUpdateProgressDlg.h"
#include "gui/update/CUpdateRun.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

using namespace qv::updatetest;
using qv::gui::CAnomalyReportDlg;
using qv::gui::CUpdateProgressDlg;
using qv::gui::CUpdateRun;
using qv::gui::MessageBox;

namespace {

float d(int y, int m, int day) { return fileDate(y, m, day); }
Security sec(int n, const std::string& symbol) { return {n, symbol, {row7(d(1997, 1, 15), 10, 100, 1)}}; }
std::string line(const std::string& symbol) { return symbol + ",970116,11,12,10,11.5,200,2\n"; }

// What the window showed after each progress message, and what the end of the run found.
struct Observed {
    std::vector<QStringList> shown;
    bool progressOnUiThread = true;
    bool progressAfterFinished = false;
    int finishedCount = 0;
    bool runningAtFinish = true;
    bool updateFileLeftAtFinish = true;
};

} // namespace

class UpdateRunTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
    }

    void progressWindowCannotBeClosedByTheUserAndKeepsItsFieldsLimits()
    {
        CUpdateProgressDlg dlg(nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!dlg.isModal());
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());

        qv::ProgressTexts t;
        t.portfolio = " " + std::string(400, 'p');
        t.symbol = std::string(250, 's');
        t.quoteFile = std::string(250, 'q');
        t.count = std::string(30, '9');
        t.extractionLabel = "De-Compressing File:";
        t.extractionFile = std::string(250, 'e');
        dlg.setTexts(t);
        const QStringList shown = dlg.shownTexts();
        QVERIFY(shown.at(0).startsWith(QStringLiteral(" ppp")));
        QCOMPARE(shown.at(4), QStringLiteral("De-Compressing File:"));
        const qsizetype sizes[] = {300, 200, 200, 20, 20, 200};
        for (int i : {0, 1, 2, 3, 5})
            QCOMPARE(shown.at(i).size(), sizes[i]);

        // The main window ends it when the run is over.
        QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
    }

    void anomalyReportShowsTitleWithoutLineEndCountAndEntries()
    {
        qv::AnomalyReport report;
        report.title = "Results of Quovanta for Friday, January 17, 1997 18:30:00\n";
        report.entries = {"No anomalies to report!", " ", "See you next time!", ""};
        CAnomalyReportDlg dlg(report, 3, nullptr);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Anomaly Report"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("title"))->text(),
                 QStringLiteral("Results of Quovanta for Friday, January 17, 1997 18:30:00"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("count"))->text(), QStringLiteral("3"));
        QCOMPARE(dlg.entries(), (QStringList{"No anomalies to report!", " ", "See you next time!", ""}));
    }

    void runShowsProgressAsksTheUserAndReportsTheEnd()
    {
        UpdateFixture f;
        f.portfolio({sec(1, "IBM"), sec(2, "MSFT")});
        f.updateFile("D.TXT", line("IBM"));
        f.updateFile("UPDATE.EXE", "MZ"); // cannot be unpacked: the worker asks the user
        qv::UpdateInputs in = f.inputs();
        in.shownSymbol = "IBM";
        in.settings.sexEnable = true;
        in.settings.deleteTxt = true;
        in.selfExtractor = f.tmp.file("no-such-program");

        CUpdateProgressDlg window(nullptr);
        window.show();
        QCOMPARE(window.shownTexts().at(4), QStringLiteral("Self-Extracting file:"));

        CUpdateRun run(&window);
        Observed seen;
        connect(&run, &CUpdateRun::progress, &window, [&](const qv::ProgressTexts& texts) {
            seen.progressOnUiThread = seen.progressOnUiThread && QThread::currentThread() == window.thread();
            seen.progressAfterFinished = seen.progressAfterFinished || seen.finishedCount > 0;
            window.setTexts(texts);
            seen.shown.push_back(window.shownTexts());
        });
        connect(&run, &CUpdateRun::finished, &window, [&] {
            ++seen.finishedCount;
            seen.runningAtFinish = run.isRunning();
            seen.updateFileLeftAtFinish = exists(f.updates + "/D.TXT");
        });
        QSignalSpy finished(&run, &CUpdateRun::finished);

        QVERIFY(run.start(in));
        QVERIFY(run.isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QTest::qWait(50); // nothing may follow the end of the run
        QCOMPARE(seen.finishedCount, 1);

        const QList<QVariant> args = finished.takeFirst();
        QCOMPARE(args.at(0).value<quint16>(), quint16(1));
        QCOMPARE(args.at(1).value<quint16>(), quint16(qv::kRunFlagSelfExtractFailed | qv::kRunFlagShownSymbolUpdated));
        QCOMPARE(args.at(2).toString(), QString());
        QVERIFY(!seen.runningAtFinish);
        QVERIFY2(!seen.updateFileLeftAtFinish, "the engine's clean-up must be over before finished()");

        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{QStringLiteral("CreateProcess failed while trying to Self-Extract based on this command "
                                            "line\n\nUPDATE.EXE -o")});

        QVERIFY(seen.progressOnUiThread);
        QVERIFY(!seen.progressAfterFinished);
        QVERIFY(seen.shown.size() >= 4);
        // The first message blanks the extraction label; the window ends on the count.
        QCOMPARE(seen.shown.front(), (QStringList{"", "", "", "0  ", "", ""}));
        QCOMPARE(seen.shown.back().at(3), QStringLiteral("1  "));
        const QString portfolio = QString::fromStdString(" " + f.data);
        bool sawExtraction = false, sawScan = false;
        for (const QStringList& t : seen.shown) {
            sawExtraction = sawExtraction || (t.at(4) == QStringLiteral("Self-Extracting File:") &&
                                              t.at(5) == QStringLiteral(" UPDATE") && t.at(0) == portfolio);
            sawScan = sawScan || (t.at(1) == QStringLiteral(" IBM") && t.at(2) == QStringLiteral(" D.TXT"));
        }
        QVERIFY(sawExtraction);
        QVERIFY(sawScan);

        // The report of that run, as the main window shows it.
        const qv::AnomalyReport report = qv::buildAnomalyReport(f.startup + "/AUDIT.TXT", 1);
        CAnomalyReportDlg dialog(report, 1, nullptr);
        QCOMPARE(dialog.entries(), (QStringList{QString::fromStdString("MSFT in " + f.data + " "), "",
                                                "ERROR: Self-Extract failure for file UPDATE.EXE "}));
    }

    void secondStartIsRefusedUntilTheRunHasEnded()
    {
        UpdateFixture f;
        f.portfolio({sec(1, "IBM")});
        f.updateFile("D.TXT", line("IBM"));
        CUpdateRun run(nullptr);
        QSignalSpy finished(&run, &CUpdateRun::finished);
        QVERIFY(run.start(f.inputs()));
        QVERIFY(!run.start(f.inputs()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);

        // A new run may start at once; the quote is already there, so it adds nothing.
        QVERIFY(run.start(f.inputs()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
        QCOMPARE(finished.at(0).at(0).value<quint16>(), quint16(1));
        QCOMPARE(finished.at(1).at(0).value<quint16>(), quint16(0));
    }

    void destroyingTheRunWaitsForTheWorkerEvenWhenItWaitsForAnAnswer()
    {
        // Outside test mode the worker's message box needs this thread; the destructor must
        // release it instead of waiting for ever.
        MessageBox::setTestMode(false);
        UpdateFixture f;
        f.portfolio({sec(1, "IBM")});
        f.updateFile("UPDATE.EXE", "MZ");
        qv::UpdateInputs in = f.inputs();
        in.settings.sexEnable = true;
        in.selfExtractor = f.tmp.file("no-such-program");
        auto run = std::make_unique<CUpdateRun>(nullptr);
        QSignalSpy finished(run.get(), &CUpdateRun::finished);
        QVERIFY(run->start(in));
        QThread::msleep(300); // no events handled: the worker now waits on its message box call
        run.reset();
        QCOMPARE(finished.count(), 0);
        // The run completed its clean-up: no MASTER copies are left behind.
        QVERIFY(namesEndingIn(f.data, ".~NU").empty());
        QVERIFY(namesEndingIn(f.data, ".~OL").empty());
        MessageBox::setTestMode(true);
    }
};

QTEST_MAIN(UpdateRunTest)
#include "update_run_test.moc"
