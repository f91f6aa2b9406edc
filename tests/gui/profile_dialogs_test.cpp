// "Profile Settings" (enabling rules, the Save checks as the user meets them, Browse) and
// "Profiles Management" walking the main window's portfolios and symbols, creating, cloning and
// editing profiles and writing assignments.

#include "mainwindow_test_support.h"

#include "core/profiles/profile.h"
#include "gui/app/CChooseDir.h"
#include "gui/app/CQuovantaView.h"
#include "gui/profiles/CProfileSettingsDlg.h"
#include "gui/profiles/CProfilesManagementDlg.h"
#include "gui/profiles/ProfileCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <filesystem>

using namespace qv::guitest;
namespace fx = qv::fixtures;
namespace fs = std::filesystem;
using fx::TempDir;

namespace {

QSpinBox* spin(const QDialog& d, const char* name) { return child<QSpinBox>(d, name); }
QCheckBox* box(const QDialog& d, const char* name) { return child<QCheckBox>(d, name); }
QLineEdit* edit(const QDialog& d, const char* name) { return child<QLineEdit>(d, name); }

// Editor values that pass every check, with the update path `path`.
qv::ProfileEditorValues valid(qv::ProfileEditMode mode, const std::string& path)
{
    qv::ProfileEditorValues v;
    v.mode = mode;
    v.name = "Vendor";
    v.updatePath = path;
    return v;
}

// Presses Save and returns what it showed (empty when the dialog closed).
QStringList save(CProfileSettingsDlg& dlg)
{
    MessageBox::clearShown();
    dlg.accept();
    return MessageBox::shownTexts();
}

// A main window over the portfolios written in `tmp`.
std::unique_ptr<CMainFrame> openOn(const TempDir& tmp)
{
    quietSettings();
    return openStarted(tmp.path());
}

} // namespace

class ProfileDialogs : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        CChooseDir::clearTyped();
        ModalDialog::setTestHandler({});
    }

    void controlsFollowTheirCheckBoxesAndReturnTheirValues()
    {
        TempDir tmp;
        qv::ProfileEditorValues v = valid(qv::ProfileEditMode::New, tmp.path());
        v.open.present = false;
        v.openInterest.present = false;
        v.priorDay = true;
        v.dateFormat = 7;
        CProfileSettingsDlg dlg(v, {}, nullptr);
        QVERIFY(!spin(dlg, "openColumn")->isEnabled());
        QVERIFY(spin(dlg, "highColumn")->isEnabled());
        QVERIFY(!box(dlg, "priorDay")->isEnabled());
        for (const char* name : {"symbolColumn", "dateColumn", "openColumn", "closeColumn", "openInterestColumn"}) {
            QCOMPARE(spin(dlg, name)->minimum(), 1);
            QCOMPARE(spin(dlg, name)->maximum(), 20);
        }
        box(dlg, "openInterestPresent")->setChecked(true);
        QVERIFY(box(dlg, "priorDay")->isEnabled());
        QVERIFY(spin(dlg, "openInterestColumn")->isEnabled());
        // Clearing either disables it again and keeps its state, which is returned.
        box(dlg, "volumePresent")->setChecked(false);
        QVERIFY(!box(dlg, "priorDay")->isEnabled());
        QVERIFY(box(dlg, "priorDay")->isChecked());
        QVERIFY(!spin(dlg, "volumeColumn")->isEnabled());
        const qv::ProfileEditorValues back = dlg.values();
        QVERIFY(back.priorDay && !back.volume.present && !back.open.present);

        // The date format list yields only the twelve codes.
        auto* list = child<QComboBox>(dlg, "dateFormat");
        QVERIFY(!list->isEditable());
        QCOMPARE(list->count(), 12);
        QCOMPARE(list->itemText(0), QStringLiteral("YY_MM_DD"));
        QCOMPARE(list->itemText(11), QStringLiteral("DDMMCCYY"));
        QCOMPARE(dlg.values().dateFormat, 7);
        list->setCurrentIndex(11);
        QCOMPARE(dlg.values().dateFormat, 12);
        // A stored code outside 1..12 opens on the first format rather than on nothing.
        v.dateFormat = 40;
        QCOMPARE(CProfileSettingsDlg(v, {}, nullptr).values().dateFormat, 1);

        // Browse takes the chosen directory.
        const std::string chosen = tmp.subdir("Updates");
        CChooseDir::setNextTyped(q(chosen));
        QTest::mouseClick(child<QPushButton>(dlg, "browse"), Qt::LeftButton);
        QCOMPARE(edit(dlg, "updatePath")->text(), q(chosen));
    }

    void saveShowsTheCheckAndKeepsTheDialogOpen()
    {
        TempDir tmp;
        CProfileSettingsDlg dlg(valid(qv::ProfileEditMode::New, tmp.path()), {"NewProfile"}, nullptr);
        // Close in the date's column; open 2 with Open cleared is no duplicate.
        spin(dlg, "closeColumn")->setValue(2);
        edit(dlg, "name")->setText(QStringLiteral("   "));
        QCOMPARE(save(dlg), QStringList{"Duplicate columns specified\nCorrect or disable"});
        QVERIFY(dlg.result() != QDialog::Accepted);
        spin(dlg, "closeColumn")->setValue(20);
        box(dlg, "openPresent")->setChecked(false);
        spin(dlg, "openColumn")->setValue(2);

        QCOMPARE(save(dlg), QStringList{"You did not enter a Profile name"});
        QCOMPARE(edit(dlg, "name")->text(), QString()); // shown trimmed
        edit(dlg, "name")->setText(QStringLiteral("newPROFILE  "));
        edit(dlg, "updatePath")->setText(q(tmp.path() + "/missing"));
        QCOMPARE(save(dlg).size(), 1); // the name exists
        QCOMPARE(edit(dlg, "name")->text(), QStringLiteral("newPROFILE"));
        edit(dlg, "name")->setText(QStringLiteral("Mine"));
        // The path check leaves the working directory where it was.
        const QString cwd = QDir::currentPath();
        QCOMPARE(save(dlg), QStringList{"The Path to the Update Files does not exist"});
        QCOMPARE(QDir::currentPath(), cwd);
        QVERIFY(dlg.result() != QDialog::Accepted);

        edit(dlg, "updatePath")->setText(q(tmp.path()));
        QCOMPARE(save(dlg), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.savedName(), std::string("Mine"));
        QCOMPARE(dlg.savedProfile().openColumn, 0);
        QCOMPARE(dlg.savedProfile().closeColumn, 20);
    }

    void editModeMayKeepAnExistingName()
    {
        TempDir tmp;
        qv::ProfileEditorValues v = valid(qv::ProfileEditMode::Edit, tmp.path());
        v.name = "NewProfile";
        CProfileSettingsDlg dlg(v, {"NewProfile", "Other"}, nullptr);
        // Unlike New and Clone, Edit may take a listed name.
        edit(dlg, "name")->setText(QStringLiteral("other"));
        QCOMPARE(save(dlg), QStringList{});
        QCOMPARE(dlg.savedName(), std::string("other"));
    }

    void openingCreatesTheSampleAndShowsTheFacts()
    {
        TempDir tmp;
        const std::string a = tmp.subdir("A");
        fx::writeStandardPortfolio(a);
        const std::string b = tmp.subdir("B");
        fx::writeBytes(b + "/MASTER", fx::masterFile({}));
        auto frame = openOn(tmp);
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        // The window made the sample at start-up; without it the dialog makes it again.
        fs::remove(tmp.file("MyFirstProfile.pfd"));
        const std::vector<std::string> list = view.portfolios();
        QCOMPARE(list.size(), std::size_t(2));
        const int ai = int(std::find(list.begin(), list.end(), a) - list.begin());
        view.SelectPortfolio(ai);

        CProfilesManagementDlg dlg(view, nullptr);
        QVERIFY(fs::exists(tmp.file("MyFirstProfile.pfd")));
        QCOMPARE(dlg.profileNames(), QStringList{"MyFirstProfile"});
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("MyFirstProfile"));
        QCOMPARE(dlg.portfolioText(), q(a));
        QCOMPARE(dlg.symbolText(), QStringLiteral("IBM"));
        QCOMPARE(dlg.fileText(), QStringLiteral("F1.dat"));
        QCOMPARE(dlg.profileText(), QStringLiteral("No Profile Assigned"));
        const auto enabled = [&](const char* name) { return child<QPushButton>(dlg, name)->isEnabled(); };
        QVERIFY(!enabled("previousSymbol"));
        QVERIFY(enabled("nextSymbol"));
        QCOMPARE(enabled("previousPortfolio"), ai > 0);
        QCOMPARE(enabled("nextPortfolio"), ai < 1);

        // Walking symbols selects in the main window.
        dlg.OnNextSymbol();
        dlg.OnNextSymbol();
        QCOMPARE(view.currentSymbolIndex(), 2);
        QCOMPARE(view.currentSymbol(), std::string("GC"));
        QCOMPARE(dlg.fileText(), QStringLiteral("F4.dat"));
        QVERIFY(!enabled("nextSymbol"));
        QVERIFY(enabled("previousSymbol"));

        // To the empty portfolio: all quotes mode is left for recent, three "Not applicable".
        view.OnRecentAll();
        const bool wasAll = !view.settings().displayLimit;
        if (ai == 0)
            dlg.OnNextPortfolio();
        else
            dlg.OnPreviousPortfolio();
        QVERIFY(wasAll);
        QVERIFY(view.settings().displayLimit);
        QCOMPARE(view.portfolioDir(), b);
        QCOMPARE(dlg.portfolioText(), q(b));
        for (const QString& t : {dlg.symbolText(), dlg.fileText(), dlg.profileText()})
            QCOMPARE(t, QStringLiteral("Not applicable"));
        QVERIFY(!enabled("symbolAssign"));
        QVERIFY(!enabled("multipleAssign"));
        QVERIFY(!enabled("nextSymbol"));
    }

    void assignmentsAreWrittenAndNewCloneAndEditRunTheSettingsDialog()
    {
        TempDir tmp;
        const std::string a = tmp.subdir("A");
        fx::writeStandardPortfolio(a);
        auto frame = openOn(tmp);
        QVERIFY(frame);
        CQuovantaView& view = *frame->view();
        QCOMPARE(view.portfolioDir(), a);
        QVERIFY(qv::writeProfile(tmp.path(), "Alpha", qv::sampleProfile(tmp.path())).ok);
        // MSFT's assignment names a profile that is gone.
        QVERIFY(qv::writeAssignment(a, 2, "Vanished").ok);

        CProfilesManagementDlg dlg(view, nullptr);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile"}));
        dlg.selectProfile(QStringLiteral("MyFirstProfile"));
        dlg.OnSymbolAssign();
        QCOMPARE(dlg.profileText(), QStringLiteral("MyFirstProfile"));
        QCOMPARE(qv::readAssignment(a, 1), std::optional<std::string>("MyFirstProfile"));

        dlg.OnNextSymbol();
        QCOMPARE(dlg.profileText(), QStringLiteral("Vanished"));
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("MyFirstProfile"));

        dlg.selectProfile(QStringLiteral("Alpha"));
        dlg.OnMultipleAssign();
        QVERIFY(MessageBox::shownTexts().isEmpty());
        for (int n : {1, 2, 4})
            QCOMPARE(qv::readAssignment(a, n), std::optional<std::string>("Alpha"));
        QVERIFY(!qv::readAssignment(a, 3));

        // No selection: nothing written, the messages of each button.
        dlg.selectProfile(QStringLiteral("no such"));
        dlg.OnSymbolAssign();
        dlg.OnMultipleAssign();
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{"Error creating Profile for symbol", "Error creating Profile for multiple symbols"}));
        QCOMPARE(qv::readAssignment(a, 2), std::optional<std::string>("Alpha"));

        // New, Clone and Edit: each settings dialog gets a name and the update directory, then Save.
        const std::string updates = tmp.subdir("Updates");
        QString nameOffered;
        QString nameTyped;
        ModalDialog::setTestHandler([&](QDialog& d) {
            nameOffered = edit(d, "name")->text();
            edit(d, "name")->setText(nameTyped);
            edit(d, "updatePath")->setText(q(updates));
            d.accept();
            return d.result();
        });

        nameTyped = QStringLiteral("zeta");
        dlg.OnNew();
        QCOMPARE(nameOffered, QStringLiteral("NewProfile"));
        QVERIFY(qv::readProfile(tmp.path(), "zeta").ok);
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "MyFirstProfile", "zeta"}));
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("zeta"));

        // Cloning under an existing name is refused by the settings dialog: nothing written.
        dlg.selectProfile(QStringLiteral("MyFirstProfile"));
        nameTyped = QStringLiteral("ZETA");
        const fx::ByteVec zeta = fx::readBytes(tmp.file("zeta.pfd"));
        MessageBox::clearShown();
        dlg.OnClone();
        QCOMPARE(nameOffered, QStringLiteral("Please create new Profile name"));
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QCOMPARE(fx::readBytes(tmp.file("zeta.pfd")), zeta);
        QCOMPARE(dlg.profileNames().size(), 3);

        // Edit under a new name adds it and keeps the old one listed.
        dlg.selectProfile(QStringLiteral("MyFirstProfile"));
        nameTyped = QStringLiteral("Beta");
        dlg.OnEdit();
        QCOMPARE(nameOffered, QStringLiteral("MyFirstProfile"));
        QCOMPARE(dlg.profileNames(), (QStringList{"Alpha", "Beta", "MyFirstProfile", "zeta"}));
        QCOMPARE(dlg.selectedProfile(), QStringLiteral("Beta"));
        const qv::ProfileRead beta = qv::readProfile(tmp.path(), "Beta");
        QVERIFY(beta.ok);
        QCOMPARE(beta.profile.updatePath, updates);

        // A listed profile whose file has gone cannot be edited.
        MessageBox::clearShown();
        fs::remove(tmp.file("zeta.pfd"));
        dlg.selectProfile(QStringLiteral("zeta"));
        dlg.OnEdit();
        QCOMPARE(MessageBox::shownTexts(), QStringList{"Error reading zeta"});

        // The window's command opens the same dialog.
        DialogRecorder recorder;
        recorder.install();
        OnProfiles(view);
        QCOMPARE(recorder.titles, QStringList{"Profiles Management"});
    }
};

QTEST_MAIN(ProfileDialogs)
#include "profile_dialogs_test.moc"
