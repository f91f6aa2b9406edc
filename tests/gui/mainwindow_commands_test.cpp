// The enabling rules in a few representative states, and the browser's commands driven through
// the window's actions and keys: Recent/All, Graph and Settings (with one of its refusals and a
// settings file that cannot be written).

#include "mainwindow_test_support.h"

#include "core/platform/fault_injection.h"
#include "gui/app/Actions.h"
#include "gui/app/QuoteGridModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

// A main window over one portfolio whose security has `quotes` daily quotes from 1998-01-01.
std::unique_ptr<CMainFrame> openWithQuotes(const TempDir& tmp, int quotes)
{
    using namespace qv::fixtures;
    std::vector<QuoteRow> rows;
    for (int i = 0; i < quotes; ++i) {
        const float v = 10.0f + static_cast<float>(i);
        rows.push_back(
            {fileDateOfDayNumber(dayNumberOf(1998, 1, 1) + i), v, v + 1, v - 1, v, 100.0f * static_cast<float>(i), 7});
    }
    writeSingleSecurity(tmp.subdir("Data"), rows);
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

    void enablingInRepresentativeStates()
    {
        using C = Command;
        struct Case {
            BrowserState state;
            std::vector<C> on, off;
        };
        const Case cases[] = {
            {{}, {C::ReScan, C::PortfolioAdd, C::Import, C::Print}, {C::UpdateQuotes, C::RecentAll, C::SymbolAdd}},
            {{.hasPortfolios = true, .symbols = 255, .quotes = 1, .graphShown = true},
             {C::UpdateQuotes, C::RecentAll},
             {C::SymbolAdd, C::QuotesEdit, C::Export, C::Print}},
            // A run locks everything that rewrites portfolio files, but not browsing.
            {{.hasPortfolios = true, .symbols = 3, .quotes = 3, .updateRunning = true},
             {C::ReScan, C::RecentAll, C::Settings},
             {C::UpdateQuotes, C::PortfolioDelete, C::SymbolAdd, C::Import, C::QuotesEdit, C::Profiles}},
        };
        for (const Case& c : cases) {
            for (C command : c.on)
                QVERIFY2(commandEnabled(command, c.state), commandInfo(command).objectName);
            for (C command : c.off)
                QVERIFY2(!commandEnabled(command, c.state), commandInfo(command).objectName);
        }
    }

    void recentAllAndGraphToggleTheGridAndTheirSettings()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 45);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QTest::keyClick(frame->windowHandle(), Qt::Key_F5);
        QCOMPARE(view->quoteModel()->rowCount(), 45);
        QCOMPARE(frame->modePane()->text(), QStringLiteral("ALL    "));
        QCOMPARE(qv::getSetting(settings, qv::keys::kDisplayLimit), 0);
        view->quoteGrid()->selectRow(4);

        frame->action(Command::RecentAll)->trigger();
        QCOMPARE(view->quoteModel()->rowCount(), 30);
        QCOMPARE(view->quotePosition(), 0);
        QCOMPARE(qv::getSetting(settings, qv::keys::kDisplayLimit), 1);

        // Graph hides the grid and keeps its setting in step, both ways.
        QTest::keyClick(frame->windowHandle(), Qt::Key_F4);
        QCOMPARE(qv::getSetting(settings, qv::keys::kShowingGraph), 1);
        QVERIFY(view->chartArea()->isVisible() && !view->quoteGrid()->isVisible());
        frame->action(Command::Graph)->trigger();
        QCOMPARE(qv::getSetting(settings, qv::keys::kShowingGraph), 0);
        QVERIFY(view->quoteGrid()->isVisible());
        QCOMPARE(frame->quotePane()->text(), QStringLiteral("Quote 30 of 30"));
    }

    void doubleClickEditsTheQuoteAndContextMenusFollowTheEnablingRules()
    {
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 3);
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        DialogRecorder dialogs;
        dialogs.install();
        QTableView* quotes = view->quoteGrid();
        const QPoint second = quotes->visualRect(view->quoteModel()->index(1, 0)).center();
        QTest::mouseClick(quotes->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(quotes->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Edit Selected Quote")});
        QCOMPARE(view->quotePosition(), 1);

        // Each menu holds its grid's row commands; the row clicked becomes the current one, and
        // what a shown chart or an empty row disables is disabled here too.
        const QStringList symbolItems = {
            "&Add...", "&Delete", "&Skip", "&Edit...", "A&bout...", "&Import from ASCII...", "E&xport to ASCII..."};
        const QStringList quoteItems = {"&Edit...",   "&Split...",        "&Adjust...",
                                        "&Delete...", "&Print Quotes...", "Print Pre&view"};
        const struct {
            bool graph;
            QTableView* grid;
            int row;
            QStringList enabled;
        } cases[] = {
            {false, quotes, 2, quoteItems},
            {false, view->symbolGrid(), 0, symbolItems},
            {true, quotes, 0, {}},
            {true, view->symbolGrid(), 0, symbolItems.mid(0, 6)},
        };
        for (const auto& c : cases) {
            if (view->settings().showingGraph != c.graph)
                frame->action(Command::Graph)->trigger();
            const QPoint at = c.grid->visualRect(c.grid->model()->index(c.row, 0)).center();
            const std::unique_ptr<QMenu> menu = frame->contextMenu(c.grid, at);
            QStringList all, enabled;
            for (QAction* a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                all << a->text();
                if (a->isEnabled())
                    enabled << a->text();
            }
            QCOMPARE(all, c.grid == quotes ? quoteItems : symbolItems);
            QCOMPARE(enabled, c.enabled);
            QCOMPARE(c.grid->currentIndex().row(), c.row);
        }
    }

    // OK writes the settings and searches again when the filter changed. A refused OK keeps the
    // dialog open with the check's message, and Cancel then changes nothing. OK whose keys cannot
    // be written says so once, naming the settings file; the values hold for the session.
    void settingsOkWritesTheSettingsOrSaysWhyNot()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 3);
        QVERIFY(frame);
        QSignalSpy searches(frame->view(), &CQuovantaView::searchFinished);
        DialogRecorder dialogs;
        dialogs.install();
        dialogs.answers = {QDialog::Accepted};
        dialogs.inspect = [](QDialog& dlg) {
            child<QCheckBox>(dlg, "searchLimit")->setChecked(false);
            child<QCheckBox>(dlg, "auditEnable")->setChecked(true);
        };
        frame->action(Command::Settings)->trigger();
        QCOMPARE(searches.count(), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kSearchLimit), 0);
        QCOMPARE(qv::getSetting(settings, qv::keys::kAuditEnable), 1);

        bool stayedOpen = false;
        dialogs.answers = {QDialog::Rejected};
        dialogs.inspect = [&](QDialog& dlg) {
            MessageBox::clearShown();
            child<QCheckBox>(dlg, "searchLimit")->setChecked(true);
            child<QCheckBox>(dlg, "zipEnable")->setChecked(true);
            child<QLineEdit>(dlg, "pkunzipPath")->setText(q(tmp.path()));
            QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton);
            stayedOpen = dlg.result() != QDialog::Accepted;
        };
        frame->action(Command::Settings)->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().front().startsWith(QStringLiteral("PKUNZIP.EXE was not found")));
        QCOMPARE(searches.count(), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kSearchLimit), 0);

        dialogs.answers = {QDialog::Accepted};
        dialogs.inspect = [](QDialog& dlg) { child<QCheckBox>(dlg, "auditEnable")->setChecked(false); };
        MessageBox::clearShown();
        qv::faults::reset();
        qv::faults::failNth(qv::faults::Op::Rename, 1);
        frame->action(Command::Settings)->trigger();
        qv::faults::reset();
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(
            MessageBox::shownTexts().front().startsWith(q("The settings could not be saved in " + settings.path())));
        QVERIFY(!frame->view()->settings().auditEnable);
        QCOMPARE(qv::getSetting(settings, qv::keys::kAuditEnable), 1);
    }
};

QTEST_MAIN(MainWindowCommands)
#include "mainwindow_commands_test.moc"
