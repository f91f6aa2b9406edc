#pragma once
// Today's date as the program sees it, with a seam for tests.

#include <optional>
#include <string>

namespace qv {

// The system's local date as the text MM/DD/YY (the form the data store parses with
// date-format code 3), or the text set by setTodayOverride.
std::string todayText();
// The local date and time in the long form, e.g. "Sunday, December 06, 2026 18:25:31".
std::string localTimeText();
// Makes todayText return `text` until it is called again with std::nullopt. For tests.
void setTodayOverride(std::optional<std::string> text);

} // namespace qv
