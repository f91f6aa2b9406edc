#pragma once
// The rows of the symbol grid for one portfolio, and the messages the fill shows, without a
// grid: the user interface and the command line list a portfolio through this one reader.

#include "core/store/master.h"
#include "core/store/securities.h"

#include <cstdint>

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kSymbolListFailureMessage = "Failure while filling symbols grid";
inline constexpr std::string_view kSymbolListDamagedMessage = "Your master file is partially damaged";
inline constexpr std::string_view kSymbolListSkipLengthMessage =
    "incorrect file length in FillSymbolsGrid\ndelete skipqvta.pbg";

struct SymbolRow {
    std::string symbol; // as shown: cut at the first byte whose code, read signed, is 32 or less
    std::string name;   // the 16 name bytes as stored (blank padding included)
    // For an XMASTER security its name as stored up to the NUL.
    std::string longName; // EMASTER's long name where the folder has one; empty otherwise
    int fileNumber = 0;
    // The position of the entry among those its file holds (0-based; MASTER's or XMASTER's).
    // Entries left out as duplicates keep their position, so it can differ from the row's own
    // index.
    int entryIndex = 0;
    bool skipped = false;          // the entry's file number is marked in the skip list
    bool isDirectoryEntry = false; // names a nested portfolio rather than a security
    MasterEntry entry;             // the whole MASTER entry (zero for an XMASTER security)
    Security security;             // the security of either source, for dates, fields, period

    // The name the grid and `list` show: the long name where there is one.
    const std::string& shownName() const { return longName.empty() ? name : longName; }
    // The grid's item data: file number in the high 16 bits, entry position in the low ones.
    // XMASTER file numbers and positions take all 16 bits each, hence the 64-bit value.
    std::int64_t itemData() const { return std::int64_t{fileNumber} * 65536 + entryIndex; }
};

struct SymbolListing {
    // false when MASTER is missing or shorter than its header; rows are then empty and
    // messages hold kSymbolListFailureMessage.
    bool ok = false;
    int declaredCount = 0; // the header's count as stored
    std::vector<SymbolRow> rows;
    // false when the skip list could neither be read nor created; no row is then marked.
    bool skipFlagsValid = false;
    // true when the skip list is missing and the folder cannot be written (skipListUnkeepable):
    // messages then hold readOnlyFolderMessage instead of kSymbolListSkipLengthMessage.
    bool folderReadOnly = false;
    // The messages of the fill, in the order they are shown.
    std::vector<std::string> messages;
};

// Lists dir's securities (readSecurities): MASTER's in file order, at most 255 entries ("File
// has %d symbols.\nWill only display the first %d symbols" when the header declares more), an
// entry whose file number was seen before left out, then XMASTER's. Such a repeated entry, or
// an EMASTER or XMASTER that disagrees with MASTER or with itself, gives "Your master file is
// partially damaged" (after the others; the EMASTER and XMASTER problems follow it in the same
// message). Each row has its skip mark (SKIPQVTX.PBG from file number 256 on). Like the grid,
// it reads the skip list only when there is a row, which creates a missing skip list with its
// default content.
SymbolListing listSymbols(const std::string& dir);

} // namespace qv
