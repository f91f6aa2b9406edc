#pragma once
// The "&Import from ASCII..." and "E&xport to ASCII..." commands of the main window: the
// dialog, the settings it remembers, the core operation under a wait cursor, the messages, the
// beep (unless only important sounds are wanted) and, after an import into the portfolio shown,
// the refilled symbol grid.

namespace qv::gui {

class CQuovantaView;

void OnImport(CQuovantaView& view);
void OnExport(CQuovantaView& view);

} // namespace qv::gui
