#pragma once
// The profile commands: the profile files of the start-up directory (list, show, write after
// the checks of "Profile Settings") and Symbol Assign / Multiple Assign of "Profiles
// Management". Each takes the arguments the dispatcher has already counted.

#include "cli/CommandLine.h"

namespace qv::cli {

// list | show NAME | write NAME key=value...
int runProfile(Context& context, const Arguments& args);
// DIR SYMBOL PROFILE, or DIR PROFILE with --all
int runAssign(Context& context, const Arguments& args);

} // namespace qv::cli
