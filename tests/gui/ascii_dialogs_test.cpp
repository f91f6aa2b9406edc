// "Import Historical ASCII Quotes" and "Export Historical Quotes to ASCII File": enabling rules,
// the OK checks in the order the user meets them, the browse buttons, and the two commands run
// on a main window (settings written, replace question, beep, symbol grid refilled).

#include "mainwindow_test_support.h"

#include "core/ascii/export.h"
#include "core/ascii/import.h"
#include "gui/app/CChooseDir.h"
#include "gui/app/CQuovantaView.h"
#include "gui/ascii/AsciiCommands.h"
#include "gui/ascii/CExportDlg.h"
#include "gui/ascii/CImportDlg.h"
#include "gui/common/FileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace qv::guitest;
using qv::fixtures::TempDir;

namespace {

// Clicks OK and returns what was shown, clearing the record.
QStringList okMessages(QDialog& dlg)
{
    MessageBox::clearShown();
    QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton);
    return MessageBox::shownTexts();
}

} // namespace

class AsciiDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        FileDialog::clearAnswers();
        CChooseDir::clearTyped();
    }

    void importDialogEnablesNumberFieldsWithTheirCheckBoxesAndBrowses()
    {
        qv::ImportDialogValues v;
        v.volume.present = false;
        v.skipOn = true;
        v.skipRows = 12;
        CImportDlg dlg(v, nullptr);
        QVERIFY(child<QSpinBox>(dlg, "openColumn")->isEnabled());
        QVERIFY(!child<QSpinBox>(dlg, "volumeColumn")->isEnabled());
        child<QCheckBox>(dlg, "volumeOn")->click();
        QVERIFY(child<QSpinBox>(dlg, "volumeColumn")->isEnabled());
        child<QCheckBox>(dlg, "openOn")->click();
        QVERIFY(!child<QSpinBox>(dlg, "openColumn")->isEnabled());

        auto* rows = child<QSpinBox>(dlg, "skipRows");
        QVERIFY(rows->isEnabled());
        QCOMPARE(rows->value(), 12);
        child<QCheckBox>(dlg, "skipOn")->click();
        QVERIFY(!rows->isEnabled());
        QCOMPARE(rows->value(), 0);

        QCOMPARE(child<QComboBox>(dlg, "dateFormat")->currentText(), QStringLiteral("MMDDYY"));
        QCOMPARE(child<QComboBox>(dlg, "dateFormat")->count(), 12);
        QCOMPARE(child<QLineEdit>(dlg, "symbol")->maxLength(), 16);
        QCOMPARE(child<QLineEdit>(dlg, "outputDir")->maxLength(), 250);

        TempDir tmp;
        FileDialog::setNextAnswer(q(tmp.file("quotes.txt")));
        child<QPushButton>(dlg, "browseInput")->click();
        QCOMPARE(child<QLineEdit>(dlg, "inputPath")->text(), q(tmp.file("quotes.txt")));
        CChooseDir::setNextTyped(q(tmp.path()));
        child<QPushButton>(dlg, "browseOutput")->click();
        QCOMPARE(child<QLineEdit>(dlg, "outputDir")->text(), q(tmp.path()));
    }

    void importDialogChecksInOrder()
    {
        qv::ImportDialogValues v;
        v.closeColumn = 2; // the open column's
        CImportDlg dlg(v, nullptr);
        dlg.show();
        // Duplicate columns come first, though symbol and path are empty too.
        QCOMPARE(okMessages(dlg), QStringList{QStringLiteral("Duplicate columns specified\nCorrect or disable")});
        QVERIFY(dlg.isVisible());
        // Clearing the open column frees its slot.
        child<QCheckBox>(dlg, "openOn")->click();
        QCOMPARE(okMessages(dlg), QStringList{QStringLiteral("You did not enter a valid symbol")});
        child<QLineEdit>(dlg, "symbol")->setText(QStringLiteral("ibm  "));
        QCOMPARE(okMessages(dlg), QStringList{QStringLiteral("Please enter path")});
        QCOMPARE(child<QLineEdit>(dlg, "symbol")->text(), QStringLiteral("IBM"));

        child<QLineEdit>(dlg, "outputDir")->setText(QStringLiteral("/data/port"));
        child<QComboBox>(dlg, "dateFormat")->setCurrentText(QStringLiteral("CCYY_MM_DD"));
        child<QRadioButton>(dlg, "tab")->click();
        child<QRadioButton>(dlg, "makeNew")->click();
        QCOMPARE(okMessages(dlg), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const qv::ImportDialogValues got = dlg.values();
        QCOMPARE(got.symbol, std::string("IBM"));
        QCOMPARE(got.dateFormat, 2);
        QCOMPARE(got.delimiter, int(qv::kImportTab));
        QVERIFY(!got.useExistingMaster);
        QVERIFY(!got.open.present);
    }

    void exportDialogWantsANameAndAddsTheExtension()
    {
        qv::ExportOptions o;
        o.path.clear();
        o.delimiter = qv::kExportTab;
        CExportDlg dlg(o, nullptr);
        dlg.show();
        QVERIFY(child<QRadioButton>(dlg, "tab")->isChecked());
        QCOMPARE(okMessages(dlg), QStringList{QStringLiteral("Please enter a name")});
        QVERIFY(dlg.isVisible());

        TempDir tmp;
        FileDialog::setNextAnswer(q(tmp.file("prices")));
        child<QPushButton>(dlg, "browse")->click();
        QCOMPARE(child<QLineEdit>(dlg, "path")->text(), q(tmp.file("prices.txt")));
        child<QCheckBox>(dlg, "useHigh")->click();
        child<QRadioButton>(dlg, "newestFirst")->click();
        QCOMPARE(okMessages(dlg), QStringList{});
        const qv::ExportOptions got = dlg.values();
        QVERIFY(!got.high && got.low && got.newestFirst);
        QCOMPARE(got.path, tmp.file("prices.txt"));
    }

    void importCommandAddsToTheShownPortfolio()
    {
        qv::SettingsFile settings = quietSettings();
        TempDir tmp;
        const std::string port = tmp.subdir("Port");
        qv::fixtures::writeStandardPortfolio(port);
        const std::string input = tmp.file("in.txt");
        qv::fixtures::writeText(input, "01/02/97,1,2,0.5,1.5,100,5\n");
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QCOMPARE(view->symbolCount(), 3);

        DialogRecorder dialogs;
        dialogs.answers = {QDialog::Accepted};
        dialogs.inspect = [&](QDialog& dlg) {
            child<QLineEdit>(dlg, "inputPath")->setText(q(input));
            child<QLineEdit>(dlg, "outputDir")->setText(q(port));
            child<QLineEdit>(dlg, "symbol")->setText(QStringLiteral("NEW"));
            child<QComboBox>(dlg, "dateFormat")->setCurrentText(QStringLiteral("MM_DD_YY"));
        };
        dialogs.install();
        const int beeps = beepCount();
        OnImport(*view);
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("Import Historical ASCII Quotes")});
        QCOMPARE(MessageBox::shownTexts(), QStringList{});
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view->symbolCount(), 4);
        QCOMPARE(view->currentSymbolIndex(), 0);
        QCOMPARE(qv::getSetting(settings, qv::keys::kConvertDateFormat), std::string("MM_DD_YY"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kConvertSymbol), std::string("NEW"));
        QCOMPARE(qv::getSetting(settings, qv::keys::kConvertPathIn), input);

        // A refusal shows its message, then "Conversion failed."; nothing beeps.
        dialogs.answers = {QDialog::Accepted};
        OnImport(*view); // the same symbol again
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{QStringLiteral("Duplicate Symbol Failure"), QStringLiteral("Conversion failed.")}));
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(view->symbolCount(), 4);
    }

    void exportCommandAsksBeforeReplacing()
    {
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kSoundDisable, 1);
        TempDir tmp;
        qv::fixtures::writeStandardPortfolio(tmp.subdir("Port"));
        const std::string out = tmp.file("out.txt");
        qv::fixtures::writeText(out, "old");
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView* view = frame->view();
        QVERIFY(!view->currentSymbol().empty());

        DialogRecorder dialogs;
        dialogs.inspect = [&](QDialog& dlg) {
            child<QLineEdit>(dlg, "path")->setText(q(out));
            child<QCheckBox>(dlg, "title")->setChecked(true);
        };
        dialogs.install();
        dialogs.answers = {QDialog::Accepted};
        MessageBox::setNextAnswer(QMessageBox::No);
        OnExport(*view);
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{q(out) + QStringLiteral("\nThis file already exists\n\nReplace existing file?")});
        QCOMPARE(qv::fixtures::readBytes(out), (qv::fixtures::ByteVec{'o', 'l', 'd'}));
        QCOMPARE(qv::getSetting(settings, qv::keys::kExportTitle), 0);

        const int beeps = beepCount();
        dialogs.answers = {QDialog::Accepted};
        MessageBox::setNextAnswer(QMessageBox::Yes);
        OnExport(*view);
        const qv::fixtures::ByteVec written = qv::fixtures::readBytes(out);
        QVERIFY(std::string(written.begin(), written.end()).starts_with("DATE OPEN HIGH LOW CLOSE VOL OI\r\n01/02/97 "));
        QCOMPARE(qv::getSetting(settings, qv::keys::kExportTitle), 1);
        QCOMPARE(qv::getSetting(settings, qv::keys::kExportStarter), out);
        QCOMPARE(beepCount(), beeps); // only important sounds
    }
};

QTEST_MAIN(AsciiDialogsTest)
#include "ascii_dialogs_test.moc"
