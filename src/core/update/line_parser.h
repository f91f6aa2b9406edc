#pragma once
// Recognising and splitting the lines of ASCII update files.

#include "core/platform/text.h"

#include <array>
#include <string_view>

namespace qv {

inline constexpr int kMaxLineFields = 20;
// Lines shorter than this (line end included) carry no quote.
inline constexpr std::size_t kMinQuoteLineLength = 11;

struct LineFields {
    std::array<std::string_view, kMaxLineFields> field{};
    int count = 0;
    // Column c (1-based); empty beyond the fields of the line.
    std::string_view column(int c) const { return c >= 1 && c <= count ? field[c - 1] : std::string_view(); }
};

// The delimiter of a profile's delimiter code: comma (0 and any unknown code), tab (1), blank (2).
char delimiterOf(int delimiterCode);

// Cuts a line at `delimiter`: runs of delimiters count as one, none at either end makes a
// field, at most 20 fields are kept, a final LF is no part of the last field.
void splitFields(std::string_view line, char delimiter, LineFields& out);
// splitFields for a line of an update file, where a line shorter than kMinQuoteLineLength has
// no fields. Returns the text of symbolColumn.
std::string_view splitLine(std::string_view line, int delimiterCode, int symbolColumn, LineFields& out);

// The match of a line to a symbol that stands in column 1: the line's first non-blank
// character must be the symbol's first character exactly, and the first word (after the first
// delimiter is taken for a blank) must equal the symbol without regard to case.
bool firstWordMatches(std::string_view line, int delimiterCode, std::string_view symbol);

// The leading decimal number of a field (blanks, sign, digits, point, exponent), independent
// of the locale; 0 when the field does not begin with a number.
float leadingNumber(std::string_view field);

} // namespace qv
