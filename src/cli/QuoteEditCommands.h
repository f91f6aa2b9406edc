#pragma once
// The commands of the "&Quotes" menu that change quotes, without their dialogs: the arguments
// are the texts the dialog would hold; the core checks them, rewrites the quote file and gives
// the messages the program would show. A successful command is recorded in the settings file
// as the program records it.

#include "cli/CommandLine.h"

namespace qv::cli {

int runEditQuote(Context& context, const Arguments& args);   // DIR SYMBOL DATE OPEN HIGH LOW CLOSE VOL OI
int runSplit(Context& context, const Arguments& args);       // DIR SYMBOL DATE NEW OLD
int runAdjust(Context& context, const Arguments& args);      // DIR SYMBOL FROM TO PRICE VOL OI
int runDeleteQuote(Context& context, const Arguments& args); // DIR SYMBOL DATE

} // namespace qv::cli
