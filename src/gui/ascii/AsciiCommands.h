#pragma once
// The "&Import from ASCII..." and "E&xport to ASCII..." commands of the main window: the
// dialog, the settings it remembers, the core operation under a wait cursor, the messages, the
// beep (unless only important sounds are wanted) and, after an import into the portfolio shown,
// the refilled symbol grid, or the new portfolio listed; a finished one says so in the status
// bar.

#include "core/ascii/export.h"
#include "core/ascii/import.h"

#include <optional>

namespace qv::gui {

class CQuovantaView;

// The dialogs' values of the last failed import and export; a success or Cancel forgets them.
struct AsciiDrafts {
    std::optional<qv::ImportDialogValues> import;
    std::optional<qv::ExportOptions> exported;
};

void OnImport(CQuovantaView& view);
void OnExport(CQuovantaView& view);

} // namespace qv::gui
