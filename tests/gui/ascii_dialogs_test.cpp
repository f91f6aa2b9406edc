// "Export Historical Quotes to ASCII File" and "Import Historical ASCII Quotes" run on a main
// window: the replace question, settings written, a refusal passed on, the beep, the grid refilled.

#include "mainwindow_test_support.h"

#include "gui/app/CQuovantaView.h"
#include "gui/ascii/AsciiCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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
        dialogs.answers = {QDialog::Accepted};
        OnImport(*view);
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{QStringLiteral("Duplicate Symbol Failure"), QStringLiteral("Conversion failed.")}));
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view->symbolCount(), 4);
    }
};

QTEST_MAIN(AsciiDialogsTest)
#include "ascii_dialogs_test.moc"
