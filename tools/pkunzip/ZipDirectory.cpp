#include "pkunzip/ZipDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace qv::pkunzip {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

constexpr std::uint64_t kEndSize = 22;
constexpr std::uint64_t kMaxCommentSize = 0xFFFF;
constexpr std::uint64_t kZip64LocatorSize = 20;
constexpr std::uint64_t kZip64EndSize = 56; // without extensible data
constexpr std::uint64_t kCentralFixedSize = 46;

using Bytes = std::vector<std::uint8_t>;

// Little-endian fields read one after another; every read fails instead of running past the end.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool skip(std::size_t n)
    {
        if (n > size_ - pos_)
            return false;
        pos_ += n;
        return true;
    }
    bool u16(std::uint16_t& v) { return field(v, 2); }
    bool u32(std::uint32_t& v) { return field(v, 4); }
    bool u64(std::uint64_t& v) { return field(v, 8); }
    bool text(std::size_t n, std::string& out)
    {
        if (n > size_ - pos_)
            return false;
        out.assign(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return true;
    }
    Cursor sub(std::size_t n) const { return Cursor(data_ + pos_, n); } // caller checked n fits
    std::size_t remaining() const { return size_ - pos_; }

private:
    template <typename T>
    bool field(T& v, std::size_t width)
    {
        if (width > size_ - pos_)
            return false;
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;)
            value = (value << 8) | data_[pos_ + i];
        v = static_cast<T>(value);
        pos_ += width;
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool readAt(int fd, std::uint64_t offset, std::uint64_t size, Bytes& out)
{
    out.resize(size);
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::uint64_t>(n);
    }
    return true;
}

struct DirectoryPlace {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
};

// The ZIP64 end record normally sits right before its locator; when a stub precedes the ZIP
// data the offset the locator records is short by the stub's length, so the position found
// by walking back from the locator is what counts.
std::optional<DirectoryPlace> zip64Place(int fd, std::uint64_t endPos)
{
    if (endPos < kZip64LocatorSize + kZip64EndSize)
        return std::nullopt;
    Bytes locator;
    std::uint32_t signature = 0;
    if (!readAt(fd, endPos - kZip64LocatorSize, kZip64LocatorSize, locator))
        return std::nullopt;
    Cursor lc(locator.data(), locator.size());
    if (!lc.u32(signature) || signature != kZip64LocatorSignature)
        return std::nullopt;
    const std::uint64_t recordPos = endPos - kZip64LocatorSize - kZip64EndSize;
    Bytes record;
    if (!readAt(fd, recordPos, kZip64EndSize, record))
        return std::nullopt;
    Cursor rc(record.data(), record.size());
    std::uint64_t recordSize = 0;
    DirectoryPlace place;
    if (!rc.u32(signature) || signature != kZip64EndSignature || !rc.u64(recordSize) ||
        recordSize != kZip64EndSize - 12 || !rc.skip(4 + 4 + 4 + 8) || !rc.u64(place.entries) || !rc.u64(place.size))
        return std::nullopt;
    if (place.size > recordPos)
        return std::nullopt;
    place.start = recordPos - place.size;
    return place;
}

// The end record nearest the end of the file whose numbers are those of a single-disk archive
// and whose directory fits before it.
std::optional<DirectoryPlace> findDirectory(int fd, std::uint64_t fileSize)
{
    if (fileSize < kEndSize)
        return std::nullopt;
    const std::uint64_t tailSize = std::min(fileSize, kEndSize + kMaxCommentSize);
    const std::uint64_t tailPos = fileSize - tailSize;
    Bytes tail;
    if (!readAt(fd, tailPos, tailSize, tail))
        return std::nullopt;
    for (std::uint64_t i = tailSize - kEndSize + 1; i-- > 0;) {
        Cursor c(tail.data() + i, tailSize - i);
        std::uint32_t signature = 0, size = 0, offset = 0;
        std::uint16_t disk = 0, directoryDisk = 0, entriesHere = 0, entries = 0, commentSize = 0;
        if (!c.u32(signature) || signature != kEndSignature)
            continue;
        if (!c.u16(disk) || !c.u16(directoryDisk) || !c.u16(entriesHere) || !c.u16(entries) || !c.u32(size) ||
            !c.u32(offset) || !c.u16(commentSize) || commentSize > c.remaining())
            continue;
        const std::uint64_t endPos = tailPos + i;
        // With ZIP64 records the directory ends where they begin, whatever the classic record
        // holds (writers may fill it with real values as well as with markers).
        if (auto place = zip64Place(fd, endPos))
            return place;
        if (entries == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF)
            continue;
        if (disk != 0 || directoryDisk != 0 || entriesHere != entries || size > endPos)
            continue;
        return DirectoryPlace{endPos - size, size, entries};
    }
    return std::nullopt;
}

bool readRecord(Cursor& c, ZipRecordSizes& record)
{
    std::uint32_t signature = 0, compressed = 0, uncompressed = 0;
    std::uint16_t madeBy = 0, nameSize = 0, extraSize = 0, commentSize = 0;
    if (!c.u32(signature) || signature != kCentralSignature || !c.u16(madeBy) || !c.skip(2 + 2 + 2 + 2 + 2 + 4) ||
        !c.u32(compressed) || !c.u32(uncompressed) || !c.u16(nameSize) || !c.u16(extraSize) || !c.u16(commentSize) ||
        !c.skip(2 + 2) || !c.u32(record.attributes) || !c.skip(4) || !c.text(nameSize, record.name) ||
        extraSize > c.remaining())
        return false;
    record.madeBy = static_cast<std::uint8_t>(madeBy >> 8);
    record.compressed = compressed;
    record.uncompressed = uncompressed;
    Cursor extra = c.sub(extraSize);
    c.skip(extraSize);
    // Sizes that do not fit 32 bits are in the ZIP64 extra field, uncompressed first, each
    // present only when its 32-bit field holds the marker.
    while (extra.remaining() >= 4) {
        std::uint16_t id = 0, size = 0;
        extra.u16(id);
        extra.u16(size);
        if (size > extra.remaining())
            return false;
        Cursor field = extra.sub(size);
        extra.skip(size);
        if (id != kZip64ExtraId)
            continue;
        if (uncompressed == 0xFFFFFFFF && !field.u64(record.uncompressed))
            return false;
        if (compressed == 0xFFFFFFFF && !field.u64(record.compressed))
            return false;
    }
    return c.skip(commentSize);
}

} // namespace

std::optional<std::string> recordKindProblem(const ZipRecordSizes& record)
{
    constexpr std::uint8_t kMadeOnUnix = 3;
    if (record.madeBy != kMadeOnUnix)
        return std::nullopt;
    switch ((record.attributes >> 16) & 0170000u) {
    case 0:        // no kind recorded: taken by its name
    case 0100000u: // regular file
    case 0040000u: // directory
        return std::nullopt;
    case 0120000u: return std::string("is a symbolic link");
    default: return std::string("is a device, pipe or other special file");
    }
}

std::optional<std::vector<ZipRecordSizes>> readCentralDirectorySizes(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    const auto place = findDirectory(fd, fileSize);
    // Every record takes at least its fixed part, so a count the directory cannot hold is a lie.
    if (!place || place->start + place->size > fileSize || place->entries > place->size / kCentralFixedSize)
        return std::nullopt;
    Bytes directory;
    if (!readAt(fd, place->start, place->size, directory))
        return std::nullopt;
    Cursor c(directory.data(), directory.size());
    std::vector<ZipRecordSizes> records(place->entries);
    for (auto& record : records) {
        if (!readRecord(c, record))
            return std::nullopt;
    }
    return records;
}

} // namespace qv::pkunzip
