#include "core/store/encodings.h"
#include "core/store/record_columns.h"

#include <gtest/gtest.h>

#include <array>
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
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(rng());
        if (i % length % 4 == 3 && rng() % 8 < 3)
            bytes[i] = std::array<std::uint8_t, 5>{0, 1, 2, 3, 255}[rng() % 5];
    }
    return bytes;
}

using Split = bool (*)(const std::uint8_t*, std::size_t, std::size_t, float* const*);

template <void (*path)(const std::uint8_t*, std::size_t, std::size_t, float* const*)>
bool always(const std::uint8_t* records, std::size_t count, std::size_t length, float* const* columns)
{
    path(records, count, length, columns);
    return true;
}

// Each way of splitting against mbfToIeee field by field, bit for bit, for records of every
// length up to two fields more than the wide path takes (lengths that are no multiple of 4 carry
// bytes that are no field); every third column is not wanted and must be left as it was. The
// wide path may decline (where the processor lacks it), and is then not checked.
TEST(RecordColumns, EveryPathGivesTheBitsOfTheFieldByFieldConversion)
{
    constexpr float kUntouched = 12345.0f;
    const std::pair<Split, const char*> paths[] = {{always<splitRecordColumns>, "chosen"},
                                                   {always<splitRecordColumnsPortable>, "portable"},
                                                   {splitRecordColumnsWide, "wide"}};
    for (const auto& [split, name] : paths) {
        std::mt19937 rng(20261206);
        for (std::size_t length = 4; length <= 4 * (kMaxWideFields + 2); ++length) {
            const std::size_t fields = length / 4;
            for (std::size_t count : {0, 1, 15, 16, 17, 47, 300}) {
                const auto records = randomRecords(count, length, rng);
                std::vector<std::vector<float>> columns(fields, std::vector<float>(count + 1, kUntouched));
                std::vector<float*> out;
                for (std::size_t f = 0; f < fields; ++f)
                    out.push_back(f % 3 == 2 ? nullptr : columns[f].data());
                if (!split(records.data(), count, length, out.data()))
                    continue;
                for (std::size_t f = 0; f < fields; ++f) {
                    for (std::size_t i = 0; i < count; ++i) {
                        std::uint8_t expected[4];
                        mbfToIeee(records.data() + i * length + 4 * f, expected);
                        if (f % 3 == 2)
                            ASSERT_EQ(columns[f][i], kUntouched) << name << ": field " << f << " was not wanted";
                        else
                            ASSERT_EQ(std::memcmp(&columns[f][i], expected, 4), 0)
                                << name << ": length " << length << ", record " << i << " field " << f;
                    }
                    ASSERT_EQ(columns[f][count], kUntouched) << name << ": wrote past the last record";
                }
            }
        }
    }
}

// Every day in order, then gaps, disorder and values that are no date.
TEST(FileDates, RunsOfDatesGiveTheScalarDayNumbers)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float nonDates[] = {0.0f,     -0.0f,      -970315.0f, 970015.0f, 971315.0f,  970399.0f,  610100.0f, 101.5f,
                              -8770.0f, 2000101.0f, 1991232.0f, 1e30f,     970315.75f, 1991231.9f, nan,       INFINITY};
    std::vector<float> daily, mixed(std::begin(nonDates), std::end(nonDates));
    for (DayNumber n = kFirstDay; n <= kLastDay; ++n)
        daily.push_back(fileDateValue(n));
    daily.push_back(fileDateValue(1)); // and a length that is no multiple of 16
    std::mt19937 rng(7);
    for (DayNumber n = kFirstDay; mixed.size() < 40000;) {
        const auto roll = rng() % 100, step = rng() % 71;
        mixed.push_back(roll < 3   ? nonDates[step % std::size(nonDates)]
                        : roll < 5 ? fileDateValue(n - static_cast<DayNumber>(step)) // out of order
                                   : fileDateValue(n));
        n += roll < 90 ? 1 : static_cast<DayNumber>(step);
        if (n > dayNumberFromYmd(2099, 1, 1))
            n = kFirstDay;
    }
    for (const auto* dates : {&daily, &mixed}) {
        std::vector<DayNumber> out(dates->size() + 1, 0xBEEF);
        dayNumbersFromFileDates(dates->data(), out.data(), dates->size());
        for (std::size_t i = 0; i < dates->size(); ++i)
            ASSERT_EQ(out[i], dayNumberFromFileDate((*dates)[i])) << "date " << i << " = " << (*dates)[i];
        EXPECT_EQ(out.back(), 0xBEEF) << "wrote past the end";
    }
}

} // namespace
} // namespace qv
