#pragma once
// Runs quovanta-cli, either as the real program or in-process through the dispatcher, and
// captures what it prints and how it ends.

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qv::cli::testing {

struct CliRun {
    int exitStatus = -1; // -1 when the program did not exit by itself
    std::string out;
    std::string err;
    bool operator==(const CliRun&) const = default;
};
void PrintTo(const CliRun& run, std::ostream* os);

// Whole runs to compare with: an ordinary end, and a refusal (status 1, nothing on standard output).
inline CliRun ended(int status, std::string out, std::string err = {})
{
    return {status, std::move(out), std::move(err)};
}
inline CliRun failed(std::string err) { return ended(1, {}, std::move(err)); }

// Runs the built quovanta-cli binary with args, in the current directory.
CliRun runProgram(const std::vector<std::string>& args);
// Runs the same command line through the dispatcher in this process.
CliRun runInProcess(const std::vector<std::string>& args);

// The content of a file as text.
std::string fileText(const std::string& path);
// Splits output into lines, without their line breaks.
std::vector<std::string> lines(const std::string& text);

} // namespace qv::cli::testing
