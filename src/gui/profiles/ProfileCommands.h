#pragma once
// The "&Profiles..." command of the main window.

namespace qv::gui {

class CQuovantaView;

// Opens "Profiles Management" on the view's current portfolio and symbol.
void OnProfiles(CQuovantaView& view);

} // namespace qv::gui
