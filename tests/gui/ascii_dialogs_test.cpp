// "Export Historical Quotes to ASCII File" and "Import Historical ASCII Quotes" run on a main
// window: the replace question, settings written, a refusal passed on, the beep, the grid refilled.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/ascii/AsciiCommands.h"
#include "gui/ascii/CImportDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

class AsciiDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void exportAsksBeforeReplacingAndImportAddsToTheShownPortfolio()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        const std::string port = tmp.subdir("Port");
        qv::fixtures::writeStandardPortfolio(port);
        const std::string out = tmp.file("out.txt");
        qv::fixtures::writeText(out, "old");
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        DialogRecorder dialogs;
        dialogs.inspect = [&](QDialog& dlg) {
            child<QLineEdit>(dlg, "path")->setText(q(out));
            child<QCheckBox>(dlg, "title")->setChecked(true);
        };
        dialogs.install();
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            MessageBox::clearShown();
            dialogs.answers = {QDialog::Accepted};
            MessageBox::setNextAnswer(answer);
            OnExport(*view);
            QCOMPARE(MessageBox::shownTexts(),
                     QStringList{q(out) + QStringLiteral("\nThis file already exists\n\nReplace existing file?")});
            const qv::fixtures::ByteVec written = qv::fixtures::readBytes(out);
            const std::string text(written.begin(), written.end());
            QVERIFY(answer == QMessageBox::No ? text == "old"
                                              : text.starts_with("DATE OPEN HIGH LOW CLOSE VOL OI\r\n01/02/97 "));
            QCOMPARE(qv::getSetting(settings, qv::keys::kExportTitle), answer == QMessageBox::Yes ? 1 : 0);
        }

        // Import under a new symbol; the same symbol again is refused with its message, then
        // "Conversion failed.", and nothing beeps.
        MessageBox::clearShown();
        qv::fixtures::writeText(out, "01/02/97,1,2,0.5,1.5,100,5\n");
        dialogs.inspect = [&](QDialog& dlg) {
            child<QLineEdit>(dlg, "inputPath")->setText(q(out));
            child<QLineEdit>(dlg, "outputDir")->setText(q(port));
            child<QLineEdit>(dlg, "symbol")->setText(QStringLiteral("NEW"));
            child<QComboBox>(dlg, "dateFormat")->setCurrentText(QStringLiteral("MM_DD_YY"));
        };
        const int beeps = beepCount();
        dialogs.answers = {QDialog::Accepted};
        OnImport(*view);
        QCOMPARE(MessageBox::shownTexts(), QStringList{});
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view->symbolCount(), 4);
        QCOMPARE(qv::getSetting(settings, qv::keys::kConvertSymbol), std::string("NEW"));
        QCOMPARE(frame->statusBar()->currentMessage(), q("Imported 1 quotes of NEW into " + port));
        dialogs.inspect = [&](QDialog& dlg) {
            child<QLineEdit>(dlg, "inputPath")->setText(q(out));
            child<QLineEdit>(dlg, "symbol")->setText(QStringLiteral("IBM"));
        };
        dialogs.answers = {QDialog::Accepted};
        OnImport(*view);
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{QStringLiteral("Duplicate Symbol Failure"), QStringLiteral("Conversion failed.")}));
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view->symbolCount(), 4);

        // The failed attempt's symbol comes back; an import that makes a new portfolio lists it.
        const std::string fresh = tmp.subdir("Fresh");
        QString offered;
        dialogs.inspect = [&](QDialog& dlg) {
            offered = child<QLineEdit>(dlg, "symbol")->text();
            child<QLineEdit>(dlg, "symbol")->setText(QStringLiteral("FRESH"));
            child<QLineEdit>(dlg, "outputDir")->setText(q(fresh));
            child<QRadioButton>(dlg, "makeNew")->setChecked(true);
        };
        dialogs.answers = {QDialog::Accepted};
        OnImport(*view);
        QCOMPARE(offered, QStringLiteral("IBM"));
        QCOMPARE(view->portfolioDir(), fresh);
        QCOMPARE(view->portfolios().size(), std::size_t{2});
        QCOMPARE(view->symbolCount(), 1);
    }

    // The import takes its fields as typed: an emptied number field is refused with its range
    // message (not saved with the number it held before), and a symbol pasted whole is refused
    // whole rather than cut to 16 characters.
    void importRefusesAnEmptiedNumberAndALongSymbolInsteadOfKeepingOrCuttingThem()
    {
        qv::ImportDialogValues initial;
        initial.skipOn = true;
        initial.skipRows = 3;
        CImportDlg dlg(initial, nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto* skip = child<QSpinBox>(dlg, "skipRows");
        skip->setFocus();
        QTRY_VERIFY(skip->hasFocus());
        skip->selectAll();
        QTest::keyClick(skip, Qt::Key_Backspace);
        QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Enter a number of rows from 0 to 200 to skip"});
        QCOMPARE(skip->text(), QString());
        QVERIFY(dlg.result() != QDialog::Accepted);

        MessageBox::clearShown();
        skip->setValue(3);
        const QString symbol = QStringLiteral("ABCDEFGHIJKLMNOPQ");
        child<QLineEdit>(dlg, "symbol")->setText(symbol);
        QCOMPARE(child<QLineEdit>(dlg, "symbol")->text(), symbol);
        QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"A symbol can be at most 16 characters long"});
        QVERIFY(dlg.result() != QDialog::Accepted);
    }
};

QTEST_MAIN(AsciiDialogsTest)
#include "ascii_dialogs_test.moc"
