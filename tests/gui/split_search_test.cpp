// The "Split Search" window opened by its command beside the main window: the list found, the
// end-of-search beep, Save As adding .txt and then asking before it replaces.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
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
    std::vector<qv::charttest::Security> out;
    for (const auto& [symbol, closes] : securities) {
        out.push_back({symbol, symbol, {}});
        for (const float c : closes)
            out.back().days.push_back({qv::fixtures::dayNumberOf(1998, 6, 1) + int(out.back().days.size()), c,
                                       c * 1.02f, c * 0.98f, c, 500, 0});
    }
    qv::charttest::writePortfolio(dir, out);
}

QPushButton* button(QWidget& dlg, const char* name) { return dlg.findChild<QPushButton*>(QLatin1String(name)); }

QString fileText(const std::string& path)
{
    const qv::fixtures::ByteVec bytes = qv::fixtures::readBytes(path);
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

class SplitSearchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theCommandsWindowSearchesAndSavesTheList()
    {
        MessageBox::setTestMode(true);
        quietSettings();
        TempDir tmp;
        writePortfolio(tmp.subdir("Data"), {{"AAA", {30, 30, 15, 15}}, {"BBB", {40, 10}}, {"CCC", {5, 5.1f, 5}}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        OnSplitSearch(view);
        QPointer<CSplitSearchDlg> dlg = frame->findChild<CSplitSearchDlg*>();
        QVERIFY(dlg);
        QVERIFY(dlg->isVisible() && !dlg->isModal());
        QVERIFY(view.browserState().splitSearchOpen);

        const QStringList found = {"AAA possible 2 for 1 split on 06/03/98", "BBB possible 4 for 1 split on 06/02/98"};
        const int beeps = beepCount();
        QTest::mouseClick(button(*dlg, "search"), Qt::LeftButton);
        QCOMPARE(dlg->lines(), found);
        QCOMPARE(beepCount(), beeps + 1);

        const QString written = found.join(QLatin1Char('\n')) + QLatin1Char('\n');
        const std::string saved = tmp.file("result.txt");
        FileDialog::setNextAnswer(q(tmp.file("result")));
        QTest::mouseClick(button(*dlg, "saveAs"), Qt::LeftButton);
        QCOMPARE(fileText(saved), written);
        QVERIFY(MessageBox::shownTexts().isEmpty());
        // The file dialog could not ask about the name with .txt added: an old file is replaced
        // only after Yes.
        qv::fixtures::writeText(saved, "kept\n");
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            MessageBox::clearShown();
            FileDialog::setNextAnswer(q(tmp.file("result")));
            MessageBox::setNextAnswer(answer);
            dlg->OnSaveAs();
            QCOMPARE(MessageBox::shownTexts().size(), 1);
            QCOMPARE(fileText(saved), answer == QMessageBox::No ? QStringLiteral("kept\n") : written);
        }

        QTest::mouseClick(button(*dlg, "close"), Qt::LeftButton);
        QVERIFY(!view.browserState().splitSearchOpen);
        QTRY_VERIFY(dlg.isNull());
    }

    // The window stays open while the user works in the main window: each Search takes the
    // portfolio selected there at that moment, not the one the window was opened on.
    void searchTakesThePortfolioSelectedWhenSearchIsPressed()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        quietSettings();
        TempDir tmp;
        const std::string data = tmp.subdir("Data");
        const std::string other = tmp.subdir("Other");
        writePortfolio(data, {{"AAA", {30, 30, 15, 15}}});
        writePortfolio(other, {{"OOO", {10, 40}}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        const auto listed = [&](const std::string& dir) {
            for (const std::string& p : view.portfolios())
                if (p.rfind(dir, 0) == 0)
                    return p;
            return std::string();
        };
        QVERIFY(selectPortfolio(view, listed(data)));
        OnSplitSearch(view);
        QPointer<CSplitSearchDlg> dlg = frame->findChild<CSplitSearchDlg*>();
        QVERIFY(dlg);

        QVERIFY(selectPortfolio(view, listed(other)));
        QTest::mouseClick(button(*dlg, "search"), Qt::LeftButton);
        QCOMPARE(dlg->lines(), QStringList{"OOO possible 1 for 4 split on 06/02/98"});
        QVERIFY(selectPortfolio(view, listed(data)));
        QTest::mouseClick(button(*dlg, "search"), Qt::LeftButton);
        QCOMPARE(dlg->lines(),
                 (QStringList{"OOO possible 1 for 4 split on 06/02/98", "AAA possible 2 for 1 split on 06/03/98"}));
        dlg->reject();
    }
};

QTEST_MAIN(SplitSearchWindowTest)
#include "split_search_test.moc"
