#pragma once
// "Choose Directory": the directory picker behind every "Browse..." button, with the program's
// own validation on OK (not a valid pathname; offer to create a missing directory).

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace qv::gui {

class CChooseDir {
public:
    // The chosen directory without a trailing '/', or nothing when cancelled.
    static std::optional<QString> choose(QWidget* parent, const QString& initialDirectory);

    // The OK of the chooser with `typed` in its directory field: shows the messages (through
    // MessageBox) and returns the directory to hand back, or nothing when the chooser must stay
    // open. Used by the dialog and by tests.
    static std::optional<QString> validateAndAccept(QWidget* parent, const QString& typed);

    // For tests: the next choose() shows no dialog; each queued text is one press of OK with
    // that text typed (validated as above) until one is accepted; an empty text is Cancel, and
    // so is running out of texts.
    static void setNextTyped(const QString& typed);
    static void clearTyped();

    // The chooser as it would be shown, not yet executed (for screenshots).
    static QFileDialog* createDialog(QWidget* parent, const QString& initialDirectory);
};

} // namespace qv::gui
