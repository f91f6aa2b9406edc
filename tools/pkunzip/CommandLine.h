#pragma once
// The command line the update engine gives the unpacker: NAME -o [-sPASSWORD], the options
// before or after the name, the password written directly after "-s". After "--" every
// argument is a name, and the engine writes a name beginning with "-" as "./NAME", so that no
// archive name is ever read as an option. The archive is extracted into the current directory.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::pkunzip {

// Exit statuses of the unpacker.
constexpr int kExitExtracted = 0;
constexpr int kExitFailed = 1; // the archive was refused or could not be extracted in full
constexpr int kExitUsage = 2;  // the command line was not understood

// Runs the unpacker on args (without the program name); usage goes to out, each failure to err
// as one line naming the archive and the reason. Returns the exit status.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qv::pkunzip
