#pragma once
// The rows of the symbol grid for one portfolio, and the messages the fill shows, without a
// grid: the user interface and the command line list a portfolio through this one reader.

#include "core/store/master.h"

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
    int fileNumber = 0;
    // The position of the entry among those read (0-based). Entries left out as duplicates
    // keep their position, so it can differ from the row's own index.
    int entryIndex = 0;
    bool skipped = false;        // the entry's file number is marked in the skip list
    bool isDirectoryEntry = false; // names a nested portfolio rather than a security
    MasterEntry entry;             // the whole entry, for dates, field count and period

    // The grid's item data: file number in the high 16 bits, entry position in the low ones.
    int itemData() const { return fileNumber * 65536 + entryIndex; }
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

// Lists dir's MASTER in file order: at most 255 entries ("File has %d symbols.\nWill only
// display the first %d symbols" when the header declares more), an entry whose file number
// was seen before left out ("Your master file is partially damaged", after the others), each
// row with its skip mark. Like the grid, it reads the skip list only when there is a row,
// which creates a missing skip list with its default content.
SymbolListing listSymbols(const std::string& dir);

} // namespace qv
