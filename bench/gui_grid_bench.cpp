// Filling the quote grid of the main window in ALL mode with one security's 16,000 quotes (the
// most a whole-file read takes), on the offscreen platform. Two times per fill, both measured
// from the start of CQuovantaView::FillQuoteGrid:
//   first_rows  the end of the first paint of the grid that holds the first screenful (30 rows);
//   all_rows    the end of the last paint once every row is in the grid and the events the fill
//               left behind have been handled.
// Goals: first rows under 50 ms, all rows under 300 ms. The iteration time Google Benchmark
// reports is the all-rows time; the summary after the run gives median, best and worst of both.
//
// The portfolio, the start-up directory and the settings file are written to a temporary
// directory before the benchmark runs and removed afterwards.

#include "bench_portfolio.h"
#include "core/app/program_settings.h"
#include "core/platform/settings_file.h"
#include "core/store/encodings.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/QuoteGridModel.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kQuotes = 16000;
constexpr int kFields = 7;
constexpr int kRecordLength = 4 * kFields;
constexpr int kFirstScreenful = 30;
constexpr double kFirstRowsGoalMs = 50.0;
constexpr double kAllRowsGoalMs = 300.0;
const std::string kSymbol = "BENCH";

using Clock = std::chrono::steady_clock;
qv::gui::CMainFrame* gFrame = nullptr;
bool gFailed = false;
std::vector<double> gFirstRowsMs;
std::vector<double> gAllRowsMs;

void fail(benchmark::State& state, const char* why)
{
    gFailed = true;
    state.SkipWithError(why);
}

// ALL mode, no tutorial prompt, no beeps, no search limit: the fill does nothing but fill.
bool writeSettings(const std::string& path)
{
    qv::SettingsFile settings(path);
    return qv::putSetting(settings, qv::keys::kDisplayLimit, 0) && qv::putSetting(settings, qv::keys::kNewbie, 0) &&
           qv::putSetting(settings, qv::keys::kSoundDisable, 1) && qv::putSetting(settings, qv::keys::kSearchLimit, 0);
}

// Notes the end of every paint of the grid's viewport and how many rows the grid held then.
// An event filter runs before the paint; it lets the paint happen inside itself (the painter's
// redirection to the window's backing store is still in place) so the time taken is after it.
class PaintProbe final : public QObject {
public:
    PaintProbe(QWidget* viewport, const qv::gui::QuoteGridModel* model) : viewport_(viewport), model_(model)
    {
        viewport_->installEventFilter(this);
    }

    struct Paint {
        Clock::time_point end;
        int rows;
    };
    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != viewport_ || event->type() != QEvent::Paint || inside_)
            return false;
        inside_ = true;
        QCoreApplication::sendEvent(viewport_, event);
        inside_ = false;
        paints.push_back({Clock::now(), model_->rowCount()});
        return true;
    }

private:
    QWidget* viewport_;
    const qv::gui::QuoteGridModel* model_;
    bool inside_ = false;
};

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void BM_FillQuoteGridAll(benchmark::State& state)
{
    qv::gui::CQuovantaView* view = gFrame->view();
    PaintProbe probe(view->quoteGrid()->viewport(), view->quoteModel());
    double firstSum = 0;
    for (auto _ : state) {
        QCoreApplication::processEvents(); // nothing of the previous fill is left to paint
        probe.paints.clear();
        const Clock::time_point start = Clock::now();
        view->FillQuoteGrid();
        Clock::time_point end = Clock::now();
        QCoreApplication::processEvents();
        if (view->quotesRead() != kQuotes || view->quoteModel()->rowCount() != kQuotes) {
            fail(state, "the grid does not hold every quote");
            break;
        }
        const auto first = std::find_if(probe.paints.begin(), probe.paints.end(),
                                        [](const PaintProbe::Paint& p) { return p.rows >= kFirstScreenful; });
        if (first == probe.paints.end()) {
            fail(state, "the grid was never painted during the fill");
            break;
        }
        for (const PaintProbe::Paint& p : probe.paints)
            if (p.rows == kQuotes)
                end = std::max(end, p.end);
        const double firstMs = msBetween(start, first->end);
        const double allMs = msBetween(start, end);
        gFirstRowsMs.push_back(firstMs);
        gAllRowsMs.push_back(allMs);
        firstSum += firstMs;
        state.SetIterationTime(allMs / 1000.0);
    }
    state.counters["first_rows_ms"] = benchmark::Counter(firstSum, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * kQuotes);
}
BENCHMARK(BM_FillQuoteGridAll)->UseManualTime()->Unit(benchmark::kMillisecond);

struct Summary {
    double median = 0, best = 0, worst = 0;
};

Summary summarise(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

void report(const char* what, const std::vector<double>& samples, double goalMs)
{
    const Summary s = summarise(samples);
    std::printf("%-10s median %7.2f ms  best %7.2f ms  worst %7.2f ms  (%zu fills)  goal < %.0f ms: %s\n", what,
                s.median, s.best, s.worst, samples.size(), goalMs, s.median < goalMs ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "qv-gui-bench-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    const std::string root = pattern;
    const std::string data = root + "/data";
    const std::string portfolio = data + "/BENCH";
    const std::string startup = root + "/start";
    const std::string ini = root + "/QUOVANTA.INI";
    std::filesystem::create_directories(portfolio, ec);
    std::filesystem::create_directories(startup, ec);
    int rc = 1;
    if (ec || !bench::writeOneSecurityPortfolio(portfolio, kSymbol, kQuotes) || !writeSettings(ini)) {
        std::fprintf(stderr, "cannot write the benchmark portfolio in %s\n", root.c_str());
    } else {
        // Whatever box or dialog the window would open is recorded or refused, never waited on.
        qv::gui::MessageBox::setTestMode(true);
        qv::gui::ModalDialog::setTestHandler([](QDialog&) { return int(QDialog::Rejected); });

        qv::gui::StartupContext context;
        context.startupDir = startup;
        context.settingsPath = ini;
        context.listRoots = [data] { return std::vector<std::string>{data}; };
        {
            qv::gui::CMainFrame frame(context);
            frame.resize(1000, 750);
            frame.show();
            // The deferred start-up searches the root and fills both grids once.
            QElapsedTimer waited;
            waited.start();
            while (!frame.view()->startupDone() && waited.elapsed() < 20000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QCoreApplication::processEvents();
            if (!frame.view()->startupDone() || frame.view()->symbolCount() != 1) {
                std::fprintf(stderr, "the main window did not find the benchmark portfolio\n");
            } else if (!qv::gui::MessageBox::shownTexts().isEmpty()) {
                std::fprintf(stderr, "the main window showed a message: %s\n",
                             qPrintable(qv::gui::MessageBox::shownTexts().join(QStringLiteral(" | "))));
            } else {
                gFrame = &frame;
                benchmark::RunSpecifiedBenchmarks();
                std::cout.flush(); // the reporter writes through iostreams, the summary through stdio
                gFrame = nullptr;
                if (!qv::gui::MessageBox::shownTexts().isEmpty()) {
                    std::fprintf(stderr, "the main window showed a message: %s\n",
                                 qPrintable(qv::gui::MessageBox::shownTexts().join(QStringLiteral(" | "))));
                    gFailed = true;
                }
                if (!gFailed) {
                    std::printf("\nQuote grid, ALL mode, %d quotes:\n", kQuotes);
                    report("first rows", gFirstRowsMs, kFirstRowsGoalMs);
                    report("all rows", gAllRowsMs, kAllRowsGoalMs);
                }
                rc = gFailed ? 1 : 0;
            }
        }
        qv::gui::ModalDialog::setTestHandler({});
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(root, ec);
    return rc;
}
