#pragma once
// The MASTER file: a portfolio's directory of securities.
//
// Layout: 53-byte records, little-endian, nothing else. Record 0 is the header (u16 count of
// entries, u16 second counter, 49 bytes carried over unchanged); records 1..count are entries.
// Entry: u8 file number, 2 bytes file type, u8 record length, u8 number of fields, 2 reserved,
// 16 chars name, 2 reserved, MBF first date, MBF last date, char period, u16 reserved,
// 16 chars symbol, 1 reserved. Texts are blank-padded. An entry whose bytes 18..22 read
// "<DIR>" and whose byte 7 is not a blank names a subdirectory (bytes 7..14) holding a nested
// portfolio.
//
// A count read from a file is never trusted: a MASTER that claims more entries than it holds
// is read as far as it goes, and bytes beyond the declared entries are carried over verbatim
// by every writer, so no writer makes such a file longer or shorter than the change demands.
// Every writer replaces MASTER atomically (files.h); a failed write leaves MASTER as it was.

#include "core/platform/io_status.h"
#include "core/store/encodings.h"
#include "core/store/outcome.h"
#include "core/store/status.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t kMasterRecordSize = 53;
inline constexpr int kMaxSecurities = 255;
// Nested portfolios deeper than this are not entered.
inline constexpr int kMaxNestingDepth = 16;
inline constexpr std::string_view kMasterFileName = "MASTER";
// The bytes an entry holds for a symbol and for a name (blank-padded when shorter).
inline constexpr std::size_t kSecurityTextWidth = 16;
// What the commands that add or rename a security say about a symbol or name longer than the
// 16 characters an entry holds: the text is refused whole, never cut to another symbol or name.
inline constexpr std::string_view kLongSymbolMessage = "A symbol can be at most 16 characters long";
inline constexpr std::string_view kLongNameMessage = "A name can be at most 16 characters long";

inline constexpr std::string_view kMasterFullMessage =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.";

using MasterRecord = std::array<std::uint8_t, kMasterRecordSize>;

// Where each field of a MASTER entry stands: the one place every reader and writer of entry
// bytes takes offsets and widths from.
struct MasterField {
    std::size_t offset;
    std::size_t width;
};
inline constexpr MasterField kEntryFileNumber{0, 1};
inline constexpr MasterField kEntryFileType{1, 2};
inline constexpr MasterField kEntryRecordLength{3, 1};
inline constexpr MasterField kEntryFieldCount{4, 1};
inline constexpr MasterField kEntryName{7, kSecurityTextWidth};
inline constexpr MasterField kEntryFirstDate{25, 4}; // MBF file date
inline constexpr MasterField kEntryLastDate{29, 4};  // MBF file date
inline constexpr MasterField kEntryPeriod{33, 1};
inline constexpr MasterField kEntrySymbol{36, kSecurityTextWidth};
// The period letter (entry byte 33) of a security whose quotes are intraday bars.
inline constexpr char kIntradayPeriod = 'I';

struct MasterEntry {
    MasterRecord bytes{}; // as stored (dates in MBF)

    int fileNumber() const { return bytes[kEntryFileNumber.offset]; }
    int recordLength() const { return bytes[kEntryRecordLength.offset]; }
    int fieldCount() const { return bytes[kEntryFieldCount.offset]; }
    // The 16 name bytes as stored, and with trailing blanks removed.
    std::string rawName() const;
    std::string name() const;
    // The 16 symbol bytes as stored, and cut at the first byte whose code, read as a signed
    // character, is 32 or less (so bytes 128..255 end it too): the symbol shown and compared.
    std::string rawSymbol() const;
    std::string symbol() const;
    float firstDate() const; // file dates converted to IEEE
    float lastDate() const;
    // The file dates as stored (MBF), and their replacement.
    MbfFloat firstDateBytes() const;
    MbfFloat lastDateBytes() const;
    void setFirstDate(const MbfFloat& date);
    void setLastDate(const MbfFloat& date);
    char period() const { return static_cast<char>(bytes[kEntryPeriod.offset]); }
    bool isDirectoryEntry() const;
    // Bytes 7..14 of a directory entry, trailing blanks removed.
    std::string directoryName() const;
};

// A whole MASTER as read from disk.
struct MasterFile {
    MasterRecord header{};
    std::vector<MasterEntry> entries;   // the declared entries that the file really holds
    std::vector<std::uint8_t> trailing; // bytes after them (extra records, a torn record)

    std::uint16_t declaredCount() const;
    std::uint16_t secondCounter() const;
    // The file's bytes: header, entries, trailing bytes.
    std::vector<std::uint8_t> bytes() const;
};

// The path of dir's MASTER (found without regard to case), or dir/MASTER when there is none.
std::string masterPath(const std::string& dir);
// Reads dir's MASTER. Fails when it cannot be opened or is shorter than its header.
IoStatus readMasterFile(const std::string& dir, MasterFile& out);

// Whether a directory entry's name names a nested portfolio that may be entered: one plain
// directory name inside the portfolio (not empty, not "." or "..", no slash or backslash, no
// control character). Entries with other names are still listed, but never followed.
bool isNestedPortfolioName(std::string_view name);

// The outcome of a MASTER writer.
struct [[nodiscard]] MasterChange {
    enum class Outcome { Done, NotFound, Full, Failed };
    Outcome outcome = Outcome::Done;
    int fileNumber = 0;  // the number added, removed or changed
    qv::Outcome failure; // why, when not Done: MASTER (its path), the sentence and the cause
    std::string notice;  // for the user although Done (appendMasterEntry: files left by no entry)
    bool done() const { return outcome == Outcome::Done; }
};

// Writes a MASTER of one zero header record. Does not check for an existing one.
IoStatus createEmptyMaster(const std::string& dir);

inline constexpr std::string_view kNoFreeNumberMessage =
    "No file number from 1 to 255 is free in this portfolio: each is named by MASTER or by\n"
    "files F<n>.DAT, F<n>.DOP or F<n>.PFL in its directory.\nNothing was added.";

// The first and last date of a new entry when they are known before it is added (an import
// adds a security with its quotes in one MASTER replacement).
struct EntryDates {
    MbfFloat first{};
    MbfFloat last{};
};

// Adds a security with the lowest free file number, today's date (or `dates`) as first and
// last date, period 'D', `fields` fields. Refuses (Full, kMasterFullMessage) when the count or
// the second counter is 255. A number is free when no record MASTER holds (counted by its
// header or not) names it and the directory holds no F<n>.DAT, F<n>.DOP or F<n>.PFL in any case;
// when none is, refuses (Full, kNoFreeNumberMessage). Files of a number that no record names are
// listed in `notice` (they are left alone and their number is not taken). `beforeCommit`, when
// given, runs after the new MASTER is completely written
// under MASTER.~NU and before it replaces MASTER, with the new file number: it creates the
// security's files; when it fails, MASTER stays as it was. When the final replacement fails,
// the files that beforeCommit created are the caller's to remove.
// Every writer below keeps the folder's EMASTER in step (master_mirrors.h): `fieldBits` is the
// new security's EMASTER field bitset (0: the usual one of `fields`). An EMASTER that does not
// agree with MASTER is left as it is and named in `notice`; a symbol or name it cannot hold is
// refused (Failed) before anything is written.
MasterChange appendMasterEntry(const std::string& dir, std::string_view symbol, std::string_view name, int fields,
                               const std::function<IoStatus(int fileNumber)>& beforeCommit = {},
                               const std::optional<EntryDates>& dates = std::nullopt, int fieldBits = 0);

// Removes the first entry (directory entries aside) whose symbol equals `symbol` exactly.
MasterChange removeMasterEntry(const std::string& dir, std::string_view symbol);

// Gives the security found by findSecurity(dir, oldSymbol) (securities.h) a new symbol and name, in the
// MASTER where it was found, after copying that MASTER to MASTER.BAK.
MasterChange rewriteMasterEntry(const std::string& dir, std::string_view oldSymbol, std::string_view newSymbol,
                                std::string_view newName);

// Stores `date` as the first (which = 0) or last (which = 1) date of the entry with
// `fileNumber`, after copying MASTER to MASTER.BAK.
MasterChange setMasterDate(const std::string& dir, const MbfFloat& date, int fileNumber, int which);

} // namespace qv
