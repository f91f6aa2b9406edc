#pragma once
// Paints a laid-out chart onto any device: the view on screen, a QImage in tests.

#include "core/chart/chart_geometry.h"

#include <QColor>

class QPainter;
class QRect;

namespace qv::gui {

QColor chartColour(qv::ChartElement element);

// Fills `rect` with the background and draws the geometry's lines and labels pixel for pixel,
// with the logical origin at the rectangle's bottom-left pixel. Labels use the painter's
// current font. The painter's state is restored afterwards.
void drawChart(QPainter& painter, const QRect& rect, const qv::ChartGeometry& geometry);

} // namespace qv::gui
