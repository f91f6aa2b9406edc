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

QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }

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
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kSoundDisable, soundDisable ? 1 : 0);
        port = tmp.subdir("PORT");
        fx::writeStandardPortfolio(port);
        other = tmp.subdir("OTHER");
        fx::writeStandardPortfolio(other);
        frame = openMainWindow(tmp.path(), tmp.path());
    }
    CQuovantaView& view() { return *frame->view(); }
    // Started, with PORT selected.
    bool ready() { return waitForStartup(*frame) && selectPortfolio(view(), port); }
    bool skipChecked() { return frame->action(Command::SymbolSkip)->isChecked(); }
    QStringList symbols()
    {
        QStringList out;
        for (int r = 0; r < view().symbolModel()->rowCount(); ++r)
            out << QString::fromStdString(view().symbolModel()->row(r).symbol);
        return out;
    }
};

// Answers every dialog with `answer`, recording what a delete confirmation showed.
void answerAll(int answer, QString* shownItem = nullptr)
{
    ModalDialog::setTestHandler([=](QDialog& dlg) {
        if (shownItem)
            *shownItem = static_cast<CDeleteConfirmDlg&>(dlg).shownItem();
        return answer;
    });
}

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

    void addPortfolioDialogShowsTheRefusalsAndStaysOpen()
    {
        TempDir tmp;
        CPortfolioAddDlg dlg(q(tmp.path()), nullptr);
        QCOMPARE(edit(dlg, "path")->text(), q(tmp.path()));
        QCOMPARE(edit(dlg, "path")->maxLength(), 200);
        const auto press = [&](const std::string& path) {
            MessageBox::clearShown();
            edit(dlg, "path")->setText(q(path));
            dlg.accept();
            return MessageBox::shownTexts();
        };
        QCOMPARE(press("  "), QStringList{"You did not enter a path"});
        QCOMPARE(press(tmp.path() + "/A/B"), QStringList{"The portfolio could not be created."});
        QVERIFY(dlg.result() != QDialog::Accepted);
        QCOMPARE(press(tmp.path() + "/NEW//"), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.directory(), tmp.path() + "/NEW");
        QVERIFY(exists(tmp.path() + "/NEW/MASTER"));

        // Browse fills the path; Cancel leaves it alone.
        const std::string chosen = tmp.subdir("Chosen");
        for (const QString& typed : {q(chosen), QString()}) {
            CChooseDir::setNextTyped(typed);
            QTest::mouseClick(child<QPushButton>(dlg, "browse"), Qt::LeftButton);
            QCOMPARE(edit(dlg, "path")->text(), q(chosen));
        }
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

    void portfolioDeleteAsksWithABeepAndYesRemovesItAndRescans()
    {
        Workspace w;
        QVERIFY(w.ready());
        const auto before = fx::snapshot(w.port);
        QString shown;
        answerAll(QDialog::Rejected, &shown);
        const int beeps = beepCount();
        OnPortfolioDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, q(w.port));
        QCOMPARE(fx::snapshot(w.port), before);

        answerAll(QDialog::Accepted);
        OnPortfolioDelete(w.view());
        QVERIFY(!exists(w.port));
        QVERIFY(MessageBox::shownTexts().isEmpty());
        QCOMPARE(w.view().portfolios(), std::vector<std::string>{w.other});
    }

    void portfolioDeleteLeavesWhatALinkPointsToAndSaysSo()
    {
        Workspace w(true);
        QVERIFY(waitForStartup(*w.frame));
        const std::string outside = w.tmp.subdir("KEEP");
        fx::writeText(outside + "/precious.txt", "mine");
        fs::create_symlink(outside, w.port + "/LINK");
        QVERIFY(selectPortfolio(w.view(), w.port));
        answerAll(QDialog::Accepted);
        const int beeps = beepCount();
        OnPortfolioDelete(w.view());
        // SoundDisable silences the question's beep (and the search's).
        QCOMPARE(beepCount(), beeps);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Not all of the portfolio elements could be automatically "
                                                       "deleted.\nRemoving portfolio from this display."});
        QVERIFY(exists(outside + "/precious.txt"));
        QVERIFY(!exists(w.port + "/MASTER"));
        // Without its MASTER the directory is no longer listed.
        QCOMPARE(w.view().portfolios(), std::vector<std::string>{w.other});
    }

    void skipCommandsWriteTheMarksAndTheCheckMarkFollows()
    {
        Workspace w;
        QVERIFY(w.ready());
        // Skip All is the default choice of Skip Adjust.
        bool allIsDefault = false;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            allIsDefault = child<QRadioButton>(dlg, "skipAll")->isChecked();
            return int(QDialog::Accepted);
        });
        OnPortfolioSkipAdjust(w.view());
        QVERIFY(allIsDefault);
        QCOMPARE(qv::readSkipFlags(w.port).substr(0, 6), std::string("011010"));
        QVERIFY(w.view().currentSymbolSkipped());
        QVERIFY(w.skipChecked());

        ModalDialog::setTestHandler([](QDialog& dlg) {
            child<QRadioButton>(dlg, "skipNone")->setChecked(true);
            return int(QDialog::Accepted);
        });
        OnPortfolioSkipAdjust(w.view());
        QCOMPARE(qv::readSkipFlags(w.port), std::string(256, '0'));
        QVERIFY(!w.view().currentSymbolSkipped());
        QVERIFY(!w.skipChecked());

        // Symbol Skip marks the shown security (MSFT, file number 2) and unmarks it again.
        w.view().SelectSymbolRow(1);
        OnSymbolSkip(w.view());
        QCOMPARE(qv::readSkipFlags(w.port).substr(0, 4), std::string("0010"));
        QVERIFY(w.skipChecked());
        OnSymbolSkip(w.view());
        QCOMPARE(qv::readSkipFlags(w.port), std::string(256, '0'));
        QVERIFY(!w.skipChecked());
    }

    void addSymbolDialogShowsTheRefusals()
    {
        TempDir tmp;
        fx::writeStandardPortfolio(tmp.path());
        std::unique_ptr<CSymbolDlg> dlg(CSymbolDlg::add(tmp.path(), nullptr));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Add Symbol"));
        QCOMPARE(edit(*dlg, "symbol")->maxLength(), 16);
        QCOMPARE(edit(*dlg, "name")->maxLength(), 16);
        const auto press = [&](const QString& symbol) {
            MessageBox::clearShown();
            edit(*dlg, "symbol")->setText(symbol);
            dlg->accept();
            return MessageBox::shownTexts();
        };
        QCOMPARE(press(QStringLiteral("   ")), QStringList{"You did not enter a symbol"});
        QCOMPARE(press(QStringLiteral("ibm")), QStringList{"Duplicate Symbol failure"});
        QVERIFY(dlg->result() != QDialog::Accepted);

        std::vector<fx::ByteVec> entries;
        for (int n = 1; n <= 255; ++n)
            entries.push_back(fx::masterEntry({n, "S" + std::to_string(n), "S", 7}));
        const std::string full = tmp.subdir("FULL");
        fx::writeBytes(full + "/MASTER", fx::masterFile(entries));
        dlg.reset(CSymbolDlg::add(full, nullptr));
        QCOMPARE(press(QStringLiteral("NEW")), QStringList{"This portfolio already has the\nmaximum number of "
                                                           "symbols (255).\nChoose a different or new portfolio."});
    }

    void symbolAddOffersTheNewSecuritysProfileAndDeleteAsksFirst()
    {
        Workspace w;
        QVERIFY(w.ready());
        QStringList titles;
        QString profileSymbol;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            titles << dlg.windowTitle();
            if (auto* symbolDlg = qobject_cast<CSymbolDlg*>(&dlg)) {
                edit(dlg, "symbol")->setText(QStringLiteral("aapl"));
                symbolDlg->accept();
                return symbolDlg->result();
            }
            profileSymbol = child<QLabel>(dlg, "symbol")->text();
            return int(QDialog::Accepted);
        });
        OnSymbolAdd(w.view());
        QCOMPARE(titles, (QStringList{"Add Symbol", "Profiles Management"}));
        const qv::FoundSecurity found = qv::findSecurity(w.port, "AAPL");
        QCOMPARE(found.status, qv::kStatusOk);
        QCOMPARE(found.entry.fileNumber(), 3);
        QVERIFY(w.symbols().contains(QStringLiteral("AAPL")));
        QCOMPARE(w.view().currentSymbol(), std::string("AAPL"));
        QCOMPARE(profileSymbol, QStringLiteral("AAPL"));

        // Delete asks with a beep; No keeps MSFT, Yes removes it.
        w.view().SelectSymbolRow(int(w.symbols().indexOf(QStringLiteral("MSFT"))));
        QCOMPARE(w.view().currentSymbol(), std::string("MSFT"));

        QString shown;
        answerAll(QDialog::Rejected, &shown);
        const int beeps = beepCount();
        OnSymbolDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, QStringLiteral("MSFT"));
        QVERIFY(exists(w.port + "/F2.DAT"));

        answerAll(QDialog::Accepted);
        OnSymbolDelete(w.view());
        QVERIFY(!exists(w.port + "/F2.DAT"));
        QVERIFY(!w.symbols().contains(QStringLiteral("MSFT")));
        QCOMPARE(w.symbols().size(), 3);
        // The other portfolio is not touched.
        QVERIFY(exists(w.other + "/F2.DAT"));
    }

    void symbolAboutShowsTheFactsAndEditRenamesInPlace()
    {
        Workspace w;
        QVERIFY(w.ready());
        QStringList seen;
        QStringList dopRows;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            auto& about = static_cast<CSymbolAboutDlg&>(dlg);
            for (const char* label : {"Path:", "File number", "DAT file record length", "DAT file number of fields",
                                      "First date in file", "Data format"})
                seen << about.value(QString::fromLatin1(label));
            seen << about.value(QStringLiteral("Symbol")).trimmed();
            for (int r = 0; r < 3; ++r)
                dopRows << about.fieldCell(r, 0) + QLatin1Char('=') + about.fieldCell(r, 1);
            return int(QDialog::Accepted);
        });
        OnSymbolAbout(w.view());
        QCOMPARE(seen, (QStringList{q(w.port), "1", "28", "7", "970102", "D Daily", "IBM"}));
        // The fixture's DOP: no time field, the others with code 4.
        QCOMPARE(dopRows[0].section(QLatin1Char('='), 0, 0), QStringLiteral("Date"));
        QCOMPARE(dopRows[1], QStringLiteral("Time="));
        QVERIFY(!dopRows[2].endsWith(QLatin1Char('=')));

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
        QCOMPARE(w.view().currentSymbol(), std::string("IBMX"));
        QCOMPARE(w.symbols().first(), QStringLiteral("IBMX"));
    }
};

QTEST_MAIN(MaintenanceDialogs)
#include "maintenance_dialogs_test.moc"
