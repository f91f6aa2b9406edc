// The main window from start-up on: defaults without a settings file, the window placement,
// the first portfolio search, the tutorial prompt, and the column widths kept between runs.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/app/LayoutRules.h"
#include "gui/help/CHelpWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

class MainWindowStartup : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        quietSettings();
    }

    void firstStartWithoutSettingsFileUsesTheDefaultsAndAsksForTheTutorialUntilYes()
    {
        qv::SettingsFile settings = quietSettings(true);
        TempDir tmp;
        const std::string startup = tmp.subdir("Start");
        const std::string data = tmp.subdir("Start/Data");
        qv::fixtures::writeStandardPortfolio(data);
        DialogRecorder dialogs;
        dialogs.install();
        auto frame = openStarted(startup, tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();

        QVERIFY(QFile::exists(q(startup + "/MyFirstProfile.pfd")));
        // Centred at 95 % of the screen, and written as placed.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int w = static_cast<int>(screen.width() * 0.95);
        const int h = static_cast<int>(screen.height() * 0.95);
        QCOMPARE(frame->size(), QSize(w, h));
        QCOMPARE(frame->pos(), QPoint(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2));
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenCx), w);
        // Recent quotes, the search limited to the start-up directory's first level.
        QCOMPARE(frame->modePane()->text(), QStringLiteral("RECENT"));
        QCOMPARE(q(view->settings().searchName), q(startup.substr(0, startup.find('/', 1))));
        QCOMPARE(q(qv::getSetting(settings, qv::keys::kDrive)), q(tmp.path()));
        QCOMPARE(view->portfolios(), std::vector<std::string>{data});
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 10 of 10"));

        // The fill ended with the tutorial prompt, answered No: the next selection asks again.
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Tutorial")});
        view->symbolGrid()->selectRow(1);
        QTRY_COMPARE(dialogs.titles.size(), 2);
        QCOMPARE(qv::getSetting(settings, qv::keys::kNewbie), 1);
        // Yes opens the tutorial and clears the flag for good.
        dialogs.answers = {QDialog::Accepted};
        view->symbolGrid()->selectRow(2);
        QTRY_COMPARE(dialogs.titles.size(), 3);
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("tutorial.html"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kNewbie), 0);
        view->symbolGrid()->selectRow(0);
        QCOMPARE(dialogs.titles.size(), 3);
        if (CHelpWindow* help = CHelpWindow::instance())
            help->close();
    }

    void rootWithoutPortfoliosSaysSoAndReScanFindsNewOnes()
    {
        TempDir tmp;
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{q("Quovanta could not find any Portfolios on drive " + tmp.path() +
                               "\n(No \"master\" files were found)")});
        MessageBox::clearShown();
        const std::string data = tmp.subdir("Later");
        qv::fixtures::writeStandardPortfolio(data);
        frame->action(Command::ReScan)->trigger();
        QCOMPARE(frame->view()->portfolios(), std::vector<std::string>{data});
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 3"));
    }

    void columnWidthsAreKeptBetweenRunsAndUnusableOnesReplaced()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        qv::fixtures::writeStandardPortfolio(tmp.subdir("Data"));
        // The user's change is written and comes back in the next run; a zero width gives every
        // column the same share.
        for (int run = 0; run < 3; ++run) {
            auto frame = openStarted(tmp.path());
            QVERIFY(frame);
            CQuovantaView* view = frame->view();
            const int quoteWidth = view->quoteGrid()->viewport()->width();
            const std::vector<int> quotes[] = {{60, 70, 70, 70, 70, 60, 80}, {60, 70, 91, 70, 70, 60, 80},
                                               std::vector<int>(7, quoteWidth * 9 / 70)};
            QCOMPARE(view->quoteColumnWidths(), quotes[run]);
            if (run == 0)
                view->quoteGrid()->setColumnWidth(2, 91);
            QVERIFY(frame->close());
            if (run == 1)
                QVERIFY(qv::putSetting(settings, qv::keys::kQuoteGridColumns[4], 0));
        }
        // The edges of the rule: too wide for the grid, and widths edited by hand whose sum
        // would overflow.
        QCOMPARE(fitColumnWidths({60, 70, 70, 70, 70, 60, 80}, 470), std::vector<int>(7, 60));
        QCOMPARE(fitColumnWidths({2147483000, 2147483000}, 300), std::vector<int>(2, 135));
        // A stored window position off the screen gives the centred default at 95 %, truncated.
        QCOMPARE(initialPlacement(-1, 6, 300, 200, QRect(100, 50, 1000, 801)), QRect(125, 70, 950, 760));
    }
};

QTEST_MAIN(MainWindowStartup)
#include "mainwindow_startup_test.moc"
