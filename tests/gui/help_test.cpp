// The help window and the dialogs that open it: the tutorial page, the anomaly report's Help,
// and the pages' links, which must all lead somewhere.

#include "gui/help/CHelpWindow.h"
#include "gui/update/CAnomalyReportDlg.h"

#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <functional>

using qv::gui::CAnomalyReportDlg;
using qv::gui::CHelpWindow;

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void tutorialAndContentsOpenTheirPages()
    {
        QWidget main;
        CHelpWindow::showTutorial(&main);
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("tutorial.html"));
        QVERIFY(CHelpWindow::instance()->isVisible());
        QTextBrowser* browser = CHelpWindow::instance()->findChild<QTextBrowser*>();
        QVERIFY(browser->toPlainText().contains(QStringLiteral("F2")));

        CHelpWindow* first = CHelpWindow::instance();
        CHelpWindow::showContents(&main);
        QCOMPARE(CHelpWindow::instance(), first); // one window for the program
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("index.html"));

        CHelpWindow::showTopic(&main, QStringLiteral("no-such-topic.html"));
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("index.html"));
    }

    void anomalyReportAsksForHelpAndOnlyOkCloses()
    {
        qv::AnomalyReport report;
        report.title = "Results of Quovanta for X\n";
        report.entries = {"IBM in /ms ", ""};
        CAnomalyReportDlg dlg(report, 2, nullptr);
        dlg.show();
        // Escape, the close button and Help all open the report's help page; the dialog stays.
        const std::function<void()> asks[] = {
            [&] { QTest::keyClick(&dlg, Qt::Key_Escape); },
            [&] { QVERIFY(!dlg.close()); },
            [&] { QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("help")), Qt::LeftButton); }};
        for (const auto& ask : asks) {
            CHelpWindow::showContents(nullptr);
            ask();
            QVERIFY(dlg.isVisible());
            QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("anomaly-report.html"));
        }
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void everyLinkOfEveryPageLeadsToAShippedPage()
    {
        CHelpWindow::showContents(nullptr); // registers the pages
        const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
        int pages = 0;
        for (QDirIterator it(QStringLiteral(":/help"), {QStringLiteral("*.html")}); it.hasNext();) {
            QFile page(it.next());
            QVERIFY(page.open(QIODevice::ReadOnly));
            ++pages;
            const QString text = QString::fromUtf8(page.readAll());
            for (auto m = href.globalMatch(text); m.hasNext();) {
                const QString target = m.next().captured(1);
                if (target.startsWith(QStringLiteral("http")))
                    continue;
                QVERIFY2(QFile::exists(QStringLiteral(":/help/") + target),
                         qPrintable(page.fileName() + " links to " + target));
            }
        }
        QVERIFY(pages >= 6);
    }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
