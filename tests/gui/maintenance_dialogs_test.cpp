// The "&Portfolio" and "&Symbol" commands: each dialog's checks as the user meets them, and the
// commands run on fixture portfolios through the main window's view (files written, list and
// grids refreshed, confirmations and their beep).

#include "mainwindow_test_support.h"

#include "core/store/master.h"
#include "core/store/skip_list.h"
#include "gui/app/CChooseDir.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/maintain/CDeleteConfirmDlg.h"
#include "gui/maintain/CPortfolioAddDlg.h"
#include "gui/maintain/CPortfolioSkipDlg.h"
#include "gui/maintain/CSymbolAboutDlg.h"
#include "gui/maintain/CSymbolDlg.h"
#include "gui/maintain/MaintenanceCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>

using namespace qv::guitest;
namespace fx = qv::fixtures;
namespace fs = std::filesystem;
using fx::TempDir;

namespace {

QLineEdit* edit(const QDialog& dlg, const char* name)
{
    auto* w = dlg.findChild<QLineEdit*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// A work directory holding the standard portfolio in PORT and a second one in OTHER, and a
// main window over it.
struct Workspace {
    TempDir tmp;
    std::string port;
    std::string other;
    std::unique_ptr<CMainFrame> frame;

    explicit Workspace(bool soundDisable = false)
    {
        qv::SettingsFile settings = freshSettings();
        qv::putSetting(settings, qv::keys::kNewbie, 0);
        qv::putSetting(settings, qv::keys::kSoundDisable, soundDisable ? 1 : 0);
        port = tmp.subdir("PORT");
        fx::writeStandardPortfolio(port);
        other = tmp.subdir("OTHER");
        fx::writeStandardPortfolio(other);
        frame = openMainWindow(tmp.path(), tmp.path());
    }
    CQuovantaView& view() { return *frame->view(); }
    void select(const std::string& dir)
    {
        const std::vector<std::string> list = view().portfolios();
        const auto at = std::find(list.begin(), list.end(), dir);
        QVERIFY(at != list.end());
        view().SelectPortfolio(static_cast<int>(at - list.begin()));
        QCOMPARE(view().portfolioDir(), dir);
    }
    QStringList symbols()
    {
        QStringList out;
        for (int r = 0; r < view().symbolModel()->rowCount(); ++r)
            out << QString::fromStdString(view().symbolModel()->row(r).symbol);
        return out;
    }
};

} // namespace

class MaintenanceDialogs : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        CChooseDir::clearTyped();
        ModalDialog::setTestHandler({});
    }

    // ---- Add Portfolio --------------------------------------------------------------------

    void addPortfolioChecksThePathAndKeepsTheDialogOpen()
    {
        TempDir tmp;
        CPortfolioAddDlg dlg(q(tmp.path()), nullptr);
        QCOMPARE(edit(dlg, "path")->text(), q(tmp.path()));
        QCOMPARE(edit(dlg, "path")->maxLength(), 200);

        edit(dlg, "path")->setText(QStringLiteral("  "));
        dlg.accept();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"You did not enter a path"});
        QVERIFY(dlg.result() != QDialog::Accepted);

        // Two levels missing: one level is created at most.
        MessageBox::clearShown();
        edit(dlg, "path")->setText(q(tmp.path() + "/A/B"));
        dlg.accept();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"The portfolio could not be created."});
        QVERIFY(!exists(tmp.path() + "/A"));

        // Trailing slashes go; the new directory gets an empty MASTER (one zero header).
        MessageBox::clearShown();
        edit(dlg, "path")->setText(q(tmp.path() + "/NEW//"));
        dlg.accept();
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.directory(), tmp.path() + "/NEW");
        QCOMPARE(fx::readBytes(tmp.path() + "/NEW/MASTER"), fx::ByteVec(53, 0));
    }

    void addingOverAnExistingPortfolioLeavesItsMasterAlone()
    {
        TempDir tmp;
        fx::writeStandardPortfolio(tmp.path());
        const fx::ByteVec before = fx::readBytes(tmp.file("MASTER"));
        CPortfolioAddDlg dlg(q(tmp.path()), nullptr);
        dlg.accept();
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(dlg.result() != QDialog::Accepted);
        QCOMPARE(fx::readBytes(tmp.file("MASTER")), before);
    }

    void browseFillsThePathFromTheChooser()
    {
        TempDir tmp;
        const std::string chosen = tmp.subdir("Chosen");
        CPortfolioAddDlg dlg(QString(), nullptr);
        CChooseDir::setNextTyped(q(chosen));
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("browse")), Qt::LeftButton);
        QCOMPARE(edit(dlg, "path")->text(), q(chosen));
        // Cancel leaves the field alone.
        CChooseDir::setNextTyped(QString());
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("browse")), Qt::LeftButton);
        QCOMPARE(edit(dlg, "path")->text(), q(chosen));
    }

    void portfolioAddListsAndSelectsTheNewPortfolio()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        const std::string fresh = w.tmp.path() + "/FRESH";
        QString initial;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            initial = edit(dlg, "path")->text();
            edit(dlg, "path")->setText(q(fresh));
            dlg.accept();
            return dlg.result();
        });
        OnPortfolioAdd(w.view());
        // The path starts at the root being browsed.
        QCOMPARE(initial, q(w.tmp.path()));
        QVERIFY(exists(fresh + "/MASTER"));
        QCOMPARE(w.view().portfolioDir(), fresh);
        QCOMPARE(w.view().portfolios().back(), fresh);
        QCOMPARE(w.view().currentPortfolioIndex(), int(w.view().portfolios().size()) - 1);
        QCOMPARE(w.view().symbolCount(), 0);
    }

    // ---- Delete Portfolio -----------------------------------------------------------------

    void portfolioDeleteAsksWithABeepAndNoKeepsEverything()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        const auto before = fx::snapshot(w.port);
        QString shown;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            shown = static_cast<CDeleteConfirmDlg&>(dlg).shownItem();
            return int(QDialog::Rejected);
        });
        const int beeps = beepCount();
        OnPortfolioDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, q(w.port));
        QCOMPARE(fx::snapshot(w.port), before);
    }

    void portfolioDeleteRemovesItAndRescans()
    {
        Workspace w(true);
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        ModalDialog::setTestHandler([](QDialog&) { return int(QDialog::Accepted); });
        const int beeps = beepCount();
        OnPortfolioDelete(w.view());
        QVERIFY(!exists(w.port));
        QVERIFY(MessageBox::shownTexts().isEmpty());
        const std::vector<std::string> list = w.view().portfolios();
        QCOMPARE(list, std::vector<std::string>{w.other});
        // SoundDisable silences the question beep (and the search's).
        QCOMPARE(beepCount(), beeps);
    }

    void portfolioDeleteLeavesWhatALinkPointsToAndSaysSo()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        const std::string outside = w.tmp.subdir("KEEP");
        fx::writeText(outside + "/precious.txt", "mine");
        fs::create_symlink(outside, w.port + "/LINK");
        w.select(w.port);
        ModalDialog::setTestHandler([](QDialog&) { return int(QDialog::Accepted); });
        OnPortfolioDelete(w.view());
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Not all of the portfolio elements could be automatically "
                                                       "deleted.\nRemoving portfolio from this display."});
        QVERIFY(exists(outside + "/precious.txt"));
        QVERIFY(!exists(w.port + "/MASTER"));
        // Without its MASTER the directory is no longer listed.
        QCOMPARE(w.view().portfolios(), std::vector<std::string>{w.other});
    }

    // ---- Skip marks -----------------------------------------------------------------------

    void portfolioSkipAdjustMarksEverySecurityOrNone()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        bool allIsDefault = false;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            allIsDefault = dlg.findChild<QRadioButton*>(QStringLiteral("skipAll"))->isChecked();
            return int(QDialog::Accepted);
        });
        OnPortfolioSkipAdjust(w.view());
        QVERIFY(allIsDefault);
        qv::SkipFlags flags = qv::readSkipFlags(w.port);
        QCOMPARE(flags.substr(0, 6), std::string("011010"));
        QCOMPARE(flags.find('1', 5), std::string::npos);
        QVERIFY(w.view().currentSymbolSkipped());
        QVERIFY(w.frame->action(Command::SymbolSkip)->isChecked());

        ModalDialog::setTestHandler([](QDialog& dlg) {
            dlg.findChild<QRadioButton*>(QStringLiteral("skipNone"))->setChecked(true);
            return int(QDialog::Accepted);
        });
        OnPortfolioSkipAdjust(w.view());
        QCOMPARE(qv::readSkipFlags(w.port), std::string(256, '0'));
        QVERIFY(!w.view().currentSymbolSkipped());
        QVERIFY(!w.frame->action(Command::SymbolSkip)->isChecked());
    }

    void symbolSkipTwiceReturnsMarkAndCheckMark()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        w.view().SelectSymbolRow(1); // MSFT, file number 2
        QCOMPARE(w.view().currentSymbol(), std::string("MSFT"));
        const qv::SkipFlags before = qv::readSkipFlags(w.port);
        const bool checked = w.frame->action(Command::SymbolSkip)->isChecked();

        OnSymbolSkip(w.view());
        QCOMPARE(qv::readSkipFlags(w.port)[2], before[2] == '1' ? '0' : '1');
        QCOMPARE(w.frame->action(Command::SymbolSkip)->isChecked(), !checked);
        QCOMPARE(qv::readSkipFlags(w.port)[1], before[1]);

        OnSymbolSkip(w.view());
        QCOMPARE(qv::readSkipFlags(w.port), before);
        QCOMPARE(w.frame->action(Command::SymbolSkip)->isChecked(), checked);
    }

    // ---- Add Symbol -----------------------------------------------------------------------

    void addSymbolRefusesInTheDialogsOrder()
    {
        TempDir tmp;
        fx::writeStandardPortfolio(tmp.path());
        std::unique_ptr<CSymbolDlg> dlg(CSymbolDlg::add(tmp.path(), nullptr));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Add Symbol"));
        QCOMPARE(edit(*dlg, "symbol")->maxLength(), 16);
        QCOMPARE(edit(*dlg, "name")->maxLength(), 16);
        const auto press = [&](const QString& symbol, const QString& name) {
            MessageBox::clearShown();
            edit(*dlg, "symbol")->setText(symbol);
            edit(*dlg, "name")->setText(name);
            dlg->accept();
            return MessageBox::shownTexts();
        };
        QCOMPARE(press(QStringLiteral("   "), QStringLiteral("Anything")), QStringList{"You did not enter a symbol"});
        // Upper-cased before the search, which ignores case and also matches names.
        QCOMPARE(press(QStringLiteral("ibm"), QString()), QStringList{"Duplicate Symbol failure"});
        QCOMPARE(press(QStringLiteral("IBM CORP"), QString()), QStringList{"Duplicate Symbol failure"});
        QVERIFY(dlg->result() != QDialog::Accepted);
        QCOMPARE(qv::findSecurity(tmp.path(), "AAPL").status, qv::kStatusFileNotFound);
    }

    void addSymbolToAFullPortfolioIsRefused()
    {
        TempDir tmp;
        std::vector<fx::ByteVec> entries;
        for (int n = 1; n <= 255; ++n) {
            fx::EntrySpec e;
            e.fileNumber = n;
            e.symbol = "S" + std::to_string(n);
            e.name = e.symbol;
            entries.push_back(fx::masterEntry(e));
        }
        fx::writeBytes(tmp.file("MASTER"), fx::masterFile(entries));
        std::unique_ptr<CSymbolDlg> dlg(CSymbolDlg::add(tmp.path(), nullptr));
        edit(*dlg, "symbol")->setText(QStringLiteral("NEW"));
        dlg->accept();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"This portfolio already has the\nmaximum number of symbols "
                                                       "(255).\nChoose a different or new portfolio."});
    }

    void symbolAddWritesTheSecurityAndOffersItsProfile()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        QStringList titles;
        QString profileSymbol;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            titles << dlg.windowTitle();
            if (auto* symbolDlg = qobject_cast<CSymbolDlg*>(&dlg)) {
                edit(dlg, "symbol")->setText(QStringLiteral("aapl"));
                symbolDlg->accept();
                return symbolDlg->result();
            }
            profileSymbol = dlg.findChild<QLabel*>(QStringLiteral("symbol"))->text();
            return int(QDialog::Accepted);
        });
        OnSymbolAdd(w.view());
        QCOMPARE(titles, (QStringList{"Add Symbol", "Profiles Management"}));
        // The lowest free number (1, 2 and 4 are taken), upper case, the name from the symbol.
        QVERIFY(exists(w.port + "/F3.DAT"));
        QVERIFY(exists(w.port + "/F3.DOP"));
        const qv::FoundSecurity found = qv::findSecurity(w.port, "AAPL");
        QCOMPARE(found.status, qv::kStatusOk);
        QCOMPARE(found.entry.fileNumber(), 3);
        QCOMPARE(found.entry.name(), std::string("AAPL"));
        QVERIFY(w.symbols().contains(QStringLiteral("AAPL")));
        QCOMPARE(w.view().currentSymbol(), std::string("AAPL"));
        QCOMPARE(profileSymbol, QStringLiteral("AAPL"));
    }

    // ---- Delete Symbol --------------------------------------------------------------------

    void symbolDeleteRemovesFilesAndMarkAndTheNumberIsReused()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        fx::writeBytes(w.port + "/F2.PFL", fx::ByteVec(34, 0));
        fx::writeBytes(w.port + "/F2.BAK", fx::ByteVec(28, 0));
        qv::SkipFlags marks(256, '0');
        marks[2] = '1';
        qv::writeSkipFlags(w.port, marks);
        w.view().SelectSymbolRow(1);
        QCOMPARE(w.view().currentSymbol(), std::string("MSFT"));

        // No keeps it, after the beep.
        QString shown;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            shown = static_cast<CDeleteConfirmDlg&>(dlg).shownItem();
            return int(QDialog::Rejected);
        });
        const int beeps = beepCount();
        OnSymbolDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, QStringLiteral("MSFT"));
        QVERIFY(exists(w.port + "/F2.DAT"));

        ModalDialog::setTestHandler([](QDialog&) { return int(QDialog::Accepted); });
        OnSymbolDelete(w.view());
        for (const char* f : {"/F2.DAT", "/F2.DOP", "/F2.PFL", "/F2.BAK"})
            QVERIFY2(!exists(w.port + f), f);
        QCOMPARE(qv::readSkipFlags(w.port)[2], '0');
        QCOMPARE(w.symbols(), (QStringList{"IBM", "GC"}));
        // The other portfolio is not touched.
        QVERIFY(exists(w.other + "/F2.DAT"));

        QCOMPARE(qv::addSymbol(w.port, "NEXT", "").fileNumber, 2);
    }

    // ---- Edit Symbol ----------------------------------------------------------------------

    void symbolEditRenamesInPlace()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        qv::setSymbolSkip(w.port, "IBM", true);
        const fx::ByteVec quotes = fx::readBytes(w.port + "/F1.DAT");
        QString initialName;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            initialName = edit(dlg, "name")->text();
            // Empty first: refused and the dialog stays; then a real name.
            edit(dlg, "symbol")->clear();
            dlg.accept();
            if (dlg.result() == QDialog::Accepted)
                return int(QDialog::Accepted);
            edit(dlg, "symbol")->setText(QStringLiteral("IBMX"));
            edit(dlg, "name")->setText(QStringLiteral("NEW NAME"));
            dlg.accept();
            return dlg.result();
        });
        OnSymbolEdit(w.view());
        QCOMPARE(initialName, QStringLiteral("IBM CORP")); // without its padding
        QCOMPARE(MessageBox::shownTexts(), QStringList{"You must enter a symbol"});
        const qv::FoundSecurity found = qv::findSecurity(w.port, "IBMX");
        QCOMPARE(found.status, qv::kStatusOk);
        QCOMPARE(found.entry.fileNumber(), 1);
        QCOMPARE(found.entry.name(), std::string("NEW NAME"));
        QCOMPARE(fx::readBytes(w.port + "/F1.DAT"), quotes);
        QCOMPARE(qv::readSkipFlags(w.port)[1], '1');
        QCOMPARE(w.view().currentSymbol(), std::string("IBMX"));
        QCOMPARE(w.symbols().first(), QStringLiteral("IBMX"));
    }

    // ---- About ----------------------------------------------------------------------------

    void symbolAboutShowsTheFacts()
    {
        Workspace w;
        QVERIFY(waitForStartup(*w.frame));
        w.select(w.port);
        QMap<QString, QString> seen;
        QStringList dopRows;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            auto& about = static_cast<CSymbolAboutDlg&>(dlg);
            for (const char* label : {"Path:", "File number", "DAT file record length", "DAT file number of fields",
                                      "First date in file", "Data format", "Symbol"})
                seen[QString::fromLatin1(label)] = about.value(QString::fromLatin1(label));
            dopRows.clear();
            for (int r = 0; r < 8; ++r)
                dopRows << about.fieldCell(r, 0) + QLatin1Char('=') + about.fieldCell(r, 1);
            return int(QDialog::Accepted);
        });
        OnSymbolAbout(w.view());
        QCOMPARE(seen["Path:"], q(w.port));
        QCOMPARE(seen["File number"], QStringLiteral("1"));
        QCOMPARE(seen["DAT file record length"], QStringLiteral("28"));
        QCOMPARE(seen["DAT file number of fields"], QStringLiteral("7"));
        QCOMPARE(seen["First date in file"], QStringLiteral("970102"));
        QCOMPARE(seen["Data format"], QStringLiteral("D Daily"));
        QVERIFY(seen["Symbol"].startsWith(QStringLiteral("IBM")));
        // The fixture's DOP: no time field, the others with code 4.
        QCOMPARE(dopRows[1], QStringLiteral("Time="));
        QVERIFY(!dopRows[2].endsWith(QLatin1Char('=')));
        QCOMPARE(dopRows[0].section(QLatin1Char('='), 0, 0), QStringLiteral("Date"));
    }
};

QTEST_MAIN(MaintenanceDialogs)
#include "maintenance_dialogs_test.moc"
