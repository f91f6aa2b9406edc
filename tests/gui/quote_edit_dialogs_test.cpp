// The quote edit dialogs: their checks as the user meets them, the moves of "Edit Selected
// Quote" through the grid, and the four commands run over a portfolio in the main window.

#include "mainwindow_test_support.h"

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

#include <numeric>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }
void click(const QDialog& dlg, const char* name) { child<QPushButton>(dlg, name)->click(); }

qv::DayNumber day(int year, int month, int d) { return static_cast<qv::DayNumber>(qv::fixtures::dayNumberOf(year, month, d)); }

// OK with `field` holding `bad` shows the one refusal and keeps the dialog open; with `good`
// it closes accepted.
bool refusedThenAccepted(QDialog& dlg, const char* field, const QString& bad, const QString& good)
{
    const bool shown = dlg.isVisible();
    MessageBox::clearShown();
    edit(dlg, field)->setText(bad);
    click(dlg, "ok");
    const bool refused = dlg.isVisible() == shown && dlg.result() != QDialog::Accepted &&
                         MessageBox::shownTexts() == QStringList{"Invalid Data Entered"};
    MessageBox::clearShown();
    edit(dlg, field)->setText(good);
    click(dlg, "ok");
    return refused && dlg.result() == QDialog::Accepted && MessageBox::shownTexts().isEmpty();
}

// A portfolio in dir whose security has a quote on each given day counted from 1997-03-01
// (day 1), opening at the day's number.
void writePortfolio(const std::string& dir, const std::vector<int>& days)
{
    using namespace qv::fixtures;
    std::vector<QuoteRow> rows;
    for (int d : days) {
        const float v = static_cast<float>(d);
        rows.push_back({fileDateOfDayNumber(dayNumberOf(1997, 3, 1) + d - 1), v, v + 2, v - 1, v + 0.5f, 1000.0f * v, 10});
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

    void splitAndAdjustOfferTheirDefaultsAndRefuseUnusableEntries()
    {
        const qv::QuoteDates dates{qv::kStatusOk, day(1997, 1, 2), day(1997, 12, 31)};
        CSplitDlg split(QStringLiteral("03/14/97"), dates, nullptr);
        split.show();
        QCOMPARE(edit(split, "newShares")->text(), QStringLiteral("1"));
        QCOMPARE(edit(split, "oldShares")->text(), QStringLiteral("1"));
        // A ten-character date and a sixth digit do not fit.
        QCOMPARE(edit(split, "splitDate")->maxLength(), 8);
        QCOMPARE(edit(split, "newShares")->maxLength(), 5);
        edit(split, "splitDate")->setText(QStringLiteral("12/31/97"));
        QVERIFY(refusedThenAccepted(split, "newShares", QStringLiteral("0"), QStringLiteral("2")));
        QCOMPARE(split.check().request.lastDate, static_cast<qv::DayNumber>(day(1997, 12, 30)));

        CAdjustDlg adjust(QStringLiteral("01/02/97"), QStringLiteral("12/31/97"), dates, nullptr);
        adjust.show();
        for (const char* name : {"price", "volume", "openInterest"})
            QCOMPARE(edit(adjust, name)->text(), QStringLiteral("1"));
        QVERIFY(refusedThenAccepted(adjust, "openInterest", QStringLiteral("0"), QStringLiteral("2")));
    }

    void editMovesThroughTheGridAndShowsEveryQuoteBeyondTheRecentOnes()
    {
        quietSettings();
        TempDir tmp;
        std::vector<int> days(40);
        std::iota(days.begin(), days.end(), 1);
        writePortfolio(tmp.subdir("Data"), days);
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QCOMPARE(view.quoteModel()->rowCount(), 30);
        DialogRecorder dialogs;
        dialogs.install();
        const auto enabled = [](const QDialog& dlg, const char* name) { return child<QPushButton>(dlg, name)->isEnabled(); };

        dialogs.inspect = [&](QDialog& d) {
            auto& dlg = static_cast<CQuoteEditDlg&>(d);
            QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("04/09/97"));
            QVERIFY(edit(dlg, "date")->isReadOnly());
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("40.0000"));
            QCOMPARE(edit(dlg, "volume")->text(), QStringLiteral("40000"));
            QVERIFY(!enabled(dlg, "next") && !enabled(dlg, "last"));

            click(dlg, "previous");
            QCOMPARE(dlg.position(), 1);
            QCOMPARE(view.quotePosition(), 1);
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("39.0000"));
            QVERIFY(enabled(dlg, "next"));

            // Row 29 is the oldest recent quote; going past it shows every quote first.
            for (int i = 0; i < 28; ++i)
                click(dlg, "previous");
            QCOMPARE(dlg.position(), 29);
            QCOMPARE(view.quoteModel()->rowCount(), 30);
            click(dlg, "previous");
            QCOMPARE(view.quoteModel()->rowCount(), 40);
            QCOMPARE(dlg.position(), 30);
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("10.0000"));

            click(dlg, "first");
            QCOMPARE(dlg.position(), 39);
            QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("03/01/97"));
            QVERIFY(!enabled(dlg, "previous") && !enabled(dlg, "first"));
            click(dlg, "next");
            QCOMPARE(dlg.position(), 38);
            click(dlg, "last");
            QCOMPARE(dlg.position(), 0);
            QCOMPARE(view.quotePosition(), 0);
        };
        OnQuotesEdit(view);
        QCOMPARE(dialogs.titles.size(), 1);

        // First from the recent quotes switches too.
        view.OnRecentAll();
        QCOMPARE(view.quoteModel()->rowCount(), 30);
        view.quoteGrid()->selectRow(3);
        dialogs.inspect = [&](QDialog& d) {
            click(d, "first");
            QCOMPARE(static_cast<CQuoteEditDlg&>(d).position(), 39);
        };
        OnQuotesEdit(view);
        QCOMPARE(view.quoteModel()->rowCount(), 40);
    }

    void commandsRewriteTheFileRecordTheEntriesAndRefillTheGrid()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        const std::string data = tmp.subdir("Data");
        writePortfolio(data, {13, 14, 17, 18}); // March 1997
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
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
            QVERIFY(refusedThenAccepted(dlg, "close", QStringLiteral("12,5"), QStringLiteral("99.5")));
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesEdit(view);
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(0), QuoteGridModel::Close), QStringLiteral("99.5000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kEditRecord[4]), std::string("99.5"));

        // Delete the oldest quote: a beep, Yes, and MASTER's first date moves on.
        const int beeps = beepCount();
        view.quoteGrid()->selectRow(3);
        dialogs.inspect = [](QDialog& dlg) { QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("03/13/97")); };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view.quoteModel()->rowCount(), 3);
        QCOMPARE(view.firstDateText(), QStringLiteral("03/14/97"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kDeleteRecordDate), std::string("03/13/97"));

        // No keeps everything; a refused Adjust leaves the file alone.
        const qv::fixtures::ByteVec before = qv::fixtures::readBytes(data + "/F1.DAT");
        dialogs.inspect = {};
        dialogs.answers = {QDialog::Rejected, QDialog::Rejected};
        OnQuotesDelete(view);
        OnQuotesAdjust(view);
        QCOMPARE(dialogs.titles.last(), QStringLiteral("Adjust Data"));
        QCOMPARE(qv::fixtures::readBytes(data + "/F1.DAT"), before);
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }

    void aFailedRewriteShowsTheCommandsMessageAndKeepsTheGrid()
    {
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kSoundDisable, 1);
        TempDir tmp;
        const std::string data = tmp.subdir("Data");
        writePortfolio(data, {13, 14});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
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
