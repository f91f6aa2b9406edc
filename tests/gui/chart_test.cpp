// The chart painted into an image and in the main window: where the bars land, their colours,
// the month marks, and that the chart follows the symbol selected in the symbol grid.

#include "mainwindow_test_support.h"

#include "core/chart/chart_geometry.h"
#include "core/chart/chart_test_support.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/chart/ChartPainter.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QtTest>

#include <cstdlib>

using namespace qv::guitest;
using qv::charttest::climbingDays;
using qv::fixtures::TempDir;

namespace {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGreen = 0x00FF00;
constexpr QRgb kCyan = 0x00FFFF;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kGrey = 0x808080;

// A pixel of colour `colour` (each channel 0 or 255) at a coverage of 60% or more.
bool textPixel(QRgb pixel, QRgb colour)
{
    const int channels[] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    const int wanted[] = {qRed(colour), qGreen(colour), qBlue(colour)};
    int strength = -1;
    for (int c = 0; c < 3; ++c) {
        if (wanted[c] == 0) {
            if (channels[c] > 24)
                return false;
        } else if (strength < 0) {
            strength = channels[c];
        } else if (std::abs(channels[c] - strength) > 24) {
            return false;
        }
    }
    return strength >= 153;
}

// Reads an image through the chart's logical coordinates: x from the rectangle's left pixel,
// y from its bottom pixel upwards.
class ChartPixels {
public:
    ChartPixels(QImage image, const QRect& rect) : image_(std::move(image)), rect_(rect) {}
    QRgb at(int x, int y) const { return image_.pixel(rect_.left() + x, rect_.bottom() - y) & 0xFFFFFF; }
    // Whether any pixel of logical column x, rows y0..y1, has the colour.
    bool columnHas(int x, int y0, int y1, QRgb colour) const
    {
        for (int y = y0; y <= y1; ++y)
            if (at(x, y) == colour)
                return true;
        return false;
    }
    // Whether any pixel of the device rectangle has the colour.
    bool areaHas(const QRect& device, QRgb colour) const
    {
        for (int y = device.top(); y <= device.bottom(); ++y)
            for (int x = device.left(); x <= device.right(); ++x)
                if ((image_.pixel(x, y) & 0xFFFFFF) == colour)
                    return true;
        return false;
    }
    // Whether some pixel of the device rectangle shows the colour at mostly full strength over
    // the black background, as the inside of an antialiased glyph does.
    bool areaHasText(const QRect& device, QRgb colour) const
    {
        for (int y = device.top(); y <= device.bottom(); ++y)
            for (int x = device.left(); x <= device.right(); ++x)
                if (textPixel(image_.pixel(x, y), colour))
                    return true;
        return false;
    }
    const QRect& rect() const { return rect_; }

private:
    QImage image_;
    QRect rect_;
};

// The chart of `series` (null: nothing loaded) drawn into a grey image, inside a 400 x 225
// rectangle that does not start at the image's corner.
ChartPixels paint(const qv::QuoteSeries* series)
{
    QImage image(430, 260, QImage::Format_RGB32);
    image.fill(kGrey);
    const QRect rect(10, 20, 400, 225);
    const qv::ChartGeometry g = qv::layoutChart(rect.width(), rect.height(), series, "XYZ", "XYZ INDUSTRIES");
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    qv::gui::drawChart(painter, rect, g);
    painter.end();
    return ChartPixels(image, rect);
}

QImage grabChart(CQuovantaView& view, QRect& contents)
{
    QWidget* chart = view.chartArea();
    contents = chart->contentsRect();
    return chart->grab().toImage();
}

int rowOf(CQuovantaView& view, const std::string& symbol)
{
    for (int r = 0; r < view.symbolModel()->rowCount(); ++r)
        if (view.symbolModel()->row(r).symbol == symbol)
            return r;
    return -1;
}

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        freshSettings();
    }

    void barsTicksAndVolumesLandOnTheirPixels()
    {
        // 250 days from 1997-01-02 on a 400-pixel chart: quotes 141..249 drawn, the newest at
        // x = 332. Its range: min 151.5 (quote 142's low), max 260, so the newest bar covers
        // rows 207..210, its close tick row 209 and its volume (the largest) rows 12..48.
        const qv::QuoteSeries s = qv::charttest::seriesOf(climbingDays(250));
        const ChartPixels px = paint(&s);
        struct Pixel {
            int x, y;
            QRgb colour;
        };
        const Pixel expected[] = {
            {332, 206, kBlack}, {332, 207, kGreen}, {332, 210, kGreen}, {332, 211, kBlack}, {333, 209, kCyan},
            {334, 209, kBlack}, {332, 11, kBlack},  {332, 12, kRed},    {332, 48, kRed},
            // No 110th bar: the place after the newest is the right-hand axis.
            {335, 100, kWhite},
            // The oldest drawn bar stands at x = 8. It only seeds the range, so its low (150.5)
            // reaches one row below the price pane, onto the divider.
            {8, 49, kGreen}, {8, 50, kCyan},
            // Axes, and the black chart area.
            {100, 10, kWhite}, {100, 49, kWhite}, {4, 10, kBlack}, {200, 5, kBlack}};
        for (const Pixel& p : expected)
            QVERIFY2(px.at(p.x, p.y) == p.colour, qPrintable(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y)));
        QVERIFY(!px.columnHas(335, 0, 224, kGreen));
        QVERIFY(!px.columnHas(5, 11, 224, kGreen));
        // Nothing painted outside the rectangle.
        QVERIFY(!px.areaHas(QRect(0, 0, 430, 20), kBlack));
        QVERIFY(!px.areaHas(QRect(0, 0, 10, 260), kBlack));
        QVERIFY(!px.areaHas(QRect(410, 0, 20, 260), kBlack));
        QVERIFY(!px.areaHas(QRect(0, 245, 430, 15), kBlack));

        // Labels: the title in cyan left of the middle, the date of the last bar in white.
        const QRect r = px.rect();
        QVERIFY(px.areaHasText(QRect(r.left() + 100, r.top(), 60, 16), kCyan));
        QVERIFY(!px.areaHasText(QRect(r.left() + 100, r.top(), 60, 16), kWhite));
        QVERIFY(px.areaHasText(QRect(r.left() + 285, r.top(), 47, 16), kWhite));
        QVERIFY(!px.areaHasText(QRect(r.left() + 285, r.top(), 47, 16), kCyan));
    }

    void monthMarksHangBelowTheTimeAxis()
    {
        // June 1 is quote 150 (x = 35), July 1 quote 180 (x = 125).
        const qv::QuoteSeries s = qv::charttest::seriesOf(climbingDays(250));
        const ChartPixels px = paint(&s);
        for (int x : {35, 125}) {
            QCOMPARE(px.at(x, 0), kWhite);
            int white = 0;
            int black = 0;
            for (int y = 0; y < 10; ++y)
                (px.at(x, y) == kWhite ? white : black) += 1;
            QVERIFY2(white >= 5 && black >= 1, "dash-dot, not solid");
            QCOMPARE(px.at(x, 10), kWhite); // the axis
        }
        QVERIFY(!px.columnHas(32, 0, 9, kWhite));
        QVERIFY(!px.columnHas(38, 0, 9, kWhite));
    }

    void nothingLoadedShowsBackgroundAndAxesOnly()
    {
        const ChartPixels px = paint(nullptr);
        const QRect r = px.rect();
        QVERIFY(!px.areaHas(r, kGreen));
        QVERIFY(!px.areaHas(r, kCyan));
        QVERIFY(!px.areaHas(r, kRed));
        QCOMPARE(px.at(335, 150), kWhite);
        QCOMPARE(px.at(200, 150), kBlack);
    }

    void theChartShownAtStartUpFollowsTheSelectedSymbol()
    {
        qv::SettingsFile settings = quietSettings();
        qv::putSetting(settings, qv::keys::kShowingGraph, 1);
        qv::putSetting(settings, qv::keys::kDisplayLimit, 0);
        TempDir tmp;
        qv::charttest::writePortfolio(tmp.subdir("Data"),
                                      {{"AAA", "AAA CORP", climbingDays(50)}, {"BBB", "BBB CORP", climbingDays(20)}});
        auto frame = openMainWindow(tmp.path(), tmp.path());
        frame->resize(1000, 700);
        QVERIFY(waitForStartup(*frame));
        CQuovantaView& view = *frame->view();
        // The chart and all quotes, as the settings say.
        QVERIFY(view.chartArea()->isVisible());
        QVERIFY(!view.quoteGrid()->isVisible());
        QVERIFY(frame->action(Command::Graph)->isChecked());
        QVERIFY(!frame->action(Command::RecentAll)->isChecked());
        QCOMPARE(frame->modePane()->text(), QStringLiteral("ALL    "));
        const int aaa = rowOf(view, "AAA");
        const int bbb = rowOf(view, "BBB");
        QVERIFY(aaa >= 0 && bbb >= 0);
        view.symbolGrid()->selectRow(aaa);
        QTRY_COMPARE(view.currentSymbol(), std::string("AAA"));
        QCOMPARE(view.quotesRead(), 50); // all, not the recent 30

        QRect contents;
        ChartPixels a(grabChart(view, contents), contents);
        QVERIFY2(contents.width() > 300, "the chart has room for every bar");
        QVERIFY(a.columnHas(8 + 49 * 3, 0, contents.height() - 1, kGreen));
        QVERIFY(!a.columnHas(8 + 50 * 3, 0, contents.height() - 1, kGreen));

        view.symbolGrid()->selectRow(bbb);
        QTRY_COMPARE(view.currentSymbol(), std::string("BBB"));
        ChartPixels b(grabChart(view, contents), contents);
        QVERIFY(b.columnHas(8 + 19 * 3, 0, contents.height() - 1, kGreen));
        QVERIFY(!b.columnHas(8 + 20 * 3, 0, contents.height() - 1, kGreen));
        QVERIFY(!b.columnHas(8 + 49 * 3, 0, contents.height() - 1, kGreen));
    }
};

QTEST_MAIN(ChartTest)
#include "chart_test.moc"
