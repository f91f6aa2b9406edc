#include "core/browse/symbol_list.h"

#include "core/platform/files.h"
#include "core/store/master.h"
#include "core/store/skip_list.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qv {

SymbolListing listSymbols(const std::string& dir)
{
    SymbolListing listing;
    SecurityList list;
    if (!readSecurities(dir, list)) {
        listing.messages.emplace_back(kSymbolListFailureMessage);
        return listing;
    }
    listing.ok = true;
    listing.declaredCount = list.master.declaredCount();
    if (listing.declaredCount > kMaxSecurities) {
        char text[96];
        std::snprintf(text, sizeof text, "File has %d symbols.\nWill only display the first %d symbols",
                      listing.declaredCount, kMaxSecurities);
        listing.messages.emplace_back(text);
    }

    std::array<bool, 256> seen{};
    bool damaged = false;
    bool anyXmaster = false;
    for (const Security& s : list.securities) {
        if (!s.fromXmaster()) {
            if (s.position >= static_cast<std::size_t>(kMaxSecurities))
                continue;
            if (seen[static_cast<std::size_t>(s.fileNumber)]) {
                damaged = true;
                continue;
            }
            seen[static_cast<std::size_t>(s.fileNumber)] = true;
        }
        anyXmaster = anyXmaster || s.fromXmaster();
        SymbolRow row;
        row.symbol = s.symbol;
        if (s.fromXmaster()) {
            row.name = s.name;
        } else {
            row.name = s.masterEntry.rawName();
            row.entry = s.masterEntry;
            if (s.hasEmasterEntry)
                row.longName = s.emasterEntry.longName();
        }
        row.fileNumber = s.fileNumber;
        row.entryIndex = static_cast<int>(s.position);
        row.isDirectoryEntry = s.isDirectoryEntry;
        row.security = s;
        listing.rows.push_back(std::move(row));
    }

    if (!listing.rows.empty()) {
        IoStatus why;
        SkipFlags flags = readSkipFlags(dir, &why);
        listing.skipFlagsValid = flags.size() == kSkipFlagCount;
        // XMASTER securities' marks are in a file of their own; one that cannot be read leaves
        // them unmarked and says so, and MASTER's marks stand.
        SkipFlags high;
        if (anyXmaster) {
            if (IoStatus s = readHighSkipFlags(dir, high); !s)
                listing.messages.push_back("The skip marks of the XMASTER securities (" +
                                           std::string(kHighSkipFileName) + ") could not be read.\n" + s.message());
        }
        if (listing.skipFlagsValid) {
            for (SymbolRow& row : listing.rows)
                row.skipped = row.security.fromXmaster() ? highSkipMarked(high, row.fileNumber)
                                                         : flags[static_cast<std::size_t>(row.fileNumber)] == '1';
        } else if (skipListUnkeepable(dir, why)) {
            listing.folderReadOnly = true;
            listing.messages.push_back(readOnlyFolderMessage(dir));
        } else {
            listing.messages.emplace_back(kSymbolListSkipLengthMessage);
        }
    }
    if (damaged || !list.problems.empty()) {
        std::string message(kSymbolListDamagedMessage);
        for (const std::string& problem : list.problems)
            message += "\n" + problem;
        listing.messages.push_back(std::move(message));
    }
    return listing;
}

} // namespace qv
