// An update run through CUpdateRun on its worker: progress reaches the window on the window's
// thread and never after the end, a message box raised by the worker is shown, clean-up is over
// before finished(), and tearing the run down while the worker waits for an answer cannot hang.

#include "core/update/update_test_support.h"
#include "gui/common/MessageBox.h"
#include "gui/update/CUpdateProgressDlg.h"
#include "gui/update/CUpdateRun.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

using namespace qv::updatetest;
using qv::gui::CUpdateProgressDlg;
using qv::gui::CUpdateRun;
using qv::gui::MessageBox;

namespace {

// A portfolio holding IBM with an update for it, and a self-extracting archive that cannot be
// unpacked, so the worker asks the user.
qv::UpdateInputs failingExtraction(UpdateFixture& f)
{
    f.portfolio({{1, "IBM", {row7(fileDate(1997, 1, 15), 10, 100, 1)}}});
    f.updateFile("D.TXT", "IBM,970116,11,12,10,11.5,200,2\n");
    f.updateFile("UPDATE.EXE", "MZ");
    qv::UpdateInputs in = f.inputs();
    in.settings.selfExtractEnable = true;
    in.settings.deleteTxt = true;
    in.selfExtractor = f.tmp.file("no-such-program");
    return in;
}

} // namespace

class UpdateRunTest : public QObject {
    Q_OBJECT
private slots:
    void runShowsProgressAsksTheUserAndCleansUpBeforeItEnds()
    {
        MessageBox::setTestMode(true);
        UpdateFixture f;
        const qv::UpdateInputs in = failingExtraction(f);
        CUpdateProgressDlg window(nullptr);
        window.show();
        CUpdateRun run(&window);
        bool onUiThread = true, afterFinished = false, updateFileLeft = true;
        int finishedCount = 0;
        QStringList lastShown;
        connect(&run, &CUpdateRun::progress, &window, [&](const qv::ProgressTexts& texts) {
            onUiThread = onUiThread && QThread::currentThread() == window.thread();
            afterFinished = afterFinished || finishedCount > 0;
            window.setTexts(texts);
            lastShown = window.shownTexts();
        });
        connect(&run, &CUpdateRun::finished, &window, [&] {
            ++finishedCount;
            updateFileLeft = exists(f.updates + "/D.TXT");
        });
        QVERIFY(run.start(in));
        QVERIFY(!run.start(in)); // one run at a time
        QTRY_COMPARE_WITH_TIMEOUT(finishedCount, 1, 20000);
        QTest::qWait(50); // nothing may follow the end of the run
        QVERIFY(finishedCount == 1 && !afterFinished && onUiThread && !updateFileLeft);
        QCOMPARE(lastShown.at(3), QStringLiteral("1  "));
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{QStringLiteral("CreateProcess failed while trying to Self-Extract based on this command "
                                            "line\n\nUPDATE.EXE -o")});
    }

    void destroyingTheRunWaitsForTheWorkerEvenWhenItWaitsForAnAnswer()
    {
        // Outside test mode the worker's message box needs this thread; the destructor must
        // release it instead of waiting for ever.
        MessageBox::setTestMode(false);
        UpdateFixture f;
        auto run = std::make_unique<CUpdateRun>(nullptr);
        QSignalSpy finished(run.get(), &CUpdateRun::finished);
        QVERIFY(run->start(failingExtraction(f)));
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
