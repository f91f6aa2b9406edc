#include "gui/common/ModalDialog.h"

namespace qv::gui {
namespace {
ModalDialog::Handler& handler()
{
    static ModalDialog::Handler h;
    return h;
}
} // namespace

int ModalDialog::exec(QDialog& dialog)
{
    if (handler()) {
        // Copy first: a handler may replace itself.
        Handler h = handler();
        const int result = h(dialog);
        dialog.setResult(result);
        return result;
    }
    // Modal to its own window only: the help window, which belongs to no window, stays usable
    // while a dialog is up (the anomaly report's Help opens it and the report stays open).
    if (dialog.parentWidget() && dialog.windowModality() == Qt::NonModal)
        dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec();
}

void ModalDialog::setTestHandler(Handler h) { handler() = std::move(h); }

} // namespace qv::gui
