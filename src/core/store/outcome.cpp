#include "core/store/outcome.h"

#include <utility>

namespace qv {

Outcome Outcome::failure(StoreStatus status, std::string file, std::string what, std::string cause)
{
    Outcome o;
    o.status_ = status == kStatusOk ? kStatusInvalidParm : status;
    o.file_ = std::move(file);
    o.what_ = std::move(what);
    o.cause_ = std::move(cause);
    return o;
}

Outcome Outcome::cannotWrite(std::string file, const IoStatus& why, std::string what)
{
    return failure(kStatusFileWrite, std::move(file), std::move(what), why.message());
}

Outcome Outcome::withMore(std::string_view more) const
{
    if (isOk() || more.empty())
        return *this;
    Outcome o = *this;
    o.cause_ += (cause_.empty() ? "" : "\n") + std::string(more);
    return o;
}

std::string Outcome::message() const
{
    if (isOk())
        return {};
    if (what_.empty())
        return cause_.empty() ? statusMessage(status_) : cause_;
    return cause_.empty() ? what_ : what_ + "\n" + cause_;
}

} // namespace qv
