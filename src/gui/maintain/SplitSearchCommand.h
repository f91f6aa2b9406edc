#pragma once
// "S&plit Search..." of the "&Portfolio" menu.

namespace qv::gui {

class CQuovantaView;

// Opens the modeless "Split Search" window for the view's current portfolio and keeps the
// view's split-search-open flag set while it is open (the command is disabled meanwhile).
void OnSplitSearch(CQuovantaView& view);

} // namespace qv::gui
