#include "gui/chart/CChartView.h"

#include "core/chart/chart_geometry.h"
#include "core/store/windows1252.h"
#include "gui/app/CQuovantaView.h"
#include "gui/chart/ChartPainter.h"

#include <QPainter>

namespace qv::gui {

CChartView::CChartView(const CQuovantaView& view, QWidget* parent) : QFrame(parent), view_(view)
{
    setFrameShape(QFrame::StyledPanel);
    connect(&view, &CQuovantaView::stateChanged, this, qOverload<>(&QWidget::update));
}

void CChartView::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    qv::QuoteSeries series;
    const std::string& symbol = view_.currentSymbol();
    const bool loaded = !symbol.empty() && qv::loadChartSeries(series, view_.portfolioDir(), symbol);
    const QRect area = contentsRect();
    // Symbols and names are stored in the Windows code page; the painter takes UTF-8.
    const qv::ChartGeometry geometry =
        qv::layoutChart(area.width(), area.height(), loaded ? &series : nullptr, qv::windows1252ToUtf8(symbol),
                        qv::windows1252ToUtf8(view_.currentName()));
    QPainter painter(this);
    drawChart(painter, area, geometry);
}

} // namespace qv::gui
