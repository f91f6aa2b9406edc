#include "core/browse/quote_text.h"

#include <cstdio>

namespace qv {
namespace {

std::string valueText(float value, int decimals)
{
    if (value < 0)
        return kAbsentValueText;
    // A float's largest value has 39 digits before the point.
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
    return n > 0 && n < static_cast<int>(sizeof text) ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

std::string quotePriceText(float value) { return valueText(value, 4); }

std::string quoteAmountText(float value) { return valueText(value, 0); }

} // namespace qv
