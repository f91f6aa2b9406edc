#pragma once
// The result of an operation the user is told about when it fails: the data store's status
// code, the file it concerned, the program's sentence for the failure and, when known, the
// cause. message() is the one wording of a failure, so that the command line prints what the
// dialogs show.

#include "core/platform/io_status.h"
#include "core/store/status.h"

#include <string>
#include <string_view>

namespace qv {

class [[nodiscard]] Outcome {
public:
    Outcome() = default;
    static Outcome ok() { return Outcome(); }
    // status: never kStatusOk (it becomes kStatusInvalidParm); file: the path concerned, may be
    // empty; what: the program's sentence ("The facts of IBM could not be read."), may be empty;
    // cause: why, when known (an IoStatus message, a status text).
    static Outcome failure(StoreStatus status, std::string file, std::string what, std::string cause = {});
    // A folder that refuses writes or a file that could not be written (kStatusFileWrite), under
    // the sentence `what` when given, with the platform's message, which names it, as the cause.
    static Outcome cannotWrite(std::string file, const IoStatus& why, std::string what = {});

    bool isOk() const { return status_ == kStatusOk; }
    explicit operator bool() const { return isOk(); }
    StoreStatus status() const { return status_; }
    const std::string& file() const { return file_; }
    const std::string& what() const { return what_; }
    const std::string& cause() const { return cause_; }

    // The same failure with `more` (what else went wrong on the way back) on lines below its
    // cause; a success stays one.
    Outcome withMore(std::string_view more) const;

    // What the user is shown: the sentence, then the cause on a line of its own; without a
    // sentence the cause, or else the status's own text. Empty on success.
    std::string message() const;

private:
    StoreStatus status_ = kStatusOk;
    std::string file_;
    std::string what_;
    std::string cause_;
};

} // namespace qv
