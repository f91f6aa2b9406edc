#pragma once
// Reading a file of fixed-size records whose first record is a header declaring how many
// records follow (EMASTER, XMASTER): the declared count is believed only as far as the file
// holds whole records, and every byte after them is kept, so a writer can carry it over.

#include "core/platform/files.h"
#include "core/platform/io_status.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

namespace qv {

// A text field of `width` bytes ending at its first NUL (bytes after it may be leftovers).
inline std::string nulTerminatedText(const std::uint8_t* field, std::size_t width)
{
    const auto* begin = reinterpret_cast<const char*>(field);
    return std::string(begin, std::find(begin, begin + width, '\0'));
}

// File has `header` (a std::array of the record size), `entries` (each with `bytes` of that
// size), `trailing`, and `declaredCount()` read from the header.
template <class File>
IoStatus readRecordFile(const std::string& dir, std::string_view name, File& out)
{
    constexpr std::size_t kRecord = std::tuple_size_v<decltype(out.header)>;
    out = File{};
    Bytes bytes;
    if (IoStatus s = readWholeEntry(dir.empty() ? "." : dir, name, bytes); !s)
        return s;
    if (bytes.size() < kRecord)
        return IoStatus::failure(joinPath(dir, name) + " is shorter than its header");
    std::copy_n(bytes.begin(), kRecord, out.header.begin());
    const std::size_t held = bytes.size() / kRecord - 1;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, out.declaredCount())), held);
    out.entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>((i + 1) * kRecord);
        std::copy_n(from, kRecord, out.entries[i].bytes.begin());
    }
    out.trailing.assign(bytes.begin() + static_cast<std::ptrdiff_t>((count + 1) * kRecord), bytes.end());
    return IoStatus::ok();
}

} // namespace qv
