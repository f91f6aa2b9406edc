#pragma once
// The browsing commands: what the portfolio list, the symbol grid, the quote grid and the
// dialog "About Selected Quote Series" show, as records. They never change a portfolio.
// Each takes the arguments the dispatcher has already counted.

#include "cli/CommandLine.h"

namespace qv::cli {

int runList(Context& context, const Arguments& args);   // DIR
int runFind(Context& context, const Arguments& args);   // DIR KEY
int runQuotes(Context& context, const Arguments& args); // DIR SYMBOL [--recent]
int runFacts(Context& context, const Arguments& args);  // DIR SYMBOL
int runLocate(Context& context, const Arguments& args); // DIR SYMBOL DATE
int runSearch(Context& context, const Arguments& args); // ROOT [--limit NAME]

} // namespace qv::cli
