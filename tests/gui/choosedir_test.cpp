// "Choose Directory": the validation on OK with its messages, through the real dialog and
// through the queued answers other dialogs' tests use.

#include "fixtures/portfolio_builder.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTest>

#include <memory>

using qv::gui::CChooseDir;
using qv::gui::MessageBox;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
bool isDir(const std::string& path) { return QFileInfo(q(path)).isDir(); }
std::optional<QString> validate(const std::string& path) { return CChooseDir::validateAndAccept(nullptr, q(path)); }

} // namespace

class ChooseDirTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        CChooseDir::clearTyped();
    }

    void okShowsTheCoresAnswersAndCreatesOnlyAfterYes()
    {
        qv::fixtures::TempDir tmp;
        QCOMPARE(validate("/data|x"), std::nullopt);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"/data|x is not a valid pathname."});
        MessageBox::clearShown();
        QCOMPARE(validate(tmp.path() + "/"), std::optional<QString>(q(tmp.path())));
        QVERIFY(MessageBox::shownTexts().isEmpty());

        const std::string fresh = tmp.file("NewDir");
        const QString question = q("Directory " + fresh + " does not exist.\nCreate this directory?");
        MessageBox::setNextAnswer(QMessageBox::No);
        QCOMPARE(validate(fresh), std::nullopt);
        QVERIFY(!isDir(fresh));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(validate(fresh), std::optional<QString>(q(fresh)));
        QVERIFY(isDir(fresh));
        QCOMPARE(MessageBox::shownTexts(), (QStringList{question, question}));

        // Two levels missing: the creation fails and the chooser stays open.
        MessageBox::clearShown();
        const std::string deep = tmp.file("A/B");
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(validate(deep), std::nullopt);
        QCOMPARE(MessageBox::shownTexts(),
                 (QStringList{q("Directory " + deep + " does not exist.\nCreate this directory?"),
                              q("There was a problem creating " + deep + ".\nThe new directory was not created.")}));
        QVERIFY(!isDir(tmp.file("A")));
    }

    void theDialogValidatesWhatIsTypedBeforeItCloses()
    {
        qv::fixtures::TempDir tmp;
        std::unique_ptr<QFileDialog> dialog(CChooseDir::createDialog(nullptr, q(tmp.path())));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Choose Directory"));
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        dialog->show();

        dialog->selectFile(q(tmp.file("Missing")));
        MessageBox::setNextAnswer(QMessageBox::No);
        static_cast<QDialog*>(dialog.get())->accept(); // the OK button's slot
        QVERIFY(dialog->isVisible());
        QCOMPARE(MessageBox::shownTexts().size(), 1);
        QVERIFY(MessageBox::shownTexts().first().endsWith(QStringLiteral("Missing does not exist.\nCreate this directory?")));

        MessageBox::setNextAnswer(QMessageBox::Yes);
        static_cast<QDialog*>(dialog.get())->accept();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(isDir(tmp.file("Missing")));
    }

    void queuedAnswersStandInForTheDialog()
    {
        qv::fixtures::TempDir tmp;
        CChooseDir::setNextTyped(QStringLiteral("/a?b"));
        CChooseDir::setNextTyped(QString()); // Cancel after the refusal
        QCOMPARE(CChooseDir::choose(nullptr, QString()), std::nullopt);
        QCOMPARE(MessageBox::shownTexts(), QStringList{"/a?b is not a valid pathname."});

        CChooseDir::setNextTyped(q(tmp.path()));
        QCOMPARE(CChooseDir::choose(nullptr, QString()), std::optional<QString>(q(tmp.path())));
    }
};

QTEST_MAIN(ChooseDirTest)
#include "choosedir_test.moc"
