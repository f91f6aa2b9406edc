// "Profiles Management" walking the main window's portfolios and symbols, writing assignments,
// and creating a profile through "Profile Settings" (a refused Save, the date format code).

#include "mainwindow_test_support.h"

#include "core/profiles/profile.h"
#include "core/profiles/profile_check.h"
#include "gui/app/CQuovantaView.h"
#include "gui/profiles/CProfileSettingsDlg.h"
#include "gui/profiles/CProfilesManagementDlg.h"
#include "gui/profiles/ProfileCommands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace qv::guitest;
namespace fx = qv::fixtures;
using fx::TempDir;

class ProfileDialogs : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        ModalDialog::setTestHandler({});
    }

    void managementWalksTheWindowsSymbolsAndPortfoliosAndWritesAssignments()
    {
        TempDir tmp;
        const std::string a = tmp.subdir("A");
        fx::writeStandardPortfolio(a);
        const std::string b = tmp.subdir("B");
        fx::writeBytes(b + "/MASTER", fx::masterFile({}));
        quietSettings();
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QVERIFY(selectPortfolio(view, a));
        QVERIFY(qv::writeProfile(tmp.path(), "Alpha", qv::sampleProfile(tmp.path())).isOk());

        CProfilesManagementDlg dlg(view, nullptr);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile"}));
        QCOMPARE(dlg.symbolText(), QStringLiteral("IBM"));
        dlg.selectProfile(QStringLiteral("MyFirstProfile"));
        dlg.OnSymbolAssign();
        QCOMPARE(dlg.profileText(), QStringLiteral("MyFirstProfile"));
        QCOMPARE(qv::readAssignment(a, 1), std::optional<std::string>("MyFirstProfile"));
        dlg.selectProfile(QStringLiteral("Alpha"));
        dlg.OnMultipleAssign();
        QCOMPARE(qv::readAssignment(a, 4), std::optional<std::string>("Alpha"));

        // Walking symbols selects in the main window.
        dlg.OnNextSymbol();
        dlg.OnNextSymbol();
        QCOMPARE(view.currentSymbol(), std::string("GC"));
        QCOMPARE(dlg.fileText(), QStringLiteral("F4.dat"));

        // To the empty portfolio: all quotes mode is left for recent, and nothing to assign.
        view.OnRecentAll();
        QVERIFY(!view.settings().displayLimit);
        const bool bIsNext = view.portfolios().back() == b;
        bIsNext ? dlg.OnNextPortfolio() : dlg.OnPreviousPortfolio();
        QCOMPARE(view.portfolioDir(), b);
        QVERIFY(view.settings().displayLimit);
        QVERIFY(!child<QPushButton>(dlg, "symbolAssign")->isEnabled());

        // New runs the settings dialog: a missing update path is refused and the dialog stays;
        // the list's last row is date code 12. What it saved is listed and selected.
        const std::string updates = tmp.subdir("Updates");
        ModalDialog::setTestHandler([&](QDialog& d) {
            edit(d, "name")->setText(QStringLiteral("zeta"));
            child<QComboBox>(d, "dateFormat")->setCurrentIndex(11);
            for (const std::string& path : {updates + "/missing", updates}) {
                edit(d, "updatePath")->setText(q(path));
                d.accept();
            }
            return d.result();
        });
        dlg.OnNew();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"The Path to the Update Files does not exist"});
        const qv::ProfileRead zeta = qv::readProfile(tmp.path(), "zeta");
        QCOMPARE(zeta.profile.updatePath, updates);
        QCOMPARE(zeta.profile.dateFormat, 12);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile", "zeta"}));
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("zeta"));

        // The window's command opens the same dialog.
        DialogRecorder recorder;
        recorder.install();
        OnProfiles(view);
        QCOMPARE(recorder.titles, QStringList{"Profiles Management"});
    }

    // A column field emptied or typed out of range is refused with the range message, whether
    // Save is clicked (the field loses the focus first) or Enter is pressed in the field; a plain
    // spin box put its old number back and saved that. Typed in range, the same field saves.
    void anEmptiedOrOutOfRangeColumnIsRefusedWithTheRangeMessage()
    {
        TempDir tmp;
        CProfileSettingsDlg dlg(
            qv::editorValuesFromProfile(qv::newProfileDefaults(tmp.path()), "FRESH", qv::ProfileEditMode::New), {},
            nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto* close = child<QSpinBox>(dlg, "closeColumn");
        for (const auto& [typed, enter] :
             {std::pair{QString(), false}, {QString(), true}, {QStringLiteral("25"), false}}) {
            MessageBox::clearShown();
            close->setFocus();
            QTRY_VERIFY(close->hasFocus());
            close->selectAll();
            QTest::keyClick(close, Qt::Key_Backspace);
            QTest::keyClicks(close, typed);
            if (enter)
                QTest::keyClick(close, Qt::Key_Return);
            else
                QTest::mouseClick(child<QPushButton>(dlg, "save"), Qt::LeftButton);
            QCOMPARE(MessageBox::shownTexts(), QStringList{"Enter a column number from 1 to 20 for Close"});
            QVERIFY(dlg.isVisible() && dlg.result() != QDialog::Accepted);
            QCOMPARE(close->text(), typed);
        }
        MessageBox::clearShown();
        close->selectAll();
        QTest::keyClicks(close, QStringLiteral("12"));
        QTest::mouseClick(child<QPushButton>(dlg, "save"), Qt::LeftButton);
        QCOMPARE(MessageBox::shownTexts(), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.savedProfile().closeColumn, 12);
    }
};

QTEST_MAIN(ProfileDialogs)
#include "profile_dialogs_test.moc"
