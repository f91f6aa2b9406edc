// Reading a whole quote file into a quote series, against the floor of reading the same bytes
// into memory with a single read(2). The difference is the cost of the MASTER search, the
// field-description file, the per-field MBF conversion and the scatter into columns.
//
// The portfolio (one 7-field security with 16,000 quotes, the most a whole-file read takes)
// is written to a temporary directory before the benchmarks run and removed afterwards.

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

void fail(benchmark::State& state, const char* why) {
    gFailed = true;
    state.SkipWithError(why);
}

using Bytes = std::vector<std::uint8_t>;

void putU16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putMbf(Bytes& out, float value) {
    const qv::MbfFloat m = qv::floatToMbf(value);
    out.insert(out.end(), m.begin(), m.end());
}

void putText(Bytes& out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : ' '));
    }
}

float fileDateOf(int dayIndex) {
    // Consecutive calendar days from 1980-01-01; weekends do not matter to the reader.
    return qv::fileDateValue(static_cast<qv::DayNumber>(qv::dayNumberFromYmd(1980, 1, 1) + dayIndex));
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool makePortfolio(const std::string& dir) {
    Bytes master;
    putU16(master, 1);
    putU16(master, 1);
    master.resize(53, 0);
    master.push_back(1);    // file number
    master.push_back(0x00); // file type
    master.push_back(0x65);
    master.push_back(kRecordLength);
    master.push_back(kFields);
    master.insert(master.end(), 2, 0);
    putText(master, "BENCHMARK ISSUE", 16);
    master.insert(master.end(), 2, 0);
    putMbf(master, fileDateOf(0));
    putMbf(master, fileDateOf(kQuotes - 1));
    master.push_back('D');
    master.insert(master.end(), 2, 0);
    putText(master, kSymbol, 16);
    master.push_back(0);

    Bytes quotes;
    putU16(quotes, 0);
    putU16(quotes, kQuotes + 1);
    for (int i = 1; i < kFields; ++i) {
        putU16(quotes, 0);
        putU16(quotes, 1);
    }
    float close = 50.0f;
    for (int i = 0; i < kQuotes; ++i) {
        const float open = close;
        close = open + static_cast<float>((i * 7919) % 101 - 50) / 100.0f;
        putMbf(quotes, fileDateOf(i));
        putMbf(quotes, open);
        putMbf(quotes, std::max(open, close) + 0.25f);
        putMbf(quotes, std::min(open, close) - 0.25f);
        putMbf(quotes, close);
        putMbf(quotes, static_cast<float>(100000 + (i * 37) % 50000));
        putMbf(quotes, 0.0f);
    }

    const std::string dop = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n"
                            "\"CLOSE\",4,4\n\"VOL\",4,4\n\"OI\",4,4\n";
    return writeFile(dir + "/MASTER", master) && writeFile(dir + "/F1.DAT", quotes) &&
           writeFile(dir + "/F1.DOP", Bytes(dop.begin(), dop.end()));
}

void BM_ReadQuoteSeries(benchmark::State& state) {
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
void BM_ReadQuoteSeriesFactsOnly(benchmark::State& state) {
    qv::QuoteSeries series;
    if (qv::initQuoteSeries(series, 1) != qv::kStatusOk) {
        fail(state, "initQuoteSeries failed");
        return;
    }
    for (auto _ : state) {
        if (qv::readQuoteSeries(series, gPortfolio, kSymbol, 0, 0) != qv::kStatusOk ||
            series.quotesInFile != kQuotes) {
            fail(state, "readQuoteSeries did not read the facts");
            break;
        }
        benchmark::ClobberMemory();
    }
    qv::freeQuoteSeries(series);
}
BENCHMARK(BM_ReadQuoteSeriesFactsOnly)->Unit(benchmark::kMicrosecond);

void BM_ReadWholeFileRaw(benchmark::State& state) {
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

int main(int argc, char** argv) {
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
    if (makePortfolio(gPortfolio)) {
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
