// An update run over 10 portfolios of 255 securities with 5,000 quotes each, fed by one
// exchange-wide daily file of 10,000 lines, against the floor of copying every quote file once
// (cp -r of the same tree). Prints wall times, the ratio and the run's peak memory.
//
// Usage: update_run_bench [--smoke] [WORK_DIR]   (default: a fresh directory under /tmp; removed after)

#include "bench_portfolio.h"
#include "core/platform/files.h"
#include "core/store/encodings.h"
#include "core/store/quotes.h"
#include "core/update/quote_updater.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The full size; --smoke (or any --benchmark_* flag, as the test script passes to every
// benchmark) runs a small tree instead, so the program is exercised without the gigabytes.
int kPortfolios = 10;
int kSecurities = 255;
int kQuotes = 5000;
int kLines = 10000;

using bench::putMbf;
using bench::putText;
using bench::putU16;
using qv::Bytes;

std::string symbolOf(int portfolio, int security)
{
    char s[32];
    std::snprintf(s, sizeof s, "S%02d%03d", portfolio, security);
    return s;
}

void check(const qv::IoStatus& s)
{
    if (!s) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        std::exit(1);
    }
}

// The trading day number of quote i, five days a week from 1990.
qv::DayNumber dayOf(int i)
{
    const qv::DayNumber start = qv::dayNumberFromYmd(1990, 1, 1);
    return static_cast<qv::DayNumber>(start + (i / 5) * 7 + i % 5);
}

void generate(const std::string& root)
{
    std::mt19937 random(42);
    std::uniform_real_distribution<float> move(-0.02f, 0.02f);
    const std::string startup = qv::joinPath(root, "start");
    const std::string update = qv::joinPath(root, "update");
    const std::string data = qv::joinPath(root, "data");
    for (const std::string& d : {startup, update, data})
        std::filesystem::create_directories(d);

    Bytes profile(313, 0);
    const std::uint8_t columns[] = {1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 0};
    std::copy(std::begin(columns), std::end(columns), profile.begin());
    std::copy(update.begin(), update.end(), profile.begin() + 12);
    check(qv::replaceFile(qv::joinPath(startup, "Bench.pfd"), "Bench.~NU", profile));

    const std::string lastDate = qv::formatDate(dayOf(kQuotes - 1), 7, 0);
    std::vector<std::string> lines;
    for (int p = 0; p < kPortfolios; ++p) {
        const std::string dir = qv::joinPath(data, "P" + std::to_string(p));
        std::filesystem::create_directories(dir);
        Bytes master;
        putU16(master, kSecurities);
        putU16(master, kSecurities);
        master.resize(53, 0);
        for (int s = 1; s <= kSecurities; ++s) {
            const std::string symbol = symbolOf(p, s);
            master.push_back(static_cast<std::uint8_t>(s));
            master.insert(master.end(), {0x00, 0x65, 28, 7, 0, 0});
            putText(master, symbol, 16);
            master.insert(master.end(), {0, 0});
            putMbf(master, qv::fileDateValue(dayOf(0)));
            putMbf(master, qv::fileDateValue(dayOf(kQuotes - 1)));
            master.push_back('D');
            master.insert(master.end(), {0, 0});
            putText(master, symbol, 16);
            master.push_back(0);

            Bytes dat;
            putU16(dat, 0);
            putU16(dat, kQuotes + 1);
            for (int f = 1; f < 7; ++f)
                dat.insert(dat.end(), {0, 0, 1, 0});
            float price = 20.0f + static_cast<float>(s);
            for (int q = 0; q < kQuotes; ++q) {
                price *= 1.0f + move(random);
                putMbf(dat, qv::fileDateValue(dayOf(q)));
                for (float v : {price, price * 1.01f, price * 0.99f, price, 10000.0f + static_cast<float>(q), 0.0f})
                    putMbf(dat, v);
            }
            const std::string n = std::to_string(s);
            check(qv::replaceFile(qv::joinPath(dir, "F" + n + ".DAT"), "F.~NU", dat));
            const std::string dop = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n\"CLOSE\",4,4\n"
                                    "\"VOL\",4,4\n\"OI\",4,4\n";
            check(qv::replaceFile(qv::joinPath(dir, "F" + n + ".DOP"), "F.~NU", Bytes(dop.begin(), dop.end())));
            Bytes pfl(34, 0);
            std::copy_n("Bench", 5, pfl.begin() + 1);
            check(qv::replaceFile(qv::joinPath(dir, "F" + n + ".PFL"), "F.~NU", pfl));
            lines.push_back(symbol + "," + qv::formatDate(static_cast<qv::DayNumber>(dayOf(kQuotes - 1) + 1), 3, '/') +
                            "," + std::to_string(price) + ",1,1,1,12345\r\n");
        }
        check(qv::replaceFile(qv::joinPath(dir, "MASTER"), "MASTER.~NU", master));
    }
    for (int i = static_cast<int>(lines.size()); i < kLines; ++i)
        lines.push_back("X" + std::to_string(i) + ",01/01/26,1,1,1,1,1\r\n");
    std::shuffle(lines.begin(), lines.end(), random);
    std::string text;
    for (const std::string& l : lines)
        text += l;
    check(qv::replaceFile(qv::joinPath(update, "DAILY.TXT"), "DAILY.~NU", Bytes(text.begin(), text.end())));
    (void)lastDate;
}

} // namespace

int main(int argc, char** argv)
{
    std::string workDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke" || arg.rfind("--benchmark", 0) == 0) {
            kPortfolios = 2;
            kSecurities = 5;
            kQuotes = 50;
            kLines = 40;
        } else {
            workDir = arg;
        }
    }
    const bool own = workDir.empty();
    std::string root = own ? "/tmp/quovanta-update-bench-" + std::to_string(::getpid()) : workDir;
    std::filesystem::remove_all(root);
    auto t = std::chrono::steady_clock::now();
    generate(root);
    std::printf("generated %d securities x %d quotes in %.2f s\n", kPortfolios * kSecurities, kQuotes,
                bench::seconds(t));
    const std::string data = qv::joinPath(root, "data");

    // The floor: the median of three copies of the tree, each started with nothing left to
    // write back, so that one copy's dirty pages do not slow the next step.
    std::vector<double> copies;
    for (int i = 0; i < 3; ++i) {
        ::sync();
        t = std::chrono::steady_clock::now();
        if (std::system(("cp -r " + data + " " + root + "/copy").c_str()) != 0)
            return 1;
        copies.push_back(bench::seconds(t));
        std::filesystem::remove_all(root + "/copy");
    }
    std::sort(copies.begin(), copies.end());
    const double floor = copies[1];
    ::sync();

    t = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        qv::UpdateInputs in;
        for (int p = 0; p < kPortfolios; ++p)
            in.portfolios.push_back(qv::joinPath(data, "P" + std::to_string(p)));
        in.startupDir = qv::joinPath(root, "start");
        in.runTimeText = "bench";
        bench::SilentObserver observer;
        qv::CQuoteUpdater updater(std::move(in), observer);
        const std::uint32_t r = updater.UpdateAllPortfolios();
        ::_exit(static_cast<int>(r >> 16) == kPortfolios * kSecurities ? 0 : 3);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double run = bench::seconds(t);
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("update run: %.2f s (%s), cp -r floor: %.2f s, ratio %.2f, peak memory %.1f MB\n", run,
                ok ? "every security got its quote" : "WRONG QUOTE COUNT", floor, run / floor,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    if (own)
        std::filesystem::remove_all(root);
    return ok ? 0 : 1;
}
