#pragma once
// The sizes a ZIP archive's central directory records for its entries, read by hand rather than
// through libarchive, which does not report compressed sizes. They let the unpacker judge the
// expansion of every entry before a single byte is decompressed.
//
// The ZIP data may follow other bytes (a self-extracting program stub): positions are taken
// from the end-of-directory record backwards, not from the offsets the archive records.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::pkunzip {

struct ZipRecordSizes {
    std::string name;               // as stored, bytes unchanged
    std::uint64_t compressed = 0;   // bytes of (possibly encrypted) data in the archive
    std::uint64_t uncompressed = 0; // bytes the entry claims to expand to
    std::uint8_t madeBy = 0;        // the system that made the entry (3: Unix)
    std::uint32_t attributes = 0;   // external attributes; on Unix the mode in the high half
};

// Why the kind of file a record gives (only recorded for entries made on Unix) is none that
// may be extracted, or std::nullopt for a regular file, a directory or no kind recorded.
// Reader libraries differ on such entries (some make an empty regular file of a pipe), so the
// unpacker judges the recorded bytes itself.
std::optional<std::string> recordKindProblem(const ZipRecordSizes& record);

// Reads the central directory of the ZIP data at the end of the open file fd.
// std::nullopt when the file holds no central directory whose records lie within the file.
std::optional<std::vector<ZipRecordSizes>> readCentralDirectorySizes(int fd);

} // namespace qv::pkunzip
