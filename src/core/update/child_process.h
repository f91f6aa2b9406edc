#pragma once
// Starting an outside program (an unpacker) in a given directory and waiting for it.
// The calling process's current directory is never changed: the update run works on a thread
// beside the user interface.

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qv {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess(); // a child still running is killed
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs `program` (an absolute path) with `args` (argv[1]...) in `workingDir`, with no input,
    // its output discarded and its error output kept (the first kKeptErrorBytes). False, with
    // `error` set, when the program cannot be started (not found, not executable, or the
    // directory cannot be entered).
    bool start(const std::string& program, const std::vector<std::string>& args, const std::string& workingDir,
               std::string& error);
    // Waits for the program to end, at most `limit`. True only when it ended within the limit
    // with exit status 0; a program still running at the limit is killed.
    bool waitFor(std::chrono::milliseconds limit);
    // After a failed waitFor: why, in one line for a log (at most kMaxReasonLength
    // characters): the last line the program wrote to its error output, else its exit status,
    // the signal that ended it, or the time limit.
    std::string failureReason() const;

    static constexpr std::size_t kKeptErrorBytes = 4096;
    static constexpr std::size_t kMaxReasonLength = 200;

private:
    void drainErrorOutput();

    pid_t pid_ = -1;
    int errorPipe_ = -1;
    std::string errorOutput_;
    std::string ending_; // how the program ended, when not with status 0
};

} // namespace qv
