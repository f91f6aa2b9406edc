#include "gui/profiles/ProfileCommands.h"

#include "gui/app/CQuovantaView.h"
#include "gui/common/ModalDialog.h"
#include "gui/profiles/CProfilesManagementDlg.h"

namespace qv::gui {

void OnProfiles(CQuovantaView& view)
{
    CProfilesManagementDlg dlg(view, view.window());
    ModalDialog::exec(dlg);
}

} // namespace qv::gui
