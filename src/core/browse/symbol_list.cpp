#include "core/browse/symbol_list.h"

#include "core/platform/files.h"
#include "core/store/master.h"
#include "core/store/skip_list.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qv {

SymbolListing listSymbols(const std::string& dir) {
    SymbolListing listing;
    MasterFile master;
    if (!readMasterFile(dir, master)) {
        listing.messages.emplace_back(kSymbolListFailureMessage);
        return listing;
    }
    listing.ok = true;
    listing.declaredCount = master.declaredCount();
    if (listing.declaredCount > kMaxSecurities) {
        char text[96];
        std::snprintf(text, sizeof text, "File has %d symbols.\nWill only display the first %d symbols",
                      listing.declaredCount, kMaxSecurities);
        listing.messages.emplace_back(text);
    }

    std::array<bool, 256> seen{};
    bool damaged = false;
    const std::size_t limit = std::min<std::size_t>(master.entries.size(), kMaxSecurities);
    for (std::size_t i = 0; i < limit; ++i) {
        const MasterEntry& e = master.entries[i];
        if (seen[static_cast<std::size_t>(e.fileNumber())]) {
            damaged = true;
            continue;
        }
        seen[static_cast<std::size_t>(e.fileNumber())] = true;
        SymbolRow row;
        row.symbol = e.symbol();
        row.name = e.rawName();
        row.fileNumber = e.fileNumber();
        row.entry = e;
        row.entryIndex = static_cast<int>(i);
        row.isDirectoryEntry = e.isDirectoryEntry();
        listing.rows.push_back(std::move(row));
    }

    if (!listing.rows.empty()) {
        IoStatus why;
        SkipFlags flags = readSkipFlags(dir, &why);
        listing.skipFlagsValid = flags.size() == kSkipFlagCount;
        if (listing.skipFlagsValid) {
            for (SymbolRow& row : listing.rows) row.skipped = flags[static_cast<std::size_t>(row.fileNumber)] == '1';
        } else if (skipListUnkeepable(dir, why)) {
            listing.folderReadOnly = true;
            listing.messages.push_back(readOnlyFolderMessage(dir));
        } else {
            listing.messages.emplace_back(kSymbolListSkipLengthMessage);
        }
    }
    if (damaged) listing.messages.emplace_back(kSymbolListDamagedMessage);
    return listing;
}

} // namespace qv
