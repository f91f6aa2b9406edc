#pragma once
// Case and blanks of the texts the files and dialogs hold. File names, symbols, keys and profile
// names written by Windows programs are compared and upper-cased the way that system did: ASCII
// letters only, whatever locale the program runs in (the desktop program takes the user's), so
// a byte such as 0xE4 never becomes another byte.

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upperAscii(c);
    return out;
}

// A blank of a typed field: space or tab.
constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
// White space as the C library's isspace sees it in the "C" locale: blanks and line ends.
constexpr bool isSpaceAscii(char c) { return isBlank(c) || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

constexpr std::string_view trimBlanksRight(std::string_view text)
{
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}
constexpr std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return trimBlanksRight(text);
}
constexpr std::string_view trimSpaceRight(std::string_view text)
{
    while (!text.empty() && isSpaceAscii(text.back()))
        text.remove_suffix(1);
    return text;
}
constexpr std::string_view trimSpace(std::string_view text)
{
    while (!text.empty() && isSpaceAscii(text.front()))
        text.remove_prefix(1);
    return trimSpaceRight(text);
}

constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

constexpr bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Little-endian 16-bit fields of the binary files.
constexpr std::uint16_t getU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
constexpr std::uint32_t getU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
constexpr void putU16(std::uint8_t* p, unsigned value)
{
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

} // namespace qv
