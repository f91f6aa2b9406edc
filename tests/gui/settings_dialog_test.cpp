// "Quovanta Settings": which controls each check box enables, the OK checks as the user meets
// them, and the values the dialog hands back.

#include "mainwindow_test_support.h"

#include "gui/app/CChooseDir.h"
#include "gui/update/CSettingsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace qv::guitest;

namespace {

QCheckBox* box(const QDialog& dlg, const char* name) { return child<QCheckBox>(dlg, name); }
QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }

// Clicks OK and returns what was shown, clearing the record.
QStringList okMessages(QDialog& dlg)
{
    MessageBox::clearShown();
    QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton);
    return MessageBox::shownTexts();
}

const std::vector<std::string> kRoots = {"/", "/home/ann"};

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        CChooseDir::clearTyped();
    }

    void enablingFollowsTheCheckBoxes()
    {
        qv::ViewSettings s;
        s.searchLimit = false;
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();
        const char* zipControls[] = {"zipPasswordEnable", "zipLeave", "zipDelete", "pkunzipPath", "browse"};
        const char* sexControls[] = {"sexPasswordEnable", "sexLeave", "sexDelete"};
        auto enabled = [&](const char* name) { return child<QWidget>(dlg, name)->isEnabled(); };
        for (const char* name : {"zipPassword", "sexPassword", "searchName"})
            QVERIFY2(!enabled(name), name);
        for (const char* name : zipControls)
            QVERIFY2(!enabled(name), name);
        for (const char* name : sexControls)
            QVERIFY2(!enabled(name), name);

        // The password box alone does not open its edit while its group is off.
        box(dlg, "zipPasswordEnable")->setChecked(true);
        QVERIFY(!enabled("zipPassword"));
        box(dlg, "zipEnable")->click();
        for (const char* name : zipControls)
            QVERIFY2(enabled(name), name);
        QVERIFY(enabled("zipPassword"));
        QVERIFY2(!enabled("sexPasswordEnable"), "the groups are independent");

        box(dlg, "sexEnable")->click();
        for (const char* name : sexControls)
            QVERIFY2(enabled(name), name);
        QVERIFY(!enabled("sexPassword"));
        box(dlg, "sexPasswordEnable")->click();
        QVERIFY(enabled("sexPassword"));
        box(dlg, "sexEnable")->click();
        QVERIFY(!enabled("sexPassword"));

        box(dlg, "searchLimit")->click();
        QVERIFY(enabled("searchName"));

        // Passwords stop at sixteen characters.
        QTest::keyClicks(edit(dlg, "zipPassword"), QStringLiteral("abcdefghijklmnopq"));
        QCOMPARE(dlg.values().update.zipPassword, std::string("abcdefghijklmnop"));
        QCOMPARE(edit(dlg, "sexPassword")->maxLength(), 16);
    }

    void okShowsEachRefusalAndStaysOpen()
    {
        qv::fixtures::TempDir tools;
        qv::ViewSettings s;
        s.searchLimit = true;
        s.searchName = "MetaStock"; // no root
        s.update.zipEnable = true;
        s.update.pkunzipPath = tools.path();
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();
        QCOMPARE(okMessages(dlg), QStringList{q("PKUNZIP.EXE was not found at\n" + tools.path() +
                                                "\n\nPlease correct the path or \ndisable automatic decompression.")});
        QVERIFY(dlg.isVisible());

        qv::fixtures::writeText(tools.file("PKUNZIP.EXE"), "x");
        QCOMPARE(okMessages(dlg), QStringList{"The Search Filter path refers to an unknown drive"});
        QVERIFY(dlg.isVisible());

        edit(dlg, "searchName")->setText(QStringLiteral("/home/ann/MetaStock"));
        QCOMPARE(okMessages(dlg), QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void valuesReflectTheControlsAndKeepWhatTheDialogDoesNotShow()
    {
        qv::ViewSettings s;
        s.displayLimit = false;
        s.showingGraph = true;
        s.newbie = false;
        s.searchName = "/home/ann/MetaStock";
        s.update.pkunzipPath = "/opt/Quovanta";
        s.update.deleteZip = true;
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();
        QVERIFY(dlg.values().update.deleteZip);
        QCOMPARE(dlg.values().searchName, s.searchName);

        child<QRadioButton>(dlg, "txtDelete")->setChecked(true);
        for (const char* name : {"auditEnable", "soundDisable", "zipEnable", "sexEnable"})
            box(dlg, name)->setChecked(true);
        box(dlg, "searchLimit")->setChecked(false);
        edit(dlg, "searchName")->setText(QStringLiteral("/home/ann/Mixed Case"));
        child<QRadioButton>(dlg, "zipLeave")->setChecked(true);
        child<QRadioButton>(dlg, "sexDelete")->setChecked(true);

        const qv::ViewSettings v = dlg.values();
        QVERIFY(v.update.deleteTxt && v.auditEnable && v.soundDisable && !v.searchLimit);
        QCOMPARE(v.searchName, std::string("/home/ann/Mixed Case"));
        QVERIFY(v.update.zipEnable && !v.update.deleteZip);
        QCOMPARE(v.update.pkunzipPath, std::string("/opt/Quovanta"));
        QVERIFY(v.update.sexEnable && v.update.deleteSex);
        QVERIFY(!v.displayLimit && v.showingGraph && !v.newbie);
    }

    void browseFillsThePkunzipPathThroughTheChooser()
    {
        qv::fixtures::TempDir tmp;
        const std::string tools = tmp.subdir("Tools");
        qv::ViewSettings s;
        s.update.zipEnable = true;
        s.update.pkunzipPath = "/old";
        CSettingsDlg dlg(s, kRoots, nullptr);
        // Taken without its trailing slash; Cancel leaves the field alone.
        for (const QString& typed : {q(tools + "/"), QString()}) {
            CChooseDir::setNextTyped(typed);
            QTest::mouseClick(child<QPushButton>(dlg, "browse"), Qt::LeftButton);
            QCOMPARE(edit(dlg, "pkunzipPath")->text(), q(tools));
        }
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
