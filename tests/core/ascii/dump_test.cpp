// The texts of dump's CSV fields; the stream as a whole is checked through the CLI.

#include "core/ascii/dump.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv {
namespace {

namespace fx = fixtures;

TEST(DumpText, DatesTimesAndSymbols) {
    using Case = std::pair<float, std::string>;
    for (const auto& [stored, text] : std::vector<Case>{{970102, "1997-01-02"},
                                                        {1010315, "2001-03-15"},
                                                        {1991231, "2099-12-31"},
                                                        {0, ""},
                                                        {-970102, ""},
                                                        {971302, ""}})
        EXPECT_EQ(dumpDateText(stored), text) << stored;
    for (const auto& [stored, text] : std::vector<Case>{{0, "00:00:00"},
                                                        {93000, "09:30:00"},
                                                        {93000.75f, "09:30:00"},
                                                        {235959, "23:59:59"},
                                                        {240000, ""},
                                                        {96000, ""},
                                                        {93060, ""},
                                                        {-100, ""}})
        EXPECT_EQ(dumpTimeText(stored), text) << stored;
    EXPECT_EQ(csvField("IBM"), "IBM");
    EXPECT_EQ(csvField("A,B"), "\"A,B\"");
    EXPECT_EQ(csvField("5\" BOND"), "\"5\"\" BOND\"");
}

// Each value must read back as the very single stored, in no more characters than the fewest
// significant digits that do so take in "%g" (a fixed "%.4f" loses 0.00001 and 1e-30; "%.9g"
// is seldom the shortest).
TEST(DumpText, ValuesAreTheShortestTextsThatReadBackExactly) {
    const std::vector<float> values = {0.1f, 1.0f / 3, 12.5f, 0.00001f, 1e-30f, 1.5e38f,
                                       16777216, 123456792, 100000, -2.75f, 0, 7};
    FieldLayout layout; // date, open, high, low, close, volume, open interest
    for (int field = 1; field <= 7; ++field)
        layout.fieldNumber[static_cast<std::size_t>(field == 1 ? 0 : field)] = field;
    for (std::size_t i = 0; i < values.size(); i += 6) {
        const fx::QuoteRow row = {fx::fileDate(1997, 1, 2), values[i],     values[i + 1], values[i + 2],
                                  values[i + 3],            values[i + 4], values[i + 5]};
        const fx::ByteVec file = fx::quoteFile(7, {row});
        std::string out;
        appendDumpLines(out, "S", layout, file.data() + 28, 1, 28);
        ASSERT_EQ(out.substr(0, 22), "S,1997-01-02,00:00:00,") << out;
        ASSERT_EQ(out.back(), '\n');
        std::size_t at = 22;
        for (std::size_t k = 1; k <= 6; ++k) {
            const std::size_t end = out.find_first_of(",\n", at);
            const std::string text = out.substr(at, end - at);
            at = end + 1;
            EXPECT_EQ(std::strtof(text.c_str(), nullptr), row[k]) << text;
            char shortest[64] = "";
            for (int digits = 1; digits <= 9; ++digits) {
                std::snprintf(shortest, sizeof shortest, "%.*g", digits, static_cast<double>(row[k]));
                if (std::strtof(shortest, nullptr) == row[k])
                    break;
            }
            EXPECT_LE(text.size(), std::string(shortest).size()) << text << " against " << shortest;
        }
    }
}

} // namespace
} // namespace qv
