#pragma once
// The "Settings..." command of the main window: "Quovanta Settings" over the settings the view
// holds; on OK the dialog's keys are written through the core (a failure is told once) and the
// portfolio search runs again when the core says the search filter changed.

namespace qv::gui {

class CQuovantaView;

void OnSettings(CQuovantaView& view);

} // namespace qv::gui
