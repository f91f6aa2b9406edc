#include "core/maintain/symbol_commands.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/securities.h"
#include "core/store/skip_list.h"
#include "core/store/temporaries.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace qv {

namespace {

constexpr std::string_view kNoPathMessage = "You did not enter a path";
constexpr std::string_view kNotCreatedMessage = "The portfolio could not be created.";
constexpr std::string_view kPortfolioExistsMessage =
    "This directory already holds a portfolio (a MASTER file).\nIt was left unchanged.";
constexpr std::string_view kNoSymbolMessage = "You did not enter a symbol";
constexpr std::string_view kDuplicateMessage = "Duplicate Symbol failure";
constexpr std::string_view kEmptyEditSymbolMessage = "You must enter a symbol";
constexpr std::string_view kMasterUnreadableMessage = "The MASTER file of this portfolio could not be read.";
constexpr std::string_view kSkipUnreadableMessage =
    "The skip marks of this portfolio (SKIPQVTA.PBG) could not be read.";
constexpr std::string_view kSkipUnwritableMessage =
    "The skip marks of this portfolio could not be saved (SKIPQVTA.PBG could not be written).";

constexpr std::size_t kFieldWidth = kSecurityTextWidth;

CommandResult failure(Outcome outcome, std::string directory = {})
{
    CommandResult r;
    r.outcome = std::move(outcome);
    r.directory = std::move(directory);
    return r;
}

// What the user typed or chose is refused before anything is read or written.
Outcome refusal(std::string_view what, std::string file = {})
{
    return Outcome::failure(kStatusInvalidParm, std::move(file), std::string(what));
}
Outcome notFound(const std::string& dir, std::string_view symbol)
{
    return Outcome::failure(kStatusRecordNotFound, masterPath(dir), symbolNotFoundMessage(symbol));
}
// The fixed texts name "this portfolio"; the second line names the file, and the cause when known.
Outcome masterUnreadable(const std::string& dir, std::string_view cause = {})
{
    return Outcome::failure(kStatusFileRead, masterPath(dir), std::string(kMasterUnreadableMessage),
                            cause.empty() ? masterPath(dir) : std::string(cause));
}
Outcome skipUnreadable(const std::string& dir, const IoStatus& why)
{
    const std::string path = resolveFile(dir, kSkipFileName);
    return Outcome::failure(kStatusFileRead, path, std::string(kSkipUnreadableMessage),
                            why ? path + " holds no valid skip marks." : why.message());
}
Outcome skipUnwritable(const std::string& dir, const IoStatus& why)
{
    const std::string path = resolveFile(dir, kSkipFileName);
    return Outcome::failure(kStatusFileWrite, path, std::string(kSkipUnwritableMessage),
                            why ? path + " does not hold the marks written." : why.message());
}

// Failures a step met after the command's change was made, one per line.
std::string lines(const std::vector<std::string>& problems)
{
    std::string joined;
    for (const std::string& p : problems)
        joined += (joined.empty() ? "" : "\n") + p;
    return joined;
}

} // namespace

std::string CommandResult::message() const
{
    std::string shown = outcome.message();
    if (!notice.empty())
        shown += (shown.empty() ? "" : "\n") + notice;
    return shown;
}

// XMASTER records carry bytes whose meaning is not known here (vendor fields, times, the
// collection date), which a rewritten or removed record could not carry over faithfully: the
// symbol commands leave XMASTER securities to the software that keeps that XMASTER.
std::string xmasterRefusal(const Security& security, std::string_view command)
{
    return std::string(command) + " cannot change " + security.symbol + ": it is listed in XMASTER (file " +
           security.quoteFileName() +
           "), whose records hold data this program does not know and so does not "
           "rewrite or remove.\nThe security was left unchanged.";
}

namespace {

// findSecurity reports directories with a trailing '/'; results name them without one.
std::string withoutTrailingSlash(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

// The top-level (not nested) security entry of dir whose shown symbol is exactly `symbol`:
// the one removeMasterEntry takes out.
struct TopLevelLookup {
    bool readable = false;
    std::optional<MasterEntry> entry;
    bool sharesNumber = false; // another entry of the MASTER holds its file number
};

TopLevelLookup findTopLevelEntry(const std::string& dir, std::string_view symbol)
{
    TopLevelLookup result;
    MasterFile master;
    if (!readMasterFile(dir, master))
        return result;
    result.readable = true;
    for (std::size_t i = 0; i < master.entries.size(); ++i) {
        const MasterEntry& e = master.entries[i];
        if (!e.isDirectoryEntry() && e.symbol() == symbol) {
            result.entry = e;
            result.sharesNumber = std::any_of(master.entries.begin(), master.entries.end(), [&](const MasterEntry& o) {
                return &o != &e && o.fileNumber() == e.fileNumber();
            });
            break;
        }
    }
    return result;
}

// Symbol Delete of an entry whose number another entry also holds.
CommandResult deleteEntryOnly(const std::string& dir, std::string_view symbol, int n)
{
    MasterChange change = removeMasterEntry(dir, symbol);
    if (!change.done())
        return failure(change.failure, dir);
    CommandResult r;
    r.fileNumber = n;
    r.directory = dir;
    r.notice = "The symbol " + std::string(symbol) + " was deleted. Another entry of MASTER holds its file number " +
               std::to_string(n) + ", so " + quoteFileName(n, "DAT") + " and the other files of that number were kept.";
    if (!change.notice.empty())
        r.notice += "\n" + change.notice;
    return r;
}

// Whether dir's MASTER lists a security with this file number and symbol; std::nullopt when
// MASTER cannot be read, which callers take as the answer that keeps more data.
std::optional<bool> masterLists(const std::string& dir, int fileNumber, std::string_view symbol)
{
    MasterFile master;
    if (!readMasterFile(dir, master))
        return std::nullopt;
    return std::any_of(master.entries.begin(), master.entries.end(), [&](const MasterEntry& e) {
        return !e.isDirectoryEntry() && e.fileNumber() == fileNumber && e.symbol() == symbol;
    });
}

bool skipFileExists(const std::string& dir) { return findEntry(dir, kSkipFileName).has_value(); }

// Writes the marks and tells whether the file now holds them. A write that reports failure
// after its rename (the directory fsync) has still put the new marks in place; the caller
// must treat that as done, or a command would stop half-way with the marks already changed.
bool storeSkipFlags(const std::string& dir, const SkipFlags& flags, IoStatus& why)
{
    if (!writeSkipFlags(dir, flags, &why).empty())
        return true;
    // Reading a missing file would create it; a file that is not there does not hold the marks.
    return skipFileExists(dir) && readSkipFlags(dir) == flags;
}

// Removes every file of dir named `name` without regard to case. Failures are appended to
// `problems`.
void removeAllNamed(const std::string& dir, const std::string& name, std::vector<std::string>& problems)
{
    // Bounded: a directory can hold only a few spellings of one name that matter here, and a
    // removal that "succeeds" without the entry going away must not loop for ever.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::optional<std::string> path = findEntry(dir, name);
        if (!path)
            return;
        IoStatus st = removeFile(*path, true);
        if (!st) {
            problems.push_back(st.message());
            return;
        }
    }
}

} // namespace

CommandResult addPortfolio(std::string_view typedPath)
{
    // Slashes go first, then blanks, so "dir/ " keeps its slash. A path of slashes alone is the
    // root and keeps one.
    std::string_view path = typedPath;
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    path = trimBlanks(path);
    if (path.empty())
        return failure(refusal(kNoPathMessage));

    std::string dir(path);
    bool createdDirectory = false;
    if (isDirectory(dir)) {
        if (findEntry(dir, kMasterFileName))
            return failure(refusal(kPortfolioExistsMessage, masterPath(dir)), dir);
    } else {
        if (IoStatus made = makeDirectory(dir); !made)
            return failure(Outcome::cannotWrite(dir, made, std::string(kNotCreatedMessage)), dir);
        createdDirectory = true;
    }

    IoStatus st = createEmptyMaster(dir);
    if (!st) {
        // A directory without its MASTER would be no portfolio, only litter.
        std::string cause = st.message();
        if (createdDirectory) {
            if (IoStatus removed = removeDirectory(dir); !removed)
                cause += "\n" + removed.message();
        }
        return failure(Outcome::failure(kStatusFileWrite, masterPath(dir), std::string(kNotCreatedMessage), cause),
                       dir);
    }
    CommandResult r;
    r.directory = dir;
    return r;
}

CommandResult addSymbol(const std::string& dir, std::string_view symbolTyped, std::string_view nameTyped)
{
    // Leading blanks are dropped too: a symbol field that begins with a blank reads as the
    // empty symbol everywhere else, so such a security could never be selected or deleted.
    std::string_view trimmed = trimBlanks(symbolTyped);
    if (trimmed.empty())
        return failure(refusal(kNoSymbolMessage), dir);
    // Refused whole rather than cut: a cut symbol or name would be another security's.
    if (trimmed.size() > kFieldWidth)
        return failure(refusal(kLongSymbolMessage), dir);
    if (nameTyped.size() > kFieldWidth)
        return failure(refusal(kLongNameMessage), dir);
    std::string symbol = upperAscii(trimmed);
    std::string name(nameTyped);
    if (name.empty())
        name = symbol;

    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return failure(Outcome::cannotWrite(dir, ro), dir);
    removePortfolioTemporaries(dir);
    FoundSecurity existing = findSecurity(dir, symbol);
    if (existing.status == kStatusOk)
        return failure(refusal(kDuplicateMessage, masterPath(dir)), dir);
    if (existing.status == kStatusFileRead)
        return failure(masterUnreadable(dir), dir);

    int createdNumber = 0;
    bool hadDat = false;
    bool hadDop = false;
    auto createFiles = [&](int fileNumber) {
        createdNumber = fileNumber;
        hadDat = findEntry(dir, quoteFileName(fileNumber, "DAT")).has_value();
        hadDop = findEntry(dir, quoteFileName(fileNumber, "DOP")).has_value();
        // A mark that a deleted security left on the number must not skip the new one.
        if (IoStatus st = clearSkipMark(dir, fileNumber); !st)
            return st;
        return createQuoteFiles(dir, fileNumber, defaultFieldKinds());
    };
    MasterChange change = appendMasterEntry(dir, symbol, name, 7, createFiles);

    CommandResult r;
    r.directory = dir;
    if (change.done()) {
        r.fileNumber = change.fileNumber;
        r.notice = change.notice;
        return r;
    }
    const Outcome& failed = change.failure;
    if (change.outcome == MasterChange::Outcome::Full || createdNumber == 0)
        return failure(failed, dir);

    // The MASTER replacement may have happened although a later step (the directory fsync)
    // failed: then the security is complete and its files must stay, and the failure is told
    // as a notice.
    std::optional<bool> listed = masterLists(dir, createdNumber, symbol);
    if (listed.value_or(false)) {
        r.fileNumber = createdNumber;
        r.notice = failed.message();
        return r;
    }
    // Unknown state: files without an entry are harmless, an entry without files is not.
    if (!listed)
        return failure(failed, dir);
    std::vector<std::string> problems;
    if (!hadDat)
        removeAllNamed(dir, quoteFileName(createdNumber, "DAT"), problems);
    if (!hadDop)
        removeAllNamed(dir, quoteFileName(createdNumber, "DOP"), problems);
    // The files left behind follow the failure's own cause.
    return failure(failed.withMore(lines(problems)), dir);
}

CommandResult deleteSymbol(const std::string& dir, std::string_view symbol)
{
    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return failure(Outcome::cannotWrite(dir, ro), dir);
    removePortfolioTemporaries(dir);
    TopLevelLookup lookup = findTopLevelEntry(dir, symbol);
    if (!lookup.readable)
        return failure(masterUnreadable(dir), dir);
    if (!lookup.entry) {
        if (const FoundSecurity found = findSecurity(dir, symbol);
            found.status == kStatusOk && found.security.fromXmaster())
            return failure(refusal(xmasterRefusal(found.security, "Symbol Delete"),
                                   resolveFile(withoutTrailingSlash(found.directory), found.security.quoteFileName())),
                           withoutTrailingSlash(found.directory));
        return failure(notFound(dir, symbol), dir);
    }
    const int n = lookup.entry->fileNumber();
    // Another entry with the same number (a damaged MASTER) owns the files and the mark as
    // well: only the entry goes, its files and mark stay with the entry that keeps them.
    if (lookup.sharesNumber)
        return deleteEntryOnly(dir, symbol, n);

    // MASTER goes first: until it no longer lists the security, the security keeps its files and
    // its mark, so a crash at any step never un-skips a listed security. A mark left on the
    // number by a crash is harmless: a security that takes the number clears it (addSymbol).
    MasterChange change = removeMasterEntry(dir, symbol);
    if (!change.done() && masterLists(dir, n, symbol).value_or(true))
        return failure(change.failure, dir);

    std::vector<std::string> problems;
    if (IoStatus st = clearSkipMark(dir, n); !st)
        problems.push_back(st.message());

    // MASTER no longer lists the security: only now may its files go.
    for (std::string_view ext : {"DAT", "DOP", "PFL", "BAK"}) {
        removeAllNamed(dir, quoteFileName(n, ext), problems);
    }

    CommandResult r;
    r.fileNumber = n;
    r.directory = dir;
    if (!problems.empty())
        r.outcome = Outcome::failure(kStatusFileWrite, dir,
                                     "The symbol " + std::string(symbol) +
                                         " was deleted, but some of its files could not be removed:",
                                     lines(problems));
    r.notice = change.notice;
    return r;
}

CommandResult editSymbol(const std::string& dir, std::string_view oldSymbol, std::string_view newSymbol,
                         std::string_view newName)
{
    if (newSymbol.empty())
        return failure(refusal(kEmptyEditSymbolMessage), dir);
    if (newSymbol.size() > kFieldWidth)
        return failure(refusal(kLongSymbolMessage), dir);
    if (newName.size() > kFieldWidth)
        return failure(refusal(kLongNameMessage), dir);

    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return failure(Outcome::cannotWrite(dir, ro), dir);
    removePortfolioTemporaries(dir);
    FoundSecurity found = findSecurity(dir, oldSymbol);
    if (found.status == kStatusFileRead)
        return failure(masterUnreadable(dir), dir);
    if (found.status != kStatusOk)
        return failure(notFound(dir, oldSymbol), dir);
    std::string where = withoutTrailingSlash(found.directory);
    // A nested portfolio may sit on another file system than dir's.
    if (where != dir) {
        if (IoStatus ro = checkWritableFolder(where); !ro)
            return failure(Outcome::cannotWrite(where, ro), where);
        removePortfolioTemporaries(where);
    }
    if (found.security.fromXmaster())
        return failure(
            refusal(xmasterRefusal(found.security, "Symbol Edit"), resolveFile(where, found.security.quoteFileName())),
            where);
    if (std::string problem = entryWriteProblem(found); !problem.empty())
        return failure(refusal(problem + "\nThe entry was left unchanged.", masterPath(where)), where);

    MasterChange change = rewriteMasterEntry(dir, oldSymbol, newSymbol, newName);
    if (change.outcome == MasterChange::Outcome::NotFound)
        return failure(notFound(where, oldSymbol), where);
    if (!change.done())
        return failure(change.failure, where);

    CommandResult r;
    r.fileNumber = found.entry.fileNumber();
    r.directory = where;
    r.notice = change.notice;
    return r;
}

CommandResult setSymbolSkip(const std::string& dir, std::string_view symbol, bool skip)
{
    FoundSecurity found = findSecurity(dir, symbol);
    if (found.status == kStatusFileRead)
        return failure(masterUnreadable(dir), dir);
    if (found.status != kStatusOk)
        return failure(notFound(dir, symbol), dir);

    // The marks live beside the MASTER that lists the security, which for a nested portfolio is
    // not dir's.
    return setSkipMark(withoutTrailingSlash(found.directory), found.security.fileNumber, skip);
}

CommandResult setSkipMark(const std::string& dir, int fileNumber, bool skip)
{
    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return failure(Outcome::cannotWrite(dir, ro), dir);
    if (fileNumber >= kFirstHighSkipNumber) {
        // An XMASTER security's mark lives in SKIPQVTX.PBG; SKIPQVTA.PBG keeps its 256 bytes.
        if (IoStatus s = setHighSkipMark(dir, fileNumber, skip); !s)
            return failure(Outcome::cannotWrite(dir, s), dir);
        CommandResult r;
        r.fileNumber = fileNumber;
        r.directory = dir;
        return r;
    }
    IoStatus why;
    SkipFlags flags = readSkipFlags(dir, &why);
    if (flags.size() != kSkipFlagCount || fileNumber < 1 || fileNumber > kMaxSecurities)
        return failure(skipUnreadable(dir, why), dir);
    flags[static_cast<std::size_t>(fileNumber)] = skip ? '1' : '0';
    if (!storeSkipFlags(dir, flags, why))
        return failure(skipUnwritable(dir, why), dir);

    CommandResult r;
    r.fileNumber = fileNumber;
    r.directory = dir;
    return r;
}

CommandResult adjustPortfolioSkip(const std::string& dir, bool skipAll)
{
    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return failure(Outcome::cannotWrite(dir, ro), dir);
    // The old marks play no part in the result, so they are not read (reading would create a
    // missing file only to replace it at once).
    SkipFlags flags(kSkipFlagCount, '0');
    std::vector<int> high;
    if (skipAll) {
        SecurityList list;
        if (IoStatus read = readSecurities(dir, list); !read)
            return failure(masterUnreadable(dir, read.message()), dir);
        for (const Security& e : list.securities) {
            // Directory entries and number 0 name no security of this portfolio; marking their
            // byte would make a later security with that number start skipped.
            if (e.isDirectoryEntry || e.fileNumber == 0)
                continue;
            if (e.fromXmaster())
                high.push_back(e.fileNumber);
            else
                flags[static_cast<std::size_t>(e.fileNumber)] = '1';
        }
    }
    IoStatus why;
    if (!storeSkipFlags(dir, flags, why))
        return failure(skipUnwritable(dir, why), dir);
    if (IoStatus s = writeHighSkipMarks(dir, high); !s)
        return failure(Outcome::cannotWrite(dir, s), dir);
    CommandResult r;
    r.directory = dir;
    return r;
}

} // namespace qv
