// An update run over one vendor-sized folder: 255 securities in MASTER (and EMASTER) and 2,000
// in XMASTER (F<n>.MWD), 2,500 quotes each, fed by one daily file listing every one of them,
// against the floor of copying the folder (median of three cp -r, each after sync), and against
// the same copies made durable (cp -r, then sync), since the run flushes what it writes. Checks
// that every security got its quote and that MASTER, EMASTER and XMASTER name its new date.
//
// Usage: modern_update_bench [--smoke] [WORK_DIR]   (default: a fresh directory under /tmp; removed after)

#include "bench_portfolio.h"
#include "core/platform/files.h"
#include "core/store/encodings.h"
#include "core/store/securities.h"
#include "core/update/quote_updater.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void check(const qv::IoStatus& s)
{
    if (!s) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        std::exit(1);
    }
}

// Every security of the folder lists `day` as its last date, in whichever master file keeps it.
bool everyDateFollowed(const std::string& dir, qv::DayNumber day, std::size_t securities)
{
    qv::SecurityList list;
    if (!qv::readSecurities(dir, list) || list.securities.size() != securities || !list.emasterUsed)
        return false;
    const float want = qv::fileDateValue(day);
    for (const qv::Security& s : list.securities) {
        if (s.lastDate != want || (s.hasEmasterEntry && s.emasterEntry.lastDate() != want))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string workDir;
    const bench::ModernFolderShape shape = bench::modernShapeFromArgs(argc, argv, workDir);
    const bool own = workDir.empty();
    const std::string root = own ? "/tmp/quovanta-modern-update-bench-" + std::to_string(::getpid()) : workDir;
    std::filesystem::remove_all(root);
    const std::string startup = qv::joinPath(root, "start");
    const std::string update = qv::joinPath(root, "update");
    const std::string data = qv::joinPath(root, "data");
    for (const std::string& d : {startup, update, data})
        std::filesystem::create_directories(d);

    auto t = std::chrono::steady_clock::now();
    std::vector<bench::BenchSecurity> securities;
    if (!bench::writeModernPortfolio(data, shape, securities))
        return 1;
    bench::Bytes profile(313, 0);
    const std::uint8_t columns[] = {1, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 0};
    std::copy(std::begin(columns), std::end(columns), profile.begin());
    std::copy(update.begin(), update.end(), profile.begin() + 12);
    check(qv::replaceFile(qv::joinPath(startup, "Bench.pfd"), "Bench.~NU", profile));
    const qv::DayNumber next = bench::tradingDay(shape.quotes);
    std::string text;
    for (const bench::BenchSecurity& s : securities) {
        bench::Bytes pfl(34, 0);
        std::copy_n("Bench", 5, pfl.begin() + 1);
        check(qv::replaceFile(qv::joinPath(data, "F" + std::to_string(s.fileNumber) + ".PFL"), "F.~NU", pfl));
        text += s.symbol + "," + qv::formatDate(next, 3, '/') + "," + std::to_string(s.lastClose) + ",1,1," +
                std::to_string(s.lastClose) + ",12345,0\r\n";
    }
    check(qv::replaceFile(qv::joinPath(update, "DAILY.TXT"), "DAILY.~NU", bench::Bytes(text.begin(), text.end())));
    std::printf("generated %zu securities x %d quotes in %.2f s\n", securities.size(), shape.quotes, bench::seconds(t));

    // The copies stay until the end: on a file system without a journal, ext4 does not reuse
    // the inodes of files deleted in the last minute and scans past them for every new file,
    // which would charge the run (or the next copy) for the removal of the previous copy.
    std::vector<double> copies, durable;
    for (int i = 0; i < 3; ++i) {
        ::sync();
        t = std::chrono::steady_clock::now();
        if (std::system(("cp -r " + data + " " + root + "/copy" + std::to_string(i)).c_str()) != 0)
            return 1;
        copies.push_back(bench::seconds(t));
        ::sync();
        durable.push_back(bench::seconds(t));
    }
    std::sort(copies.begin(), copies.end());
    std::sort(durable.begin(), durable.end());
    const double floor = copies[1];
    ::sync();

    t = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        qv::UpdateInputs in;
        in.portfolios = {data};
        in.startupDir = startup;
        in.runTimeText = "bench";
        bench::SilentObserver observer;
        qv::CQuoteUpdater updater(std::move(in), observer);
        const std::uint32_t r = updater.UpdateAllPortfolios();
        ::_exit(static_cast<std::size_t>(r >> 16) == securities.size() ? 0 : 3);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double run = bench::seconds(t);
    const bool counted = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const bool followed = everyDateFollowed(data, next, securities.size());
    std::printf("update run: %.2f s (%s; %s), cp -r floor: %.2f s, ratio %.2f, peak memory %.1f MB\n"
                "cp -r then sync: %.2f s, ratio %.2f\n",
                run, counted ? "every security got its quote" : "WRONG QUOTE COUNT",
                followed ? "MASTER, EMASTER and XMASTER dates follow" : "MASTER FILE DATES WRONG", floor, run / floor,
                static_cast<double>(usage.ru_maxrss) / 1024.0, durable[1], run / durable[1]);
    for (int i = 0; i < 3; ++i)
        std::filesystem::remove_all(root + "/copy" + std::to_string(i));
    if (own)
        std::filesystem::remove_all(root);
    return counted && followed ? 0 : 1;
}
