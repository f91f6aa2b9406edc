#include "cli_harness.h"

#include "cli/Cli.h"
#include "fixtures/portfolio_builder.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

namespace qv::cli::testing {

namespace {

// A word for the shell, taken literally whatever it holds.
std::string shellWord(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

void PrintTo(const CliRun& run, std::ostream* os)
{
    *os << "{status " << run.exitStatus << ", out \"" << run.out << "\", err \"" << run.err << "\"}";
}

std::string fileText(const std::string& path)
{
    const fixtures::ByteVec bytes = fixtures::readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

CliRun runProgram(const std::vector<std::string>& args)
{
    const fixtures::TempDir capture;
    std::string command = shellWord(QUOVANTA_CLI_PATH);
    for (const std::string& arg : args)
        command += " " + shellWord(arg);
    command += " >" + shellWord(capture.file("out")) + " 2>" + shellWord(capture.file("err"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(capture.file("out")), fileText(capture.file("err"))};
}

CliRun runInProcess(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCommandLine(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace qv::cli::testing
