// The "Split Search" window: the search fills the list and the status text, Save As writes the
// list, the messages and the beep, and the command that opens the window beside the main one.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/common/FileDialog.h"
#include "gui/maintain/CSplitSearchDlg.h"
#include "gui/maintain/SplitSearchCommand.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

// One security per entry: its closes, one quote a day from 1998-06-01, bars 2% either side.
void writePortfolio(const std::string& dir, const std::vector<std::pair<std::string, std::vector<float>>>& securities)
{
    using namespace qv::fixtures;
    std::vector<ByteVec> records;
    int fileNumber = 1;
    for (const auto& [symbol, closes] : securities) {
        std::vector<QuoteRow> rows;
        for (std::size_t k = 0; k < closes.size(); ++k) {
            const float c = closes[k];
            rows.push_back({fileDate(1998, 6, 1 + static_cast<int>(k)), c, c * 1.02f, c * 0.98f, c, 500, 0});
        }
        records.push_back(masterEntry({fileNumber, symbol, symbol, 7}));
        const std::string stem = dir + "/F" + std::to_string(fileNumber);
        writeBytes(stem + ".DAT", quoteFile(7, rows));
        writeText(stem + ".DOP", dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
        ++fileNumber;
    }
    writeBytes(dir + "/MASTER", masterFile(records));
}

QPushButton* button(QWidget& dlg, const char* name) { return dlg.findChild<QPushButton*>(QLatin1String(name)); }

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

const QStringList kTwoCandidates = {"AAA possible 2 for 1 split on 06/03/98", "BBB possible 4 for 1 split on 06/02/98"};

} // namespace

class SplitSearchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        FileDialog::clearAnswers();
    }

    void searchFillsTheListAndEachSearchAddsToIt()
    {
        TempDir tmp;
        writePortfolio(tmp.path(), {{"AAA", {30, 30, 15, 15}}, {"BBB", {40, 10}}, {"CCC", {5, 5.1f, 5}}});
        CSplitSearchDlg dlg(tmp.path(), [] { return false; }, nullptr);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Split Search"));
        QVERIFY(!dlg.isModal());
        QVERIFY(!button(dlg, "saveAs")->isEnabled());

        const int beeps = beepCount();
        QTest::mouseClick(button(dlg, "search"), Qt::LeftButton);
        QCOMPARE(dlg.lines(), kTwoCandidates);
        QCOMPARE(dlg.statusText(), QStringLiteral("Done search"));
        QVERIFY(button(dlg, "saveAs")->isEnabled());
        QCOMPARE(beepCount(), beeps + 1);
        QVERIFY(MessageBox::shownTexts().isEmpty());

        QTest::mouseClick(button(dlg, "search"), Qt::LeftButton);
        QCOMPARE(dlg.lines(), kTwoCandidates + kTwoCandidates);
    }

    void nothingFoundIsToldAfterTheBeepUnlessSoundsAreQuiet()
    {
        TempDir tmp;
        writePortfolio(tmp.path(), {{"ONE", {10}}, {"FLAT", {10, 11, 10}}});
        bool quiet = true;
        CSplitSearchDlg dlg(tmp.path(), [&] { return quiet; }, nullptr);
        const int beeps = beepCount();
        dlg.OnSearch();
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{"For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.",
                              "No candidate splits found"}));
        QCOMPARE(beepCount(), beeps);
        QVERIFY(dlg.lines().isEmpty());
        QVERIFY(!button(dlg, "saveAs")->isEnabled());

        // The setting is read when the search ends, not when the window opened.
        quiet = false;
        dlg.OnSearch();
        QCOMPARE(beepCount(), beeps + 1);
    }

    void aFailedReadEndsTheSearchWithItsMessage()
    {
        TempDir tmp;
        writePortfolio(tmp.path(), {{"AAA", {30, 30, 15}}, {"BBB", {40, 10}}});
        qv::fixtures::writeBytes(tmp.file("F2.DAT"), {});
        CSplitSearchDlg dlg(tmp.path(), [] { return false; }, nullptr);
        const int beeps = beepCount();
        dlg.OnSearch();
        QCOMPARE(dlg.lines(), QStringList{kTwoCandidates.front()});
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Error in SplitSearch bars read"});
        QCOMPARE(dlg.statusText(), QStringLiteral("AAA"));
        QCOMPARE(beepCount(), beeps);
        QVERIFY(!dlg.searching());
        QVERIFY(button(dlg, "search")->isEnabled());
    }

    void saveAsWritesTheListAsksBeforeReplacingAndTellsFailures()
    {
        TempDir tmp;
        const std::string data = tmp.subdir("data");
        writePortfolio(data, {{"AAA", {30, 30, 15, 15}}, {"BBB", {40, 10}}});
        CSplitSearchDlg dlg(data, [] { return false; }, nullptr);
        dlg.OnSearch();
        const QString written = kTwoCandidates.join(QLatin1Char('\n')) + QLatin1Char('\n');

        // A name without extension gets .txt.
        FileDialog::setNextAnswer(q(tmp.file("result")));
        QTest::mouseClick(button(dlg, "saveAs"), Qt::LeftButton);
        QCOMPARE(fileText(q(tmp.file("result.txt"))), written);
        QVERIFY(!QFile::exists(q(tmp.file("result"))));
        QVERIFY(MessageBox::shownTexts().isEmpty());

        // Cancelled: nothing is written.
        const auto before = qv::fixtures::snapshot(tmp.path());
        FileDialog::setNextAnswer(QString());
        dlg.OnSaveAs();
        QVERIFY(qv::fixtures::snapshot(tmp.path()) == before);

        // When .txt was added the file dialog could not ask: an old file is replaced only after Yes.
        qv::fixtures::writeText(tmp.file("result.txt"), "kept\n");
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            MessageBox::clearShown();
            FileDialog::setNextAnswer(q(tmp.file("result")));
            MessageBox::setNextAnswer(answer);
            dlg.OnSaveAs();
            QCOMPARE(MessageBox::shownTexts().size(), 1);
            QVERIFY(MessageBox::shownTexts().front().startsWith(q(tmp.file("result.txt")) + " already exists."));
            QCOMPARE(fileText(q(tmp.file("result.txt"))), answer == QMessageBox::No ? QStringLiteral("kept\n") : written);
        }

        MessageBox::clearShown();
        FileDialog::setNextAnswer(q(tmp.file("missing/result.txt")));
        dlg.OnSaveAs();
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().front().startsWith(QStringLiteral("The search results could not be saved.")));
    }

    void theCommandOpensTheWindowForTheCurrentPortfolioAndMarksItOpen()
    {
        quietSettings();
        TempDir tmp;
        writePortfolio(tmp.subdir("Data"), {{"BBB", {40, 10}}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QVERIFY(!view.browserState().splitSearchOpen);

        OnSplitSearch(view);
        QPointer<CSplitSearchDlg> dlg = frame->findChild<CSplitSearchDlg*>();
        QVERIFY(dlg);
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->portfolioDir(), view.portfolioDir());
        QVERIFY(view.browserState().splitSearchOpen);

        dlg->OnSearch();
        QCOMPARE(dlg->lines(), QStringList{kTwoCandidates.back()});

        QTest::mouseClick(button(*dlg, "close"), Qt::LeftButton);
        QVERIFY(!view.browserState().splitSearchOpen);
        QTRY_VERIFY(dlg.isNull());
    }
};

QTEST_MAIN(SplitSearchWindowTest)
#include "split_search_test.moc"
