// The enabling rules in a few representative states; the browser's commands driven through the
// window's actions and keys (Recent/All, Graph, Settings with one of its refusals and a settings
// file that cannot be written); "Profiles Management" walking the window's portfolios and
// symbols, with "Profile Settings" refusing what it cannot save; the four "&Quotes" commands (the
// dialogs' offers and refusals, the entries recorded, the grid refilled, a failure's message, the
// moves of "Edit Selected Quote" through the grid); and the "Split Search" window.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "core/platform/fault_injection.h"
#include "core/profiles/profile.h"
#include "core/profiles/profile_check.h"
#include "gui/app/Actions.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/common/FileDialog.h"
#include "gui/maintain/CSplitSearchDlg.h"
#include "gui/maintain/QuoteEditCommands.h"
#include "gui/maintain/SplitSearchCommand.h"
#include "gui/profiles/CProfileSettingsDlg.h"
#include "gui/profiles/CProfilesManagementDlg.h"
#include "gui/profiles/ProfileCommands.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::fixtures;

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

QString cell(const CQuovantaView& view, int row, int column)
{
    return QuoteGridModel::cellText(view.quoteModel()->row(row), column);
}

// One security per entry: its closes, one quote a day from 1998-06-01, bars 2% either side.
void writeCloses(const std::string& dir, const std::vector<std::pair<std::string, std::vector<float>>>& securities)
{
    std::vector<qv::charttest::Security> out;
    for (const auto& [symbol, closes] : securities) {
        out.push_back({symbol, symbol, {}});
        for (const float c : closes)
            out.back().days.push_back(
                {dayNumberOf(1998, 6, 1) + int(out.back().days.size()), c, c * 1.02f, c * 0.98f, c, 500, 0});
    }
    qv::charttest::writePortfolio(dir, out);
}

// Selects `row`, checks the date Split offers for it, and splits 2 for 1 there.
void splitTwoForOneAt(CQuovantaView& view, DialogRecorder& dialogs, int row, const QString& offered)
{
    view.quoteGrid()->selectRow(row);
    dialogs.inspect = [offered](QDialog& dlg) {
        QCOMPARE(edit(dlg, "splitDate")->text(), offered);
        edit(dlg, "newShares")->setText(QStringLiteral("2"));
        click(dlg, "ok");
    };
    dialogs.answers = {QDialog::Accepted};
    OnQuotesSplit(view);
}

std::string fileText(const std::string& path)
{
    const ByteVec bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

} // namespace

class MainWindowCommands : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        ModalDialog::setTestHandler({});
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

    void managementWalksTheWindowsSymbolsAndPortfoliosAndWritesAssignments()
    {
        TempDir tmp;
        const std::string a = tmp.subdir("A");
        qv::fixtures::writeStandardPortfolio(a);
        const std::string b = tmp.subdir("B");
        qv::fixtures::writeBytes(b + "/MASTER", qv::fixtures::masterFile({}));
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QVERIFY(selectPortfolio(view, a));
        QVERIFY(qv::writeProfile(tmp.path(), "Alpha", qv::sampleProfile(tmp.path())).isOk());

        CProfilesManagementDlg dlg(view, nullptr);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile"}));
        QCOMPARE(dlg.symbolText(), QStringLiteral("IBM"));
        dlg.selectProfile(QStringLiteral("MyFirstProfile"));
        dlg.OnSymbolAssign();
        QCOMPARE(dlg.profileText(), QStringLiteral("MyFirstProfile"));
        QCOMPARE(qv::readAssignment(a, 1), std::optional<std::string>("MyFirstProfile"));
        dlg.selectProfile(QStringLiteral("Alpha"));
        dlg.OnMultipleAssign();
        QCOMPARE(qv::readAssignment(a, 4), std::optional<std::string>("Alpha"));

        // Walking symbols selects in the main window.
        dlg.OnNextSymbol();
        dlg.OnNextSymbol();
        QCOMPARE(view.currentSymbol(), std::string("GC"));
        QCOMPARE(dlg.fileText(), QStringLiteral("F4.dat"));

        // To the empty portfolio: all quotes mode is left for recent, and nothing to assign.
        view.OnRecentAll();
        QVERIFY(!view.settings().displayLimit);
        const bool bIsNext = view.portfolios().back() == b;
        bIsNext ? dlg.OnNextPortfolio() : dlg.OnPreviousPortfolio();
        QCOMPARE(view.portfolioDir(), b);
        QVERIFY(view.settings().displayLimit);
        QVERIFY(!child<QPushButton>(dlg, "symbolAssign")->isEnabled());

        // New runs the settings dialog: a missing update path is refused and the dialog stays;
        // the list's last row is date code 12. What it saved is listed and selected.
        const std::string updates = tmp.subdir("Updates");
        ModalDialog::setTestHandler([&](QDialog& d) {
            edit(d, "name")->setText(QStringLiteral("zeta"));
            child<QComboBox>(d, "dateFormat")->setCurrentIndex(11);
            for (const std::string& path : {updates + "/missing", updates}) {
                edit(d, "updatePath")->setText(q(path));
                d.accept();
            }
            return d.result();
        });
        dlg.OnNew();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"The Path to the Update Files does not exist"});
        const qv::ProfileRead zeta = qv::readProfile(tmp.path(), "zeta");
        QCOMPARE(zeta.profile.updatePath, updates);
        QCOMPARE(zeta.profile.dateFormat, 12);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile", "zeta"}));
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("zeta"));

        // The window's command opens the same dialog.
        DialogRecorder recorder;
        recorder.install();
        OnProfiles(view);
        QCOMPARE(recorder.titles, QStringList{"Profiles Management"});
    }

    // A column field emptied or typed out of range is refused with the range message, whether
    // Save is clicked (the field loses the focus first) or Enter is pressed in the field; a plain
    // spin box put its old number back and saved that. Typed in range, the same field saves.
    void anEmptiedOrOutOfRangeColumnIsRefusedWithTheRangeMessage()
    {
        TempDir tmp;
        CProfileSettingsDlg dlg(
            qv::editorValuesFromProfile(qv::newProfileDefaults(tmp.path()), "FRESH", qv::ProfileEditMode::New), {},
            nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto* close = child<QSpinBox>(dlg, "closeColumn");
        for (const auto& [typed, enter] :
             {std::pair{QString(), false}, {QString(), true}, {QStringLiteral("25"), false}}) {
            MessageBox::clearShown();
            close->setFocus();
            QTRY_VERIFY(close->hasFocus());
            close->selectAll();
            QTest::keyClick(close, Qt::Key_Backspace);
            QTest::keyClicks(close, typed);
            if (enter)
                QTest::keyClick(close, Qt::Key_Return);
            else
                QTest::mouseClick(child<QPushButton>(dlg, "save"), Qt::LeftButton);
            QCOMPARE(MessageBox::shownTexts(), QStringList{"Enter a column number from 1 to 20 for Close"});
            QVERIFY(dlg.isVisible() && dlg.result() != QDialog::Accepted);
            QCOMPARE(close->text(), typed);
        }
        MessageBox::clearShown();
        close->selectAll();
        QTest::keyClicks(close, QStringLiteral("12"));
        QTest::mouseClick(child<QPushButton>(dlg, "save"), Qt::LeftButton);
        QCOMPARE(MessageBox::shownTexts(), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.savedProfile().closeColumn, 12);
    }

    void commandsRewriteTheFileRecordTheEntriesAndRefillTheGrid()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        auto frame = openWithQuotes(tmp, 40);
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        const std::string quoteFile = tmp.file("Data/F1.DAT");
        DialogRecorder dialogs;
        dialogs.install();
        // Edit moves through the grid: row 29 is the oldest recent quote; going past it shows
        // every quote first.
        dialogs.inspect = [&](QDialog& dlg) {
            for (int i = 0; i < 30; ++i)
                click(dlg, "previous");
            QCOMPARE(view.quoteModel()->rowCount(), 40);
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("19.0000"));
            click(dlg, "first");
            QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("01/01/98"));
            click(dlg, "last");
            QCOMPARE(view.quotePosition(), 0);
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("49.0000"));
        };
        OnQuotesEdit(view);

        // Split offers the selected quote's date (02/08/98); the older quotes halve.
        splitTwoForOneAt(view, dialogs, 1, QStringLiteral("02/08/98"));
        QCOMPARE(cell(view, 2, QuoteGridModel::Open), QStringLiteral("23.5000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kSplitRecord[1]), std::string("2"));
        QCOMPARE(frame->statusBar()->currentMessage(), q("Split entered: " + view.currentSymbol()));

        // Edit: a value that is no number is refused and the dialog stays open.
        view.quoteGrid()->selectRow(0);
        dialogs.inspect = [](QDialog& dlg) {
            edit(dlg, "close")->setText(QStringLiteral("12,5"));
            click(dlg, "ok");
            QCOMPARE(MessageBox::shownTexts(), QStringList{"Invalid Data Entered"});
            QVERIFY(dlg.result() != QDialog::Accepted);
            edit(dlg, "close")->setText(QStringLiteral("99.5"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesEdit(view);
        QCOMPARE(cell(view, 0, QuoteGridModel::Close), QStringLiteral("99.5000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kEditRecord[4]), std::string("99.5"));

        // Delete the oldest quote: a beep, Yes, and MASTER's first date moves on.
        MessageBox::clearShown();
        const int beeps = beepCount();
        view.quoteGrid()->selectRow(39);
        dialogs.inspect = {};
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view.firstDateText(), QStringLiteral("01/02/98"));

        // No keeps everything; so does a cancelled Adjust.
        const ByteVec before = readBytes(quoteFile);
        dialogs.answers = {QDialog::Rejected, QDialog::Rejected};
        OnQuotesDelete(view);
        OnQuotesAdjust(view);
        QCOMPARE(readBytes(quoteFile), before);
        QVERIFY(MessageBox::shownTexts().isEmpty());

        // The quote file disappears behind the program's back: the command's message, with the
        // file and the cause on its second line.
        QVERIFY(QFile::remove(q(quoteFile)));
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Delete Edit Failed\n" + q(quoteFile) + " does not exist."});
        QCOMPARE(view.quoteModel()->rowCount(), 39);
    }

    // A date typed or pasted with its century is taken whole and refused: cut to the field's old
    // eight characters, 06/02/2025 was 06/02/20 and the split scaled every quote before June 2020.
    // Quotes from 1928 and the eve of 1961 are shown with the century where two digits would name
    // another year, and Split and Adjust take the dates their dialogs offer.
    void datesAreTakenWholeAsTypedAndAsOfferedBefore1961()
    {
        quietSettings();
        TempDir tmp;
        writeSingleSecurity(tmp.subdir("Data"), {{281001, 10, 12, 9, 11, 1000, 10},
                                                 {601231, 20, 22, 19, 21, 2000, 20},
                                                 {610101, 30, 32, 29, 31, 3000, 30},
                                                 {fileDate(2019, 1, 2), 40, 42, 39, 41, 4000, 40},
                                                 {fileDate(2020, 6, 2), 50, 52, 49, 51, 5000, 50},
                                                 {fileDate(2025, 6, 2), 60, 62, 59, 61, 6000, 60}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        const QStringList shown{"06/02/25", "06/02/20", "01/02/19", "01/01/61", "12/31/60", "1928-10-01"};
        for (int r = 0; r < 6; ++r)
            QCOMPARE(cell(view, r, QuoteGridModel::Date), shown[r]);
        QCOMPARE(view.firstDateText(), QStringLiteral("1928-10-01"));

        const std::string quoteFile = tmp.file("Data/F1.DAT");
        const ByteVec before = readBytes(quoteFile);
        DialogRecorder dialogs;
        dialogs.install();
        const struct {
            bool split;
            const char* field;
            QString text;
            bool pasted;
        } cases[] = {
            {true, "splitDate", "06/02/2025", false},
            {true, "splitDate", "06/02/2025", true},
            {false, "from", "01/02/2019", false},
            {false, "to", "06/02/2025", true},
        };
        int refused = 0;
        for (const auto& c : cases) {
            MessageBox::clearShown();
            dialogs.inspect = [&](QDialog& dlg) {
                dlg.show(); // typed and pasted as into the shown dialog
                QLineEdit* date = edit(dlg, c.field);
                date->setFocus();
                date->selectAll();
                if (c.pasted) {
                    QApplication::clipboard()->setText(c.text);
                    date->paste();
                } else {
                    QTest::keyClicks(date, c.text);
                }
                QCOMPARE(date->text(), c.text);
                click(dlg, "ok");
                QCOMPARE(MessageBox::shownTexts(), QStringList{"Invalid Data Entered"});
                QVERIFY(dlg.result() != QDialog::Accepted);
                ++refused;
            };
            c.split ? OnQuotesSplit(view) : OnQuotesAdjust(view);
            QCOMPARE(readBytes(quoteFile), before);
        }
        QCOMPARE(refused, 4);

        MessageBox::clearShown();
        splitTwoForOneAt(view, dialogs, 4, QStringLiteral("12/31/60"));
        QCOMPARE(cell(view, 5, QuoteGridModel::Open), QStringLiteral("5.0000"));
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "from")->text(), QStringLiteral("1928-10-01"));
            edit(dlg, "price")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesAdjust(view);
        QCOMPARE(cell(view, 5, QuoteGridModel::Open), QStringLiteral("10.0000"));
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }

    // The window stays open while the user works in the main window: each Search takes the
    // portfolio selected there at that moment and beeps at its end. Save As adds .txt, and then
    // asks before it replaces a file the file dialog could not ask about.
    void splitSearchTakesTheSelectedPortfolioAndSavesTheList()
    {
        quietSettings();
        TempDir tmp;
        const std::string data = tmp.subdir("Data"), other = tmp.subdir("Other");
        writeCloses(data, {{"AAA", {30, 30, 15, 15}}, {"BBB", {40, 10}}, {"CCC", {5, 5.1f, 5}}});
        writeCloses(other, {{"OOO", {10, 40}}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QVERIFY(selectPortfolio(view, other));
        OnSplitSearch(view);
        QPointer<CSplitSearchDlg> dlg = frame->findChild<CSplitSearchDlg*>();
        QVERIFY(dlg && dlg->isVisible() && !dlg->isModal());
        QVERIFY(view.browserState().splitSearchOpen);
        QVERIFY(selectPortfolio(view, data));
        const int beeps = beepCount();
        click(*dlg, "search");
        const QStringList found = {"AAA possible 2 for 1 split on 06/03/98", "BBB possible 4 for 1 split on 06/02/98"};
        QCOMPARE(dlg->lines(), found);
        QCOMPARE(beepCount(), beeps + 1);
        QVERIFY(selectPortfolio(view, other));
        click(*dlg, "search");
        QCOMPARE(dlg->lines(), found + QStringList{"OOO possible 1 for 4 split on 06/02/98"});

        const std::string written = dlg->lines().join(QLatin1Char('\n')).toStdString() + "\n";
        const std::string saved = tmp.file("result.txt");
        FileDialog::setNextAnswer(q(tmp.file("result")));
        click(*dlg, "saveAs");
        QCOMPARE(fileText(saved), written);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        writeText(saved, "kept\n");
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            MessageBox::clearShown();
            FileDialog::setNextAnswer(q(tmp.file("result")));
            MessageBox::setNextAnswer(answer);
            click(*dlg, "saveAs");
            QCOMPARE(MessageBox::shownTexts().size(), 1);
            QCOMPARE(fileText(saved), answer == QMessageBox::No ? std::string("kept\n") : written);
        }
        click(*dlg, "close");
        QVERIFY(!view.browserState().splitSearchOpen);
        QTRY_VERIFY(dlg.isNull());
    }
};

QTEST_MAIN(MainWindowCommands)
#include "mainwindow_commands_test.moc"
