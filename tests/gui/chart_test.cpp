// The chart in the main window: where its bars land, and that it follows the selected symbol.

#include "mainwindow_test_support.h"

#include "core/chart/chart_test_support.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/SymbolGridModel.h"

#include <QImage>
#include <QTableView>
#include <QtTest>

using namespace qv::guitest;
using qv::charttest::climbingDays;

namespace {

constexpr QRgb kGreen = 0x00FF00;

// Reads an image through the chart's logical coordinates: x from the rectangle's left pixel,
// y from its bottom pixel upwards.
struct ChartPixels {
    QImage image;
    QRect rect;
    QRgb at(int x, int y) const { return image.pixel(rect.left() + x, rect.bottom() - y) & 0xFFFFFF; }
    bool columnHasGreen(int x) const
    {
        for (int y = 0; y < rect.height(); ++y)
            if (at(x, y) == kGreen)
                return true;
        return false;
    }
};

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    void init() { MessageBox::setTestMode(true); }

    void theChartShownAtStartUpFollowsTheSelectedSymbol()
    {
        qv::SettingsFile settings = quietSettings();
        require(qv::putSetting(settings, qv::keys::kShowingGraph, 1));
        require(qv::putSetting(settings, qv::keys::kDisplayLimit, 0));
        qv::fixtures::TempDir tmp;
        qv::charttest::writePortfolio(tmp.subdir("Data"),
                                      {{"AAA", "AAA CORP", climbingDays(50)}, {"BBB", "BBB CORP", climbingDays(20)}});
        auto frame = openStarted(tmp.path());
        QVERIFY(frame);
        frame->resize(1000, 700);
        CQuovantaView& view = *frame->view();
        QVERIFY(view.chartArea()->isVisible() && !view.quoteGrid()->isVisible());
        // The newest bar of each security stands at 8 + 3 * (quotes - 1), and none after it.
        for (const auto& [symbol, quotes] : {std::pair{std::string("AAA"), 50}, std::pair{std::string("BBB"), 20}}) {
            for (int r = 0; r < view.symbolModel()->rowCount(); ++r)
                if (view.symbolModel()->row(r).symbol == symbol)
                    view.symbolGrid()->selectRow(r);
            QTRY_COMPARE(view.currentSymbol(), symbol);
            QCOMPARE(view.quotesRead(), quotes); // all, not the recent 30
            QWidget* chart = view.chartArea();
            const ChartPixels px{chart->grab().toImage(), chart->contentsRect()};
            QVERIFY(px.columnHasGreen(8 + (quotes - 1) * 3));
            QVERIFY(!px.columnHasGreen(8 + quotes * 3));
        }
    }
};

QTEST_MAIN(ChartTest)
#include "chart_test.moc"
