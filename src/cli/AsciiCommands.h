#pragma once
// The historical ASCII import and the ASCII export. Options not given take the defaults the
// dialogs open with on a machine without saved settings, never the saved values, so a script
// gives the same result everywhere; neither command writes the dialogs' settings.

#include "cli/CommandLine.h"

namespace qv::cli {

// INPUT DIR --symbol S [--name N] [--new-master] [--date-format NAME] [--delimiter ...]
// [--skip N] [--date C] [--open C] [--high C] [--low C] [--close C] [--volume C] [--oi C]
int runImport(Context& context, const Arguments& args);
// DIR SYMBOL OUTPUT [--columns LIST] [--delimiter space|comma|tab] [--newest-first] [--title]
int runExport(Context& context, const Arguments& args);

} // namespace qv::cli
