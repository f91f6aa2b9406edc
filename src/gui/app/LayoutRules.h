#pragma once
// The arithmetic of the main window's geometry: where it opens, and which saved column
// widths a grid keeps.

#include <QRect>
#include <QString>

class QFontMetrics;

#include <vector>

namespace qv::gui {

// The window's frame position and client size from "Screen" x, y, cx, cy. Unusable values
// (cx < 1, cy < 1, x < 0 or y < 0) give 95 % of the screen's width and height (truncated),
// centred with integer division.
QRect initialPlacement(int x, int y, int cx, int cy, const QRect& screen);

// A placement (initialPlacement's) fitted to the usable area of the screen it opens on: no
// wider or taller than the area, and moved just far enough that no part of it lies outside.
QRect fitPlacement(const QRect& placement, const QRect& area);

// The width a grid cell needs to show `text` whole: its advance plus the cell's margins and
// the column line drawn at its right edge (GridDelegate).
int cellWidthFor(const QFontMetrics& metrics, const QString& text);

// Saved column widths for a grid whose client area is clientWidth pixels wide. When any width
// is 0 or wider than the grid, or all together are wider than the grid, every column gets
// clientWidth * 9 / (10 * columns): 9/20 of the width each for two columns, 9/70 for seven.
std::vector<int> fitColumnWidths(const std::vector<int>& saved, int clientWidth);

} // namespace qv::gui
