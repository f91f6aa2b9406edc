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

bool skipListUnkeepable(const std::string& dir, const IoStatus& why)
{
    if (findEntry(dir, kSkipFileName))
        return false;
    return isReadOnlyError(why.error()) || isReadOnlyFolder(dir);
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

IoStatus clearSkipMark(const std::string& dir, int fileNumber)
{
    if (fileNumber < 1 || fileNumber >= static_cast<int>(kSkipFlagCount) || !findEntry(dir, kSkipFileName))
        return IoStatus::ok();
    SkipFlags flags = readSkipFlags(dir);
    if (flags.size() != kSkipFlagCount)
        return IoStatus::failure("The skip marks of " + dir + " (SKIPQVTA.PBG) could not be read.");
    if (flags[static_cast<std::size_t>(fileNumber)] == '0')
        return IoStatus::ok();
    flags[static_cast<std::size_t>(fileNumber)] = '0';
    if (writeSkipFlags(dir, flags).empty())
        return IoStatus::failure("The skip marks of " + dir + " (SKIPQVTA.PBG) could not be written.");
    return IoStatus::ok();
}

} // namespace qv
