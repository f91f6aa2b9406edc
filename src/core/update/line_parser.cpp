#include "core/update/line_parser.h"

#include <cctype>
#include <charconv>

namespace qv {

char delimiterOf(int delimiterCode)
{
    switch (delimiterCode) {
    case 1: return '\t';
    case 2: return ' ';
    default: return ',';
    }
}

void splitFields(std::string_view line, char delimiter, LineFields& out)
{
    out.count = 0;
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    std::size_t pos = 0;
    while (pos < line.size() && out.count < kMaxLineFields) {
        while (pos < line.size() && line[pos] == delimiter)
            ++pos;
        if (pos >= line.size())
            break;
        const std::size_t end = std::min(line.find(delimiter, pos), line.size());
        out.field[out.count++] = line.substr(pos, end - pos);
        pos = end;
    }
}

std::string_view splitLine(std::string_view line, int delimiterCode, int symbolColumn, LineFields& out)
{
    out.count = 0;
    if (line.size() < kMinQuoteLineLength)
        return {};
    splitFields(line, delimiterOf(delimiterCode), out);
    return out.column(symbolColumn);
}

bool firstWordMatches(std::string_view line, int delimiterCode, std::string_view symbol)
{
    if (line.empty() || symbol.empty())
        return false;
    std::size_t first = 0;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
        ++first;
    const char lead = first < line.size() ? line[first] : line.back();
    if (lead != symbol.front())
        return false;
    // The first delimiter counts as white space; code 2 is white space already.
    const char delimiter = delimiterCode == 2 ? '\0' : delimiterOf(delimiterCode);
    const std::size_t replaced = delimiter ? line.find(delimiter) : std::string_view::npos;
    auto isSpace = [&](std::size_t i) { return i == replaced || isSpaceAscii(line[i]); };
    std::size_t start = 0;
    while (start < line.size() && isSpace(start))
        ++start;
    std::size_t end = start;
    while (end < line.size() && !isSpace(end))
        ++end;
    return equalsIgnoringCase(line.substr(start, end - start), symbol);
}

float leadingNumber(std::string_view field)
{
    std::size_t i = 0;
    while (i < field.size() && isSpaceAscii(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    const bool digitFollows = i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]));
    const bool pointDigit =
        i + 1 < field.size() && field[i] == '.' && std::isdigit(static_cast<unsigned char>(field[i + 1]));
    if (!digitFollows && !pointDigit)
        return 0.0f;
    float value = 0.0f;
    const auto result = std::from_chars(field.data() + i, field.data() + field.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return 0.0f;
    return negative ? -value : value;
}

} // namespace qv
