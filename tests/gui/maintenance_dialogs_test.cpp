// The "&Portfolio" and "&Symbol" commands run on fixture portfolios through the main window's
// view: files written, list and grids refreshed, confirmations with their beep, and a refusal
// kept open with its message.

#include "mainwindow_test_support.h"

#include "core/store/skip_list.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/maintain/CDeleteConfirmDlg.h"
#include "gui/maintain/CSymbolDlg.h"
#include "gui/maintain/MaintenanceCommands.h"

#include <QLabel>
#include <QtTest>

#include <filesystem>

using namespace qv::guitest;
namespace fx = qv::fixtures;
namespace fs = std::filesystem;

namespace {

// A work directory holding the standard portfolio in PORT, and a started main window over it.
struct Workspace {
    fx::TempDir tmp;
    std::string port = tmp.subdir("PORT");
    std::unique_ptr<CMainFrame> frame;

    bool open()
    {
        quietSettings();
        fx::writeStandardPortfolio(port);
        frame = openStarted(tmp.path());
        return frame && view().portfolioDir() == port;
    }
    CQuovantaView& view() { return *frame->view(); }
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

// Types `first` and presses OK, then, if the dialog stayed open, types `second` and presses OK.
void typeTwice(const char* field, const QString& first, const QString& second)
{
    ModalDialog::setTestHandler([=](QDialog& dlg) {
        for (const QString& text : {first, second}) {
            edit(dlg, field)->setText(text);
            dlg.accept();
            if (dlg.result() == QDialog::Accepted)
                break;
        }
        return dlg.result();
    });
}

// Appends to dir's MASTER a directory entry naming the nested portfolio SUB (holding XYZ).
void addNestedPortfolio(const std::string& dir)
{
    constexpr std::size_t kRecord = 53;
    const fx::ByteVec old = fx::readBytes(dir + "/MASTER");
    std::vector<fx::ByteVec> records;
    for (std::size_t at = kRecord; at + kRecord <= old.size(); at += kRecord)
        records.emplace_back(old.begin() + long(at), old.begin() + long(at + kRecord));
    records.push_back(fx::masterDirectoryEntry(9, "SUB"));
    fx::writeBytes(dir + "/MASTER", fx::masterFile(records));
    fs::create_directory(dir + "/SUB");
    fx::writeBytes(dir + "/SUB/MASTER", fx::masterFile({fx::masterEntry({1, "XYZ", "XYZ INC", 7})}));
}

} // namespace

class MaintenanceDialogs : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        ModalDialog::setTestHandler({});
    }

    void portfolioAddRefusesAnExistingOneThenAddsAndDeleteAsksWithABeep()
    {
        Workspace w;
        QVERIFY(w.open());
        const auto before = fx::snapshot(w.port);
        const std::string fresh = w.tmp.path() + "/FRESH";
        typeTwice("path", q(w.port), q(fresh));
        OnPortfolioAdd(w.view());
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QCOMPARE(fx::snapshot(w.port), before);
        QVERIFY(fs::exists(fresh + "/MASTER"));
        QCOMPARE(w.view().portfolioDir(), fresh);

        QVERIFY(selectPortfolio(w.view(), w.port));
        QString shown;
        answerAll(QDialog::Rejected, &shown);
        const int beeps = beepCount();
        OnPortfolioDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, q(w.port));
        QCOMPARE(fx::snapshot(w.port), before);
        answerAll(QDialog::Accepted);
        OnPortfolioDelete(w.view());
        QVERIFY(!fs::exists(w.port));
        QCOMPARE(w.view().portfolios(), std::vector<std::string>{fresh});
    }

    void symbolCommandsWorkOnTheShownSecurity()
    {
        Workspace w;
        QVERIFY(w.open());
        // Skip All, the default choice of Skip Adjust; then Symbol Skip unmarks the shown IBM.
        answerAll(QDialog::Accepted);
        OnPortfolioSkipAdjust(w.view());
        QCOMPARE(qv::readSkipFlags(w.port).substr(0, 6), std::string("011010"));
        OnSymbolSkip(w.view());
        QCOMPARE(qv::readSkipFlags(w.port).substr(0, 6), std::string("001010"));
        QVERIFY(!w.frame->action(Command::SymbolSkip)->isChecked());

        typeTwice("symbol", QString(), QStringLiteral("IBMX"));
        OnSymbolEdit(w.view());
        QCOMPARE(MessageBox::shownTexts(), QStringList{"You must enter a symbol"});
        QCOMPARE(w.symbols().first(), QStringLiteral("IBMX"));
        QCOMPARE(w.view().currentSymbol(), std::string("IBMX"));

        // Add offers the new security's profile; Delete asks first, with a beep.
        QString profileSymbol;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            if (!qobject_cast<CSymbolDlg*>(&dlg)) {
                profileSymbol = child<QLabel>(dlg, "symbol")->text();
                return int(QDialog::Rejected);
            }
            edit(dlg, "symbol")->setText(QStringLiteral("aapl"));
            dlg.accept();
            return dlg.result();
        });
        OnSymbolAdd(w.view());
        QVERIFY(w.symbols().contains(QStringLiteral("AAPL")));
        QCOMPARE(profileSymbol, QStringLiteral("AAPL"));

        w.view().SelectSymbolRow(int(w.symbols().indexOf(QStringLiteral("MSFT"))));
        QString shown;
        answerAll(QDialog::Rejected, &shown);
        const int beeps = beepCount();
        OnSymbolDelete(w.view());
        QCOMPARE(beepCount(), beeps + 1);
        QCOMPARE(shown, QStringLiteral("MSFT"));
        QVERIFY(fs::exists(w.port + "/F2.DAT"));
        answerAll(QDialog::Accepted);
        OnSymbolDelete(w.view());
        QVERIFY(!fs::exists(w.port + "/F2.DAT"));
        QVERIFY(!w.symbols().contains(QStringLiteral("MSFT")));
    }

    // A <DIR> row of the symbol grid names a nested portfolio: the commands on the selected
    // security are off there, and one reached anyway says why instead of doing nothing.
    void commandsOnANestedPortfolioRowAreOffOrSayWhy()
    {
        Workspace w;
        quietSettings();
        fx::writeStandardPortfolio(w.port);
        addNestedPortfolio(w.port);
        w.frame = openStarted(w.tmp.path());
        QVERIFY(w.frame);
        QVERIFY(selectPortfolio(w.view(), w.port));
        int dirRow = -1;
        for (int r = 0; r < w.view().symbolModel()->rowCount(); ++r)
            if (w.view().symbolModel()->row(r).isDirectoryEntry)
                dirRow = r;
        QVERIFY(dirRow > 0);
        const Command securityCommands[] = {Command::SymbolDelete, Command::SymbolSkip, Command::SymbolEdit,
                                            Command::SymbolAbout, Command::Export};
        w.view().SelectSymbolRow(dirRow);
        QVERIFY(w.view().browserState().directoryRow);
        for (Command c : securityCommands)
            QVERIFY2(!w.frame->action(c)->isEnabled(), commandInfo(c).objectName);
        for (Command c : {Command::SymbolAdd, Command::Profiles, Command::PortfolioSkipAdjust})
            QVERIFY2(w.frame->action(c)->isEnabled(), commandInfo(c).objectName);

        const auto before = fx::snapshot(w.port);
        const auto nestedBefore = fx::snapshot(w.port + "/SUB");
        QStringList opened;
        ModalDialog::setTestHandler([&](QDialog& dlg) {
            opened << dlg.windowTitle();
            return int(QDialog::Accepted);
        });
        using CommandFn = void (*)(CQuovantaView&);
        const CommandFn commands[] = {OnSymbolDelete, OnSymbolSkip, OnSymbolEdit, OnSymbolAbout};
        for (CommandFn command : commands) {
            MessageBox::clearShown();
            command(w.view());
            QCOMPARE(MessageBox::shownTexts().size(), 1);
            QVERIFY2(MessageBox::shownTexts().first().contains(QStringLiteral("nested portfolio SUB")),
                     qPrintable(MessageBox::shownTexts().first()));
        }
        QCOMPARE(opened, QStringList{});
        QCOMPARE(fx::snapshot(w.port), before);
        QCOMPARE(fx::snapshot(w.port + "/SUB"), nestedBefore);

        w.view().SelectSymbolRow(0);
        for (Command c : securityCommands)
            QVERIFY2(w.frame->action(c)->isEnabled(), commandInfo(c).objectName);
    }

    // A symbol pasted whole is refused whole: cut to the field's 16 characters it would have
    // been added as another symbol.
    void aSymbolLongerThanItsFieldIsRefusedNotCut()
    {
        Workspace w;
        QVERIFY(w.open());
        const auto before = fx::snapshot(w.port);
        ModalDialog::setTestHandler([](QDialog& dlg) {
            edit(dlg, "symbol")->setText(QStringLiteral("ABCDEFGHIJKLMNOPQ"));
            dlg.accept();
            return dlg.result();
        });
        OnSymbolAdd(w.view());
        QCOMPARE(MessageBox::shownTexts(), QStringList{"A symbol can be at most 16 characters long"});
        QCOMPARE(fx::snapshot(w.port), before);

        // The confirmation of a delete names the whole directory, however long its path.
        const QString longPath = QStringLiteral("/data/") + QString(120, QLatin1Char('p')) + QStringLiteral("/LAST");
        std::unique_ptr<CDeleteConfirmDlg> confirm(CDeleteConfirmDlg::portfolio(longPath, nullptr));
        QCOMPARE(confirm->shownItem(), longPath);
        QCOMPARE(child<QLineEdit>(*confirm, "item")->text(), longPath);
    }
};

QTEST_MAIN(MaintenanceDialogs)
#include "maintenance_dialogs_test.moc"
