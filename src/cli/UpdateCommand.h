#pragma once
// The update run from the command line: progress and the worker's message boxes on standard
// error, the quote count and the anomaly report on standard output.

#include "cli/CommandLine.h"

#include <string>
#include <vector>

namespace qv::cli {

int runUpdate(Context& context, const Arguments& args); // [DIR...]

// The portfolios an update without DIR covers: those the search finds on the saved "Drive"
// (the root holding the start-up directory when none is saved), with the saved search filter.
std::vector<std::string> defaultPortfolios(const std::string& iniPath, const std::string& startupDir);

} // namespace qv::cli
