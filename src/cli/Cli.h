#pragma once
// quovanta-cli: reads the global options, picks the subcommand and runs it. Output and
// messages go to the streams given, so tests can run a command line in-process.

#include <ostream>
#include <string>
#include <vector>

namespace qv::cli {

// Runs one command line; args are the words after the program name. Returns the exit status:
// 0 success, 1 the operation failed or was refused, 2 wrong usage. Never throws.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace qv::cli
