#pragma once
// The commands of the "&Portfolio" and "&Symbol" menus: each opens its dialog, runs the core
// command on the view's current portfolio and symbol, and refreshes the list and the grids.

namespace qv::gui {

class CQuovantaView;

void OnPortfolioAdd(CQuovantaView& view);
void OnPortfolioDelete(CQuovantaView& view);
void OnPortfolioSkipAdjust(CQuovantaView& view);
// Adds a security, then opens "Profiles Management" with it selected.
void OnSymbolAdd(CQuovantaView& view);
void OnSymbolDelete(CQuovantaView& view);
// Flips the current security's skip mark; the menu's check mark follows the grid's mark.
void OnSymbolSkip(CQuovantaView& view);
void OnSymbolEdit(CQuovantaView& view);
void OnSymbolAbout(CQuovantaView& view);

// The symbol grid's selected row names a nested portfolio (<DIR>): says so and returns true.
// The commands on the selected security are disabled on such a row; a command that is reached
// anyway ends with this message instead of doing nothing without a word.
bool refuseNestedPortfolioRow(CQuovantaView& view);

} // namespace qv::gui
