#include "gui/chart/ChartCommands.h"

#include "core/chart/print_layout.h"
#include "gui/app/CQuovantaView.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"

#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace qv::gui {
namespace {

// Units of the page layout: hundredths of an inch.
constexpr double kUnitsPerInch = 100.0;

// Arial, or a sans with the same metrics, bold, whose cell (ascent + descent) is 0.16 inch.
QFont printFont(QPainter& painter, double unit)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    const int cell = std::max(1, static_cast<int>(std::lround(qv::kPrintFontHeight * unit)));
    font.setPixelSize(cell);
    painter.setFont(font);
    const int measured = painter.fontMetrics().height();
    if (measured > 0 && measured != cell)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(double(cell) * cell / measured))));
    return font;
}

int toUnits(double devicePixels, double unit) { return static_cast<int>(std::ceil(devicePixels / unit - 1e-9)); }

// One line, its fields at the tab stops, its top `top` units below the printable area's top.
void drawLine(QPainter& painter, double unit, int top, const std::string& line)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const double baseline = top * unit + metrics.ascent();
    int x = qv::kPrintLeftMargin;
    std::size_t from = 0;
    for (bool first = true;; first = false) {
        const std::size_t tab = line.find('\t', from);
        const QString field =
            QString::fromStdString(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (!first)
            x = qv::nextPrintTabStop(x);
        painter.drawText(QPointF(x * unit, baseline), field);
        x += toUnits(metrics.horizontalAdvance(field), unit);
        if (tab == std::string::npos)
            break;
        from = tab + 1;
    }
}

PrintJob jobOf(const CQuovantaView& view)
{
    PrintJob job;
    job.dir = view.portfolioDir();
    job.symbol = view.currentSymbol();
    job.quotesInFile = view.quotesInFile();
    return job;
}

} // namespace

QPrinter& sessionPrinter()
{
    // Never destroyed: a printer outliving QApplication's teardown would unload its back end
    // under it. One object per session is all the program ever makes.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

bool printQuotes(QPrinter& printer, const PrintJob& job)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double unit = printer.resolution() / kUnitsPerInch;
    painter.setFont(printFont(painter, unit));
    painter.setPen(Qt::black);
    const int lineHeight = toUnits(painter.fontMetrics().height(), unit);
    const int areaHeight = static_cast<int>(printer.pageRect(QPrinter::DevicePixel).height() / unit);
    const qv::PrintMetrics metrics = qv::printMetrics(areaHeight, lineHeight, job.quotesInFile);

    int first = 1;
    int last = std::max(1, metrics.pageCount);
    if (job.honourPageRange && printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        if (printer.toPage() > 0)
            last = std::min(last, printer.toPage());
    }
    for (int p = first; p <= last; ++p) {
        if (p != first)
            printer.newPage();
        const qv::PrintPage page = qv::printPage(job.dir, job.symbol, job.quotesInFile, p, metrics.linesPerPage);
        for (std::size_t j = 0; j < page.lines.size(); ++j)
            drawLine(painter, unit, qv::printLineTop(metrics, static_cast<int>(j)), page.lines[j]);
        if (job.stopWhenOut && page.ranOut)
            break;
    }
    return painter.end();
}

void OnPrint(CQuovantaView& view, bool withDialog)
{
    if (view.settings().showingGraph)
        return;
    QPrinter& printer = sessionPrinter();
    PrintJob job = jobOf(view);
    job.stopWhenOut = withDialog;
    job.honourPageRange = withDialog;
    if (withDialog) {
        QPrintDialog dialog(&printer, view.window());
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dialog.setMinMax(1, 0xFFFF);
        if (ModalDialog::exec(dialog) != QDialog::Accepted)
            return;
    }
    printer.setDocName(QString::fromStdString(job.symbol));
    if (!printQuotes(printer, job))
        MessageBox::warning(&view, kPrinterUnavailableMessage);
}

void OnPrintPreview(CQuovantaView& view)
{
    if (view.settings().showingGraph)
        return;
    const PrintJob job = jobOf(view);
    QPrintPreviewDialog preview(&sessionPrinter(), view.window());
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [job](QPrinter* printer) { printQuotes(*printer, job); });
    ModalDialog::exec(preview);
}

void OnPrintSetup(CQuovantaView& view)
{
    if (view.settings().showingGraph)
        return;
    QPageSetupDialog dialog(&sessionPrinter(), view.window());
    ModalDialog::exec(dialog);
}

} // namespace qv::gui
