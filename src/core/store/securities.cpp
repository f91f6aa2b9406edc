#include "core/store/securities.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/quotes.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>

namespace qv {
namespace {

std::string trimTrailingBlanks(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// Why EMASTER cannot stand beside MASTER, or empty when it can: every reader of the folder
// takes record k of each for the same security, so one that counts or numbers differently
// would put one security's long name on another.
std::string emasterDisagreement(const MasterFile& master, const EmasterFile& emaster)
{
    const int counted = emaster.declaredCount();
    if (counted != master.declaredCount())
        return "EMASTER counts " + std::to_string(counted) + " securities where MASTER counts " +
               std::to_string(master.declaredCount()) + ": its long names are not used.";
    if (emaster.entries.size() < static_cast<std::size_t>(counted))
        return "EMASTER holds " + std::to_string(emaster.entries.size()) + " of the " + std::to_string(counted) +
               " records it counts: its long names are not used.";
    if (!emaster.trailing.empty())
        return "EMASTER holds " + std::to_string(emaster.trailing.size()) + " bytes more than the " +
               std::to_string(counted) + " records it counts: its long names are not used.";
    const std::size_t n = std::min(master.entries.size(), emaster.entries.size());
    for (std::size_t k = 0; k < n; ++k) {
        if (emaster.entries[k].fileNumber() != master.entries[k].fileNumber())
            return "EMASTER record " + std::to_string(k + 1) + " names file number " +
                   std::to_string(emaster.entries[k].fileNumber()) + " where MASTER entry " + std::to_string(k + 1) +
                   " names " + std::to_string(master.entries[k].fileNumber()) + ": its long names are not used.";
    }
    return {};
}

// dir's EMASTER when it exists, can be read and agrees with `master`.
std::optional<EmasterFile> agreeingEmaster(const std::string& dir, const MasterFile& master)
{
    if (emasterPath(dir).empty())
        return std::nullopt;
    EmasterFile emaster;
    if (!readEmasterFile(dir, emaster).isOk() || !emasterDisagreement(master, emaster).empty())
        return std::nullopt;
    return emaster;
}

Security masterSecurity(const MasterFile& master, std::size_t k, const std::optional<EmasterFile>& emaster)
{
    const MasterEntry& e = master.entries[k];
    Security s;
    s.source = SecuritySource::Master;
    s.position = k;
    s.fileNumber = e.fileNumber();
    s.symbol = e.symbol();
    s.name = e.name();
    s.fieldCount = e.fieldCount();
    s.recordLength = e.recordLength();
    s.period = e.period();
    s.firstDate = e.firstDate();
    s.lastDate = e.lastDate();
    s.isDirectoryEntry = e.isDirectoryEntry();
    s.masterEntry = e;
    if (emaster && k < emaster->entries.size()) {
        s.hasEmasterEntry = true;
        s.emasterEntry = emaster->entries[k];
        if (std::string longName = s.emasterEntry.longName(); !longName.empty() && !s.isDirectoryEntry)
            s.name = std::move(longName);
    }
    return s;
}

Security xmasterSecurity(const XmasterFile& xmaster, std::size_t k)
{
    const XmasterEntry& e = xmaster.entries[k];
    Security s;
    s.source = SecuritySource::Xmaster;
    s.position = k;
    s.fileNumber = e.fileNumber();
    s.symbol = e.symbol();
    s.name = e.name();
    s.fieldCount = e.fieldCount();
    s.recordLength = 4 * s.fieldCount;
    s.period = e.period();
    s.firstDate = fileDateFromYyyymmdd(e.firstDate());
    s.lastDate = fileDateFromYyyymmdd(e.lastDate());
    s.xmasterEntry = e;
    return s;
}

// Why XMASTER record k is not listed, or empty when it is. `earlier` holds the file numbers of
// the records before it that are listed.
std::string xmasterRecordProblem(const XmasterFile& xmaster, std::size_t k, const std::set<int>& earlier)
{
    const int n = xmaster.entries[k].fileNumber();
    const std::string who = "XMASTER record " + std::to_string(k + 1) + " (" + xmaster.entries[k].symbol() + ")";
    if (n < kFirstXmasterFileNumber)
        return who + " names file number " + std::to_string(n) + ", below " + std::to_string(kFirstXmasterFileNumber) +
               ": it is not listed.";
    if (earlier.count(n) != 0)
        return who + " repeats file number " + std::to_string(n) + " of an earlier record: it is not listed.";
    return {};
}

// Searches dir's XMASTER for `key` (symbol or name, without regard to case).
bool findInXmaster(const std::string& dir, std::string_view key, Security& out)
{
    if (xmasterPath(dir).empty())
        return false;
    XmasterFile xmaster;
    if (!readXmasterFile(dir, xmaster).isOk() || !xmaster.hasMarker())
        return false;
    // Compared in place (a search runs once per security read, over thousands of records), as
    // shown and without trailing blanks.
    const auto matches = [key](const XmasterEntry& e, std::size_t offset, std::size_t width) {
        const auto* begin = reinterpret_cast<const char*>(e.bytes.data() + offset);
        std::string_view t(begin, static_cast<std::size_t>(std::find(begin, begin + width, '\0') - begin));
        if (equalsIgnoringCase(t, key))
            return true;
        while (!t.empty() && t.back() == ' ')
            t.remove_suffix(1);
        return equalsIgnoringCase(t, key);
    };
    for (std::size_t k = 0; k < xmaster.entries.size(); ++k) {
        const XmasterEntry& e = xmaster.entries[k];
        if (!matches(e, 1, 14) && !matches(e, 16, 45))
            continue;
        std::set<int> earlier;
        for (std::size_t i = 0; i < k; ++i)
            earlier.insert(xmaster.entries[i].fileNumber());
        if (!xmasterRecordProblem(xmaster, k, earlier).empty())
            continue;
        out = xmasterSecurity(xmaster, k);
        return true;
    }
    return false;
}

// The symbol field cut just before its (blanks + 1)-th blank, or at a NUL byte, which ends the
// text for every program that reads the field as a C string.
std::string symbolForKey(const MasterEntry& entry, std::size_t blanks)
{
    std::string field = entry.rawSymbol();
    std::size_t seen = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\0')
            return field.substr(0, i);
        if (field[i] == ' ' && seen++ == blanks)
            return field.substr(0, i);
    }
    return field;
}

bool keyMatches(const MasterEntry& entry, std::string_view key)
{
    std::string name = entry.rawName();
    name = trimTrailingBlanks(name.substr(0, name.find('\0')));
    if (equalsIgnoringCase(name, key))
        return true;
    const auto blanks = static_cast<std::size_t>(std::count(key.begin(), key.end(), ' '));
    return equalsIgnoringCase(symbolForKey(entry, blanks), key);
}

std::string withTrailingSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

struct DirId {
    dev_t dev;
    ino_t ino;
    bool operator==(const DirId&) const = default;
};

// The identity of a directory; false when path is none.
bool directoryId(const std::string& path, DirId& id)
{
    struct stat st {};
    if (::stat(path.empty() ? "." : path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

struct DirIdLess {
    bool operator()(const DirId& a, const DirId& b) const { return a.dev != b.dev ? a.dev < b.dev : a.ino < b.ino; }
};
// Every directory searched so far, with the least depth it was searched at. Nested MASTERs may
// name one subdirectory many times over on every level; without this, a search that finds
// nothing would read it once per path to it, which grows without bound with the fan-out.
using Searched = std::map<DirId, int, DirIdLess>;

// Depth-first search of one level and the portfolios nested below it. A directory is searched
// again only when reached at a smaller depth than before (it may then reach further below the
// nesting limit), so no directory is searched more than kMaxNestingDepth times, and a loop
// back to a directory on the path (reached at a greater depth) is never followed.
bool searchLevel(const std::string& dir, std::string_view key, int depth, Searched& searched, FoundSecurity& out)
{
    MasterFile master;
    if (!readMasterFile(dir, master))
        return false;
    for (std::size_t k = 0; k < master.entries.size(); ++k) {
        const MasterEntry& entry = master.entries[k];
        if (!entry.isDirectoryEntry() && keyMatches(entry, key)) {
            out.status = kStatusOk;
            out.entry = entry;
            out.security = masterSecurity(master, k, agreeingEmaster(dir, master));
            out.directory = withTrailingSlash(dir);
            return true;
        }
    }
    if (findInXmaster(dir, key, out.security)) {
        out.status = kStatusOk;
        out.directory = withTrailingSlash(dir);
        return true;
    }
    if (depth >= kMaxNestingDepth)
        return false;
    bool placed = depth > 0; // the top level is entered in the map only when the search goes deeper
    for (const MasterEntry& entry : master.entries) {
        // Only a plain name inside this portfolio: "..", "." or "a/../.." would lead the
        // search, and the edits that follow it, into the parent portfolio or anywhere else.
        if (!entry.isDirectoryEntry() || !isNestedPortfolioName(entry.directoryName()))
            continue;
        const auto sub = findEntry(dir.empty() ? "." : dir, entry.directoryName());
        DirId subId{};
        if (!sub || !directoryId(*sub, subId))
            continue;
        if (!placed) {
            DirId here{};
            if (!directoryId(dir, here))
                return false;
            searched[here] = 0;
            placed = true;
        }
        const auto [at, fresh] = searched.try_emplace(subId, depth + 1);
        if (!fresh) {
            if (at->second <= depth + 1)
                continue;
            at->second = depth + 1;
        }
        if (searchLevel(*sub, key, depth + 1, searched, out))
            return true;
    }
    return false;
}

} // namespace

std::string Security::quoteFileName() const { return qv::quoteFileName(fileNumber, fromXmaster() ? "MWD" : "DAT"); }

IoStatus readSecurities(const std::string& dir, SecurityList& out)
{
    out = SecurityList{};
    if (IoStatus s = readMasterFile(dir, out.master); !s)
        return s;
    if (!emasterPath(dir).empty()) {
        out.hasEmaster = true;
        if (IoStatus s = readEmasterFile(dir, out.emaster); !s)
            out.problems.push_back("EMASTER could not be read: its long names are not used.\n" + s.message());
        else if (std::string problem = emasterDisagreement(out.master, out.emaster); !problem.empty())
            out.problems.push_back(std::move(problem));
        else
            out.emasterUsed = true;
    }
    std::optional<EmasterFile> emaster;
    if (out.emasterUsed)
        emaster = out.emaster;
    out.securities.reserve(out.master.entries.size());
    for (std::size_t k = 0; k < out.master.entries.size(); ++k)
        out.securities.push_back(masterSecurity(out.master, k, emaster));

    if (xmasterPath(dir).empty())
        return IoStatus::ok();
    out.hasXmaster = true;
    XmasterFile& xmaster = out.xmaster;
    if (IoStatus s = readXmasterFile(dir, xmaster); !s) {
        out.problems.push_back("XMASTER could not be read: its securities are not listed.\n" + s.message());
        return IoStatus::ok();
    }
    if (!xmaster.hasMarker()) {
        out.problems.push_back("XMASTER does not begin with its marker: its securities are not listed.");
        return IoStatus::ok();
    }
    out.xmasterUsed = true;
    if (xmaster.entries.size() < static_cast<std::size_t>(xmaster.declaredCount()))
        out.problems.push_back("XMASTER holds " + std::to_string(xmaster.entries.size()) + " of the " +
                               std::to_string(xmaster.declaredCount()) + " records it counts.");
    if (!xmaster.trailing.empty())
        out.problems.push_back("XMASTER holds " + std::to_string(xmaster.trailing.size()) + " bytes more than the " +
                               std::to_string(xmaster.declaredCount()) + " records it counts; they are not listed.");
    if (xmaster.secondDeclaredCount() != xmaster.declaredCount())
        out.problems.push_back("XMASTER counts " + std::to_string(xmaster.declaredCount()) +
                               " records in one place and " + std::to_string(xmaster.secondDeclaredCount()) +
                               " in another.");
    std::set<int> listed;
    int highest = 0;
    out.securities.reserve(out.securities.size() + xmaster.entries.size());
    for (std::size_t k = 0; k < xmaster.entries.size(); ++k) {
        if (std::string problem = xmasterRecordProblem(xmaster, k, listed); !problem.empty()) {
            out.problems.push_back(std::move(problem));
            continue;
        }
        listed.insert(xmaster.entries[k].fileNumber());
        highest = std::max(highest, xmaster.entries[k].fileNumber());
        out.securities.push_back(xmasterSecurity(xmaster, k));
    }
    if (highest != 0 && xmaster.nextFileNumber() <= highest)
        out.problems.push_back("XMASTER's next file number, " + std::to_string(xmaster.nextFileNumber()) +
                               ", is not above the highest it lists, " + std::to_string(highest) + ".");
    return IoStatus::ok();
}

std::string symbolNotFoundMessage(std::string_view symbol)
{
    return "The symbol " + std::string(symbol) + " was not found in this portfolio.";
}

FoundSecurity findSecurity(const std::string& dir, std::string_view key)
{
    FoundSecurity out;
    Searched searched;
    if (!searchLevel(dir, key, 0, searched, out)) {
        out = FoundSecurity{};
        out.status = kStatusFileNotFound;
    }
    return out;
}

} // namespace qv
