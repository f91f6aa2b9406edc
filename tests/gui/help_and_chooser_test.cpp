// The help window, the anomaly report's Help, the pages' links and pictures, which must all lead
// somewhere, the index of menu commands, and "Choose Directory", whose real dialog runs the
// directory check before it closes.

// Clicks travel the way a user's do, through the window system, so a window blocked by a modal
// dialog does not get them.
#define QTEST_QPA_MOUSE_HANDLING

#include "fixtures/portfolio_builder.h"
#include "gui/app/Actions.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/help/CHelpWindow.h"
#include "gui/update/CAnomalyReportDlg.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

using namespace qv::gui;

namespace {

QString readPage(const QString& name)
{
    QFile page(QStringLiteral(":/help/") + name);
    return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
}

CHelpWindow* shownHelpWindow()
{
    CHelpWindow* help = CHelpWindow::instance();
    return help && QTest::qWaitForWindowActive(help) ? help : nullptr;
}

} // namespace

class HelpAndChooserTest : public QObject {
    Q_OBJECT
private slots:
    // The report runs as the main window runs it. Its help window takes clicks while the report
    // is still up (a window blocked by the modal report would not), and it stays open after the
    // report has gone.
    void anomalyReportAsksForHelpWhichOutlivesIt()
    {
        QWidget mainWindow;
        mainWindow.show();
        auto* dlg = new CAnomalyReportDlg(qv::AnomalyReport{"Results\n", {"IBM in /ms "}}, 1, &mainWindow);
        QString pageWhileUp;
        QString pageAfterClick;
        QTimer::singleShot(0, dlg, [&] {
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            QTest::keyClick(dlg, Qt::Key_Escape); // Escape asks for help; the report stays
            CHelpWindow* help = shownHelpWindow();
            QVERIFY(help);
            pageWhileUp = CHelpWindow::currentPage();
            auto* bar = help->findChild<QToolBar*>(QStringLiteral("helpToolBar"));
            auto* contents = help->findChild<QAction*>(QStringLiteral("helpContents"));
            QVERIFY(bar && contents);
            QTest::mouseClick(bar->widgetForAction(contents), Qt::LeftButton);
            pageAfterClick = CHelpWindow::currentPage();
            QVERIFY(dlg->isVisible());
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
        });
        QCOMPARE(ModalDialog::exec(*dlg), int(QDialog::Accepted));
        QCOMPARE(pageWhileUp, QStringLiteral("anomaly-report.html"));
        QCOMPARE(pageAfterClick, QStringLiteral("index.html"));
        delete dlg;
        QApplication::processEvents();
        QVERIFY(CHelpWindow::instance() && CHelpWindow::instance()->isVisible());
        CHelpWindow::instance()->close();
    }

    void helpWindowClosesWithItsKeys()
    {
        for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            CHelpWindow::showTutorial(nullptr);
            QPointer<CHelpWindow> help = shownHelpWindow();
            QVERIFY(help);
            QTest::keySequence(help.data(), key);
            QTRY_VERIFY(!help); // closed, and gone
        }
    }

    void everyLinkAndPictureOfEveryPageLeadsToAShippedFile()
    {
        CHelpWindow::showContents(nullptr); // registers the pages
        QCOMPARE(CHelpWindow::currentPage(), QStringLiteral("index.html"));
        const QRegularExpression target(QStringLiteral("(href|src)=\"([^\"#]*)(#([^\"]*))?\""));
        int pages = 0;
        int pictures = 0;
        for (QDirIterator it(QStringLiteral(":/help"), {QStringLiteral("*.html")}); it.hasNext();) {
            const QString name = QFileInfo(it.next()).fileName();
            const QString text = readPage(name);
            QVERIFY(!text.isEmpty());
            ++pages;
            for (auto m = target.globalMatch(text); m.hasNext();) {
                const auto match = m.next();
                const QString file = match.captured(2).isEmpty() ? name : match.captured(2);
                if (file.startsWith(QStringLiteral("http")))
                    continue;
                pictures += match.captured(1) == QStringLiteral("src");
                QVERIFY2(QFile::exists(QStringLiteral(":/help/") + file), qPrintable(name + " refers to " + file));
                const QString anchor = match.captured(4);
                QVERIFY2(anchor.isEmpty() || readPage(file).contains(QStringLiteral("name=\"%1\"").arg(anchor)),
                         qPrintable(name + " links to the missing anchor " + file + "#" + anchor));
            }
        }
        QVERIFY(pages >= 14);
        QVERIFY(pictures >= 10);
        CHelpWindow::instance()->close();
    }

    // The command index lists every item of every menu under the menu's name, each linked to
    // the page that explains it.
    void everyMenuCommandHasAPageInTheCommandIndex()
    {
        CHelpWindow::showContents(nullptr);
        const QString index = readPage(QStringLiteral("commands.html"));
        QVERIFY(!index.isEmpty());
        qv::gui::Actions actions(nullptr);
        QMenuBar bar;
        actions.populateMenuBar(&bar);
        const QRegularExpression link(QStringLiteral("<a href=\"([^\"#]+)[^\"]*\">([^<]+)</a>"));
        int commands = 0;
        for (QAction* menuAction : bar.actions()) {
            const QString menu = QString(menuAction->text()).remove(QLatin1Char('&'));
            const qsizetype from = index.indexOf(QStringLiteral("<h2>%1</h2>").arg(menu));
            QVERIFY2(from >= 0, qPrintable("no section for the menu " + menu));
            const qsizetype next = index.indexOf(QStringLiteral("<h2>"), from + 1);
            const QString section = index.mid(from, next < 0 ? -1 : next - from);
            for (QAction* item : menuAction->menu()->actions()) {
                if (item->isSeparator())
                    continue;
                ++commands;
                const QString text = QString(item->text()).remove(QLatin1Char('&'));
                QString page;
                for (auto m = link.globalMatch(section); m.hasNext();) {
                    const auto match = m.next();
                    if (match.captured(2) == text.toHtmlEscaped())
                        page = match.captured(1);
                }
                QVERIFY2(!page.isEmpty(), qPrintable(menu + " > " + text + " has no link in the index"));
                QVERIFY2(page != QStringLiteral("commands.html"), qPrintable(menu + " > " + text));
                QVERIFY2(readPage(page).contains(text.toHtmlEscaped()),
                         qPrintable(page + " does not name " + menu + " > " + text));
            }
        }
        QCOMPARE(commands, qv::gui::kCommandCount);
        CHelpWindow::instance()->close();
    }

    // The name field holds the directory shown as soon as the dialog opens, so OK at once takes
    // it; a label's '&' is a mnemonic only when the label has a buddy, else the user reads
    // "&Directories:". A typed directory that does not exist is made after Yes; No keeps the
    // dialog open.
    void theChooserOpensWithItsDirectoryAndChecksWhatIsTypedBeforeItCloses()
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
        static_cast<QDialog*>(dialog.get())->accept(); // the OK button's slot
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownTexts().isEmpty());

        const QString missing = QString::fromStdString(tmp.file("Missing"));
        dialog.reset(CChooseDir::createDialog(nullptr, start));
        dialog->show();
        dialog->selectFile(missing);
        MessageBox::setNextAnswer(QMessageBox::No);
        static_cast<QDialog*>(dialog.get())->accept();
        QVERIFY(dialog->isVisible());
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(!QFileInfo(missing).isDir());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        static_cast<QDialog*>(dialog.get())->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(QFileInfo(missing).isDir());
    }
};

QTEST_MAIN(HelpAndChooserTest)
#include "help_and_chooser_test.moc"
