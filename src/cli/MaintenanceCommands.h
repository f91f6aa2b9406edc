#pragma once
// The portfolio and symbol maintenance commands: the menu commands of the program without
// their dialogs. The core validates and reports; these only convert the arguments, call it
// and show its message.

#include "cli/CommandLine.h"

namespace qv::cli {

int runCreatePortfolio(Context& context, const Arguments& args); // DIR
int runAddSymbol(Context& context, const Arguments& args);       // DIR SYMBOL [NAME]
int runDeleteSymbol(Context& context, const Arguments& args);    // DIR SYMBOL
int runEditSymbol(Context& context, const Arguments& args);      // DIR OLD NEW [NAME]
int runSkip(Context& context, const Arguments& args);            // DIR SYMBOL on|off
int runSkipAll(Context& context, const Arguments& args);         // DIR on|off

} // namespace qv::cli
