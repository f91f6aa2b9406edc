#include "gui/update/SettingsCommand.h"

#include "core/app/settings_check.h"
#include "gui/app/CQuovantaView.h"
#include "gui/common/ModalDialog.h"
#include "gui/update/CSettingsDlg.h"

namespace qv::gui {

void OnSettings(CQuovantaView& view)
{
    const std::vector<std::string> roots = view.listedRoots();
    CSettingsDlg dlg(view.settings(), roots, view.window());
    if (ModalDialog::exec(dlg) != QDialog::Accepted)
        return;
    const qv::ViewSettings before = view.settings();
    const qv::ViewSettings chosen = dlg.values();
    // The two toggles and the tutorial flag are not the dialog's.
    qv::ViewSettings after = before;
    after.searchLimit = chosen.searchLimit;
    after.searchName = chosen.searchName;
    after.auditEnable = chosen.auditEnable;
    after.soundDisable = chosen.soundDisable;
    after.update = chosen.update;
    view.setSettings(after);

    view.SettingSaved(qv::writeSettingsDialogValues(view.settingsFile(), after));
    emit view.stateChanged();

    const qv::SearchRerun rerun = qv::searchRerunAfterSettings(before, after, roots);
    if (rerun.needed)
        view.SearchNewRoot(rerun.root.empty() ? view.currentRoot() : rerun.root);
}

} // namespace qv::gui
