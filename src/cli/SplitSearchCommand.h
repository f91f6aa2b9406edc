#pragma once
// split-search DIR: the candidate lines of Split Search, one per line.

#include "cli/CommandLine.h"

namespace qv::cli {

int runSplitSearchCommand(Context& context, const Arguments& args); // DIR

} // namespace qv::cli
