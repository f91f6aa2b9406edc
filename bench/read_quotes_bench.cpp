// Reading a whole quote file into a quote series, against the floor of reading the same bytes
// into memory with a single read(2). The difference is the cost of the MASTER search, the
// field-description file, and turning the records into converted columns and day numbers
// (mbf_convert_bench times that last step by itself, on either path).
//
// The portfolio (one 7-field security with 16,000 quotes, the most a whole-file read takes)
// is written to a temporary directory before the benchmarks run and removed afterwards.

#include "bench_portfolio.h"
#include "core/store/encodings.h"
#include "core/store/quotes.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kQuotes = 16000;
constexpr int kFields = 7;
constexpr int kRecordLength = 4 * kFields;
const std::string kSymbol = "BENCH";

std::string gPortfolio; // the temporary portfolio directory
// A benchmark that skips with an error still lets the program exit 0; this makes it fail.
bool gFailed = false;

void fail(benchmark::State& state, const char* why)
{
    gFailed = true;
    state.SkipWithError(why);
}

void BM_ReadQuoteSeries(benchmark::State& state)
{
    qv::QuoteSeries series;
    if (qv::initQuoteSeries(series, kQuotes) != qv::kStatusOk) {
        fail(state, "initQuoteSeries failed");
        return;
    }
    for (auto _ : state) {
        const qv::StoreStatus status = qv::readQuoteSeries(series, gPortfolio, kSymbol, 0, -1);
        if (status != qv::kStatusOk || series.count != kQuotes) {
            fail(state, "readQuoteSeries did not read every quote");
            break;
        }
        benchmark::DoNotOptimize(series.close.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kQuotes);
    state.SetBytesProcessed(state.iterations() * (kQuotes + 1) * kRecordLength);
    qv::freeQuoteSeries(series);
}
BENCHMARK(BM_ReadQuoteSeries)->Unit(benchmark::kMicrosecond);

// The fixed part of every read: MASTER search, field-description file, quote file header.
void BM_ReadQuoteSeriesFactsOnly(benchmark::State& state)
{
    qv::QuoteSeries series;
    if (qv::initQuoteSeries(series, 1) != qv::kStatusOk) {
        fail(state, "initQuoteSeries failed");
        return;
    }
    for (auto _ : state) {
        if (qv::readQuoteSeries(series, gPortfolio, kSymbol, 0, 0) != qv::kStatusOk || series.quotesInFile != kQuotes) {
            fail(state, "readQuoteSeries did not read the facts");
            break;
        }
        benchmark::ClobberMemory();
    }
    qv::freeQuoteSeries(series);
}
BENCHMARK(BM_ReadQuoteSeriesFactsOnly)->Unit(benchmark::kMicrosecond);

void BM_ReadWholeFileRaw(benchmark::State& state)
{
    const std::string path = gPortfolio + "/F1.DAT";
    const std::size_t size = static_cast<std::size_t>(kQuotes + 1) * kRecordLength;
    std::vector<std::uint8_t> buffer(size);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            fail(state, "cannot open the quote file");
            break;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        if (got != static_cast<ssize_t>(size)) {
            fail(state, "short read");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kQuotes);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_ReadWholeFileRaw)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "qv-bench-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    gPortfolio = pattern;
    int rc = 0;
    if (bench::writeOneSecurityPortfolio(gPortfolio, kSymbol, kQuotes)) {
        benchmark::RunSpecifiedBenchmarks();
        rc = gFailed ? 1 : 0;
    } else {
        std::fprintf(stderr, "cannot write the benchmark portfolio in %s\n", gPortfolio.c_str());
        rc = 1;
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(gPortfolio, ec);
    return rc;
}
