// The help window, the anomaly report's Help, the pages' links, which must all lead somewhere,
// and "Choose Directory", whose real dialog runs the directory check before it closes.

#include "fixtures/portfolio_builder.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/help/CHelpWindow.h"
#include "gui/update/CAnomalyReportDlg.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using qv::gui::CAnomalyReportDlg;
using qv::gui::CChooseDir;
using qv::gui::CHelpWindow;
using qv::gui::MessageBox;

class HelpAndChooserTest : public QObject {
    Q_OBJECT
private slots:
    void anomalyReportAsksForHelpAndOnlyOkCloses()
    {
        CAnomalyReportDlg dlg(qv::AnomalyReport{"Results\n", {"IBM in /ms "}}, 1, nullptr);
        dlg.show();
        // Escape opens the report's help page; the dialog stays.
        CHelpWindow::showContents(nullptr);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("anomaly-report.html"));
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
    }

    void everyLinkOfEveryPageLeadsToAShippedPage()
    {
        CHelpWindow::showContents(nullptr); // registers the pages
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("index.html"));
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

    void theDialogValidatesWhatIsTypedBeforeItCloses()
    {
        MessageBox::setTestMode(true);
        qv::fixtures::TempDir tmp;
        const QString missing = QString::fromStdString(tmp.file("Missing"));
        std::unique_ptr<QFileDialog> dialog(CChooseDir::createDialog(nullptr, QString::fromStdString(tmp.path())));
        dialog->show();
        dialog->selectFile(missing);
        MessageBox::setNextAnswer(QMessageBox::No);
        static_cast<QDialog*>(dialog.get())->accept(); // the OK button's slot
        QVERIFY(dialog->isVisible());
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(!QFileInfo(missing).isDir());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        static_cast<QDialog*>(dialog.get())->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(QFileInfo(missing).isDir());
    }

    // A label's '&' is a mnemonic only when the label has a buddy; otherwise the user reads
    // "&Directories:". The name field holds the directory shown as soon as the dialog opens, so
    // OK at once takes that directory.
    void theChooserShowsNoLiteralAmpersandAndOpensWithItsDirectoryInTheField()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        qv::fixtures::TempDir tmp;
        const QString start = QDir(QString::fromStdString(tmp.subdir("Start"))).absolutePath();
        std::unique_ptr<QFileDialog> dialog(CChooseDir::createDialog(nullptr, start));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        int shown = 0;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(dialog.get()) || label->text().isEmpty())
                continue;
            ++shown;
            QVERIFY2(!label->text().contains(QLatin1Char('&')) || label->buddy(), qPrintable(label->text()));
        }
        QVERIFY(shown >= 2);
        const auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(field && field->isVisible());
        QCOMPARE(field->text(), QDir::toNativeSeparators(start));
        static_cast<QDialog*>(dialog.get())->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownTexts().isEmpty());
    }
};

QTEST_MAIN(HelpAndChooserTest)
#include "help_and_chooser_test.moc"
