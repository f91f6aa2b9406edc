// The texts of dump's CSV fields; the stream as a whole is checked through the CLI.

#include "core/ascii/dump.h"

#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace qv {
namespace {

namespace fx = fixtures;

TEST(DumpText, DatesTimesAndSymbols) {
    using Cases = std::vector<std::pair<float, std::string>>;
    for (const auto& [stored, text] : Cases{{970102, "1997-01-02"}, {1010315, "2001-03-15"}, {1991231, "2099-12-31"},
                                            {0, ""}, {-970102, ""}, {971302, ""}})
        EXPECT_EQ(dumpDateText(stored), text) << stored;
    for (const auto& [stored, text] : Cases{{0, "00:00:00"}, {93000.75f, "09:30:00"}, {235959, "23:59:59"},
                                            {240000, ""}, {96000, ""}, {93060, ""}, {-100, ""}})
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
    for (int field = 1; field <= 7; ++field) layout.fieldNumber[static_cast<std::size_t>(field == 1 ? 0 : field)] = field;
    for (auto v = values.begin(); v != values.end(); v += 6) {
        const fx::QuoteRow row = {fx::fileDate(1997, 1, 2), v[0], v[1], v[2], v[3], v[4], v[5]};
        const fx::ByteVec file = fx::quoteFile(7, {row});
        std::string out;
        appendDumpLines(out, "S", layout, file.data() + 28, 1, 28);
        ASSERT_TRUE(out.starts_with("S,1997-01-02,00:00:00,") && out.ends_with('\n')) << out;
        std::istringstream fields(out.substr(22, out.size() - 23));
        std::string text;
        std::size_t k = 1;
        for (; std::getline(fields, text, ','); ++k) {
            EXPECT_EQ(std::strtof(text.c_str(), nullptr), row.at(k)) << text;
            char shortest[64] = "";
            for (int digits = 1; digits <= 9; ++digits)
                if (std::snprintf(shortest, sizeof shortest, "%.*g", digits, double(row[k])),
                    std::strtof(shortest, nullptr) == row[k])
                    break;
            EXPECT_LE(text.size(), std::strlen(shortest)) << text << " against " << shortest;
        }
        EXPECT_EQ(k, 7u) << out;
    }
}

} // namespace
} // namespace qv
