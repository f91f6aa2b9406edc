#include "gui/maintain/SplitSearchCommand.h"

#include "gui/app/CQuovantaView.h"
#include "gui/maintain/CSplitSearchDlg.h"

#include <QPointer>

namespace qv::gui {

void OnSplitSearch(CQuovantaView& view)
{
    QPointer<CQuovantaView> owner(&view);
    // The window belongs to the main window, so it stays in front of it and goes with it.
    auto* dlg = new CSplitSearchDlg([owner] { return owner ? owner->portfolioDir() : std::string(); },
                                    [owner] { return owner && owner->settings().soundDisable; }, view.window());
    dlg->setObjectName(QStringLiteral("splitSearchDialog"));
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    // finished, not destroyed: the window is also destroyed with the main window, when the view
    // may already be gone.
    QObject::connect(dlg, &QDialog::finished, &view, [owner] {
        if (owner)
            owner->setSplitSearchOpen(false);
    });
    view.setSplitSearchOpen(true);
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}

} // namespace qv::gui
