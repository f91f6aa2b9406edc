#include "gui/app/CChooseDir.h"

#include "core/app/directory_check.h"
#include "gui/common/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QQueue>
#include <QSignalBlocker>

namespace qv::gui {
namespace {

QQueue<QString> g_typed;

// The file dialog reduced to directories; OK runs the program's own validation instead of
// the file dialog's, which would refuse a missing directory without offering to create it.
class ChooseDirDialog final : public QFileDialog {
public:
    ChooseDirDialog(QWidget* parent, const QString& initialDirectory)
        : QFileDialog(parent, QStringLiteral("Choose Directory"))
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setOption(QFileDialog::ShowDirsOnly, true);
        setFileMode(QFileDialog::Directory);
        setAcceptMode(QFileDialog::AcceptOpen);
        setLabelText(QFileDialog::FileName, QStringLiteral("Directory &name:"));
        setLabelText(QFileDialog::LookIn, QStringLiteral("&Directories:"));
        setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
        const QString start = initialDirectory.isEmpty() ? QDir::currentPath() : initialDirectory;
        setDirectory(QDir(start).exists() ? start : QDir::currentPath());
        showMnemonicsOnly();
        // The field names the directory being chosen: the one shown, and each one entered.
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString& dir) { showPath(dir); });
    }

    QString chosen;

    // The file dialog, as it is shown, leaves the field empty (at a root) or puts the bare name
    // of the shown directory in it; the chooser shows the whole path it would return.
    void setVisible(bool visible) override
    {
        QFileDialog::setVisible(visible);
        if (visible)
            showPath(directory().absolutePath());
    }

private:
    QLineEdit* nameField() const { return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

    // Puts the whole path in the field. Quietly: the file dialog answers a change of the field
    // by selecting the directory in its list and showing the bare name again.
    void showPath(const QString& dir)
    {
        if (QLineEdit* field = nameField()) {
            const QSignalBlocker quiet(field);
            field->setText(QDir::toNativeSeparators(dir));
        }
    }

    // A label shows its '&' as a mnemonic only when it has a buddy: the directory list gets its
    // label's, and any other label its text without the '&', never a literal one.
    void showMnemonicsOnly()
    {
        auto* lookIn = findChild<QLabel*>(QStringLiteral("lookInLabel"));
        auto* lookInCombo = findChild<QComboBox*>(QStringLiteral("lookInCombo"));
        if (lookIn && lookInCombo && !lookIn->buddy())
            lookIn->setBuddy(lookInCombo);
        for (QLabel* label : findChildren<QLabel*>()) {
            if (label->buddy() || !label->text().contains(QLatin1Char('&')))
                continue;
            label->setText(label->text().remove(QLatin1Char('&')));
        }
    }

public:
    void accept() override
    {
        const QStringList files = selectedFiles();
        const QString typed = files.isEmpty() ? directory().absolutePath() : files.first();
        if (const std::optional<QString> result = CChooseDir::validateAndAccept(this, typed)) {
            chosen = *result;
            QDialog::accept();
        }
    }
};

} // namespace

std::optional<QString> CChooseDir::validateAndAccept(QWidget* parent, const QString& typed)
{
    qv::ChosenDirectory r = qv::checkChosenDirectory(typed.toStdString());
    if (r.step == qv::ChosenDirectoryStep::AskCreate) {
        if (!MessageBox::question(parent, QString::fromStdString(r.message)))
            return std::nullopt;
        r = qv::createChosenDirectory(typed.toStdString());
    }
    switch (r.step) {
    case qv::ChosenDirectoryStep::Accept: return QString::fromStdString(r.path);
    case qv::ChosenDirectoryStep::ShowMessage: MessageBox::warning(parent, QString::fromStdString(r.message)); break;
    case qv::ChosenDirectoryStep::CreateFailed:
        MessageBox::information(parent, QString::fromStdString(r.message));
        break;
    case qv::ChosenDirectoryStep::AskCreate: break;
    }
    return std::nullopt;
}

std::optional<QString> CChooseDir::choose(QWidget* parent, const QString& initialDirectory)
{
    if (!g_typed.isEmpty()) {
        while (!g_typed.isEmpty()) {
            const QString typed = g_typed.dequeue();
            if (typed.isEmpty())
                return std::nullopt;
            if (std::optional<QString> result = validateAndAccept(parent, typed))
                return result;
        }
        return std::nullopt;
    }
    ChooseDirDialog dialog(parent, initialDirectory);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen;
}

void CChooseDir::setNextTyped(const QString& typed) { g_typed.enqueue(typed); }

void CChooseDir::clearTyped() { g_typed.clear(); }

QFileDialog* CChooseDir::createDialog(QWidget* parent, const QString& initialDirectory)
{
    return new ChooseDirDialog(parent, initialDirectory);
}

} // namespace qv::gui
