#include "gui/app/CommandIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QtMath>

namespace qv::gui {
namespace {

// Every picture is drawn on a 16 x 16 grid; the painter is scaled for larger pixmaps.
using Draw = void (*)(QPainter&);

const QColor kInk(40, 40, 40);
const QColor kBlue(40, 90, 180);
const QColor kGreen(20, 140, 40);
const QColor kRed(200, 30, 30);

void folder(QPainter& p)
{
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(245, 200, 70));
    p.drawPolygon(QPolygonF(
        {{1.5, 4.5}, {5.5, 4.5}, {6.5, 3.5}, {10.5, 3.5}, {10.5, 5.5}, {13.5, 5.5}, {13.5, 13.5}, {1.5, 13.5}}));
}

void tag(QPainter& p)
{
    p.setPen(QPen(kBlue.darker(130), 1));
    p.setBrush(QColor(170, 205, 245));
    p.drawPolygon(QPolygonF({{1.5, 5.5}, {9.5, 5.5}, {13.5, 9.0}, {9.5, 12.5}, {1.5, 12.5}}));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10.0, 9.0), 1.0, 1.0);
    p.setPen(QPen(kBlue.darker(150), 1));
    p.drawLine(QPointF(3, 8), QPointF(7, 8));
    p.drawLine(QPointF(3, 10), QPointF(6, 10));
}

void table(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 12, 11));
    p.fillRect(QRectF(2, 3, 11, 2.5), QColor(180, 200, 230));
    for (double y : {7.5, 10.5})
        p.drawLine(QPointF(1.5, y), QPointF(13.5, y));
    p.drawLine(QPointF(5.5, 2.5), QPointF(5.5, 13.5));
}

void page(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
    p.setPen(QPen(kBlue, 1));
    for (double y : {4.5, 7.0, 9.5, 12.0})
        p.drawLine(QPointF(5, y), QPointF(11, y));
}

// Overlays in the lower right corner.
void plusMark(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(11, 8, 2, 8));
    p.drawRect(QRectF(8, 11, 8, 2));
}

void crossMark(QPainter& p)
{
    p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 9.5), QPointF(9.5, 14.5));
}

void skipMark(QPainter& p)
{
    p.setPen(QPen(kRed, 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 12), 3.3, 3.3);
    p.drawLine(QPointF(9.8, 14.2), QPointF(14.2, 9.8));
}

void pencilMark(QPainter& p)
{
    p.setPen(QPen(QColor(120, 70, 10), 1));
    p.setBrush(QColor(240, 170, 50));
    p.drawPolygon(QPolygonF({{15.5, 7.5}, {9.0, 14.0}, {7.0, 15.0}, {8.0, 13.0}, {14.5, 6.5}}));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double head = 3.5;
    QPolygonF tip;
    tip << to << to - QPointF(head * std::cos(angle - 0.6), head * std::sin(angle - 0.6))
        << to - QPointF(head * std::cos(angle + 0.6), head * std::sin(angle + 0.6));
    p.setBrush(colour);
    p.setPen(QPen(colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(tip);
}

void updateQuotes(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(1, 9, 3, 6));
    p.drawRect(QRectF(5, 6, 3, 9));
    p.drawRect(QRectF(9, 10, 3, 5));
    arrow(p, QPointF(13, 9), QPointF(13, 1.5), kGreen);
}

void settings(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    for (int k = 0; k < 8; ++k) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * k);
        p.drawRect(QRectF(-1.3, -7.5, 2.6, 3.5));
        p.restore();
    }
    p.drawEllipse(QPointF(8, 8), 5.2, 5.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void profiles(QPainter& p)
{
    page(p);
    pencilMark(p);
}

void exitIcon(QPainter& p)
{
    p.setPen(QPen(QColor(110, 60, 20), 1));
    p.setBrush(QColor(190, 120, 60));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setBrush(Qt::yellow);
    p.drawEllipse(QPointF(8, 8.5), 0.8, 0.8);
    arrow(p, QPointF(8, 5), QPointF(15, 5), kRed);
}

void portfolioAdd(QPainter& p)
{
    folder(p);
    plusMark(p);
}
void portfolioDelete(QPainter& p)
{
    folder(p);
    crossMark(p);
}
void portfolioSkip(QPainter& p)
{
    folder(p);
    skipMark(p);
}

void magnifier(QPainter& p)
{
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(QColor(210, 235, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
}

void splitSearch(QPainter& p)
{
    magnifier(p);
    p.setPen(QPen(kRed, 1.2));
    p.drawLine(QPointF(4, 9), QPointF(9, 4));
}

void reScan(QPainter& p)
{
    p.setPen(QPen(kGreen, 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 240 * 16);
    QPolygonF tip;
    tip << QPointF(13.5, 1.5) << QPointF(13.8, 7.0) << QPointF(8.8, 5.2);
    p.setBrush(kGreen);
    p.setPen(Qt::NoPen);
    p.drawPolygon(tip);
}

void symbolAdd(QPainter& p)
{
    tag(p);
    plusMark(p);
}
void symbolDelete(QPainter& p)
{
    tag(p);
    crossMark(p);
}
void symbolSkip(QPainter& p)
{
    tag(p);
    skipMark(p);
}
void symbolEdit(QPainter& p)
{
    tag(p);
    pencilMark(p);
}

void symbolAbout(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.8), 1.2, 1.2);
    p.drawRect(QRectF(7, 7, 2, 5.5));
}

void graph(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(1.5, 1), QPointF(1.5, 14.5));
    p.drawLine(QPointF(1.5, 14.5), QPointF(15, 14.5));
    p.setPen(QPen(kRed, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF line[] = {{3, 11}, {6, 7}, {8.5, 9.5}, {11, 4}, {14.5, 6}};
    p.drawPolyline(line, 5);
}

void tray(QPainter& p)
{
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{1.5, 9.5}, {1.5, 14.5}, {14.5, 14.5}, {14.5, 9.5}}));
}

void importIcon(QPainter& p)
{
    tray(p);
    arrow(p, QPointF(8, 1), QPointF(8, 11.5), kGreen);
}
void exportIcon(QPainter& p)
{
    tray(p);
    arrow(p, QPointF(8, 11.5), QPointF(8, 1.5), kBlue);
}

void quotesEdit(QPainter& p)
{
    table(p);
    pencilMark(p);
}

void quotesSplit(QPainter& p)
{
    table(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(11.5, 11.5), 4.3, 4.3);
    p.setPen(QPen(kRed, 1.4));
    p.drawLine(QPointF(9, 14.2), QPointF(14, 8.8));
    p.drawPoint(QPointF(9.6, 9.4));
    p.drawPoint(QPointF(13.4, 13.6));
}

void quotesAdjust(QPainter& p)
{
    table(p);
    p.fillRect(QRectF(9.5, 5.5, 6.5, 10.5), Qt::white);
    arrow(p, QPointF(12.7, 9.2), QPointF(12.7, 5.8), kGreen);
    arrow(p, QPointF(12.7, 12.2), QPointF(12.7, 15.2), kRed);
}

void quotesDelete(QPainter& p)
{
    table(p);
    crossMark(p);
}

void print(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(QRectF(1.5, 6.5, 13, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(QPen(kGreen, 1));
    p.drawPoint(QPointF(12.5, 8.5));
}

void recentAll(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 9, 13));
    p.setPen(QPen(kBlue, 1));
    for (double y : {4.5, 6.5, 8.5, 10.5, 12.5})
        p.drawLine(QPointF(3, y), QPointF(9, y));
    arrow(p, QPointF(13.5, 4), QPointF(13.5, 13.5), kInk);
}

void helpIcon(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    QFont f;
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

Draw drawingOf(Command c)
{
    switch (c) {
    case Command::UpdateQuotes: return updateQuotes;
    case Command::Settings: return settings;
    case Command::Profiles: return profiles;
    case Command::Exit: return exitIcon;
    case Command::PortfolioAdd: return portfolioAdd;
    case Command::PortfolioDelete: return portfolioDelete;
    case Command::PortfolioSkipAdjust: return portfolioSkip;
    case Command::SplitSearch: return splitSearch;
    case Command::ReScan: return reScan;
    case Command::SymbolAdd: return symbolAdd;
    case Command::SymbolDelete: return symbolDelete;
    case Command::SymbolSkip: return symbolSkip;
    case Command::SymbolEdit: return symbolEdit;
    case Command::SymbolAbout: return symbolAbout;
    case Command::Graph: return graph;
    case Command::Import: return importIcon;
    case Command::Export: return exportIcon;
    case Command::QuotesEdit: return quotesEdit;
    case Command::QuotesSplit: return quotesSplit;
    case Command::QuotesAdjust: return quotesAdjust;
    case Command::QuotesDelete: return quotesDelete;
    case Command::Print:
    case Command::PrintPreview:
    case Command::PrintSetup: return print;
    case Command::RecentAll: return recentAll;
    case Command::HelpTopics:
    case Command::Tutorial: return helpIcon;
    case Command::About: return symbolAbout;
    }
    return helpIcon;
}

QPixmap render(Draw draw, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pixmap;
}

} // namespace

QIcon commandIcon(Command command)
{
    QIcon icon;
    const Draw draw = drawingOf(command);
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(render(draw, size));
    return icon;
}

} // namespace qv::gui
