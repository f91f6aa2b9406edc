#include "core/store/encodings.h"
#include "core/store/record_columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace qv {
namespace {

// Records of random bytes whose exponent bytes visit the special values (0..3: zero and the
// smallest numbers; 255: the largest) as often as ordinary ones.
std::vector<std::uint8_t> randomRecords(std::size_t count, std::size_t length, std::mt19937& rng)
{
    std::vector<std::uint8_t> bytes(count * length);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(byte(rng));
        if (i % length % 4 == 3 && byte(rng) < 96)
            bytes[i] = static_cast<std::uint8_t>(std::array{0, 1, 2, 3, 255}[byte(rng) % 5]);
    }
    return bytes;
}

using Split = bool (*)(const std::uint8_t*, std::size_t, std::size_t, float* const*);

// Checks one way of splitting against mbfToIeee field by field, bit for bit, for records of
// every length up to two fields more than the wide path takes (lengths that are no multiple of
// 4 carry bytes that are no field); every third column is not wanted and must be left as it
// was.
void expectSplitMatches(Split split, const char* name)
{
    std::mt19937 rng(20261206);
    constexpr float kUntouched = 12345.0f;
    for (std::size_t length = 4; length <= 4 * (kMaxWideFields + 2); ++length) {
        const std::size_t fields = length / 4;
        for (std::size_t count : {0, 1, 15, 16, 17, 47, 300}) {
            const auto records = randomRecords(count, length, rng);
            std::vector<std::vector<float>> columns(fields, std::vector<float>(count + 1, kUntouched));
            std::vector<float*> out;
            for (std::size_t f = 0; f < fields; ++f)
                out.push_back(f % 3 == 2 ? nullptr : columns[f].data());
            if (!split(records.data(), count, length, out.data()))
                continue; // the wide path declines (checked below)
            for (std::size_t f = 0; f < fields; ++f) {
                for (std::size_t i = 0; i < count; ++i) {
                    std::uint8_t expected[4];
                    mbfToIeee(records.data() + i * length + 4 * f, expected);
                    if (f % 3 == 2) {
                        ASSERT_EQ(columns[f][i], kUntouched) << name << ": field " << f << " was not wanted";
                    } else {
                        ASSERT_EQ(std::memcmp(&columns[f][i], expected, 4), 0)
                            << name << ": length " << length << ", record " << i << " field " << f;
                    }
                }
                ASSERT_EQ(columns[f][count], kUntouched) << name << ": wrote past the last record";
            }
        }
    }
}

// A path that always takes the records.
template <void (*path)(const std::uint8_t*, std::size_t, std::size_t, float* const*)>
bool always(const std::uint8_t* records, std::size_t count, std::size_t length, float* const* columns)
{
    path(records, count, length, columns);
    return true;
}

TEST(RecordColumns, EveryPathGivesTheBitsOfTheFieldByFieldConversion)
{
    expectSplitMatches(always<splitRecordColumns>, "chosen path");
    expectSplitMatches(always<splitRecordColumnsPortable>, "portable path");
    expectSplitMatches(splitRecordColumnsWide, "wide path");
}

TEST(RecordColumns, WidePathTakesEveryRecordUpToItsWidthWhereTheProcessorHasIt)
{
#if defined(__x86_64__)
    const bool wide = __builtin_cpu_supports("avx512f");
#else
    const bool wide = false;
#endif
    const std::vector<std::uint8_t> record(4 * (kMaxWideFields + 1), 0);
    std::vector<float> values(kMaxWideFields + 1);
    std::vector<float*> columns;
    for (float& v : values)
        columns.push_back(&v);
    for (std::size_t fields = 1; fields <= kMaxWideFields; ++fields) {
        EXPECT_EQ(splitRecordColumnsWide(record.data(), 1, 4 * fields, columns.data()), wide) << fields;
        EXPECT_FALSE(splitRecordColumnsWide(record.data(), 1, 4 * fields + 2, columns.data())) << fields;
    }
    EXPECT_FALSE(splitRecordColumnsWide(record.data(), 1, 4 * (kMaxWideFields + 1), columns.data()));
    EXPECT_FALSE(splitRecordColumnsWide(record.data(), 1, 3, columns.data()));
}

// ---- file dates ---------------------------------------------------------------------------

void expectDatesMatch(const std::vector<float>& dates, const char* what)
{
    std::vector<DayNumber> out(dates.size() + 1, 0xBEEF);
    dayNumbersFromFileDates(dates.data(), out.data(), dates.size());
    for (std::size_t i = 0; i < dates.size(); ++i)
        ASSERT_EQ(out[i], dayNumberFromFileDate(dates[i])) << what << ": date " << i << " = " << dates[i];
    EXPECT_EQ(out[dates.size()], 0xBEEF) << what << ": wrote past the end";
}

TEST(FileDates, DailyRunsOverEveryDateGiveTheScalarDayNumbers)
{
    std::vector<float> daily;
    std::vector<float> weekdays;
    for (DayNumber n = 1; n <= dayNumberFromYmd(2099, 12, 31); ++n) {
        daily.push_back(fileDateValue(n));
        if (n % 7 != 0 && n % 7 != 6)
            weekdays.push_back(fileDateValue(n));
    }
    daily.push_back(fileDateValue(1)); // and a length that is no multiple of 16
    expectDatesMatch(daily, "daily");
    expectDatesMatch(weekdays, "weekdays");
}

TEST(FileDates, GapsDisorderAndNonDatesGiveTheScalarDayNumbers)
{
    std::mt19937 rng(7);
    const float nonDates[] = {0.0f,        -0.0f,      -970315.0f, 970015.0f,   971315.0f,  970399.0f,
                              970300.0f,   610100.0f,  2000101.0f, 1e30f,       970315.75f, 1991231.9f,
                              std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
    std::uniform_int_distribution<int> step(0, 70);
    std::uniform_int_distribution<int> pick(0, 99);
    std::vector<float> dates;
    DayNumber n = dayNumberFromYmd(1961, 1, 1);
    while (dates.size() < 20000) {
        const int roll = pick(rng);
        if (roll < 3)
            dates.push_back(nonDates[static_cast<std::size_t>(step(rng)) % std::size(nonDates)]);
        else if (roll < 5)
            dates.push_back(fileDateValue(static_cast<DayNumber>(n - step(rng)))); // out of order
        else
            dates.push_back(fileDateValue(n));
        n = static_cast<DayNumber>(n + (roll < 90 ? 1 : step(rng)));
        if (n > dayNumberFromYmd(2099, 1, 1))
            n = dayNumberFromYmd(1961, 1, 1);
    }
    expectDatesMatch(dates, "mixed");
    expectDatesMatch(std::vector<float>(nonDates, nonDates + std::size(nonDates)), "non-dates only");
}

} // namespace
} // namespace qv
