// The two windows of an update run: "Updating Quotes" cannot be closed by the user and keeps
// its fields' limits; "Anomaly Report" shows the report it is given.

#include "gui/update/CAnomalyReportDlg.h"
#include "gui/update/CUpdateProgressDlg.h"

#include <QLabel>
#include <QTest>

using qv::gui::CAnomalyReportDlg;
using qv::gui::CUpdateProgressDlg;

class UpdateDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void progressWindowCannotBeClosedByTheUser()
    {
        CUpdateProgressDlg dlg(nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!dlg.isModal());
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));

        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());

        // The main window ends it when the run is over.
        QVERIFY(dlg.close());
        QVERIFY(!dlg.isVisible());
    }

    void progressFieldsKeepTheirLimits()
    {
        CUpdateProgressDlg dlg(nullptr);
        qv::ProgressTexts t;
        t.portfolio = " " + std::string(400, 'p');
        t.symbol = std::string(250, 's');
        t.quoteFile = std::string(250, 'q');
        t.count = std::string(30, '9');
        t.extractionLabel = "De-Compressing File:";
        t.extractionFile = std::string(250, 'e');
        dlg.setTexts(t);
        const QStringList shown = dlg.shownTexts();
        QCOMPARE(shown.at(0).size(), 300);
        QVERIFY(shown.at(0).startsWith(QStringLiteral(" ppp")));
        QCOMPARE(shown.at(1).size(), 200);
        QCOMPARE(shown.at(2).size(), 200);
        QCOMPARE(shown.at(3).size(), 20);
        QCOMPARE(shown.at(4), QStringLiteral("De-Compressing File:"));
        QCOMPARE(shown.at(5).size(), 200);
    }

    void anomalyReportShowsTitleWithoutLineEndCountAndEntries()
    {
        qv::AnomalyReport report;
        report.title = "Results of Quovanta for Friday, January 17, 1997 18:30:00\n";
        report.entries = {"No anomalies to report!", " ", "See you next time!", ""};
        CAnomalyReportDlg dlg(report, 3, nullptr);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Anomaly Report"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("title"))->text(),
                 QStringLiteral("Results of Quovanta for Friday, January 17, 1997 18:30:00"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("count"))->text(), QStringLiteral("3"));
        QCOMPARE(dlg.entries(), (QStringList{"No anomalies to report!", " ", "See you next time!", ""}));
    }
};

QTEST_MAIN(UpdateDialogsTest)
#include "update_dialogs_test.moc"
