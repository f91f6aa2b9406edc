#include "core/store/skip_list.h"

#include "core/platform/files.h"

#include <algorithm>

namespace qv {

SkipFlags defaultSkipFlags()
{
    SkipFlags flags(kSkipFlagCount, '0');
    flags[0] = '1';
    return flags;
}

SkipFlags readSkipFlags(const std::string& dir, IoStatus* why)
{
    InputFile file;
    if (IoStatus opened = file.open(resolveFile(dir, kSkipFileName)); !opened) {
        // Only a file that is not there is created; one that exists but cannot be read is
        // left alone rather than overwritten with the default.
        if (findEntry(dir, kSkipFileName)) {
            if (why)
                *why = opened;
            return {};
        }
        return writeSkipFlags(dir, {}, why);
    }
    std::uint8_t bytes[kSkipFlagCount] = {};
    file.readSomeAt(0, bytes, kSkipFlagCount);
    SkipFlags flags(kSkipFlagCount, '0');
    for (std::size_t k = 0; k < kSkipFlagCount; ++k)
        if (bytes[k] != 0)
            flags[k] = '1';
    return flags;
}

SkipFlags writeSkipFlags(const std::string& dir, const SkipFlags& flags, IoStatus* why)
{
    const SkipFlags text = flags.empty() ? defaultSkipFlags() : flags;
    Bytes bytes(kSkipFlagCount, 0);
    for (std::size_t k = 0; k < std::min(text.size(), kSkipFlagCount); ++k)
        bytes[k] = text[k] == '1' ? 1 : 0;
    if (IoStatus s = replaceFile(resolveFile(dir, kSkipFileName), "SKIPQVTA.~NU", bytes); !s) {
        if (why)
            *why = s;
        return {};
    }
    return text;
}

} // namespace qv
