#pragma once
// One list of a folder's securities: the MASTER entries in file order (with EMASTER's long
// name where the folder has an EMASTER that agrees with MASTER), then the XMASTER securities
// in file order. Everything that lists or finds a security goes by this list.
//
// EMASTER and XMASTER are checked, never repaired: an EMASTER whose count, size or file
// numbers disagree with MASTER is not used at all (MASTER's names stand); an XMASTER without
// its marker is not used; XMASTER records beyond its count, and a record whose file number is
// below 256 or repeats an earlier one, are not listed. Each of these is reported in `problems`, and MASTER's
// securities are listed all the same.

#include "core/platform/io_status.h"
#include "core/store/emaster.h"
#include "core/store/master.h"
#include "core/store/status.h"
#include "core/store/xmaster.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class SecuritySource { Master, Xmaster };

struct Security {
    SecuritySource source = SecuritySource::Master;
    std::size_t position = 0; // 0-based among the entries its file holds
    int fileNumber = 0;
    std::string symbol; // as shown (MasterEntry::symbol, or XMASTER's up to its NUL)
    // As shown: EMASTER's long name where set, else MASTER's name without trailing blanks,
    // or XMASTER's name.
    std::string name;
    int fieldCount = 0;
    int recordLength = 0; // 4 x fieldCount for an XMASTER security
    char period = 0;
    float firstDate = 0; // file date values, as MASTER stores them
    float lastDate = 0;
    bool isDirectoryEntry = false; // a MASTER entry naming a nested portfolio
    MasterEntry masterEntry;       // source Master
    bool hasEmasterEntry = false;  // source Master, EMASTER present and agreeing
    EmasterEntry emasterEntry;
    XmasterEntry xmasterEntry; // source Xmaster

    bool fromXmaster() const { return source == SecuritySource::Xmaster; }
    // "F<n>.DAT" for a MASTER security, "F<n>.MWD" for an XMASTER one.
    std::string quoteFileName() const;
};

struct SecurityList {
    std::vector<Security> securities;
    // What disagrees in EMASTER or XMASTER, one sentence each, for the user.
    std::vector<std::string> problems;
    MasterFile master;
    bool hasEmaster = false; // the folder has one (whether or not it agrees)
    bool emasterUsed = false;
    EmasterFile emaster;
    bool hasXmaster = false;
    bool xmasterUsed = false;
    XmasterFile xmaster;
};

// Reads dir's MASTER, EMASTER and XMASTER into one list. Fails only when MASTER cannot be
// read; an EMASTER or XMASTER that cannot be read is a problem, not a failure.
IoStatus readSecurities(const std::string& dir, SecurityList& out);

struct FoundSecurity {
    StoreStatus status = kStatusFileNotFound; // 0, -4 or -8
    MasterEntry entry;                        // the MASTER entry (zero for an XMASTER security)
    Security security;                        // what was found, of either source
    std::string directory;                    // where it was found, ending in '/'
};

// Finds a security by symbol or name in dir's MASTER, then in its XMASTER, and, depth first in
// entry order, in the nested portfolios the MASTER's directory entries name. A MASTER key
// matches, without regard to case, the trimmed name, or the symbol field cut before its (k+1)-th
// blank where k is the number of blanks in the key; an XMASTER key matches its symbol or name
// without regard to case. Only entries whose name passes isNestedPortfolioName are followed. A
// directory (by device and inode) is searched once per search, again only when reached at a
// smaller depth, so a nested portfolio that leads back round a loop or is named many times
// over costs no more than kMaxNestingDepth reads; deeper than kMaxNestingDepth is not entered.
FoundSecurity findSecurity(const std::string& dir, std::string_view key);
// What a command says when findSecurity did not find `symbol`.
std::string symbolNotFoundMessage(std::string_view symbol);

} // namespace qv
