// "Update Quotes" through the main window: one run at a time, the refresh of the quote grid, the
// end-of-run sound, and the anomaly report or the message that replaces it.

#include "mainwindow_test_support.h"

#include "core/update/update_test_support.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/update/CAnomalyReportDlg.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::updatetest;

namespace {

SecuritySpec security(int n, const std::string& symbol)
{
    return {n, symbol, {row7(fileDate(1997, 1, 15), 10, 100, 1)}};
}
std::string line(const std::string& symbol) { return symbol + ",970116,11,12,10,11.5,200,2\n"; }

} // namespace

class MainWindowUpdate : public QObject {
    Q_OBJECT

    std::unique_ptr<UpdateFixture> fx_;
    std::unique_ptr<DialogRecorder> dialogs_;
    QString report_;

    std::unique_ptr<CMainFrame> open(const std::string& updateText, bool auditEnable, bool soundDisable)
    {
        fx_->portfolio({security(1, "IBM"), security(2, "MSFT")});
        fx_->updateFile("D.TXT", updateText);
        qv::SettingsFile settings = quietSettings();
        require(qv::putSetting(settings, qv::keys::kSearchLimit, 0));
        require(qv::putSetting(settings, qv::keys::kAuditEnable, auditEnable ? 1 : 0));
        require(qv::putSetting(settings, qv::keys::kSoundDisable, soundDisable ? 1 : 0));
        return openStarted(fx_->startup, fx_->tmp.path());
    }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        fx_ = std::make_unique<UpdateFixture>();
        dialogs_ = std::make_unique<DialogRecorder>();
        report_.clear();
        dialogs_->inspect = [this](QDialog& dialog) {
            if (auto* report = qobject_cast<CAnomalyReportDlg*>(&dialog))
                report_ = report->entries().join(QLatin1Char('\n'));
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
        auto frame = open(line("IBM") + line("XOM"), true, false);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        int beepsBefore = beepCount();
        QSignalSpy done(view, &CQuovantaView::updateFinished);
        frame->action(Command::UpdateQuotes)->trigger();
        // One run at a time: while it works the command is off and a second trigger is ignored.
        QVERIFY(!frame->action(Command::UpdateQuotes)->isEnabled());
        frame->action(Command::UpdateQuotes)->trigger();
        // Closing is refused with a beep and the reason.
        QVERIFY(!frame->close());
        QCOMPARE(beepCount(), ++beepsBefore);
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().front().startsWith(QStringLiteral("Quovanta cannot close while it updates")));
        MessageBox::clearShown();
        QVERIFY(done.wait(20000));
        QCOMPARE(done.count(), 1);

        // The shown security got a quote: the grid was read again, newest first.
        QCOMPARE(view->quotesRead(), 2);
        QCOMPARE(view->quoteModel()->index(0, QuoteGridModel::Date).data().toString(), QStringLiteral("01/16/97"));
        // The sound, no message, and the report naming the security left without a quote.
        QCOMPARE(beepCount(), beepsBefore + 1);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(dialogs_->titles.size(), 1);
        QVERIFY(report_.contains(QStringLiteral("MSFT")));
        QVERIFY(!report_.contains(QStringLiteral("IBM")));
        QTRY_VERIFY(!frame->findChild<QDialog*>()); // no window of the run is left
    }

    void auditLogThatCannotBeMadeIsReportedInsteadOfAReport()
    {
        // A directory in the log's place: no run can write AUDIT.TXT, whatever its rights.
        QVERIFY(QDir().mkpath(q(fx_->startup + "/AUDIT.TXT")));
        auto frame = open(line("IBM"), true, true);
        QVERIFY(frame);
        const int beepsBefore = beepCount();
        QSignalSpy done(frame->view(), &CQuovantaView::updateFinished);
        frame->action(Command::UpdateQuotes)->trigger();
        QVERIFY(done.wait(20000));
        QCOMPARE(beepCount(), beepsBefore); // SoundDisable silences the end of the run
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(dialogs_->titles.isEmpty());
        QCOMPARE(frame->view()->quotesRead(), 2);
    }
};

QTEST_MAIN(MainWindowUpdate)
#include "mainwindow_update_test.moc"
