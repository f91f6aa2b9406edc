#pragma once
// Starting an outside program (an unpacker) in a given directory and waiting for it.
// The calling process's current directory is never changed: the update run works on a thread
// beside the user interface.

#include <chrono>
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

    // Runs `program` (an absolute path) with `args` (argv[1]...) in `workingDir`, with no input and its output
    // discarded. False, with `error` set, when the program cannot be started (not found, not
    // executable, or the directory cannot be entered).
    bool start(const std::string& program, const std::vector<std::string>& args, const std::string& workingDir,
               std::string& error);
    // Waits for the program to end, at most `limit`. True only when it ended within the limit
    // with exit status 0; a program still running at the limit is killed.
    bool waitFor(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
};

} // namespace qv
