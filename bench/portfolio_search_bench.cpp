// The portfolio search over a tree of 50,025 directories, 327 of them portfolios (holding a
// MASTER file), against `find ROOT -xdev -name MASTER` on the same tree. Both walk a warm cache:
// each runs once before anything is timed. Goal: the search within 1.5 times find's time.
//
// The tree is written to a temporary directory before the benchmarks run and removed
// afterwards. A run with a small --benchmark_min_time (below 0.1 s, as the test script's single
// pass uses) gets a tree of a few hundred directories instead, so that pass stays short.

#include "core/browse/portfolio_search.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

extern char** environ;

namespace {

constexpr double kGoalRatio = 1.5;

// Top-level directories, their subdirectories, and the leaves below each of those; every
// kPortfolioEvery-th leaf is a portfolio.
struct TreeShape {
    int top = 25;
    int middle = 40;
    int leaves = 49;
    int portfolioEvery = 150;
};
TreeShape gShape;

std::string gRoot;
int gPortfolios = 0;
int gDirectories = 0;
bool gFailed = false;

void fail(benchmark::State& state, const char* why)
{
    gFailed = true;
    state.SkipWithError(why);
}

bool touch(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "x";
    return static_cast<bool>(out);
}

// Names like a user's disk: a portfolio holds MASTER and its quote files, other directories
// hold a file or two, so neither walk sees only directories.
bool makeTree(const std::string& root)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    int leafNumber = 0;
    for (int t = 0; t < gShape.top; ++t) {
        const std::string top = root + "/area" + std::to_string(t);
        fs::create_directory(top, ec);
        ++gDirectories;
        for (int m = 0; m < gShape.middle; ++m) {
            const std::string middle = top + "/group" + std::to_string(m);
            fs::create_directory(middle, ec);
            ++gDirectories;
            if (!touch(middle + "/notes.txt"))
                return false;
            for (int l = 0; l < gShape.leaves; ++l, ++leafNumber) {
                const std::string leaf = middle + "/d" + std::to_string(l);
                if (!fs::create_directory(leaf, ec) || ec)
                    return false;
                ++gDirectories;
                if (leafNumber % gShape.portfolioEvery == 0) {
                    for (const char* name : {"/MASTER", "/F1.DAT", "/F1.DOP", "/F2.DAT", "/F2.DOP"})
                        if (!touch(leaf + name))
                            return false;
                    ++gPortfolios;
                } else if (leafNumber % 7 == 0 && !touch(leaf + "/data.csv")) {
                    return false;
                }
            }
        }
    }
    return !ec;
}

// find, started directly (no shell in between) with its output thrown away.
int runFind(const std::string& root)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string rootArg = root;
    std::string program = "find";
    std::string xdev = "-xdev";
    std::string nameFlag = "-name";
    std::string pattern = "MASTER";
    char* args[] = {program.data(), rootArg.data(), xdev.data(), nameFlag.data(), pattern.data(), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "find", &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_SearchPortfolios(benchmark::State& state)
{
    for (auto _ : state) {
        const std::vector<std::string> found = qv::searchPortfolios(gRoot, "");
        if (static_cast<int>(found.size()) != gPortfolios) {
            fail(state, "the search did not find every portfolio");
            break;
        }
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["dirs"] = gDirectories;
}
BENCHMARK(BM_SearchPortfolios)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_FindXdevNameMaster(benchmark::State& state)
{
    for (auto _ : state) {
        if (runFind(gRoot) != 0) {
            fail(state, "find failed");
            break;
        }
    }
    state.counters["dirs"] = gDirectories;
}
BENCHMARK(BM_FindXdevNameMaster)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's per-iteration wall times for the ratio.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;

    // Colours only on a terminal, as the default reporter does.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// True when --benchmark_min_time asks for less than a tenth of a second ("0.01" or "0.01s").
bool shortRun(int argc, char** argv)
{
    const std::string flag = "--benchmark_min_time=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(flag, 0) == 0)
            return std::strtod(arg.c_str() + flag.size(), nullptr) < 0.1;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (shortRun(argc, argv))
        gShape = TreeShape{2, 4, 40, 15};
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "qv-search-bench-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    gRoot = pattern;
    int rc = 1;
    if (!makeTree(gRoot)) {
        std::fprintf(stderr, "cannot write the benchmark tree in %s\n", gRoot.c_str());
    } else if (static_cast<int>(qv::searchPortfolios(gRoot, "").size()) != gPortfolios || runFind(gRoot) != 0) {
        // Also the warm-up: both walks have read the whole tree once before any timing.
        std::fprintf(stderr, "the warm-up walks failed\n");
    } else {
        std::printf("tree: %d directories, %d portfolios\n", gDirectories, gPortfolios);
        std::fflush(stdout);
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        std::cout.flush(); // the reporter writes through iostreams, the summary through stdio
        const auto search = reporter.times.find("BM_SearchPortfolios");
        const auto find = reporter.times.find("BM_FindXdevNameMaster");
        if (!gFailed && search != reporter.times.end() && find != reporter.times.end()) {
            const double ratio = median(search->second) / median(find->second);
            std::printf("\nsearch / find (median wall time): %.2f  goal <= %.1f: %s\n", ratio, kGoalRatio,
                        ratio <= kGoalRatio ? "met" : "MISSED");
        }
        rc = gFailed ? 1 : 0;
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(gRoot, ec);
    return rc;
}
