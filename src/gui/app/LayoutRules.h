#pragma once
// The arithmetic of the main window's geometry: where it opens, and which saved column
// widths a grid keeps.

#include <QRect>

#include <vector>

namespace qv::gui {

// The window's frame position and client size from "Screen" x, y, cx, cy. Unusable values
// (cx < 1, cy < 1, x < 0 or y < 0) give 95 % of the screen's width and height (truncated),
// centred with integer division.
QRect initialPlacement(int x, int y, int cx, int cy, const QRect& screen);

// Saved column widths for a grid whose client area is clientWidth pixels wide. When any width
// is 0 or wider than the grid, or all together are wider than the grid, every column gets
// clientWidth * 9 / (10 * columns): 9/20 of the width each for two columns, 9/70 for seven.
std::vector<int> fitColumnWidths(const std::vector<int>& saved, int clientWidth);

} // namespace qv::gui
