#pragma once
// Every modal dialog that the main window opens runs through here, so a test can answer it
// (and look at it) instead of a window blocking the test.

#include <QDialog>

#include <functional>

namespace qv::gui {

class ModalDialog {
public:
    // Runs dialog.exec() (window-modal when the dialog has a parent), or, while a test handler is set, the handler: it gets the dialog
    // (built and filled, not shown) and returns the result code the dialog would have ended with.
    static int exec(QDialog& dialog);

    using Handler = std::function<int(QDialog&)>;
    // For tests. An empty handler restores normal modal execution.
    static void setTestHandler(Handler handler);
};

} // namespace qv::gui
