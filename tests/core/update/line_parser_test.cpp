#include "core/update/line_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <tuple>
#include <vector>

namespace qv {
namespace {

using Fields = std::vector<std::string>;

Fields fieldsOf(std::string_view line, int delimiterCode)
{
    LineFields f;
    splitLine(line, delimiterCode, 1, f);
    Fields out;
    for (int i = 0; i < f.count; ++i)
        out.emplace_back(f.field[static_cast<std::size_t>(i)]);
    return out;
}

TEST(SplitLine, RunsOfDelimitersCountAsOneEachCodeCutsAtItsOwnCharacterAndShortLinesHaveNoFields)
{
    const std::tuple<const char*, int, Fields> cases[] = {
        // A missing value shifts the later columns left.
        {"IBM,,970102,10,11,9,10.5,1000\n", 0, {"IBM", "970102", "10", "11", "9", "10.5", "1000"}},
        {",,IBM,970102,10,,\n", 0, {"IBM", "970102", "10"}},
        {" IBM , 970102 ,10\n", 0, {" IBM ", " 970102 ", "10"}}, // blanks next to a comma stay
        {"IBM\t\t970102\t10 5\n", 1, {"IBM", "970102", "10 5"}},
        {"  IBM   970102 10,5\n", 2, {"IBM", "970102", "10,5"}},
        {"IBM,970102 10\t5\n", 7, {"IBM", "970102 10\t5"}}, // unknown codes use the comma
        {"IBM,1,2,3\n", 0, {}},                             // ten characters with the line end
        {"IBM,1,2,34\n", 0, {"IBM", "1", "2", "34"}},       // eleven; the line end is no part of a field
    };
    for (const auto& [line, code, fields] : cases)
        EXPECT_EQ(fieldsOf(line, code), fields) << line;
    std::string line = "IBM";
    for (int i = 2; i <= 25; ++i)
        line += "," + std::to_string(i);
    LineFields f;
    EXPECT_EQ(splitLine(line + "\n", 0, 20, f), "20");
    EXPECT_EQ(f.count, 20);
    EXPECT_EQ(splitLine("IBM,970102,10\n", 0, 5, f), ""); // a column beyond the last reads empty
}

// A wrong reading here is stored silently as a price, so the edges of the number syntax count;
// a decimal comma locale must not change what a point means.
TEST(LeadingNumber, ReadsSignPointAndExponentStopsAtTheFirstCharacterThatDoesNotFitWhateverTheLocale)
{
    const std::pair<const char*, float> cases[] = {
        {"  -2.25xyz", -2.25f},
        {"-.5", -0.5f},
        {"2E-2", 0.02f},
        {"7e", 7.0f},
        {"1,000", 1.0f},
        // Text that does not begin with a decimal number reads zero; hexadecimal is not read.
        {"", 0},
        {"-", 0},
        {"+-5", 0},
        {"inf", 0},
        {"nan", 0},
        {"0x1A", 0}};
    for (const auto& [text, value] : cases)
        EXPECT_FLOAT_EQ(leadingNumber(text), value) << '"' << text << '"';
    const char* const names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    const auto chosen = std::ranges::find_if(names, [](const char* name) { return std::setlocale(LC_NUMERIC, name); });
    if (chosen == std::end(names))
        return; // no locale with a decimal comma is installed
    const float value = leadingNumber("10.75"), comma = leadingNumber("10,75");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_FLOAT_EQ(value, 10.75f) << *chosen;
    EXPECT_FLOAT_EQ(comma, 10.0f) << *chosen;
}

} // namespace
} // namespace qv
