#pragma once
// EMASTER: the extended directory that current charting software keeps beside MASTER.
//
// Layout: 192-byte records, little-endian. Record 0 is the header (u8 count of records, u8 0,
// u8 highest file number used, the rest carried over). Record k describes the same security as
// MASTER entry k, adding a long name and dates as IEEE singles: u8 file number at 2, u8 number
// of fields at 6, the field bitset at 7, a NUL-terminated symbol at 11 (14 bytes), short name at
// 32 (16 bytes), period letter at 60, u16 intraday minutes at 62, IEEE first date at 64, first
// time at 68, last date at 72, last time at 76, the first date as an integer YYYYMMDD at 126 and
// the NUL-terminated long name at 139 (52 bytes). Every other byte is carried over.
//
// The count is never trusted: an EMASTER that claims more records than it holds is read as far
// as it goes, and the bytes beyond the declared records are kept in `trailing`.

#include "core/platform/io_status.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t kEmasterRecordSize = 192;
inline constexpr std::string_view kEmasterFileName = "EMASTER";

using EmasterRecord = std::array<std::uint8_t, kEmasterRecordSize>;

struct EmasterEntry {
    EmasterRecord bytes{};

    int fileNumber() const { return bytes[2]; }
    int fieldCount() const { return bytes[6]; }
    int fieldBits() const { return bytes[7]; }
    // Texts up to their first NUL (leftovers after it are kept in bytes, never shown).
    std::string symbol() const;
    std::string shortName() const;
    std::string longName() const;
    char period() const { return static_cast<char>(bytes[60]); }
    int intradayMinutes() const;
    // File date values (YYMMDD, 1YYMMDD after 1999) stored as IEEE singles.
    float firstDate() const;
    float lastDate() const;
    // The first date as the integer YYYYMMDD at byte 126.
    std::int32_t firstDateNumber() const;
};

struct EmasterFile {
    EmasterRecord header{};
    std::vector<EmasterEntry> entries;  // the declared records that the file really holds
    std::vector<std::uint8_t> trailing; // bytes after them (extra records, a torn record)

    int declaredCount() const { return header[0]; }
    int highestFileNumber() const { return header[2]; }
};

// The path of dir's EMASTER (found without regard to case), or empty when there is none.
std::string emasterPath(const std::string& dir);
// Reads dir's EMASTER. Fails when it cannot be opened or is shorter than its header.
IoStatus readEmasterFile(const std::string& dir, EmasterFile& out);

} // namespace qv
