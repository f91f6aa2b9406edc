// The command table and its enabling rules, and the commands of the browser driven through the
// window's actions: Recent/All, Graph, ReScan and Settings.

#include "mainwindow_test_support.h"

#include "gui/app/Actions.h"
#include "gui/app/QuoteGridModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableView>
#include <QToolBar>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

QStringList objectNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* a : actions)
        names << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    return names;
}

BrowserState state(bool p, int s, int qs, bool g = false, bool x = false, bool running = false)
{
    BrowserState st;
    st.hasPortfolios = p;
    st.symbols = s;
    st.quotes = qs;
    st.graphShown = g;
    st.splitSearchOpen = x;
    st.updateRunning = running;
    return st;
}

// A portfolio whose first security has `quotes` daily quotes.
void writePortfolioWithQuotes(const std::string& dir, int quotes)
{
    using namespace qv::fixtures;
    std::vector<QuoteRow> rows;
    for (int i = 0; i < quotes; ++i) {
        const float v = 10.0f + static_cast<float>(i);
        rows.push_back({fileDateOfDayNumber(dayNumberOf(1998, 1, 1) + i), v, v + 1, v - 1, v, 100.0f * static_cast<float>(i), 7});
    }
    writeSingleSecurity(dir, rows);
}

// A main window over one portfolio whose security has `quotes` quotes.
std::unique_ptr<CMainFrame> openWithQuotes(const TempDir& tmp, int quotes)
{
    writePortfolioWithQuotes(tmp.subdir("Data"), quotes);
    return openStarted(tmp.path());
}

} // namespace

class MainWindowCommands : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        quietSettings();
    }

    void enablingRulesFollowTheBrowserState()
    {
        using C = Command;
        QVERIFY(commandEnabled(C::UpdateQuotes, state(true, 0, 0)));
        QVERIFY(!commandEnabled(C::UpdateQuotes, state(false, 0, 0)));
        // Always on, even with nothing found.
        for (C c : {C::Settings, C::Exit, C::ReScan, C::Graph, C::HelpTopics, C::Tutorial, C::About})
            QVERIFY2(commandEnabled(c, state(false, 0, 0, true, true)), commandInfo(c).objectName);
        // Recent/All needs quotes of a listed portfolio, chart or not.
        QVERIFY(commandEnabled(C::RecentAll, state(true, 1, 1, true)));
        QVERIFY(!commandEnabled(C::RecentAll, state(true, 1, 0)));
        QVERIFY(!commandEnabled(C::RecentAll, state(false, 1, 5)));
        // The rules of the commands that later work fills in.
        struct Rule {
            C command;
            BrowserState state;
            bool allowed;
        };
        const Rule rules[] = {
            {C::SymbolAdd, state(true, 254, 0), true},      {C::SymbolAdd, state(true, 255, 0), false},
            {C::SymbolAdd, state(false, 0, 0), false},      {C::PortfolioAdd, state(false, 0, 0), true},
            {C::PortfolioDelete, state(true, 0, 0), true},  {C::PortfolioSkipAdjust, state(true, 0, 0), false},
            {C::SplitSearch, state(true, 1, 0), true},      {C::SplitSearch, state(true, 1, 0, false, true), false},
            {C::Export, state(true, 1, 0), true},           {C::Export, state(true, 1, 0, true), false},
            {C::Import, state(false, 0, 0, true), true},    {C::Profiles, state(true, 0, 0), false},
            {C::Profiles, state(true, 1, 0), true},
        };
        for (const Rule& r : rules)
            QVERIFY2(commandRuleAllows(r.command, r.state) == r.allowed, commandInfo(r.command).objectName);
        for (C c : {C::QuotesEdit, C::QuotesSplit, C::QuotesAdjust, C::QuotesDelete}) {
            QVERIFY(commandRuleAllows(c, state(true, 1, 1)));
            QVERIFY(!commandRuleAllows(c, state(true, 1, 1, true)));
            QVERIFY(!commandRuleAllows(c, state(true, 1, 0)));
        }
        for (C c : {C::Print, C::PrintPreview, C::PrintSetup}) {
            QVERIFY(commandRuleAllows(c, state(false, 0, 0)));
            QVERIFY(!commandRuleAllows(c, state(false, 0, 0, true)));
        }
        // An update run locks Update Quotes but not browsing; everything that rewrites
        // portfolio files is marked so.
        const BrowserState running = state(true, 3, 3, false, false, true);
        QVERIFY(!commandEnabled(C::UpdateQuotes, running));
        for (C c : {C::ReScan, C::RecentAll, C::Settings})
            QVERIFY(commandEnabled(c, running));
        for (C c : {C::PortfolioAdd, C::PortfolioDelete, C::SymbolAdd, C::SymbolDelete, C::SymbolSkip, C::SymbolEdit,
                    C::Import, C::QuotesEdit, C::QuotesSplit, C::QuotesAdjust, C::QuotesDelete, C::Profiles})
            QVERIFY2(commandInfo(c).changesPortfolios, commandInfo(c).objectName);
    }

    void menusAndToolbarListTheCommandsInOrder()
    {
        TempDir tmp;
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QStringList titles;
        QStringList items;
        for (QAction* menuAction : frame->menuBar()->actions()) {
            titles << menuAction->text();
            items << objectNames(menuAction->menu()->actions()).join(QLatin1Char(' '));
        }
        QCOMPARE(titles, (QStringList{"&Quovanta", "&Portfolio", "&Symbol", "&Quotes", "&Help"}));
        QCOMPARE(items,
                 (QStringList{"actionUpdateQuotes | actionSettings actionProfiles | actionExit",
                              "actionPortfolioAdd actionPortfolioDelete actionPortfolioSkipAdjust | actionSplitSearch | "
                              "actionReScan",
                              "actionSymbolAdd actionSymbolDelete actionSymbolSkip actionSymbolEdit actionSymbolAbout | "
                              "actionGraph | actionImport actionExport",
                              "actionQuotesEdit actionQuotesSplit actionQuotesAdjust actionQuotesDelete | actionPrint "
                              "actionPrintPreview actionPrintSetup | actionRecentAll",
                              "actionHelpTopics actionTutorial | actionAbout"}));
        QCOMPARE(objectNames(frame->toolBar()->actions()).join(QLatin1Char(' ')),
                 QStringLiteral("actionUpdateQuotes actionSettings actionProfiles actionExit | actionPortfolioAdd "
                                "actionPortfolioDelete actionPortfolioSkipAdjust | actionSplitSearch actionReScan | "
                                "actionSymbolAdd actionSymbolDelete actionSymbolSkip | actionSymbolEdit "
                                "actionSymbolAbout | actionGraph | actionImport actionExport | actionQuotesEdit "
                                "actionQuotesSplit actionQuotesAdjust actionQuotesDelete | actionPrintNow "
                                "actionRecentAll"));
        // Keys, prompts and tips as the user sees them.
        QStringList keys;
        for (Command c : {Command::UpdateQuotes, Command::SplitSearch, Command::Graph, Command::RecentAll, Command::Print})
            keys << frame->action(c)->shortcut().toString();
        QCOMPARE(keys, (QStringList{"F2", "F3", "F4", "F5", "Ctrl+P"}));
        QCOMPARE(frame->action(Command::RecentAll)->statusTip(), QStringLiteral("Toggle Recent / All quotes display"));
        QCOMPARE(frame->action(Command::RecentAll)->toolTip(), QStringLiteral("Recent/All Quotes"));
        QCOMPARE(frame->action(Command::PortfolioSkipAdjust)->statusTip(),
                 QStringLiteral("Adjust the Skip Portfolio Setting"));
        for (Command c : {Command::Graph, Command::RecentAll, Command::SymbolSkip})
            QVERIFY(frame->action(c)->isCheckable());
        QVERIFY(!frame->action(Command::UpdateQuotes)->icon().isNull());
    }

    void actionsFollowTheBrowserWhenMenusOpen()
    {
        TempDir tmp;
        const std::string full = tmp.subdir("Full");
        writePortfolioWithQuotes(full, 3);
        const std::string empty = tmp.subdir("Empty");
        qv::fixtures::writeBytes(empty + "/MASTER", qv::fixtures::masterFile({})); // no securities
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        const std::vector<std::string> list = view->portfolios();
        QCOMPARE(list.size(), std::size_t{2});
        // Through the list, as the user selects.
        auto select = [&](const std::string& dir) {
            const int row = static_cast<int>(std::find(list.begin(), list.end(), dir) - list.begin());
            view->portfolioList()->setCurrentIndex(view->portfolioList()->model()->index(row, 0));
        };
        select(full);
        QVERIFY(frame->action(Command::RecentAll)->isEnabled());
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 3 of 3"));

        select(empty);
        QCOMPARE(view->symbolCount(), 0);
        QVERIFY(!frame->action(Command::RecentAll)->isEnabled());
        QVERIFY(frame->action(Command::UpdateQuotes)->isEnabled());
        QCOMPARE(frame->symbolPane()->text(), QStringLiteral("No Symbols Read"));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("No Quotes Read"));

        // State changed behind the frame's back is picked up when a menu opens.
        select(full);
        view->Clear(4);
        QVERIFY(!frame->action(Command::RecentAll)->isEnabled());
        view->FillQuoteGrid();
        QMetaObject::invokeMethod(frame->menuBar()->actions().at(3)->menu(), "aboutToShow");
        QVERIFY(frame->action(Command::RecentAll)->isEnabled());
    }

    void recentAllAndGraphToggleTheGridAndTheirSettings()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 45);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QCOMPARE(view->quoteModel()->rowCount(), 30);
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 30 of 30"));

        QTest::keyClick(frame->windowHandle(), Qt::Key_F5);
        QCOMPARE(view->quoteModel()->rowCount(), 45);
        QCOMPARE(view->quotesInFile(), 45);
        QCOMPARE(frame->modePane()->text(), QStringLiteral("ALL    "));
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 45 of 45"));
        QVERIFY(!frame->action(Command::RecentAll)->isChecked());
        QCOMPARE(qv::getSetting(settings, qv::keys::kDisplayLimit), 0);
        QCOMPARE(view->firstDateText(), QStringLiteral("01/01/98"));
        QCOMPARE(view->lastDateText(), QStringLiteral("02/14/98"));

        view->quoteGrid()->selectRow(4);
        QCOMPARE(view->quotePosition(), 4);
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 41 of 45"));

        frame->action(Command::RecentAll)->trigger();
        QCOMPARE(view->quoteModel()->rowCount(), 30);
        QCOMPARE(view->quotePosition(), 0);
        QCOMPARE(frame->modePane()->text(), QStringLiteral("RECENT"));
        QVERIFY(frame->action(Command::RecentAll)->isChecked());
        QCOMPARE(qv::getSetting(settings, qv::keys::kDisplayLimit), 1);

        // Graph hides the grid and keeps its setting in step, both ways, twice.
        for (int round = 0; round < 2; ++round) {
            QTest::keyClick(frame->windowHandle(), Qt::Key_F4);
            QVERIFY(frame->action(Command::Graph)->isChecked());
            QCOMPARE(qv::getSetting(settings, qv::keys::kShowingGraph), 1);
            QVERIFY(view->chartArea()->isVisible());
            QVERIFY(!view->quoteGrid()->isVisible());
            QCOMPARE(frame->quotePane()->text(), QString());
            QVERIFY(!frame->modePane()->isEnabled());
            QVERIFY(frame->action(Command::RecentAll)->isEnabled());

            frame->action(Command::Graph)->trigger();
            QVERIFY(!frame->action(Command::Graph)->isChecked());
            QCOMPARE(qv::getSetting(settings, qv::keys::kShowingGraph), 0);
            QVERIFY(view->quoteGrid()->isVisible());
            QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 30 of 30"));
            QVERIFY(frame->modePane()->isEnabled());
        }
    }

    void settingsOkWritesTheSettingsAndSearchesAgainOnlyWhenTheFilterChanged()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 3);
        QVERIFY(frame);
        QSignalSpy searches(frame->view(), &CQuovantaView::searchFinished);

        // OK with nothing changed: written all the same, no new search.
        DialogRecorder dialogs;
        dialogs.install();
        dialogs.answers = {QDialog::Accepted};
        frame->action(Command::Settings)->trigger();
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Quovanta Settings")});
        QCOMPARE(searches.count(), 0);
        QCOMPARE(settings.getString("CleanUp", "DeleteTxt", "missing"), std::string("0"));

        // Turning the filter off and the report on: written at once, and the root searched again.
        dialogs.answers = {QDialog::Accepted};
        dialogs.inspect = [](QDialog& dlg) {
            child<QCheckBox>(dlg, "searchLimit")->setChecked(false);
            child<QCheckBox>(dlg, "auditEnable")->setChecked(true);
        };
        frame->action(Command::Settings)->trigger();
        QCOMPARE(searches.count(), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kSearchLimit), 0);
        QCOMPARE(qv::getSetting(settings, qv::keys::kAuditEnable), 1);
        QVERIFY(frame->view()->settings().auditEnable);
        QVERIFY(!frame->view()->settings().searchLimit);
        QCOMPARE(frame->view()->portfolios().size(), std::size_t{1});

        // Cancel changes nothing.
        dialogs.answers = {QDialog::Rejected};
        dialogs.inspect = [](QDialog& dlg) { child<QCheckBox>(dlg, "searchLimit")->setChecked(true); };
        frame->action(Command::Settings)->trigger();
        QCOMPARE(searches.count(), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kSearchLimit), 0);
    }
};

QTEST_MAIN(MainWindowCommands)
#include "mainwindow_commands_test.moc"
