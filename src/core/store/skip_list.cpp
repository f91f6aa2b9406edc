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
    if (fileNumber >= kFirstHighSkipNumber)
        return setHighSkipMark(dir, fileNumber, false);
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

namespace {

// At most one byte per file number an XMASTER record can name.
constexpr std::size_t kHighSkipBytes = kLastHighSkipNumber - kFirstHighSkipNumber + 1;

IoStatus writeHighSkipFlags(const std::string& dir, const SkipFlags& flags)
{
    Bytes bytes(flags.size(), 0);
    for (std::size_t k = 0; k < flags.size(); ++k)
        bytes[k] = flags[k] == '1' ? 1 : 0;
    return replaceFile(resolveFile(dir, kHighSkipFileName), "SKIPQVTX.~NU", bytes);
}

} // namespace

IoStatus readHighSkipFlags(const std::string& dir, SkipFlags& flags)
{
    flags.clear();
    if (!findEntry(dir, kHighSkipFileName))
        return IoStatus::ok();
    InputFile file;
    if (IoStatus opened = file.open(resolveFile(dir, kHighSkipFileName)); !opened)
        return opened;
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kHighSkipBytes)));
    bytes.resize(file.readSomeAt(0, bytes.data(), bytes.size()));
    flags.assign(bytes.size(), '0');
    for (std::size_t k = 0; k < bytes.size(); ++k)
        if (bytes[k] != 0)
            flags[k] = '1';
    return IoStatus::ok();
}

bool highSkipMarked(const SkipFlags& flags, int fileNumber)
{
    const int k = fileNumber - kFirstHighSkipNumber;
    return k >= 0 && static_cast<std::size_t>(k) < flags.size() && flags[static_cast<std::size_t>(k)] == '1';
}

IoStatus setHighSkipMark(const std::string& dir, int fileNumber, bool skip)
{
    if (fileNumber < kFirstHighSkipNumber || fileNumber > kLastHighSkipNumber)
        return IoStatus::failure("File number " + std::to_string(fileNumber) + " has no place in " + kHighSkipFileName);
    SkipFlags flags;
    if (IoStatus s = readHighSkipFlags(dir, flags); !s)
        return s;
    if (highSkipMarked(flags, fileNumber) == skip)
        return IoStatus::ok();
    const auto k = static_cast<std::size_t>(fileNumber - kFirstHighSkipNumber);
    if (flags.size() <= k)
        flags.resize(k + 1, '0');
    flags[k] = skip ? '1' : '0';
    return writeHighSkipFlags(dir, flags);
}

IoStatus writeHighSkipMarks(const std::string& dir, const std::vector<int>& numbers)
{
    SkipFlags flags;
    for (int n : numbers) {
        if (n < kFirstHighSkipNumber || n > kLastHighSkipNumber)
            continue;
        const auto k = static_cast<std::size_t>(n - kFirstHighSkipNumber);
        if (flags.size() <= k)
            flags.resize(k + 1, '0');
        flags[k] = '1';
    }
    if (flags.empty() && !findEntry(dir, kHighSkipFileName))
        return IoStatus::ok();
    return writeHighSkipFlags(dir, flags);
}

} // namespace qv
