#pragma once
// What every subcommand of quovanta-cli shares: the context the global options set up, the
// parsed arguments of the command, and the conversions of argument texts (symbols, dates,
// on/off) that refuse a wrong text as wrong usage.

#include "core/store/encodings.h"

#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1, // the operation failed or was refused
    kExitUsage = 2,   // wrong usage
};

// Set up once from the global options; later commands (profiles, the update run) read it.
struct Context {
    std::string iniPath;    // --ini; empty means the default location of the settings file
    std::string startupDir; // --startup-dir; profiles (*.pfd) and AUDIT.TXT live there
    std::ostream& out;      // records, one per line
    std::ostream& err;      // messages, usage errors
};

// Thrown by argument conversions and caught by the dispatcher, which shows the command's
// usage and ends with kExitUsage. Never thrown once a command has started to change files.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string_view name; // with its dashes: "--recent"
    bool takesValue = false;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options; // flag options map to ""

    bool has(std::string_view option) const { return options.find(option) != options.end(); }
    std::optional<std::string> value(std::string_view option) const;
};

// Splits args into positional arguments and the options of `known` ("--name VALUE" or
// "--name=VALUE"). "--" ends the options; "-" and texts such as "-1.5" are positional.
// Throws UsageError for an unknown option or a missing value. "--help" is never accepted here:
// callers look for it first.
Arguments parseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& known);

// A symbol or security name typed on the command line (UTF-8) as the Windows-1252 bytes the
// portfolio files hold. Longer than the 16 characters a MASTER field holds: UsageError naming
// `what`.
std::string securityTextArgument(std::string_view text, std::string_view what);
// A date typed as MM/DD/YY or YYYY-MM-DD. Anything else (also 3/5/97 or 03/15/1997, which the
// fixed-offset reader would take for another date) is a UsageError.
DayNumber dateArgument(std::string_view text);
// "on" or "off"; anything else is a UsageError.
bool onOffArgument(std::string_view text);

} // namespace qv::cli
