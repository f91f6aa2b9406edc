// The four "&Quotes" commands run over a portfolio in the main window: the file rewritten, the
// entries recorded, the grid refilled, a refusal keeping the dialog open, a failure's message,
// and the moves of "Edit Selected Quote" through the grid.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/maintain/QuoteEditCommands.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

#include <numeric>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }
void click(const QDialog& dlg, const char* name) { child<QPushButton>(dlg, name)->click(); }

// A main window over a portfolio whose security has a quote on each given day counted from
// 1997-03-01 (day 1), opening at the day's number.
std::unique_ptr<CMainFrame> openOn(const TempDir& tmp, const std::vector<int>& days)
{
    using namespace qv::fixtures;
    std::vector<QuoteRow> rows;
    for (int d : days) {
        const float v = static_cast<float>(d);
        rows.push_back(
            {fileDateOfDayNumber(dayNumberOf(1997, 3, 1) + d - 1), v, v + 2, v - 1, v + 0.5f, 1000.0f * v, 10});
    }
    writeSingleSecurity(tmp.subdir("Data"), rows);
    return openStarted(tmp.path());
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

    void commandsRewriteTheFileRecordTheEntriesAndRefillTheGrid()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        std::vector<int> days(40);
        std::iota(days.begin(), days.end(), 1);
        auto frame = openOn(tmp, days);
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
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("10.0000"));
            click(dlg, "first");
            QCOMPARE(edit(dlg, "date")->text(), QStringLiteral("03/01/97"));
            click(dlg, "last");
            QCOMPARE(view.quotePosition(), 0);
            QCOMPARE(edit(dlg, "open")->text(), QStringLiteral("40.0000"));
        };
        OnQuotesEdit(view);

        // Split on the selected quote (04/08/97): the older quotes halve.
        view.quoteGrid()->selectRow(1);
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("04/08/97"));
            edit(dlg, "newShares")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesSplit(view);
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(2), QuoteGridModel::Open), QStringLiteral("19.0000"));
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(1), QuoteGridModel::Open), QStringLiteral("39.0000"));
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
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(0), QuoteGridModel::Close), QStringLiteral("99.5000"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kEditRecord[4]), std::string("99.5"));

        // Delete the oldest quote: a beep, Yes, and MASTER's first date moves on.
        MessageBox::clearShown();
        const int beeps = beepCount();
        view.quoteGrid()->selectRow(39);
        dialogs.inspect = {};
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view.firstDateText(), QStringLiteral("03/02/97"));

        // No keeps everything; so does a cancelled Adjust.
        const qv::fixtures::ByteVec before = qv::fixtures::readBytes(quoteFile);
        dialogs.answers = {QDialog::Rejected, QDialog::Rejected};
        OnQuotesDelete(view);
        OnQuotesAdjust(view);
        QCOMPARE(qv::fixtures::readBytes(quoteFile), before);
        QVERIFY(MessageBox::shownTexts().isEmpty());

        // The quote file disappears behind the program's back: the command's message, with the
        // file and the cause on its second line.
        QVERIFY(QFile::remove(q(quoteFile)));
        dialogs.answers = {QDialog::Accepted};
        OnQuotesDelete(view);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Delete Edit Failed\n" + q(quoteFile) + " does not exist."});
        QCOMPARE(view.quoteModel()->rowCount(), 39);
    }

    // Quotes from 1928 and the eve of 1961: the grid shows 1928 with its century, and Split and
    // Adjust take the dates their dialogs offer.
    void quotesBefore1961AreShownAndTakenBySplitAndAdjust()
    {
        quietSettings();
        TempDir tmp;
        qv::fixtures::writeSingleSecurity(tmp.subdir("Data"), {{281001, 10, 12, 9, 11, 1000, 10},
                                                               {601231, 20, 22, 19, 21, 2000, 20},
                                                               {610101, 30, 32, 29, 31, 3000, 30}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QCOMPARE(view.quoteModel()->rowCount(), 3);
        const QStringList shown{"01/01/61", "12/31/60", "1928-10-01"};
        for (int r = 0; r < 3; ++r)
            QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(r), QuoteGridModel::Date), shown[r]);
        QCOMPARE(view.firstDateText(), QStringLiteral("1928-10-01"));

        DialogRecorder dialogs;
        dialogs.install();
        view.quoteGrid()->selectRow(1);
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("12/31/60"));
            edit(dlg, "newShares")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesSplit(view);
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(2), QuoteGridModel::Open), QStringLiteral("5.0000"));
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(1), QuoteGridModel::Open), QStringLiteral("20.0000"));

        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "from")->text(), QStringLiteral("1928-10-01"));
            edit(dlg, "price")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesAdjust(view);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(2), QuoteGridModel::Open), QStringLiteral("10.0000"));
        QCOMPARE(QuoteGridModel::cellText(view.quoteModel()->row(0), QuoteGridModel::Open), QStringLiteral("60.0000"));
    }

    // A date typed or pasted with its century is taken whole and refused: cut to the field's
    // old eight characters, 06/02/2025 was 06/02/20 and the split scaled every quote before
    // June 2020.
    void aDateLongerThanMmDdYyIsRefusedAndNeverCut_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pasted");
        QTest::newRow("split typed") << "split"
                                     << "splitDate"
                                     << "06/02/2025" << false;
        QTest::newRow("split pasted") << "split"
                                      << "splitDate"
                                      << "06/02/2025" << true;
        QTest::newRow("adjust from typed") << "adjust"
                                           << "from"
                                           << "01/02/2019" << false;
        QTest::newRow("adjust to pasted") << "adjust"
                                          << "to"
                                          << "06/02/2025" << true;
        QTest::newRow("split short") << "split"
                                     << "splitDate"
                                     << "6/2/25" << true;
    }
    void aDateLongerThanMmDdYyIsRefusedAndNeverCut()
    {
        QFETCH(QString, command);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, pasted);
        quietSettings();
        TempDir tmp;
        using qv::fixtures::fileDate;
        qv::fixtures::writeSingleSecurity(tmp.subdir("Data"), {{fileDate(2019, 1, 2), 10, 12, 9, 11, 1000, 10},
                                                               {fileDate(2020, 6, 2), 20, 22, 19, 21, 2000, 20},
                                                               {fileDate(2025, 6, 2), 30, 32, 29, 31, 3000, 30}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        const std::string quoteFile = tmp.file("Data/F1.DAT");
        const qv::fixtures::ByteVec before = qv::fixtures::readBytes(quoteFile);

        DialogRecorder dialogs;
        dialogs.install();
        bool inspected = false;
        dialogs.inspect = [&](QDialog& dlg) {
            dlg.show(); // typed and pasted as into the shown dialog
            QLineEdit* date = edit(dlg, field.toLatin1().constData());
            date->setFocus();
            date->selectAll();
            if (pasted) {
                QApplication::clipboard()->setText(text);
                date->paste();
            } else {
                QTest::keyClicks(date, text);
            }
            QCOMPARE(date->text(), text);
            click(dlg, "ok");
            QCOMPARE(MessageBox::shownTexts(), QStringList{"Invalid Data Entered"});
            QVERIFY(dlg.result() != QDialog::Accepted);
            inspected = true;
        };
        dialogs.answers = {QDialog::Rejected};
        if (command == QLatin1String("split"))
            OnQuotesSplit(view);
        else
            OnQuotesAdjust(view);
        QVERIFY(inspected);
        QCOMPARE(qv::fixtures::readBytes(quoteFile), before);
    }
};

QTEST_MAIN(QuoteEditDialogsTest)
#include "quote_edit_dialogs_test.moc"
