#pragma once
// How one quote value reads in the quote grid and in `quovanta-cli quotes`: prices with four
// decimals, volume and open interest as whole numbers (rounded, not cut), and "N/A" for a value
// below zero, which is how a field the quote file does not hold is read. Both use the C
// library's formatting, so the window and the command line never disagree by a digit.

#include <string>

namespace qv {

inline constexpr const char* kAbsentValueText = "N/A";
// What the quote grid and `quotes` say when a security's quotes cannot be read.
inline constexpr const char* kQuoteGridErrorMessage = "Error in FillQuotesGrid";
// A history longer than the reading buffer can be made for.
inline constexpr const char* kTooManyQuotesMessage = "Too many quotes";

// Open, high, low, close: "%.4f".
std::string quotePriceText(float value);
// Volume, open interest: "%.0f".
std::string quoteAmountText(float value);

} // namespace qv
