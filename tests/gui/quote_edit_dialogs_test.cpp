// The quote edit dialogs: their checks as the user meets them, the moves of "Edit Selected
// Quote" through the grid, and the four commands run over a portfolio in the main window.

#include "mainwindow_test_support.h"

#include "core/store/encodings.h"
#include "core/store/master.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/maintain/CAdjustDlg.h"
#include "gui/maintain/CDeleteQuoteDlg.h"
#include "gui/maintain/CQuoteEditDlg.h"
#include "gui/maintain/CSplitDlg.h"
#include "gui/maintain/QuoteEditCommands.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

template <typename W>
W* child(const QDialog& dlg, const char* name)
{
    W* w = dlg.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }
void click(const QDialog& dlg, const char* name) { child<QPushButton>(dlg, name)->click(); }

qv::DayNumber day(int year, int month, int d) { return static_cast<qv::DayNumber>(qv::fixtures::dayNumberOf(year, month, d)); }

// A grid over made-up rows: `inFile` quotes, newest first, of which the first 30 are shown
// until the dialog asks for all of them.
struct FakeGrid {
    int inFile = 0;
    bool recent = true;
    int switches = 0;
    int selected = -1;
    std::vector<QuoteGridModel::Row> rows;

    explicit FakeGrid(int quotes) : inFile(quotes)
    {
        for (int r = 0; r < quotes; ++r) {
            QuoteGridModel::Row row;
            row.date = static_cast<qv::DayNumber>(day(1998, 1, 1) + quotes - 1 - r);
            const float v = static_cast<float>(quotes - r);
            row.values = {v, v + 1, v - 0.5f, v + 0.25f, 100 * v, -1};
            rows.push_back(row);
        }
    }
    int shown() const { return recent ? std::min(inFile, 30) : inFile; }
    QuoteRowSource source()
    {
        QuoteRowSource s;
        s.quotesInFile = [this] { return inFile; };
        s.rowsShown = [this] { return shown(); };
        s.showingRecent = [this] { return recent; };
        s.row = [this](int r) { return rows.at(static_cast<std::size_t>(r)); };
        s.showAllQuotes = [this] {
            recent = false;
            ++switches;
        };
        s.selectRow = [this](int r) { selected = r; };
        return s;
    }
};

// A portfolio in dir/Data whose security ABC has quotes on the given days of March 1997.
void writePortfolio(const std::string& dir, const std::vector<int>& days)
{
    using namespace qv::fixtures;
    std::vector<QuoteRow> rows;
    for (int d : days) {
        const float v = static_cast<float>(d);
        rows.push_back({fileDate(1997, 3, d), v, v + 2, v - 1, v + 0.5f, 1000.0f * v, 10});
    }
    writeSingleSecurity(dir, rows);
}

} // namespace

class QuoteEditDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void splitRefusesAndStaysOpenUntilTheEntriesAreUsable()
    {
        const qv::QuoteDates dates{qv::kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
        CSplitDlg dlg(QStringLiteral("03/14/97"), dates, nullptr);
        dlg.show();
        QCOMPARE(edit(dlg, "newShares")->text(), QStringLiteral("1"));
        QCOMPARE(edit(dlg, "oldShares")->text(), QStringLiteral("1"));
        // The ten-character form of a date does not fit.
        edit(dlg, "splitDate")->setText(QStringLiteral("12/31/1997"));
        QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("12/31/19"));
        click(dlg, "ok");
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Invalid Data Entered")});

        MessageBox::clearShown();
        edit(dlg, "splitDate")->setText(QStringLiteral("12/31/97"));
        edit(dlg, "newShares")->setText(QStringLiteral("0"));
        click(dlg, "ok");
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Invalid Data Entered")});

        MessageBox::clearShown();
        edit(dlg, "newShares")->setText(QStringLiteral("123456"));
        QCOMPARE(edit(dlg, "newShares")->text(), QStringLiteral("12345"));
        edit(dlg, "newShares")->setText(QStringLiteral("2"));
        click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(dlg.check().request.lastDate, static_cast<qv::DayNumber>(day(1997, 12, 30)));
    }

    void adjustOffersTheWholeRangeAndRefusesAZeroMultiplier()
    {
        const qv::QuoteDates dates{qv::kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
        CAdjustDlg dlg(QStringLiteral("01/02/97"), QStringLiteral("12/31/97"), dates, nullptr);
        dlg.show();
        for (const char* name : {"price", "volume", "openInterest"})
            QCOMPARE(edit(dlg, name)->text(), QStringLiteral("1"));
        edit(dlg, "openInterest")->setText(QStringLiteral("0"));
        click(dlg, "ok");
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Invalid Data Entered")});
        edit(dlg, "openInterest")->setText(QStringLiteral("2"));
        edit(dlg, "from")->setText(QStringLiteral("01/01/97"));
        click(dlg, "ok");
        QVERIFY(dlg.isVisible());
        edit(dlg, "from")->setText(QStringLiteral("06/30/97"));
        click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void editMovesThroughTheGridAndShowsEveryQuoteBeyondTheRecentOnes()
    {
        FakeGrid grid(40);
        CQuoteEditDlg dlg(grid.source(), 0, nullptr);
        dlg.show();
        QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("02/09/98"));
        QVERIFY(edit(dlg, "date")->isReadOnly());
        QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("40.0000"));
        QCOMPARE(edit(dlg, "volume")->text(), QStringLiteral("4000"));
        QCOMPARE(edit(dlg, "openInterest")->text(), QStringLiteral("N/A"));
        QVERIFY(!child<QPushButton>(dlg, "next")->isEnabled());
        QVERIFY(!child<QPushButton>(dlg, "last")->isEnabled());

        click(dlg, "previous");
        QCOMPARE(dlg.position(), 1);
        QCOMPARE(grid.selected, 1);
        QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("39.0000"));
        QVERIFY(child<QPushButton>(dlg, "next")->isEnabled());

        // Row 29 is the oldest recent quote; going past it shows every quote first.
        for (int i = 0; i < 28; ++i)
            click(dlg, "previous");
        QCOMPARE(dlg.position(), 29);
        QCOMPARE(grid.switches, 0);
        click(dlg, "previous");
        QCOMPARE(grid.switches, 1);
        QCOMPARE(dlg.position(), 30);
        QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("10.0000"));

        click(dlg, "first");
        QCOMPARE(dlg.position(), 39);
        QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("01/01/98"));
        QVERIFY(!child<QPushButton>(dlg, "previous")->isEnabled());
        QVERIFY(!child<QPushButton>(dlg, "first")->isEnabled());
        click(dlg, "next");
        QCOMPARE(dlg.position(), 38);
        click(dlg, "last");
        QCOMPARE(dlg.position(), 0);
        QCOMPARE(grid.switches, 1);

        // First from the recent quotes switches too.
        FakeGrid other(35);
        CQuoteEditDlg second(other.source(), 3, nullptr);
        click(second, "first");
        QCOMPARE(other.switches, 1);
        QCOMPARE(second.position(), 34);
    }

    void editRefusesAValueThatIsNoNumberButTakesNotApplicable()
    {
        FakeGrid grid(3);
        CQuoteEditDlg dlg(grid.source(), 1, nullptr);
        dlg.show();
        edit(dlg, "high")->setText(QStringLiteral("12,5"));
        click(dlg, "ok");
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Invalid Data Entered")});
        edit(dlg, "high")->setText(QStringLiteral("12.5"));
        click(dlg, "ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const qv::EditCheck check = dlg.check();
        QVERIFY(check.request.keep[5]);
        QCOMPARE(check.request.values[1], 12.5f);
    }

    void commandsRewriteTheFileRecordTheEntriesAndRefillTheGrid()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        TempDir tmp;
        const std::string data = tmp.subdir("Data");
        writePortfolio(data, {13, 14, 17, 18});
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        CQuovantaView& view = *frame->view();
        QCOMPARE(view.quoteModel()->rowCount(), 4);

        DialogRecorder dialogs;
        dialogs.install();

        // Split on the selected quote (03/17/97): the two older quotes halve.
        view.quoteGrid()->selectRow(1);
        QCOMPARE(view.quotePosition(), 1);
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("03/17/97"));
            edit(dlg, "newShares")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesSplit(view);
        QCOMPARE(dialogs.titles.last(), QStringLiteral("Split Data"));
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(3), QuoteGridModel::Open), QStringLiteral("6.5000"));
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(1), QuoteGridModel::Open), QStringLiteral("17.0000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kSplitRecord[1]), std::string("2"));
        QVERIFY(QFile::exists(q(data + "/F1.BAK")));

        // Edit the newest quote after moving to it with Last.
        view.quoteGrid()->selectRow(2);
        dialogs.inspect = [](QDialog& dlg) {
            click(dlg, "last");
            QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("03/18/97"));
            edit(dlg, "close")->setText(QStringLiteral("99.5"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesEdit(view);
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(0), QuoteGridModel::Close), QStringLiteral("99.5000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kEditRecord[4]), std::string("99.5"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kEditRecord[0]), std::string("03/18/97"));

        // Delete the oldest quote: a beep, Yes, and MASTER's first date moves on.
        const int beeps = beepCount();
        view.quoteGrid()->selectRow(3);
        dialogs.inspect = [](QDialog& dlg) { QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("03/13/97")); };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view.quoteModel()->rowCount(), 3);
        QCOMPARE(view.firstDateText(), QStringLiteral("03/14/97"));
        qv::MasterFile master;
        QVERIFY(qv::readMasterFile(data, master));
        QCOMPARE(master.entries.at(0).firstDate(), 970314.0f);
        QCOMPARE(qv::getSetting(settings, qv::keys::kDeleteRecordDate), std::string("03/13/97"));

        // No keeps everything; a refused Adjust leaves the file alone.
        const QByteArray before = [&] {
            QFile f(q(data + "/F1.DAT"));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        dialogs.inspect = {};
        dialogs.answers = {QDialog::Rejected, QDialog::Rejected};
        OnQuotesDelete(view);
        OnQuotesAdjust(view);
        QCOMPARE(dialogs.titles.last(), QStringLiteral("Adjust Data"));
        QFile after(q(data + "/F1.DAT"));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }

    void aFailedRewriteShowsTheCommandsMessageAndKeepsTheGrid()
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        qv::putSetting(settings, qv::keys::kSoundDisable, 1);
        TempDir tmp;
        const std::string data = tmp.subdir("Data");
        writePortfolio(data, {13, 14});
        auto frame = openMainWindow(tmp.path(), tmp.path());
        QVERIFY(waitForStartup(*frame));
        CQuovantaView& view = *frame->view();

        // The quote file disappears behind the program's back.
        QVERIFY(QFile::remove(q(data + "/F1.DAT")));
        DialogRecorder dialogs;
        dialogs.install();
        dialogs.inspect = [](QDialog& dlg) {
            if (auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("ok")))
                ok->click();
        };
        dialogs.answers = {QDialog::Accepted, QDialog::Accepted};
        const int beeps = beepCount();
        OnQuotesDelete(view);
        QCOMPARE(beepCount(), beeps);
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Delete Edit Failed")});
        MessageBox::clearShown();
        OnQuotesEdit(view);
        QCOMPARE(MessageBox::shownTexts(), QStringList{QStringLiteral("Single Date Edit Failed")});
        QCOMPARE(view.quoteModel()->rowCount(), 2);
        QCOMPARE(qv::getSetting(settings, qv::keys::kDeleteRecordDate), std::string());
    }
};

QTEST_MAIN(QuoteEditDialogsTest)
#include "quote_edit_dialogs_test.moc"
