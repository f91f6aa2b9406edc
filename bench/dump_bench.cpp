// dump of one vendor-sized folder (255 MASTER + 2,000 XMASTER securities x 2,500 quotes) as CSV
// to /dev/null, against reading the same bytes: cat of every file of the folder to /dev/null.
// Both with a warm cache (one untimed round of each first); the median of five rounds each.
// Prints the times, the ratio and the size of the CSV text.
//
// Usage: dump_bench [--smoke] [WORK_DIR]   (default: a fresh directory under /tmp; removed after)

#include "bench_portfolio.h"
#include "core/ascii/dump.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// cat FILE... > /dev/null, the files named on its command line as a shell would.
bool catAll(const std::vector<std::string>& files)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("cat"));
    for (const std::string& f : files)
        argv.push_back(const_cast<char*>(f.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout); // or the child's freopen writes what is buffered a second time
    const pid_t child = ::fork();
    if (child == 0) {
        std::FILE* sink = std::freopen("/dev/null", "w", stdout);
        if (sink == nullptr)
            ::_exit(126);
        ::execvp("cat", argv.data());
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct DumpRound {
    double seconds = 0;
    qv::DumpOutcome outcome;
};

DumpRound dumpAll(const std::string& dir)
{
    std::ofstream sink("/dev/null", std::ios::binary);
    const auto t = std::chrono::steady_clock::now();
    DumpRound round;
    round.outcome = qv::dumpPortfolios(
        {dir}, false, sink, [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
    sink.flush();
    round.seconds = bench::seconds(t);
    return round;
}

} // namespace

int main(int argc, char** argv)
{
    std::string workDir;
    const bench::ModernFolderShape shape = bench::modernShapeFromArgs(argc, argv, workDir);
    const bool own = workDir.empty();
    const std::string root = own ? "/tmp/quovanta-dump-bench-" + std::to_string(::getpid()) : workDir;
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    auto t = std::chrono::steady_clock::now();
    std::vector<bench::BenchSecurity> securities;
    if (!bench::writeModernPortfolio(root, shape, securities)) {
        std::fprintf(stderr, "could not write the folder in %s\n", root.c_str());
        return 1;
    }
    std::printf("generated %zu securities x %d quotes in %.2f s\n", securities.size(), shape.quotes, bench::seconds(t));

    std::vector<std::string> files;
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        files.push_back(entry.path().string());
        bytes += entry.file_size();
    }
    std::sort(files.begin(), files.end());

    constexpr int kRounds = 5;
    std::vector<double> cats;
    std::vector<double> dumps;
    bool ok = catAll(files);
    DumpRound round = dumpAll(root); // both untimed once: the cache is warm for every timed round
    for (int i = 0; i < kRounds && ok; ++i) {
        t = std::chrono::steady_clock::now();
        ok = catAll(files);
        cats.push_back(bench::seconds(t));
        round = dumpAll(root);
        ok = ok && round.outcome.ok() && round.outcome.securities == static_cast<int>(securities.size());
        dumps.push_back(round.seconds);
    }
    std::uintmax_t csvBytes = 0;
    if (ok) {
        std::ofstream csv(root + "/dump.csv", std::ios::binary);
        (void)qv::dumpPortfolios({root}, false, csv, {});
        csv.flush();
        csvBytes = std::filesystem::file_size(root + "/dump.csv");
    }
    if (!ok) {
        std::fprintf(stderr, "the cat or the dump failed (dump wrote %d securities of %zu)\n", round.outcome.securities,
                     securities.size());
    } else {
        const double cat = median(cats);
        const double dump = median(dumps);
        std::printf("%zu files, %.1f MB; CSV %.1f MB, %zu quotes\n", files.size(), static_cast<double>(bytes) / 1e6,
                    static_cast<double>(csvBytes) / 1e6, securities.size() * static_cast<std::size_t>(shape.quotes));
        std::printf("dump to /dev/null: %.3f s (%.0f MB/s of quote files), cat of every file: %.3f s, ratio %.1f\n",
                    dump, static_cast<double>(bytes) / 1e6 / dump, cat, dump / cat);
    }
    if (own)
        std::filesystem::remove_all(root);
    return ok ? 0 : 1;
}
