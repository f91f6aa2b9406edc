#include "core/platform/io_status.h"

#include <cstring>

namespace qv {

IoStatus IoStatus::fromErrno(const std::string& what, const std::string& path, int err)
{
    IoStatus s;
    s.errno_ = err;
    s.message_ = what + " " + path + ": " + std::strerror(err);
    return s;
}

IoStatus IoStatus::failure(const std::string& message)
{
    IoStatus s;
    s.message_ = message.empty() ? std::string("failed") : message;
    return s;
}

} // namespace qv
