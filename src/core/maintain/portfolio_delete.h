#pragma once
// Portfolio Delete without its dialog: empties a portfolio directory and removes it.
//
// Only regular files directly in the directory are removed. Nothing is followed: a symbolic
// link (to a file or a directory anywhere) is left in place, as are subdirectories (nested
// portfolios), other special files and names beginning with '.'; each such entry, like any
// removal that fails, makes the deletion incomplete, and then the directory itself stays.
// A directory that holds no MASTER is refused untouched, so a stale or mistyped path never
// empties an arbitrary directory.

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kPortfolioNotAllDeletedMessage =
    "Not all of the portfolio elements could be automatically deleted.\nRemoving portfolio from this display.";

struct PortfolioDeletion {
    bool complete = false; // every file and the directory itself are gone
    int filesRemoved = 0;
    std::vector<std::string> leftOver; // a sentence per entry or step that failed
};

PortfolioDeletion deletePortfolio(const std::string& dir);

} // namespace qv
