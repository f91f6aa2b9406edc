#include "cli_harness.h"

#include "cli/Cli.h"
#include "fixtures/portfolio_builder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace qv::cli::testing {

void PrintTo(const CliRun& run, std::ostream* os) {
    *os << "{status " << run.exitStatus << ", signal " << run.signal << ", out \"" << run.out << "\", err \""
        << run.err << "\"}";
}

std::string fileText(const std::string& path) {
    const fixtures::ByteVec bytes = fixtures::readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

CliRun runProgram(const std::vector<std::string>& args) {
    const fixtures::TempDir capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> words{QUOVANTA_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QUOVANTA_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + std::string(QUOVANTA_CLI_PATH));

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    CliRun run;
    if (WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.out = fileText(outPath);
    run.err = fileText(errPath);
    return run;
}

CliRun runInProcess(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.exitStatus = runCommandLine(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

void writePortfolio(const std::string& dir, const std::vector<Security>& securities,
                    const std::vector<fixtures::ByteVec>& extraRecords) {
    std::vector<fixtures::ByteVec> records;
    for (const Security& security : securities) {
        records.push_back(fixtures::masterEntry(security.entry));
        const std::string stem = dir + "/F" + std::to_string(security.entry.fileNumber);
        fixtures::writeBytes(stem + ".DAT", fixtures::quoteFile(security.entry.fields, security.quotes));
        if (security.withDop) {
            fixtures::writeText(stem + ".DOP",
                                fixtures::dopText({"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}));
        }
    }
    records.insert(records.end(), extraRecords.begin(), extraRecords.end());
    fixtures::writeBytes(dir + "/MASTER", fixtures::masterFile(records));
}

fixtures::QuoteRow quote7(int year, int month, int day, float open, float high, float low, float close,
                          float volume, float openInterest) {
    return {fixtures::fileDate(year, month, day), open, high, low, close, volume, openInterest};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        result.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return result;
}

} // namespace qv::cli::testing
