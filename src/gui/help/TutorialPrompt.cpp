#include "gui/help/TutorialPrompt.h"

#include "core/app/program_settings.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CQuovantaView.h"
#include "gui/common/ModalDialog.h"
#include "gui/help/CHelpWindow.h"

namespace qv::gui {

void OnTutorial(CQuovantaView& view)
{
    if (!view.settings().newbie) {
        CHelpWindow::showTutorial(view.window());
        return;
    }
    CTutorialDlg prompt(view.window());
    if (ModalDialog::exec(prompt) != QDialog::Accepted)
        return; // asked again with the next fill of the quote grid
    CHelpWindow::showTutorial(view.window());
    qv::ViewSettings settings = view.settings();
    settings.newbie = false;
    view.setSettings(settings);
    view.SettingSaved(qv::putSetting(view.settingsFile(), qv::keys::kNewbie, 0));
}

} // namespace qv::gui
