// MBF <-> IEEE single conversions in batches of 100,000: the work of reading or writing a
// few thousand quotes, done once per field; and the same batch as 7-field records turned into
// columns, by either path of the quote reader.

#include "core/store/encodings.h"
#include "core/store/record_columns.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kBatch = 100000;

// Values of the kinds quote files hold: file dates, prices with cents, volumes, zeros.
std::vector<float> sampleValues()
{
    std::vector<float> values(kBatch);
    for (std::size_t i = 0; i < kBatch; ++i) {
        const auto k = static_cast<int>(i);
        switch (i % 4) {
        case 0: values[i] = static_cast<float>(1000000 + (k % 1231)); break;
        case 1: values[i] = static_cast<float>(1 + k % 99999) / 100.0f; break;
        case 2: values[i] = static_cast<float>(100 * (k % 50000)); break;
        default: values[i] = (k % 8 == 3) ? 0.0f : -static_cast<float>(1 + k % 977) / 8.0f; break;
        }
    }
    return values;
}

std::vector<std::uint8_t> ieeeBytes(const std::vector<float>& values)
{
    std::vector<std::uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::vector<std::uint8_t> mbfBytes(const std::vector<float>& values)
{
    std::vector<std::uint8_t> bytes(values.size() * 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const qv::MbfFloat m = qv::floatToMbf(values[i]);
        std::memcpy(bytes.data() + 4 * i, m.data(), 4);
    }
    return bytes;
}

void BM_MbfToIeee(benchmark::State& state)
{
    const std::vector<std::uint8_t> source = mbfBytes(sampleValues());
    std::vector<std::uint8_t> dest(source.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBatch; ++i) {
            qv::mbfToIeee(source.data() + 4 * i, dest.data() + 4 * i);
        }
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
}
BENCHMARK(BM_MbfToIeee)->Unit(benchmark::kMicrosecond);

void BM_IeeeToMbf(benchmark::State& state)
{
    const std::vector<std::uint8_t> source = ieeeBytes(sampleValues());
    std::vector<std::uint8_t> dest(source.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBatch; ++i) {
            qv::ieeeToMbf(source.data() + 4 * i, dest.data() + 4 * i);
        }
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
}
BENCHMARK(BM_IeeeToMbf)->Unit(benchmark::kMicrosecond);

// Argument 0: the portable path; 1: the wide one (skipped where the processor lacks it).
void BM_SplitRecordColumns(benchmark::State& state)
{
    constexpr std::size_t kFields = 7;
    constexpr std::size_t kRecords = kBatch / kFields;
    const std::vector<std::uint8_t> records = mbfBytes(sampleValues());
    std::vector<std::vector<float>> columns(kFields, std::vector<float>(kRecords));
    std::vector<float*> out;
    for (auto& column : columns)
        out.push_back(column.data());
    const bool wide = state.range(0) == 1;
    if (wide && !qv::splitRecordColumnsWide(records.data(), 1, 4 * kFields, out.data())) {
        state.SkipWithError("this processor has no wide path");
        return;
    }
    for (auto _ : state) {
        if (wide)
            qv::splitRecordColumnsWide(records.data(), kRecords, 4 * kFields, out.data());
        else
            qv::splitRecordColumnsPortable(records.data(), kRecords, 4 * kFields, out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecords * kFields));
}
BENCHMARK(BM_SplitRecordColumns)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A benchmark of a conversion that loses values measures nothing useful: check the batch
// survives a round trip before timing it.
bool roundTripHolds()
{
    const std::vector<std::uint8_t> ieee = ieeeBytes(sampleValues());
    std::vector<std::uint8_t> mbf(ieee.size());
    std::vector<std::uint8_t> back(ieee.size());
    for (std::size_t i = 0; i < kBatch; ++i) {
        qv::ieeeToMbf(ieee.data() + 4 * i, mbf.data() + 4 * i);
        qv::mbfToIeee(mbf.data() + 4 * i, back.data() + 4 * i);
    }
    return back == ieee;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!roundTripHolds()) {
        std::fprintf(stderr, "MBF round trip of the benchmark batch changed values\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
