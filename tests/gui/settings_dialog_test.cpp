// "Quovanta Settings": which controls each check box enables, the OK checks as the user meets
// them, and the values the dialog hands back.

#include "fixtures/portfolio_builder.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/update/CSettingsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using qv::gui::CChooseDir;
using qv::gui::CSettingsDlg;
using qv::gui::MessageBox;

namespace {

template <typename W>
W* child(const QDialog& dlg, const char* name)
{
    W* w = dlg.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QCheckBox* box(const QDialog& dlg, const char* name) { return child<QCheckBox>(dlg, name); }
QLineEdit* edit(const QDialog& dlg, const char* name) { return child<QLineEdit>(dlg, name); }

void clickOk(QDialog& dlg) { QTest::mouseClick(child<QPushButton>(dlg, "ok"), Qt::LeftButton); }

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

        for (const char* name : zipControls)
            QVERIFY2(!enabled(name), name);
        for (const char* name : sexControls)
            QVERIFY2(!enabled(name), name);
        QVERIFY(!enabled("zipPassword"));
        QVERIFY(!enabled("sexPassword"));
        QVERIFY(!enabled("searchName"));

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
    }

    void passwordsStopAtSixteenCharacters()
    {
        qv::ViewSettings s;
        s.update.zipEnable = s.update.zipPasswordEnable = true;
        s.update.sexEnable = s.update.sexPasswordEnable = true;
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();
        QTest::keyClicks(edit(dlg, "zipPassword"), QStringLiteral("abcdefghijklmnopq"));
        QTest::keyClicks(edit(dlg, "sexPassword"), QStringLiteral("ABCDEFGHIJKLMNOPQ"));
        QCOMPARE(dlg.values().update.zipPassword, std::string("abcdefghijklmnop"));
        QCOMPARE(dlg.values().update.sexPassword, std::string("ABCDEFGHIJKLMNOP"));
    }

    void okChecksPkunzipFirstThenTheFilterAndStaysOpenOnFailure()
    {
        qv::fixtures::TempDir tools;
        qv::ViewSettings s;
        s.searchLimit = true;
        s.searchName = "MetaStock"; // no root
        s.update.zipEnable = true;
        s.update.pkunzipPath = tools.path();
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();

        clickOk(dlg);
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(),
                 QStringList{QString::fromStdString("PKUNZIP.EXE was not found at\n" + tools.path() +
                                                    "\n\nPlease correct the path or \ndisable automatic "
                                                    "decompression.")});

        qv::fixtures::writeText(tools.file("PKUNZIP.EXE"), "x");
        MessageBox::clearShown();
        clickOk(dlg);
        QVERIFY(dlg.isVisible());
        QCOMPARE(MessageBox::shownTexts(), QStringList{"The Search Filter path refers to an unknown drive"});

        edit(dlg, "searchName")->setText(QStringLiteral("/home/ann/MetaStock"));
        MessageBox::clearShown();
        clickOk(dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shownTexts().isEmpty());
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

        qv::ViewSettings unchanged = dlg.values();
        QCOMPARE(unchanged.update.deleteZip, true);
        QCOMPARE(unchanged.searchName, s.searchName);

        child<QRadioButton>(dlg, "txtDelete")->setChecked(true);
        box(dlg, "auditEnable")->setChecked(true);
        box(dlg, "soundDisable")->setChecked(true);
        box(dlg, "searchLimit")->setChecked(false);
        edit(dlg, "searchName")->setText(QStringLiteral("/home/ann/Mixed Case"));
        box(dlg, "zipEnable")->setChecked(true);
        child<QRadioButton>(dlg, "zipLeave")->setChecked(true);
        box(dlg, "sexEnable")->setChecked(true);
        child<QRadioButton>(dlg, "sexDelete")->setChecked(true);

        const qv::ViewSettings v = dlg.values();
        QVERIFY(v.update.deleteTxt);
        QVERIFY(v.auditEnable);
        QVERIFY(v.soundDisable);
        QVERIFY(!v.searchLimit);
        QCOMPARE(v.searchName, std::string("/home/ann/Mixed Case"));
        QVERIFY(v.update.zipEnable);
        QVERIFY(!v.update.deleteZip);
        QCOMPARE(v.update.pkunzipPath, std::string("/opt/Quovanta"));
        QVERIFY(v.update.sexEnable);
        QVERIFY(v.update.deleteSex);
        QVERIFY(!v.displayLimit);
        QVERIFY(v.showingGraph);
        QVERIFY(!v.newbie);
    }

    void browseFillsThePkunzipPathThroughTheChooser()
    {
        qv::fixtures::TempDir tmp;
        const std::string tools = tmp.subdir("Tools");
        qv::ViewSettings s;
        s.update.zipEnable = true;
        s.update.pkunzipPath = "/old";
        CSettingsDlg dlg(s, kRoots, nullptr);
        dlg.show();

        // A first attempt with a bad name is refused by the chooser; then a good one is taken.
        CChooseDir::setNextTyped(QStringLiteral("/bad|name"));
        CChooseDir::setNextTyped(QString::fromStdString(tools + "/"));
        QTest::mouseClick(child<QPushButton>(dlg, "browse"), Qt::LeftButton);
        QCOMPARE(edit(dlg, "pkunzipPath")->text(), QString::fromStdString(tools));
        QCOMPARE(MessageBox::shownTexts(), QStringList{"/bad|name is not a valid pathname."});

        // Cancel leaves the field alone.
        CChooseDir::setNextTyped(QString());
        QTest::mouseClick(child<QPushButton>(dlg, "browse"), Qt::LeftButton);
        QCOMPARE(edit(dlg, "pkunzipPath")->text(), QString::fromStdString(tools));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
