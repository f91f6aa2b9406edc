// The main window from start-up on: defaults without a settings file, the window placement,
// the first portfolio search, the tutorial prompt, and the column widths kept between runs.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/app/LayoutRules.h"
#include "gui/help/CHelpWindow.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QtTest>

#include <filesystem>

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

    // Declined, nothing is copied, and the next start (with a settings file) only says that no
    // portfolio was found, until Re-Scan finds one; accepted, the copy is listed and shown, and
    // the tutorial prompt follows.
    void firstStartWithoutPortfoliosOffersTheSampleWorkspaceThenTheTutorial()
    {
        TempDir tmp;
        const std::string startup = tmp.subdir("Start");
        const std::string sample = startup + "/data/SAMPLE";
        const QString nothingFound =
            q("Quovanta could not find any Portfolios on drive " + startup + "\n(No \"master\" files were found)");
        for (const bool accept : {false, true}) {
            quietSettings(true);
            MessageBox::clearShown();
            MessageBox::setNextAnswer(QMessageBox::Ok); // nothingFound
            MessageBox::setNextAnswer(accept ? QMessageBox::Yes : QMessageBox::No);
            DialogRecorder dialogs;
            dialogs.install();
            auto frame = openStarted(startup);
            QVERIFY(frame);
            const QStringList shown = MessageBox::shownTexts();
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[0], nothingFound);
            QVERIFY(shown[1].startsWith(QStringLiteral("Welcome to Quovanta.")));
            QCOMPARE(QFile::exists(q(sample + "/TEXTDATA/WEEK27.TXT")), accept);
            QCOMPARE(frame->view()->portfolios(),
                     accept ? std::vector<std::string>{sample} : std::vector<std::string>{});
            if (accept) {
                QVERIFY(frame->view()->symbolCount() > 0);
                QTRY_COMPARE(dialogs.titles, QStringList{QStringLiteral("Tutorial")});
                continue;
            }
            QVERIFY(frame->close());
            frame.reset();
            MessageBox::clearShown();
            frame = openStarted(startup);
            QVERIFY(frame);
            QCOMPARE(MessageBox::shownTexts(), QStringList{nothingFound});
            const std::string later = tmp.subdir("Start/Later");
            qv::fixtures::writeStandardPortfolio(later);
            frame->action(Command::ReScan)->trigger();
            QCOMPARE(frame->view()->portfolios(), std::vector<std::string>{later});
            QCOMPARE(frame->symbolPane()->text(), QStringLiteral("Symbol 1 of 3"));
            QVERIFY(frame->close());
            std::filesystem::remove_all(later);
        }
    }

    // A placement saved on a larger screen shrinks to the usable area; one partly or wholly off it
    // moves just onto it; one that fits stays. Column widths and splitter sizes the user changed
    // come back in the next run; without saved widths every column reads its longest content and
    // its header whole, and a zero width gives every column the same share.
    void placementSplittersAndColumnWidthsAreFittedAndKeptBetweenRuns()
    {
        const QRect area(0, 30, 1024, 738);
        const struct {
            QRect saved, fitted;
        } cases[] = {
            {{0, 0, 1920, 1080}, {0, 30, 1024, 738}},
            {{900, 500, 400, 300}, {624, 468, 400, 300}},
            {{-3000, 5000, 400, 300}, {0, 468, 400, 300}},
            {{100, 100, 400, 300}, {100, 100, 400, 300}},
        };
        for (const auto& c : cases)
            QCOMPARE(fitPlacement(c.saved, area), c.fitted);
        // A stored window position off the screen gives the centred default at 95 %, truncated.
        QCOMPARE(initialPlacement(-1, 6, 300, 200, QRect(100, 50, 1000, 801)), QRect(125, 70, 950, 760));
        // Widths too wide for the grid, and widths edited by hand whose sum would overflow.
        QCOMPARE(fitColumnWidths({60, 70, 70, 70, 70, 60, 80}, 470), std::vector<int>(7, 60));
        QCOMPARE(fitColumnWidths({2147483000, 2147483000}, 300), std::vector<int>(2, 135));

        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        qv::fixtures::writeStandardPortfolio(tmp.subdir("Data"));
        // The symbols take most of the upper row, so that two full fields fit on a small screen.
        for (const auto& [key, value] : {std::pair{qv::keys::kScreenX, 1900},
                                         {qv::keys::kScreenY, 1000},
                                         {qv::keys::kScreenCx, 1920},
                                         {qv::keys::kScreenCy, 1080},
                                         {qv::keys::kUpperSplit[0], 1},
                                         {qv::keys::kUpperSplit[1], 5}})
            require(qv::putSetting(settings, key, value));
        QList<int> upper, main;
        for (int run = 0; run < 3; ++run) {
            auto frame = openStarted(tmp.path());
            QVERIFY(frame);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(screen.contains(frame->pos()));
            QVERIFY(frame->width() <= screen.width() && frame->height() <= screen.height());
            CQuovantaView* view = frame->view();
            std::vector<int> defaults = view->defaultQuoteColumnWidths();
            if (run == 0) {
                QCOMPARE(view->quoteColumnWidths(), defaults);
                const QFontMetrics cells = view->symbolGrid()->fontMetrics();
                QCOMPARE(view->symbolColumnWidths(), view->defaultSymbolColumnWidths());
                for (int w : view->symbolColumnWidths())
                    QVERIFY(w >= cells.horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWW")) + 5);
                const QFontMetrics header = view->quoteGrid()->horizontalHeader()->fontMetrics();
                QVERIFY(defaults[6] >= header.horizontalAdvance(QStringLiteral("Open Interest")) + 5);
                QVERIFY(defaults[0] >= cells.horizontalAdvance(QStringLiteral("1900-01-01")) + 5);
                QVERIFY(defaults[1] >= cells.horizontalAdvance(QStringLiteral("12345.6789")) + 5);
                QVERIFY(defaults[5] >= cells.horizontalAdvance(QStringLiteral("1234567890")) + 5);
                view->quoteGrid()->setColumnWidth(2, 91);
                view->upperSplitter()->setSizes({100, 500});
                view->mainSplitter()->setSizes({300, 200});
                upper = view->upperSplitter()->sizes();
                main = view->mainSplitter()->sizes();
            } else if (run == 1) {
                defaults[2] = 91;
                QCOMPARE(view->quoteColumnWidths(), defaults);
                QCOMPARE(view->upperSplitter()->sizes(), upper);
                QCOMPARE(view->mainSplitter()->sizes(), main);
            } else {
                QCOMPARE(view->quoteColumnWidths(),
                         std::vector<int>(7, view->quoteGrid()->viewport()->width() * 9 / 70));
            }
            QVERIFY(frame->close());
            if (run == 1)
                QVERIFY(qv::putSetting(settings, qv::keys::kQuoteGridColumns[4], 0));
        }
        QCOMPARE(qv::getSetting(settings, qv::keys::kUpperSplit[0]), upper[0]);
    }
};

QTEST_MAIN(MainWindowStartup)
#include "mainwindow_startup_test.moc"
