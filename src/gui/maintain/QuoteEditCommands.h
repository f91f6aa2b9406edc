#pragma once
// The commands of the "&Quotes" menu that change quotes: each opens its dialog over the
// security and quote selected in the main view, rewrites the quote file, records what was
// entered in the settings file and fills the quote grid again. A failure shows the command's
// message and leaves the grid as it was.

namespace qv::gui {

class CQuovantaView;

void OnQuotesEdit(CQuovantaView& view);
void OnQuotesSplit(CQuovantaView& view);
void OnQuotesAdjust(CQuovantaView& view);
void OnQuotesDelete(CQuovantaView& view);

} // namespace qv::gui
