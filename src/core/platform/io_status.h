#pragma once
// The result of a file-system call: success, or which call failed on which path and why.
// Success is cheap (no allocation). The one place that turns errno into a result is
// IoStatus::fromErrno.

#include <string>

namespace qv {

class [[nodiscard]] IoStatus {
public:
    IoStatus() = default;
    static IoStatus ok() { return IoStatus(); }
    // what: the call that failed ("write", "rename", ...); path: the file it was made on.
    static IoStatus fromErrno(const std::string& what, const std::string& path, int err);
    // A failure that is not an errno (for example a file shorter than its header says).
    static IoStatus failure(const std::string& message);

    bool isOk() const { return message_.empty(); }
    explicit operator bool() const { return isOk(); }
    int error() const { return errno_; }
    // A sentence for the user, e.g. "write F3.DAT: No space left on device". Empty on success.
    const std::string& message() const { return message_; }

private:
    int errno_ = 0;
    std::string message_;
};

} // namespace qv
