// The main window from start-up on: defaults without a settings file, the window placement,
// the first portfolio search, the tutorial prompt, and the column widths kept between runs.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/app/PortfolioListModel.h"
#include "gui/help/CHelpWindow.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
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

    void firstStartWithoutSettingsFileUsesTheDefaults()
    {
        qv::SettingsFile settings = freshSettings();
        TempDir tmp;
        const std::string startup = tmp.subdir("Start");
        const std::string data = tmp.subdir("Start/Data");
        qv::fixtures::writeStandardPortfolio(data);
        DialogRecorder dialogs;
        dialogs.install();

        auto frame = openMainWindow(startup, tmp.path());
        QVERIFY(waitForStartup(*frame));
        CQuovantaView* view = frame->view();

        QVERIFY(QFile::exists(q(startup + "/MyFirstProfile.pfd")));
        // Centred at 95 % of the screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int w = static_cast<int>(screen.width() * 0.95);
        const int h = static_cast<int>(screen.height() * 0.95);
        QCOMPARE(frame->size(), QSize(w, h));
        QCOMPARE(frame->pos(), QPoint(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2));
        // Recent quotes, chart hidden, search limited to the start-up directory's first level.
        QVERIFY(view->settings().displayLimit);
        QVERIFY(!view->settings().showingGraph);
        QVERIFY(view->quoteGrid()->isVisible());
        QVERIFY(!view->chartArea()->isVisible());
        QCOMPARE(frame->modePane()->text(), QStringLiteral("RECENT"));
        QVERIFY(frame->action(Command::RecentAll)->isChecked());
        QVERIFY(!frame->action(Command::Graph)->isChecked());
        QVERIFY(view->settings().searchLimit);
        const std::string firstLevel = startup.substr(0, startup.find('/', 1));
        QCOMPARE(q(view->settings().searchName), q(firstLevel));
        // The only root is selected and remembered; the portfolio found is shown.
        QCOMPARE(view->driveSelector()->currentText(), q(tmp.path()));
        QCOMPARE(q(qv::getSetting(settings, qv::keys::kDrive)), q(tmp.path()));
        QCOMPARE(view->portfolios(), std::vector<std::string>{data});
        QCOMPARE(view->portfolioDir(), data);
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 3"));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 10 of 10"));
        QCOMPARE(QString::fromStdString(view->currentSymbol()), QStringLiteral("IBM"));
        // The placement was written as the window was placed.
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenCx), w);
        QCOMPARE(qv::getSetting(settings, qv::keys::kScreenCy), h);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        // The fill ended with the tutorial prompt, answered No.
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Tutorial")});
    }

    void tutorialPromptReturnsUntilAnsweredYes()
    {
        qv::SettingsFile settings = freshSettings();
        TempDir tmp;
        qv::fixtures::writeStandardPortfolio(tmp.subdir("Data"));
        DialogRecorder dialogs;
        dialogs.install();
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        QCOMPARE(dialogs.titles.size(), 1);

        // "No": the next symbol selection asks again, and nothing is written.
        frame->view()->symbolGrid()->selectRow(1);
        QTRY_COMPARE(dialogs.titles.size(), 2); // asked once the selection change has returned
        QCOMPARE(qv::getSetting(settings, qv::keys::kNewbie), 1);
        QVERIFY(frame->view()->settings().newbie);

        // "Yes": the tutorial opens, the flag is cleared and written, and no prompt follows.
        dialogs.answers = {QDialog::Accepted};
        frame->view()->symbolGrid()->selectRow(2);
        QTRY_COMPARE(dialogs.titles.size(), 3);
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("tutorial.html"));
        QCOMPARE(settings.getString("User", "Newbie", "missing"), std::string("0"));
        frame->view()->symbolGrid()->selectRow(0);
        QCOMPARE(dialogs.titles.size(), 3);
        // With the flag cleared the command opens the topic directly.
        frame->action(Command::Tutorial)->trigger();
        QCOMPARE(dialogs.titles.size(), 3);
        if (CHelpWindow* help = CHelpWindow::instance())
            help->close();
    }

    void usableStoredPlacementIsUsedAndMovesAreWritten()
    {
        // An unusable one gives the centred default seen above; the rule itself is placementRule's.
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kScreenX, 12);
        qv::putSetting(settings, qv::keys::kScreenY, 20);
        qv::putSetting(settings, qv::keys::kScreenCx, 500);
        qv::putSetting(settings, qv::keys::kScreenCy, 400);
        TempDir tmp;
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        QCOMPARE(frame->size(), QSize(500, 400));
        QCOMPARE(frame->pos(), QPoint(12, 20));
        // Off the screen the position is written as zero.
        frame->move(-30, -40);
        QTRY_COMPARE(frame->pos(), QPoint(-30, -40));
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenX), 0);
        QCOMPARE(qv::getSetting(settings, qv::keys::kScreenY), 0);
        frame->move(33, 44);
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenX), 33);
        QCOMPARE(qv::getSetting(settings, qv::keys::kScreenY), 44);
        frame->resize(620, 480);
        QTRY_COMPARE(qv::getSetting(settings, qv::keys::kScreenCx), 620);
        QCOMPARE(qv::getSetting(settings, qv::keys::kScreenCy), 480);
    }

    void rootWithoutPortfoliosSaysSoAndReScanFindsNewOnes()
    {
        TempDir tmp;
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{q("Quovanta could not find any Portfolios on drive " + tmp.path() +
                               "\n(No \"master\" files were found)")});
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("No Symbols Read"));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("No Quotes Read"));
        QVERIFY(!frame->action(Command::UpdateQuotes)->isEnabled());
        QVERIFY(frame->action(Command::ReScan)->isEnabled());

        MessageBox::clearShown();
        const std::string data = tmp.subdir("Later");
        qv::fixtures::writeStandardPortfolio(data);
        frame->action(Command::ReScan)->trigger();
        QCOMPARE(frame->view()->portfolios(), std::vector<std::string>{data});
        QVERIFY(frame->action(Command::UpdateQuotes)->isEnabled());
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 3"));
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }

    void searchFilterKeepsTheWalkInsideMatchingDirectories()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        const std::string inFilter = tmp.subdir("QV/A");
        const std::string alsoMatching = tmp.subdir("QVX");
        const std::string outside = tmp.subdir("DATA");
        for (const std::string& dir : {inFilter, alsoMatching, outside})
            qv::fixtures::writeStandardPortfolio(dir);
        qv::putSetting(settings, qv::keys::kSearchLimit, 1);
        qv::putSetting(settings, qv::keys::kSearchName, tmp.path() + "/QV");
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        std::vector<std::string> found = frame->view()->portfolios();
        std::sort(found.begin(), found.end());
        QCOMPARE(found, (std::vector<std::string>{inFilter, alsoMatching}));
    }

    void columnWidthsAreKeptBetweenRunsAndUnusableOnesReplaced()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        qv::fixtures::writeStandardPortfolio(tmp.subdir("Data"));
        // Three runs: the defaults, fitting this window, are kept and the user's changes written;
        // they come back in the next run; a zero width, or one wider than the grid, gives every
        // column the same share.
        for (int run = 0; run < 3; ++run) {
            auto frame = openStarted(tmp.path());
            QVERIFY(frame);
            CQuovantaView* view = frame->view();
            const int quoteWidth = view->quoteGrid()->viewport()->width();
            const int symbolWidth = view->symbolGrid()->viewport()->width();
            const std::vector<int> quotes[] = {{60, 70, 70, 70, 70, 60, 80}, {60, 70, 91, 70, 70, 60, 80},
                                               std::vector<int>(7, quoteWidth * 9 / 70)};
            const std::vector<int> symbols[] = {{100, 100}, {77, 100}, std::vector<int>(2, symbolWidth * 9 / 20)};
            QCOMPARE(view->quoteColumnWidths(), quotes[run]);
            QCOMPARE(view->symbolColumnWidths(), symbols[run]);
            if (run == 0) {
                view->quoteGrid()->setColumnWidth(2, 91);
                view->symbolGrid()->setColumnWidth(0, 77);
            }
            QVERIFY(frame->close());
            if (run == 0) {
                QCOMPARE(qv::getSetting(settings, qv::keys::kQuoteGridColumns[2]), 91);
                QCOMPARE(qv::getSetting(settings, qv::keys::kQuoteGridColumns[6]), 80);
                QCOMPARE(qv::getSetting(settings, qv::keys::kSymbolGridColumns[0]), 77);
            } else if (run == 1) {
                qv::putSetting(settings, qv::keys::kQuoteGridColumns[4], 0);
                qv::putSetting(settings, qv::keys::kSymbolGridColumns[1], 100000);
            }
        }
    }
};

QTEST_MAIN(MainWindowStartup)
#include "mainwindow_startup_test.moc"
