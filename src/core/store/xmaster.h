#pragma once
// XMASTER: the directory of the securities past MASTER's 255, whose quotes are in F<n>.MWD
// (laid out exactly like F<n>.DAT) with file numbers from 256 on.
//
// Layout: 150-byte records, little-endian. Record 0 is the header: the marker 5D FE 58 4D,
// 6 bytes carried over, u16 count of records at 10, 0, the count again at 14, 0, u16 next file
// number to hand out at 18, the rest carried over. Record: 0x01, a NUL-terminated symbol at 1
// (14 bytes), name at 16 (45 bytes), period letter at 62, u16 intraday minutes at 63, u16 file
// number at 65, the field bitset at 70, a collection date at 104, first date at 108, first time
// at 112, last date at 116, last time at 120 (dates as 32-bit integers YYYYMMDD). Every other
// byte is carried over.
//
// The counts are never trusted: an XMASTER that claims more records than it holds is read as
// far as it goes, and the bytes beyond the declared records are kept in `trailing`.

#include "core/platform/io_status.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t kXmasterRecordSize = 150;
inline constexpr std::string_view kXmasterFileName = "XMASTER";
// The lowest file number of an XMASTER security.
inline constexpr int kFirstXmasterFileNumber = 256;

using XmasterRecord = std::array<std::uint8_t, kXmasterRecordSize>;

struct XmasterEntry {
    XmasterRecord bytes{};

    int fileNumber() const;
    std::string symbol() const; // up to the first NUL
    std::string name() const;
    char period() const { return static_cast<char>(bytes[62]); }
    int intradayMinutes() const;
    int fieldBits() const { return bytes[70]; }
    int fieldCount() const; // the bits set in fieldBits()
    // Dates as the integers YYYYMMDD stored.
    std::int32_t firstDate() const;
    std::int32_t lastDate() const;
};

struct XmasterFile {
    XmasterRecord header{};
    std::vector<XmasterEntry> entries;  // the declared records that the file really holds
    std::vector<std::uint8_t> trailing; // bytes after them (extra records, a torn record)

    bool hasMarker() const;          // bytes 0..3 are 5D FE 58 4D
    int declaredCount() const;       // bytes 10..11
    int secondDeclaredCount() const; // bytes 14..15
    int nextFileNumber() const;      // bytes 18..19
};

// The path of dir's XMASTER (found without regard to case), or empty when there is none.
std::string xmasterPath(const std::string& dir);
// Reads dir's XMASTER. Fails when it cannot be opened or is shorter than its header.
IoStatus readXmasterFile(const std::string& dir, XmasterFile& out);

// A date YYYYMMDD as a file date value ((year - 1900) * 10000 + month * 100 + day); 0 for 0 or
// a number that is no date of 1900..2099.
float fileDateFromYyyymmdd(std::int32_t yyyymmdd);

} // namespace qv
