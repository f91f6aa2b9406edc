#include "core/store/record_columns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QV_WIDE_RECORDS 1
// GCC 12 takes the deliberately undefined registers inside its own shift intrinsics for
// uninitialised variables.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace qv {
namespace {

// Decodes file dates that run in order: within one month the day number moves with the
// file date, so only a date in another month needs the full conversion. Day numbers below 1
// (before 1961) are kept as their 32-bit two's complement in monthBase: the sums wrap back.
struct MonthStep {
    static constexpr float kLow = 101.0f;      // dates 1900..2099: the fast range of
    static constexpr float kHigh = 2000000.0f; // dayNumberFromFileDate
    unsigned monthStart = 0xFFFF0000u;         // no month yet: no date lies less than 32 above it
    unsigned monthBase = 0;

    DayNumber operator()(float fileDate)
    {
        if (!(fileDate >= kLow && fileDate < kHigh))
            return dayNumberFromFileDate(fileDate);
        const auto v = static_cast<unsigned>(fileDate);
        if (v - monthStart < 32)
            return static_cast<DayNumber>(monthBase + (v - monthStart));
        const DayNumber n = dayNumberFromFileDate(fileDate);
        if (n != kNoDay)
            enter(v, n);
        return n;
    }
    void enter(unsigned v, DayNumber n)
    {
        monthStart = v - v % 100;
        // Days 0..31 of every month of the fast range have day numbers (day 0 of January
        // 1900 lies below it).
        monthBase = static_cast<unsigned>(n) - v % 100;
    }
};

#ifdef QV_WIDE_RECORDS

// 16 records of F <= 8 fields are F registers of 16 words; word w = 16 * register + lane holds
// field w % F of record w / F. They become columns in three steps:
// - spread: register k (0..7) takes records 2k and 2k + 1, eight words each (fields beyond F
//   repeat the last one), from the two registers holding them;
// - transpose: the classic 8 x 8 transpose by 32- and 64-bit interleaves, done in both
//   256-bit halves at once; u[g] then holds field g (low 128 bits of each half) and g + 4 (high)
//   of records 0, 2, 4, 6 (lower half) and 1, 3, 5, 7 (upper half); u[g + 4] the same for
//   records 8..15;
// - gather: one two-register permute per field puts its 16 values in record order.
template <int F>
struct WideTables {
    std::array<std::array<int, 16>, 8> spread{};
    std::array<int, 8> spreadRegister{};
    std::array<std::array<int, 16>, 2> gather{}; // fields 0..3, fields 4..7

    constexpr WideTables()
    {
        for (int k = 0; k < 8; ++k) {
            // The two records lie within registers reg and reg + 1; the last pair of
            // registers when they would run past the last.
            const int reg = std::min(2 * k * F / 16, std::max(F - 2, 0));
            spreadRegister[k] = reg;
            for (int lane = 0; lane < 16; ++lane) {
                const int record = 2 * k + lane / 8;
                spread[k][lane] = record * F + std::min(lane % 8, F - 1) - 16 * reg;
            }
        }
        for (int h = 0; h < 2; ++h) {
            for (int record = 0; record < 16; ++record)
                gather[h][record] = (record >= 8 ? 16 : 0) + (record % 2 ? 8 : 0) + 4 * h + record % 8 / 2;
        }
    }
};

// mbfToFloat of sixteen values: the sign moves from bit 23 to bit 31 and the exponent drops
// by 2; exponents 0..2 give 0.0.
struct MbfConstants {
    __m512i smallest;     // the first exponent with a value
    __m512i exponentStep; // 2, as the exponent lies after a shift by 1
    __m512i signBit;
    __m512i exponentBits;

    __attribute__((target("avx512f"))) MbfConstants()
        : smallest(_mm512_set1_epi32(0x03000000)), exponentStep(_mm512_set1_epi32(0x01000000)),
          signBit(_mm512_set1_epi32(INT32_MIN)), exponentBits(_mm512_set1_epi32(0x7F800000))
    {
        // Opaque to the compiler, so it keeps them in registers instead of making them again
        // for every column.
        asm("" : "+v"(smallest), "+v"(exponentStep), "+v"(signBit), "+v"(exponentBits));
    }
};

__attribute__((target("avx512f"))) inline __m512i mbfToFloatWide(__m512i m, const MbfConstants& c)
{
    constexpr int kSelect = 0xE4; // c ? a : b, bit by bit
    const __mmask16 nonZero = _mm512_cmpge_epu32_mask(m, c.smallest);
    const __m512i exponent = _mm512_sub_epi32(_mm512_srli_epi32(m, 1), c.exponentStep);
    const __m512i withSign = _mm512_ternarylogic_epi32(_mm512_slli_epi32(m, 8), m, c.signBit, kSelect);
    return _mm512_maskz_ternarylogic_epi32(nonZero, exponent, withSign, c.exponentBits, kSelect);
}

template <int F>
__attribute__((target("avx512f"))) void splitWideBlocks(const std::uint8_t* records, std::size_t blocks,
                                                        float* const* columns)
{
    static constexpr WideTables<F> tables;
    const MbfConstants constants;
    __m512i spread[8];
    for (int k = 0; k < 8; ++k)
        spread[k] = _mm512_loadu_si512(tables.spread[k].data());
    const __m512i gather[2] = {_mm512_loadu_si512(tables.gather[0].data()),
                               _mm512_loadu_si512(tables.gather[1].data())};
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* p = records + b * 64 * F;
        __m512i r[F + 1];
        for (int i = 0; i < F; ++i)
            r[i] = _mm512_loadu_si512(p + 64 * i);
        r[F] = r[F - 1]; // a single register pairs with itself
        __m512i e[8];
        for (int k = 0; k < 8; ++k) {
            const int reg = tables.spreadRegister[k];
            e[k] = _mm512_permutex2var_epi32(r[reg], spread[k], r[reg + 1]);
        }
        __m512i t[8];
        for (int k = 0; k < 8; k += 2) {
            t[k] = _mm512_unpacklo_epi32(e[k], e[k + 1]);
            t[k + 1] = _mm512_unpackhi_epi32(e[k], e[k + 1]);
        }
        __m512i u[8];
        for (int half = 0; half < 8; half += 4) {
            u[half] = _mm512_unpacklo_epi64(t[half], t[half + 2]);
            u[half + 1] = _mm512_unpackhi_epi64(t[half], t[half + 2]);
            u[half + 2] = _mm512_unpacklo_epi64(t[half + 1], t[half + 3]);
            u[half + 3] = _mm512_unpackhi_epi64(t[half + 1], t[half + 3]);
        }
        for (int f = 0; f < F; ++f) {
            if (columns[f] == nullptr)
                continue;
            const __m512i m = _mm512_permutex2var_epi32(u[f % 4], gather[f / 4], u[f % 4 + 4]);
            _mm512_storeu_si512(columns[f] + 16 * b, mbfToFloatWide(m, constants));
        }
    }
}

using WideSplitter = void (*)(const std::uint8_t*, std::size_t, float* const*);

template <std::size_t... I>
constexpr std::array<WideSplitter, sizeof...(I)> wideSplitters(std::index_sequence<I...>)
{
    return {&splitWideBlocks<static_cast<int>(I) + 1>...};
}

constexpr auto kWideSplitters = wideSplitters(std::make_index_sequence<kMaxWideFields>{});

bool wideAvailable()
{
    static const bool available = __builtin_cpu_supports("avx512f");
    return available;
}

// Sixteen dates at a time while they stay within the month of the reference or the month of
// the block's last date (a block of daily quotes spans at most two months); other blocks go
// date by date. Returns how many dates were done, a multiple of 16.
__attribute__((target("avx512f"))) std::size_t dayNumbersWide(const float* fileDates, DayNumber* out, std::size_t n,
                                                              MonthStep& step)
{
    // Positive floats order like their bits; negative ones and NaN fall outside the range.
    const __m512i low = _mm512_set1_epi32(std::bit_cast<int>(MonthStep::kLow));
    const __m512i range = _mm512_set1_epi32(std::bit_cast<int>(MonthStep::kHigh) - std::bit_cast<int>(MonthStep::kLow));
    const __m512i month = _mm512_set1_epi32(32);
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512 f = _mm512_loadu_ps(fileDates + i);
        const __mmask16 inside = _mm512_cmplt_epu32_mask(_mm512_sub_epi32(_mm512_castps_si512(f), low), range);
        const __m512i v = _mm512_cvttps_epi32(f); // only lanes inside count
        const __m512i offsetA = _mm512_sub_epi32(v, _mm512_set1_epi32(static_cast<int>(step.monthStart)));
        const __mmask16 inA = _mm512_mask_cmplt_epu32_mask(inside, offsetA, month);
        __m512i days = _mm512_add_epi32(offsetA, _mm512_set1_epi32(static_cast<int>(step.monthBase)));
        if (inA != 0xFFFF) {
            MonthStep next = step;
            const float last = fileDates[i + 15];
            const DayNumber lastDay = dayNumberFromFileDate(last);
            if (lastDay != kNoDay && last >= MonthStep::kLow && last < MonthStep::kHigh)
                next.enter(static_cast<unsigned>(last), lastDay);
            const __m512i offsetB = _mm512_sub_epi32(v, _mm512_set1_epi32(static_cast<int>(next.monthStart)));
            const __mmask16 inB = _mm512_mask_cmplt_epu32_mask(inside & ~inA, offsetB, month);
            if ((inA | inB) != 0xFFFF) {
                for (std::size_t j = i; j < i + 16; ++j)
                    out[j] = step(fileDates[j]);
                continue;
            }
            days = _mm512_mask_add_epi32(days, inB, offsetB, _mm512_set1_epi32(static_cast<int>(next.monthBase)));
            step = next;
        }
        _mm512_storeu_si512(out + i, days);
    }
    return i;
}

#endif

} // namespace

void splitRecordColumnsPortable(const std::uint8_t* records, std::size_t count, std::size_t recordLength,
                                float* const* columns)
{
    for (std::size_t f = 0; f < recordLength / 4; ++f) {
        float* out = columns[f];
        if (out == nullptr)
            continue;
        const std::uint8_t* p = records + 4 * f;
        for (std::size_t i = 0; i < count; ++i, p += recordLength)
            out[i] = mbfToFloat(p);
    }
}

bool splitRecordColumnsWide(const std::uint8_t* records, std::size_t count, std::size_t recordLength,
                            float* const* columns)
{
#ifdef QV_WIDE_RECORDS
    const std::size_t fields = recordLength / 4;
    if (recordLength % 4 != 0 || fields < 1 || fields > kMaxWideFields || !wideAvailable())
        return false;
    const std::size_t blocks = count / 16;
    kWideSplitters[fields - 1](records, blocks, columns);
    const std::size_t done = blocks * 16;
    if (done < count) {
        std::array<float*, kMaxWideFields> rest{};
        for (std::size_t f = 0; f < fields; ++f)
            rest[f] = columns[f] ? columns[f] + done : nullptr;
        splitRecordColumnsPortable(records + done * recordLength, count - done, recordLength, rest.data());
    }
    return true;
#else
    (void)records;
    (void)count;
    (void)recordLength;
    (void)columns;
    return false;
#endif
}

void splitRecordColumns(const std::uint8_t* records, std::size_t count, std::size_t recordLength, float* const* columns)
{
    if (!splitRecordColumnsWide(records, count, recordLength, columns))
        splitRecordColumnsPortable(records, count, recordLength, columns);
}

void dayNumbersFromFileDates(const float* fileDates, DayNumber* out, std::size_t n)
{
    MonthStep step;
    std::size_t done = 0;
#ifdef QV_WIDE_RECORDS
    if (wideAvailable())
        done = dayNumbersWide(fileDates, out, n, step);
#endif
    for (std::size_t i = done; i < n; ++i)
        out[i] = step(fileDates[i]);
}

} // namespace qv
