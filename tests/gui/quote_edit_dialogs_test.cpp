// The four "&Quotes" commands run over a portfolio in the main window (the dialogs' offers and
// refusals, the entries recorded, the grid refilled, a failure's message, the moves of "Edit
// Selected Quote" through the grid), and the "Split Search" window beside the main window.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/common/FileDialog.h"
#include "gui/maintain/CSplitSearchDlg.h"
#include "gui/maintain/QuoteEditCommands.h"
#include "gui/maintain/SplitSearchCommand.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using namespace qv::fixtures;

namespace {

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

std::string fileText(const std::string& path)
{
    const ByteVec bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
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
        std::vector<QuoteRow> rows; // day d from 1997-03-01 opens at d
        for (int d = 1; d <= 40; ++d) {
            const float v = static_cast<float>(d);
            rows.push_back(
                {fileDateOfDayNumber(dayNumberOf(1997, 3, 1) + d - 1), v, v + 2, v - 1, v + 0.5f, 1000 * v, 10});
        }
        writeSingleSecurity(tmp.subdir("Data"), rows);
        auto frame = openStarted(tmp.path());
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

        // Split offers the selected quote's date (04/08/97); the older quotes halve.
        view.quoteGrid()->selectRow(1);
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("04/08/97"));
            edit(dlg, "newShares")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesSplit(view);
        QCOMPARE(cell(view, 2, QuoteGridModel::Open), QStringLiteral("19.0000"));
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
        QCOMPARE(view.firstDateText(), QStringLiteral("03/02/97"));

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
        view.quoteGrid()->selectRow(4);
        dialogs.inspect = [](QDialog& dlg) {
            QCOMPARE(edit(dlg, "splitDate")->text(), QStringLiteral("12/31/60"));
            edit(dlg, "newShares")->setText(QStringLiteral("2"));
            click(dlg, "ok");
        };
        dialogs.answers = {QDialog::Accepted};
        OnQuotesSplit(view);
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

QTEST_MAIN(QuoteEditDialogsTest)
#include "quote_edit_dialogs_test.moc"
