#include "core/update/dos_text.h"
#include "core/update/line_parser.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>
#include <vector>

namespace qv {
namespace {

std::vector<std::string> fieldsOf(std::string_view line, int delimiterCode) {
    LineFields f;
    splitLine(line, delimiterCode, 1, f);
    std::vector<std::string> out;
    for (int i = 0; i < f.count; ++i) out.emplace_back(f.field[static_cast<std::size_t>(i)]);
    return out;
}

using Fields = std::vector<std::string>;

TEST(SplitLine, RunsOfDelimitersCountAsOneAndEachCodeCutsAtItsOwnCharacter) {
    const std::tuple<const char*, int, Fields> cases[] = {
        // A missing value shifts the later columns left.
        {"IBM,,970102,10,11,9,10.5,1000\n", 0, {"IBM", "970102", "10", "11", "9", "10.5", "1000"}},
        {",,IBM,970102,10,,\n", 0, {"IBM", "970102", "10"}},
        {" IBM , 970102 ,10\n", 0, {" IBM ", " 970102 ", "10"}}, // blanks next to a comma stay
        {"IBM\t\t970102\t10 5\n", 1, {"IBM", "970102", "10 5"}},
        {"  IBM   970102 10,5\n", 2, {"IBM", "970102", "10,5"}},
        {"IBM,970102 10\t5\n", 7, {"IBM", "970102 10\t5"}}, // unknown codes use the comma
    };
    for (const auto& [line, code, fields] : cases) EXPECT_EQ(fieldsOf(line, code), fields) << line;
}

TEST(SplitLine, KeepsAtMostTwentyFieldsAndColumnsBeyondReadEmpty) {
    std::string line = "IBM";
    for (int i = 2; i <= 25; ++i) line += "," + std::to_string(i);
    LineFields f;
    EXPECT_EQ(splitLine(line + "\n", 0, 20, f), "20");
    EXPECT_EQ(f.count, 20);
    EXPECT_EQ(splitLine("IBM,970102,10\n", 0, 5, f), "");
    EXPECT_EQ(f.count, 3);
}

TEST(SplitLine, LineShorterThanElevenCharactersWithItsLineEndHasNoFields) {
    LineFields f;
    EXPECT_EQ(splitLine("IBM,1,2,3\n", 0, 1, f), ""); // ten characters
    EXPECT_EQ(f.count, 0);
    EXPECT_EQ(splitLine("IBM,1,2,34\n", 0, 1, f), "IBM"); // eleven
    EXPECT_EQ(f.count, 4);
    EXPECT_EQ(f.column(4), "34") << "the line end is no part of the last field";
}

TEST(FirstWordMatches, CaseOfTheFirstCharacterMattersAndTheWordEndsAtABlankOrTheFirstDelimiter) {
    const std::tuple<const char*, int, bool> cases[] = {
        {"IBM,970102,10\n", 0, true},      {"Ibm,970102,10\n", 0, true},       {"ibm,970102,10\n", 0, false},
        {"IBMX,970102,10\n", 0, false},    {"IB,970102,10\n", 0, false},       {"IBM CORP,970102,10\n", 0, true},
        {"   IBM,970102,10\n", 0, true},   {" \t IBM,970102,10\n", 0, true},   {"IBM\t970102\t10\n", 1, true},
        {"IBM 970102 10\n", 2, true},      {"", 0, false},
        // Only the first comma is taken for a blank: with a tab profile a comma stays in the word.
        {"IBM,970102\t10\n", 1, false},
    };
    for (const auto& [line, code, matches] : cases) EXPECT_EQ(firstWordMatches(line, code, "IBM"), matches) << line;
}

TEST(LeadingNumber, ReadsSignPointAndExponentAndStopsAtTheFirstCharacterThatDoesNotFit) {
    const std::pair<const char*, float> cases[] = {
        {"10.5", 10.5f}, {"  -2.25xyz", -2.25f}, {"+3", 3.0f}, {".5", 0.5f}, {"-.5", -0.5f}, {"1.5e3", 1500.0f},
        {"2E-2", 0.02f}, {"7e", 7.0f}, {"1,000", 1.0f},
        // Text that does not begin with a decimal number reads zero; hexadecimal is not read.
        {"abc", 0}, {"", 0}, {" ", 0}, {"-", 0}, {".", 0}, {"+-5", 0}, {"inf", 0}, {"nan", 0}, {"x10", 0}, {"0x1A", 0}};
    for (const auto& [text, value] : cases) EXPECT_FLOAT_EQ(leadingNumber(text), value) << '"' << text << '"';
}

TEST(LeadingNumber, DecimalPointIsAPointWhateverTheLocale) {
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            chosen = name;
            break;
        }
    }
    if (!chosen) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const float value = leadingNumber("10.75");
    const float comma = leadingNumber("10,75");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_FLOAT_EQ(value, 10.75f) << chosen;
    EXPECT_FLOAT_EQ(comma, 10.0f) << chosen;
}

std::vector<std::string> dosLines(std::string_view raw) {
    const std::string text = normalizeDosText(raw);
    DosLineReader reader(text);
    std::vector<std::string> out;
    for (std::string_view line; reader.next(line);) out.emplace_back(line);
    return out;
}

TEST(DosText, CrLfAndLfBothEndALineALoneCrStaysInTheLineAndByteOneAEndsTheFile) {
    EXPECT_EQ(dosLines("A\r\nB\nC\rD\r\nE"), (std::vector<std::string>{"A\n", "B\n", "C\rD\n", "E"}));
    EXPECT_EQ(dosLines("A\r\nB\x1A" "C\r\nD\r\n"), (std::vector<std::string>{"A\n", "B"}));
    EXPECT_TRUE(dosLines("\x1A" "A\n").empty());
}

TEST(DosText, LongLineComesBackAsPiecesOfAtMost299Characters) {
    const std::string longLine = std::string(400, 'x');
    const auto lines = dosLines(longLine + "\r\nIBM\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(299, 'x'));
    EXPECT_EQ(lines[1], std::string(101, 'x') + "\n");
    EXPECT_EQ(lines[2], "IBM\n");
    // Exactly 299 characters: the line end is read by the next read, as a line of its own.
    EXPECT_EQ(dosLines(std::string(299, 'y') + "\n"), (std::vector<std::string>{std::string(299, 'y'), "\n"}));
}

TEST(DosText, ReadDosLinesOfAFileAndOfAMissingOne) {
    fixtures::TempDir tmp;
    fixtures::writeText(tmp.file("a.txt"), "Title\r\n\r\nAudit for MASTER at: /x\r\n\x1A");
    std::vector<std::string> lines{"stale"};
    ASSERT_TRUE(readDosLines(tmp.file("a.txt"), lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"Title\n", "\n", "Audit for MASTER at: /x\n"}));
    EXPECT_FALSE(readDosLines(tmp.file("missing.txt"), lines));
    EXPECT_TRUE(lines.empty());
}

} // namespace
} // namespace qv
