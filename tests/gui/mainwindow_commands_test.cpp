// The command table and its enabling rules, and the commands of the browser driven through the
// window's actions: Recent/All, Graph, ReScan and Settings.

#include "mainwindow_test_support.h"

#include "gui/app/Actions.h"
#include "gui/app/CQuovantaView.h"
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

} // namespace

class MainWindowCommands : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        freshSettings();
    }

    void enablingRulesFollowTheBrowserState()
    {
        using C = Command;
        // P alone.
        QVERIFY(commandEnabled(C::UpdateQuotes, state(true, 0, 0)));
        QVERIFY(!commandEnabled(C::UpdateQuotes, state(false, 0, 0)));
        // Always on, even with nothing found.
        for (C c : {C::Settings, C::Exit, C::ReScan, C::Graph, C::HelpTopics, C::Tutorial, C::About})
            QVERIFY2(commandEnabled(c, state(false, 0, 0, true, true)), commandInfo(c).objectName);
        // Recent/All needs quotes of a listed portfolio, chart or not.
        QVERIFY(commandEnabled(C::RecentAll, state(true, 1, 1)));
        QVERIFY(commandEnabled(C::RecentAll, state(true, 1, 1, true)));
        QVERIFY(!commandEnabled(C::RecentAll, state(true, 1, 0)));
        QVERIFY(!commandEnabled(C::RecentAll, state(false, 1, 5)));
        // The rules of the commands that later work fills in.
        QVERIFY(commandRuleAllows(C::SymbolAdd, state(true, 254, 0)));
        QVERIFY(!commandRuleAllows(C::SymbolAdd, state(true, 255, 0)));
        QVERIFY(!commandRuleAllows(C::SymbolAdd, state(false, 0, 0)));
        QVERIFY(commandRuleAllows(C::PortfolioAdd, state(false, 0, 0)));
        QVERIFY(commandRuleAllows(C::PortfolioDelete, state(true, 0, 0)));
        QVERIFY(!commandRuleAllows(C::PortfolioSkipAdjust, state(true, 0, 0)));
        QVERIFY(commandRuleAllows(C::SplitSearch, state(true, 1, 0)));
        QVERIFY(!commandRuleAllows(C::SplitSearch, state(true, 1, 0, false, true)));
        QVERIFY(commandRuleAllows(C::Export, state(true, 1, 0)));
        QVERIFY(!commandRuleAllows(C::Export, state(true, 1, 0, true)));
        for (C c : {C::QuotesEdit, C::QuotesSplit, C::QuotesAdjust, C::QuotesDelete}) {
            QVERIFY(commandRuleAllows(c, state(true, 1, 1)));
            QVERIFY(!commandRuleAllows(c, state(true, 1, 1, true)));
            QVERIFY(!commandRuleAllows(c, state(true, 1, 0)));
        }
        for (C c : {C::Print, C::PrintPreview, C::PrintSetup}) {
            QVERIFY(commandRuleAllows(c, state(false, 0, 0)));
            QVERIFY(!commandRuleAllows(c, state(false, 0, 0, true)));
        }
        QVERIFY(commandRuleAllows(C::Import, state(false, 0, 0, true)));
        QVERIFY(!commandRuleAllows(C::Profiles, state(true, 0, 0)));
        QVERIFY(commandRuleAllows(C::Profiles, state(true, 1, 0)));
    }

    void anUpdateRunLocksUpdateQuotesButNotBrowsing()
    {
        const BrowserState running = state(true, 3, 3, false, false, true);
        QVERIFY(!commandEnabled(Command::UpdateQuotes, running));
        QVERIFY(commandEnabled(Command::ReScan, running));
        QVERIFY(commandEnabled(Command::RecentAll, running));
        QVERIFY(commandEnabled(Command::Settings, running));
        // Everything that rewrites portfolio files is marked so.
        for (Command c : {Command::PortfolioAdd, Command::PortfolioDelete, Command::SymbolAdd, Command::SymbolDelete,
                          Command::SymbolSkip, Command::SymbolEdit, Command::Import, Command::QuotesEdit,
                          Command::QuotesSplit, Command::QuotesAdjust, Command::QuotesDelete, Command::Profiles})
            QVERIFY2(commandInfo(c).changesPortfolios, commandInfo(c).objectName);
    }

    void menusAndToolbarListTheCommandsInOrder()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
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
        auto keyOf = [&](Command c) { return frame->action(c)->shortcut().toString(); };
        QCOMPARE(keyOf(Command::UpdateQuotes), QStringLiteral("F2"));
        QCOMPARE(keyOf(Command::SplitSearch), QStringLiteral("F3"));
        QCOMPARE(keyOf(Command::Graph), QStringLiteral("F4"));
        QCOMPARE(keyOf(Command::RecentAll), QStringLiteral("F5"));
        QCOMPARE(keyOf(Command::Print), QStringLiteral("Ctrl+P"));
        QCOMPARE(frame->action(Command::RecentAll)->statusTip(), QStringLiteral("Toggle Recent / All quotes display"));
        QCOMPARE(frame->action(Command::RecentAll)->toolTip(), QStringLiteral("Recent/All Quotes"));
        QCOMPARE(frame->action(Command::PortfolioSkipAdjust)->statusTip(),
                 QStringLiteral("Adjust the Skip Portfolio Setting"));
        QVERIFY(frame->action(Command::Graph)->isCheckable());
        QVERIFY(frame->action(Command::RecentAll)->isCheckable());
        QVERIFY(frame->action(Command::SymbolSkip)->isCheckable());
        QVERIFY(!frame->action(Command::UpdateQuotes)->icon().isNull());
    }

    void actionsFollowTheBrowserWhenMenusOpen()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        TempDir tmp;
        const std::string full = tmp.subdir("Full");
        writePortfolioWithQuotes(full, 3);
        const std::string empty = tmp.subdir("Empty");
        qv::fixtures::writeBytes(empty + "/MASTER", qv::fixtures::masterFile({})); // no securities
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        CQuovantaView* view = frame->view();
        const std::vector<std::string> list = view->portfolios();
        QCOMPARE(list.size(), std::size_t{2});

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
        FillAndCheckOnMenuOpen(*frame);
    }

    void recentAllTogglesTheGridAndItsSetting()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        TempDir tmp;
        writePortfolioWithQuotes(tmp.subdir("Data"), 45);
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
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
        // Both modes show the newest quote first.
        QCOMPARE(view->quoteModel()->row(0).date, static_cast<qv::DayNumber>(qv::fixtures::dayNumberOf(1998, 1, 1) + 44));
        QCOMPARE(view->quoteModel()->row(44).date, static_cast<qv::DayNumber>(qv::fixtures::dayNumberOf(1998, 1, 1)));
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
    }

    void graphHidesTheGridAndKeepsItsSettingInStep()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        TempDir tmp;
        writePortfolioWithQuotes(tmp.subdir("Data"), 5);
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        CQuovantaView* view = frame->view();
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
            QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 5 of 5"));
            QVERIFY(frame->modePane()->isEnabled());
        }
    }

    void graphSettingIsRestoredAtStartUp()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        qv::putSetting(settings, qv::keys::kShowingGraph, 1);
        qv::putSetting(settings, qv::keys::kDisplayLimit, 0);
        TempDir tmp;
        writePortfolioWithQuotes(tmp.subdir("Data"), 40);
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        QVERIFY(frame->action(Command::Graph)->isChecked());
        QVERIFY(!frame->action(Command::RecentAll)->isChecked());
        QVERIFY(!frame->view()->quoteGrid()->isVisible());
        QCOMPARE(frame->view()->quotesRead(), 40);
        QCOMPARE(frame->modePane()->text(), QStringLiteral("ALL    "));
    }

    void settingsOkWritesEveryKeyAndSearchesAgainOnlyWhenTheFilterChanged()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        TempDir tmp;
        writePortfolioWithQuotes(tmp.subdir("Data"), 3);
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        QSignalSpy searches(frame->view(), &CQuovantaView::searchFinished);

        DialogRecorder dialogs;
        dialogs.install();
        dialogs.answers = {QDialog::Accepted};
        frame->action(Command::Settings)->trigger();
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Quovanta Settings")});
        QCOMPARE(searches.count(), 0);
        for (const auto& [section, key] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"Search", "Limit"}, {"Search", "Name"}, {"Audit", "AuditEnable"}, {"Sounds", "SoundDisable"},
                 {"SEX", "SexEnable"}, {"SEX", "SexPassword"}, {"SEX", "SexPasswordEnable"}, {"SEX", "DeleteSex"},
                 {"ZIP", "ZipEnable"}, {"ZIP", "ZipPassword"}, {"ZIP", "ZipPasswordEnable"}, {"ZIP", "DeleteZip"},
                 {"ZIP", "PkunzipPath"}, {"CleanUp", "DeleteTxt"}})
            QVERIFY2(settings.getString(section, key, "missing") != "missing", key);

        // Turning the filter off and the report on: written at once, and the root searched again.
        dialogs.answers = {QDialog::Accepted};
        dialogs.inspect = [](QDialog& dlg) {
            dlg.findChild<QCheckBox*>(QStringLiteral("searchLimit"))->setChecked(false);
            dlg.findChild<QCheckBox*>(QStringLiteral("auditEnable"))->setChecked(true);
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
        dialogs.inspect = [](QDialog& dlg) {
            dlg.findChild<QCheckBox*>(QStringLiteral("searchLimit"))->setChecked(true);
        };
        frame->action(Command::Settings)->trigger();
        QCOMPARE(searches.count(), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kSearchLimit), 0);
    }

private:
    static void FillAndCheckOnMenuOpen(CMainFrame& frame)
    {
        frame.view()->FillQuoteGrid();
        QMenu* quotes = frame.menuBar()->actions().at(3)->menu();
        QMetaObject::invokeMethod(quotes, "aboutToShow");
        QVERIFY(frame.action(Command::RecentAll)->isEnabled());
    }
};

QTEST_MAIN(MainWindowCommands)
#include "mainwindow_commands_test.moc"
