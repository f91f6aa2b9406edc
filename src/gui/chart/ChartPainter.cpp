#include "gui/chart/ChartPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstdlib>

namespace qv::gui {
namespace {

// The dash-dot pattern of the month marks, in pixels from the line's start: on, off, on, off.
constexpr int kDashDot[] = {4, 2, 1, 2};

class Mapper {
public:
    Mapper(const QRect& rect, int height) : left_(rect.left()), bottom_(rect.top() + height - 1) {}
    int x(int logicalX) const { return left_ + logicalX; }
    int y(int logicalY) const { return bottom_ - logicalY; }

private:
    int left_;
    int bottom_;
};

// Pixels are filled rather than stroked, so that which ends of a line are painted never depends
// on the paint engine's cap rules.
void fillSpan(QPainter& painter, const Mapper& map, qv::ChartPoint a, qv::ChartPoint b, const QColor& colour)
{
    const int x1 = map.x(std::min(a.x, b.x));
    const int x2 = map.x(std::max(a.x, b.x));
    const int y1 = map.y(std::max(a.y, b.y));
    const int y2 = map.y(std::min(a.y, b.y));
    painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), colour);
}

void drawLine(QPainter& painter, const Mapper& map, const qv::ChartLine& line)
{
    const qv::PaintedSpan span = qv::paintedSpan(line);
    if (span.empty)
        return;
    const QColor colour = chartColour(line.element);
    if (!line.dashDot) {
        fillSpan(painter, map, span.first, span.last, colour);
        return;
    }
    // The pattern starts at the line's start, as a pen's would.
    const int dx = span.last.x > span.first.x ? 1 : span.last.x < span.first.x ? -1 : 0;
    const int dy = span.last.y > span.first.y ? 1 : span.last.y < span.first.y ? -1 : 0;
    const int length = std::max(std::abs(span.last.x - span.first.x), std::abs(span.last.y - span.first.y)) + 1;
    int phase = 0;
    int left = kDashDot[0];
    for (int k = 0; k < length; ++k, --left) {
        if (left == 0) {
            phase = (phase + 1) % 4;
            left = kDashDot[phase];
        }
        if (phase % 2 == 0) {
            const qv::ChartPoint p{span.first.x + dx * k, span.first.y + dy * k};
            fillSpan(painter, map, p, p, colour);
        }
    }
}

void drawText(QPainter& painter, const Mapper& map, const qv::ChartText& text)
{
    const QString s = QString::fromStdString(text.text);
    if (s.isEmpty())
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    int x = map.x(text.at.x);
    if (text.align == qv::TextAlign::Right)
        x -= metrics.horizontalAdvance(s);
    int baseline = map.y(text.at.y);
    if (text.anchorY == qv::TextAnchorY::Top)
        baseline += metrics.ascent();
    painter.setPen(chartColour(text.element));
    painter.drawText(QPoint(x, baseline), s);
}

} // namespace

QColor chartColour(qv::ChartElement element)
{
    const qv::Rgb c = qv::colourOf(element);
    return QColor(c.r, c.g, c.b);
}

void drawChart(QPainter& painter, const QRect& rect, const qv::ChartGeometry& geometry)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.fillRect(rect, chartColour(qv::ChartElement::Background));
    const Mapper map(rect, geometry.height);
    for (const qv::ChartLine& line : geometry.lines)
        drawLine(painter, map, line);
    for (const qv::ChartText& text : geometry.texts)
        drawText(painter, map, text);
    painter.restore();
}

} // namespace qv::gui
