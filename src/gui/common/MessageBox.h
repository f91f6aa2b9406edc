#pragma once
// Every message box of the program goes through here, so a test can answer it in advance and
// read what was shown instead of a window blocking the test.

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <string>

namespace qv::gui {

class MessageBox {
public:
    enum class Icon { Information, Warning, Critical, Question };

    // Shows a modal message box titled "Quovanta"; returns the button pressed.
    static QMessageBox::StandardButton show(QWidget* parent, const QString& text, Icon icon = Icon::Warning,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static void information(QWidget* parent, const QString& text) { show(parent, text, Icon::Information); }
    static void warning(QWidget* parent, const QString& text) { show(parent, text, Icon::Warning); }
    static void critical(QWidget* parent, const QString& text) { show(parent, text, Icon::Critical); }
    // Yes/No with the question icon; true for Yes.
    static bool question(QWidget* parent, const QString& text);
    // For a dialog's accept(): shows the first failure of its core check, if any; true when
    // there is none and the dialog may close.
    static bool passes(QWidget* dialog, const std::string& failure)
    {
        if (failure.empty())
            return true;
        warning(dialog, QString::fromStdString(failure));
        return false;
    }

    // For tests: from now on no box is shown; each call records its text and takes the next
    // queued answer (or its default button, or Ok, when none is queued).
    static void setTestMode(bool on);
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QStringList shownTexts();
    static void clearShown();
};

// The platform beep; silent in test mode (and counted).
void beep();
int beepCount();

} // namespace qv::gui
