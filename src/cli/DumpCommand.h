#pragma once
// dump DIR... [--nested]: every quote of every security of the portfolios as one CSV stream.

#include "cli/CommandLine.h"

namespace qv::cli {

int runDump(Context& context, const Arguments& args); // DIR... [--nested]

} // namespace qv::cli
