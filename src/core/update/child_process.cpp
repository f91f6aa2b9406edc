#include "core/update/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (errorPipe_ >= 0)
        ::close(errorPipe_);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir, std::string& error)
{
    if (program.empty() || program.front() != '/') {
        // The child changes directory before exec: only an absolute path names what it says.
        error = "not an absolute path: " + program;
        return false;
    }
    // Everything the child needs is prepared before fork: after it only async-signal-safe
    // calls are allowed, since other threads may hold locks.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // The child reports a failed chdir or exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // Its error output comes back through this one, read while waiting so it never fills.
    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::strerror(errno);
        for (const int fd : {report[0], report[1], errors[0], errors[1]})
            ::close(fd);
        return false;
    }
    if (pid == 0) {
        int err = 0;
        if (::chdir(workingDir.c_str()) != 0) {
            err = errno;
        } else {
            const int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                ::dup2(devnull, 0);
                ::dup2(devnull, 1);
            }
            ::dup2(errors[1], 2);
            ::execv(program.c_str(), argv.data());
            err = errno;
        }
        [[maybe_unused]] auto written = ::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    ::close(errors[1]);
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        ::waitpid(pid, nullptr, 0);
        ::close(errors[0]);
        error = std::strerror(childError);
        return false;
    }
    ::fcntl(errors[0], F_SETFL, ::fcntl(errors[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    errorPipe_ = errors[0];
    errorOutput_.clear();
    ending_.clear();
    return true;
}

// Takes what the program has written to its error output so far, keeping the first bytes.
void ChildProcess::drainErrorOutput()
{
    if (errorPipe_ < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(errorPipe_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0) { // every writer is gone
                ::close(errorPipe_);
                errorPipe_ = -1;
            }
            return;
        }
        const std::size_t room = kKeptErrorBytes - std::min(kKeptErrorBytes, errorOutput_.size());
        errorOutput_.append(buffer, std::min(room, static_cast<std::size_t>(got)));
    }
}

bool ChildProcess::waitFor(std::chrono::milliseconds limit)
{
    if (pid_ <= 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            drainErrorOutput();
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return true;
            ending_ = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                        : "ended by signal " + std::to_string(WTERMSIG(status));
            return false;
        }
        if (done < 0 && errno != EINTR) {
            pid_ = -1;
            ending_ = std::string("cannot wait for the program: ") + std::strerror(errno);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            drainErrorOutput();
            ending_ = limit.count() % 1000 == 0 ? "stopped after " + std::to_string(limit.count() / 1000) + " seconds"
                                                : "stopped after " + std::to_string(limit.count()) + " milliseconds";
            return false;
        }
        // Waits for output or the next look at the program, whichever comes first.
        pollfd watched{errorPipe_, POLLIN, 0};
        if (errorPipe_ >= 0 && ::poll(&watched, 1, static_cast<int>(pause.count())) > 0)
            drainErrorOutput();
        else if (errorPipe_ < 0)
            ::poll(nullptr, 0, static_cast<int>(pause.count()));
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

std::string ChildProcess::failureReason() const
{
    // The last line with text in it, as one line whatever bytes the program wrote.
    std::string_view text(errorOutput_);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    const auto lineStart = text.find_last_of("\r\n");
    if (lineStart != std::string_view::npos)
        text.remove_prefix(lineStart + 1);
    std::string line;
    for (const char c : text)
        line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    if (line.size() > kMaxReasonLength)
        line = line.substr(0, kMaxReasonLength - 3) + "...";
    if (line.empty())
        return ending_;
    if (ending_.starts_with("stopped"))
        return ending_ + ": " + line;
    return line;
}

} // namespace qv
