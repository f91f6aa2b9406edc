// "Update Quotes" through the main window: the run on its worker, the progress texts, the lock
// on a second run, the refresh of the quote grid, the end-of-run sound and messages, and the
// anomaly report.

#include "mainwindow_test_support.h"

#include "core/update/update_test_support.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/update/CAnomalyReportDlg.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::updatetest;

namespace {

float d(int y, int m, int day) { return fileDate(y, m, day); }

Security security(int n, const std::string& symbol) { return {n, symbol, {row7(d(1997, 1, 15), 10, 100, 1)}}; }
std::string line(const std::string& symbol, const std::string& date) { return symbol + "," + date + ",11,12,10,11.5,200,2\n"; }

} // namespace

class MainWindowUpdate : public QObject {
    Q_OBJECT

    std::unique_ptr<UpdateFixture> fx_;
    std::unique_ptr<DialogRecorder> dialogs_;
    QStringList reportEntries_;

    std::unique_ptr<CMainFrame> open(bool auditEnable, bool soundDisable)
    {
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kSearchLimit, 0);
        qv::putSetting(settings, qv::keys::kAuditEnable, auditEnable ? 1 : 0);
        qv::putSetting(settings, qv::keys::kSoundDisable, soundDisable ? 1 : 0);
        auto frame = openMainWindow(fx_->startup, fx_->tmp.path());
        if (!waitForStartup(*frame))
            return nullptr;
        return frame;
    }

    static bool runAndWait(CMainFrame& frame)
    {
        QSignalSpy done(frame.view(), &CQuovantaView::updateFinished);
        frame.action(Command::UpdateQuotes)->trigger();
        return done.wait(20000) || done.count() == 1;
    }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        fx_ = std::make_unique<UpdateFixture>();
        dialogs_ = std::make_unique<DialogRecorder>();
        reportEntries_.clear();
        dialogs_->inspect = [this](QDialog& dialog) {
            if (auto* report = qobject_cast<CAnomalyReportDlg*>(&dialog))
                reportEntries_ = report->entries();
        };
        dialogs_->install();
    }
    void cleanup()
    {
        dialogs_.reset();
        fx_.reset();
    }

    void runAddsTheShownSymbolsQuoteRefreshesTheGridAndReports()
    {
        fx_->portfolio({security(1, "IBM"), security(2, "MSFT")});
        fx_->updateFile("D.TXT", line("IBM", "970116") + line("XOM", "970116"));
        auto frame = open(true, false);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QCOMPARE(QString::fromStdString(view->currentSymbol()), QStringLiteral("IBM"));
        QCOMPARE(view->quotesRead(), 1);
        const int beepsBefore = beepCount();

        QSignalSpy done(view, &CQuovantaView::updateFinished);
        frame->action(Command::UpdateQuotes)->trigger();
        // One run at a time: while it works the command is off and a second trigger is ignored.
        QVERIFY(view->updateRunning());
        QVERIFY(!frame->action(Command::UpdateQuotes)->isEnabled());
        QVERIFY(frame->action(Command::ReScan)->isEnabled());
        frame->action(Command::UpdateQuotes)->trigger();
        QVERIFY(done.wait(20000));
        QCOMPARE(done.count(), 1);
        QVERIFY(!view->updateRunning());
        QVERIFY(frame->action(Command::UpdateQuotes)->isEnabled());

        // The last progress texts: the count after the quote, the portfolio being worked on.
        QCOMPARE(view->lastProgress().count, std::string("1  "));
        QCOMPARE(view->lastProgress().portfolio, " " + fx_->data);
        // The shown security got a quote: the grid was read again, newest first.
        QCOMPARE(view->quotesRead(), 2);
        QCOMPARE(view->quoteModel()->index(0, QuoteGridModel::Date).data().toString(), QStringLiteral("01/16/97"));
        QCOMPARE(view->quoteModel()->index(0, QuoteGridModel::Close).data().toString(), QStringLiteral("11.5000"));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 2 of 2"));
        // The sound, no message, and the anomaly report naming the security left without a quote.
        QCOMPARE(beepCount(), beepsBefore + 1);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(dialogs_->titles.size(), 1);
        QVERIFY(reportEntries_.join(QLatin1Char('\n')).contains(QStringLiteral("MSFT")));
        QVERIFY(!reportEntries_.join(QLatin1Char('\n')).contains(QStringLiteral("IBM")));
        QVERIFY(QFile::exists(q(fx_->startup + "/AUDIT.TXT")));
        // No window of the run is left.
        QTRY_VERIFY(!frame->findChild<QDialog*>());

        // A second run adds nothing: the grid keeps its selection and the report says so.
        view->quoteGrid()->selectRow(1);
        QVERIFY(runAndWait(*frame));
        QCOMPARE(view->quotePosition(), 1);
        QCOMPARE(dialogs_->titles.size(), 2);
        QVERIFY(reportEntries_.contains(QStringLiteral("No quotes were updated this time.")));
    }

    void quoteForAnotherSymbolDoesNotRefreshAndNoReportWithoutAuditEnable()
    {
        fx_->portfolio({security(1, "IBM"), security(2, "MSFT")});
        fx_->updateFile("D.TXT", line("MSFT", "970116"));
        auto frame = open(false, false);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        view->quoteGrid()->selectRow(0);
        QSignalSpy refills(view->quoteModel(), &QAbstractItemModel::modelReset);
        QVERIFY(runAndWait(*frame));
        QCOMPARE(refills.count(), 0);
        QCOMPARE(view->quotesRead(), 1);
        QVERIFY(dialogs_->titles.isEmpty());
        // The quote did arrive: selecting the security shows it.
        view->symbolGrid()->selectRow(1);
        QCOMPARE(view->quotesRead(), 2);
    }

    void auditLogThatCannotBeMadeIsReportedInsteadOfAReport()
    {
        fx_->portfolio({security(1, "IBM")});
        fx_->updateFile("D.TXT", line("IBM", "970116"));
        // A directory in the log's place: no run can write AUDIT.TXT, whatever its rights.
        QVERIFY(QDir().mkpath(q(fx_->startup + "/AUDIT.TXT")));
        auto frame = open(true, true);
        QVERIFY(frame);
        const int beepsBefore = beepCount();
        QVERIFY(runAndWait(*frame));
        QCOMPARE(beepCount(), beepsBefore); // SoundDisable silences the end of the run
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(dialogs_->titles.isEmpty());
        // The run itself went on.
        QCOMPARE(frame->view()->quotesRead(), 2);
    }
};

QTEST_MAIN(MainWindowUpdate)
#include "mainwindow_update_test.moc"
