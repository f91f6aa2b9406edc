#include "core/store/master.h"

#include "core/store/securities.h"

#include "core/platform/clock.h"
#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/master_mirrors.h"

#include <algorithm>
#include <cctype>

namespace qv {
namespace {

constexpr std::size_t kNameOffset = kEntryName.offset;
constexpr std::size_t kSymbolOffset = kEntrySymbol.offset;
constexpr std::size_t kTextWidth = kEntryName.width;
static_assert(kEntryName.width == kEntrySymbol.width);
constexpr std::size_t kFirstDateOffset = kEntryFirstDate.offset;
constexpr std::size_t kLastDateOffset = kEntryLastDate.offset;

std::string fieldText(const MasterRecord& bytes, std::size_t offset, std::size_t width)
{
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), width);
}

std::string trimTrailingBlanks(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// A text as a blank-padded field of `width` bytes, cut when longer.
void putText(MasterRecord& bytes, std::size_t offset, std::string_view text)
{
    for (std::size_t i = 0; i < kTextWidth; ++i)
        bytes[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// The file number of a security file name ("F12.DAT", "f3.pfl"): F, a number 1..255 written
// without leading zeros, and DAT, DOP or PFL, in any case; 0 for any other name.
int securityFileNumber(std::string_view name)
{
    if (name.size() < 6 || (name[0] != 'F' && name[0] != 'f'))
        return 0;
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot < 2 || dot > 4 || name[1] == '0')
        return 0;
    int n = 0;
    for (std::size_t i = 1; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    const std::string_view ext = name.substr(dot + 1);
    const bool known =
        equalsIgnoringCase(ext, "DAT") || equalsIgnoringCase(ext, "DOP") || equalsIgnoringCase(ext, "PFL");
    return known && n <= kMaxSecurities ? n : 0;
}

// The names of dir's security files, ordered by number and then name.
IoStatus securityFilesIn(const std::string& dir, std::vector<std::string>& names)
{
    names.clear();
    std::vector<DirEntry> entries;
    if (IoStatus s = listDirectory(dir.empty() ? "." : dir, entries); !s)
        return s;
    for (const DirEntry& e : entries) {
        if (securityFileNumber(e.name) != 0)
            names.push_back(e.name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int na = securityFileNumber(a);
        const int nb = securityFileNumber(b);
        return na != nb ? na < nb : a < b;
    });
    return IoStatus::ok();
}

Bytes assemble(const MasterRecord& header, const std::vector<MasterEntry>& entries,
               const std::vector<std::uint8_t>& trailing)
{
    Bytes out;
    out.reserve(kMasterRecordSize * (entries.size() + 1) + trailing.size());
    out.insert(out.end(), header.begin(), header.end());
    for (const MasterEntry& e : entries)
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    out.insert(out.end(), trailing.begin(), trailing.end());
    return out;
}

MasterChange failed(MasterChange::Outcome kind, Outcome failure)
{
    MasterChange change;
    change.outcome = kind;
    change.failure = std::move(failure);
    return change;
}

// A change refused before anything was written: EMASTER could not follow it.
MasterChange refused(const std::string& dir, const std::string& why)
{
    return failed(MasterChange::Outcome::Failed, Outcome::failure(kStatusInvalidParm, masterPath(dir), why));
}

MasterChange notFound(const std::string& dir, std::string_view what)
{
    return failed(MasterChange::Outcome::NotFound,
                  Outcome::failure(kStatusFileNotFound, masterPath(dir),
                                   std::string(statusText(kStatusFileNotFound)) + ": " + std::string(what)));
}

MasterChange full(const std::string& dir, std::string_view what, std::string cause = {})
{
    return failed(MasterChange::Outcome::Full,
                  Outcome::failure(kStatusInvalidParm, masterPath(dir), std::string(what), std::move(cause)));
}

MasterChange readFailure(const std::string& dir, const IoStatus& s)
{
    return failed(MasterChange::Outcome::Failed,
                  Outcome::failure(kStatusFileRead, masterPath(dir),
                                   "The MASTER file in " + dir + " could not be read.", s.message()));
}

MasterChange writeFailure(const std::string& dir, const IoStatus& s)
{
    return failed(MasterChange::Outcome::Failed,
                  Outcome::cannotWrite(masterPath(dir), s, "The MASTER file in " + dir + " could not be written."));
}

// Copies MASTER to MASTER.BAK, then replaces MASTER (read as `before`) by `after`, EMASTER
// in step.
MasterChange replaceWithBackup(const std::string& dir, const MasterFile& before, const MasterFile& after,
                               int fileNumber)
{
    // What EMASTER cannot hold is refused before anything is written, the backup included.
    if (const EmasterStep step = planEmasterStep(dir, before, after); !step.refusal.empty())
        return refused(dir, step.refusal);
    const std::string path = masterPath(dir);
    if (IoStatus s = copyFile(path, resolveFile(dir, "MASTER.BAK")); !s)
        return writeFailure(dir, s);
    MasterChange change;
    if (IoStatus s = replaceMasterInStep(dir, before, after, change.notice); !s)
        return writeFailure(dir, s);
    change.fileNumber = fileNumber;
    return change;
}

} // namespace

std::string MasterEntry::rawName() const { return fieldText(bytes, kNameOffset, kTextWidth); }

std::string MasterEntry::name() const { return trimTrailingBlanks(rawName()); }

std::string MasterEntry::rawSymbol() const { return fieldText(bytes, kSymbolOffset, kTextWidth); }

std::string MasterEntry::symbol() const
{
    std::string text = rawSymbol();
    const auto end = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<signed char>(c) <= 32; });
    text.erase(end, text.end());
    return text;
}

float MasterEntry::firstDate() const { return mbfToFloat(bytes.data() + kFirstDateOffset); }

float MasterEntry::lastDate() const { return mbfToFloat(bytes.data() + kLastDateOffset); }

MbfFloat MasterEntry::firstDateBytes() const
{
    MbfFloat date{};
    std::copy_n(bytes.begin() + kFirstDateOffset, date.size(), date.begin());
    return date;
}

MbfFloat MasterEntry::lastDateBytes() const
{
    MbfFloat date{};
    std::copy_n(bytes.begin() + kLastDateOffset, date.size(), date.begin());
    return date;
}

void MasterEntry::setFirstDate(const MbfFloat& date)
{
    std::copy(date.begin(), date.end(), bytes.begin() + kFirstDateOffset);
}

void MasterEntry::setLastDate(const MbfFloat& date)
{
    std::copy(date.begin(), date.end(), bytes.begin() + kLastDateOffset);
}

bool MasterEntry::isDirectoryEntry() const { return bytes[kNameOffset] != ' ' && fieldText(bytes, 18, 5) == "<DIR>"; }

std::string MasterEntry::directoryName() const { return trimTrailingBlanks(fieldText(bytes, kNameOffset, 8)); }

bool isNestedPortfolioName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f;
    });
}

std::uint16_t MasterFile::declaredCount() const { return getU16(header.data()); }

std::uint16_t MasterFile::secondCounter() const { return getU16(header.data() + 2); }

std::vector<std::uint8_t> MasterFile::bytes() const { return assemble(header, entries, trailing); }

std::string masterPath(const std::string& dir) { return resolveFile(dir.empty() ? "." : dir, kMasterFileName); }

IoStatus readMasterFile(const std::string& dir, MasterFile& out)
{
    out = MasterFile{};
    Bytes bytes;
    if (IoStatus s = readWholeEntry(dir.empty() ? "." : dir, kMasterFileName, bytes); !s)
        return s;
    if (bytes.size() < kMasterRecordSize)
        return IoStatus::failure(masterPath(dir) + " is shorter than its header");
    std::copy_n(bytes.begin(), kMasterRecordSize, out.header.begin());
    const std::size_t held = bytes.size() / kMasterRecordSize - 1;
    const std::size_t count = std::min<std::size_t>(out.declaredCount(), held);
    out.entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>((i + 1) * kMasterRecordSize);
        std::copy_n(from, kMasterRecordSize, out.entries[i].bytes.begin());
    }
    out.trailing.assign(bytes.begin() + static_cast<std::ptrdiff_t>((count + 1) * kMasterRecordSize), bytes.end());
    return IoStatus::ok();
}

IoStatus createEmptyMaster(const std::string& dir)
{
    return replaceFile(joinPath(dir, kMasterFileName), "MASTER.~NU", Bytes(kMasterRecordSize, 0));
}

MasterChange appendMasterEntry(const std::string& dir, std::string_view symbol, std::string_view name, int fields,
                               const std::function<IoStatus(int fileNumber)>& beforeCommit,
                               const std::optional<EntryDates>& dates, int fieldBits)
{
    MasterFile master;
    if (IoStatus s = readMasterFile(dir, master); !s)
        return readFailure(dir, s);
    if (master.declaredCount() >= kMaxSecurities || master.secondCounter() >= kMaxSecurities ||
        master.entries.size() >= static_cast<std::size_t>(kMaxSecurities)) {
        return full(dir, kMasterFullMessage);
    }
    // A number is taken by every record MASTER holds, counted or not (a header that counts
    // too few leaves entries beyond its count), and by files of that number in the directory:
    // a damaged entry or a crash after a delete can leave a quote file that no counted entry
    // names, and a new security must never take it over.
    std::array<bool, 256> listed{};
    listed[0] = true;
    for (const MasterEntry& e : master.entries)
        listed[static_cast<std::size_t>(e.fileNumber())] = true;
    for (std::size_t at = 0; at + kMasterRecordSize <= master.trailing.size(); at += kMasterRecordSize)
        listed[master.trailing[at]] = true;
    std::vector<std::string> files;
    if (IoStatus s = securityFilesIn(dir, files); !s)
        return readFailure(dir, s);
    std::array<bool, 256> used = listed;
    std::string orphans;
    for (const std::string& file : files) {
        const int n = securityFileNumber(file);
        used[static_cast<std::size_t>(n)] = true;
        if (!listed[static_cast<std::size_t>(n)])
            orphans += (orphans.empty() ? "" : ", ") + file;
    }
    int fileNumber = 1;
    while (fileNumber <= kMaxSecurities && used[static_cast<std::size_t>(fileNumber)])
        ++fileNumber;
    std::string notice;
    if (!orphans.empty())
        notice = "Files of a security that MASTER does not list were left as they are: " + orphans +
                 ".\nTheir file numbers are not given to a new security.";
    if (fileNumber > kMaxSecurities)
        return full(dir, kNoFreeNumberMessage, notice);

    MasterEntry entry;
    entry.bytes.fill(0);
    entry.bytes[kEntryFileNumber.offset] = static_cast<std::uint8_t>(fileNumber);
    entry.bytes[kEntryFileType.offset] = 0x00;
    entry.bytes[kEntryFileType.offset + 1] = 0x65;
    entry.bytes[kEntryRecordLength.offset] = static_cast<std::uint8_t>(4 * fields);
    entry.bytes[kEntryFieldCount.offset] = static_cast<std::uint8_t>(fields);
    putText(entry.bytes, kNameOffset, name);
    const MbfFloat today = fileDateFromDayNumber(parseDateText(todayText(), 3));
    const MbfFloat& first = dates ? dates->first : today;
    const MbfFloat& last = dates ? dates->last : today;
    entry.setFirstDate(first);
    entry.setLastDate(last);
    entry.bytes[kEntryPeriod.offset] = 'D';
    putText(entry.bytes, kSymbolOffset, symbol);

    // The header counts what the file really holds, so a damaged count is not carried on.
    MasterFile after = master;
    putU16(after.header.data(), static_cast<unsigned>(master.entries.size() + 1));
    putU16(after.header.data() + 2, master.secondCounter() + 1u);
    after.entries.push_back(entry);
    const EmasterStep mirror = planEmasterStep(dir, master, after, fieldBits);
    if (!mirror.refusal.empty())
        return refused(dir, mirror.refusal);

    // The security's files, then EMASTER, then MASTER: until MASTER names the security, the
    // others are at most one step ahead of it.
    const std::string path = masterPath(dir);
    if (IoStatus s = prepareReplacement(path, "MASTER.~NU", after.bytes()); !s)
        return writeFailure(dir, s);
    if (beforeCommit) {
        if (IoStatus s = beforeCommit(fileNumber); !s) {
            abandonReplacement(path, "MASTER.~NU");
            return failed(MasterChange::Outcome::Failed, Outcome::cannotWrite(path, s));
        }
    }
    if (IoStatus s = writeEmasterStep(mirror); !s) {
        abandonReplacement(path, "MASTER.~NU");
        return writeFailure(dir, s);
    }
    if (IoStatus s = commitReplacement(path, "MASTER.~NU"); !s) {
        MasterChange change = writeFailure(dir, s);
        if (IoStatus undone = undoEmasterStep(mirror); !undone)
            change.failure = change.failure.withMore("EMASTER could not be put back: " + undone.message());
        return change;
    }
    MasterChange change;
    change.fileNumber = fileNumber;
    change.notice = notice;
    if (!mirror.notice.empty())
        change.notice += (change.notice.empty() ? "" : "\n") + mirror.notice;
    return change;
}

MasterChange removeMasterEntry(const std::string& dir, std::string_view symbol)
{
    MasterFile master;
    if (IoStatus s = readMasterFile(dir, master); !s)
        return readFailure(dir, s);
    const auto it = std::find_if(master.entries.begin(), master.entries.end(),
                                 [&](const MasterEntry& e) { return !e.isDirectoryEntry() && e.symbol() == symbol; });
    if (it == master.entries.end())
        return notFound(dir, symbol);
    const int fileNumber = it->fileNumber();
    MasterFile after = master;
    after.entries.erase(after.entries.begin() + (it - master.entries.begin()));
    putU16(after.header.data(), static_cast<unsigned>(after.entries.size()));
    putU16(after.header.data() + 2, master.secondCounter() > 0 ? master.secondCounter() - 1u : 0u);
    MasterChange change;
    if (IoStatus s = replaceMasterInStep(dir, master, after, change.notice); !s)
        return writeFailure(dir, s);
    change.fileNumber = fileNumber;
    return change;
}

MasterChange rewriteMasterEntry(const std::string& dir, std::string_view oldSymbol, std::string_view newSymbol,
                                std::string_view newName)
{
    const FoundSecurity found = findSecurity(dir, oldSymbol);
    if (found.status != kStatusOk)
        return notFound(dir, oldSymbol);
    MasterFile master;
    if (IoStatus s = readMasterFile(found.directory, master); !s)
        return readFailure(found.directory, s);
    MasterFile after = master;
    const auto it = std::find_if(after.entries.begin(), after.entries.end(),
                                 [&](const MasterEntry& e) { return e.bytes == found.entry.bytes; });
    if (it == after.entries.end())
        return notFound(found.directory, oldSymbol);
    putText(it->bytes, kNameOffset, newName);
    putText(it->bytes, kSymbolOffset, newSymbol);
    return replaceWithBackup(found.directory, master, after, it->fileNumber());
}

MasterChange setMasterDate(const std::string& dir, const MbfFloat& date, int fileNumber, int which)
{
    MasterFile master;
    if (IoStatus s = readMasterFile(dir, master); !s)
        return readFailure(dir, s);
    MasterFile after = master;
    const auto it = std::find_if(after.entries.begin(), after.entries.end(), [&](const MasterEntry& e) {
        return !e.isDirectoryEntry() && e.fileNumber() == fileNumber;
    });
    if (it == after.entries.end())
        return notFound(dir, "F" + std::to_string(fileNumber));
    if (which == 1)
        it->setLastDate(date);
    else
        it->setFirstDate(date);
    return replaceWithBackup(dir, master, after, fileNumber);
}

} // namespace qv
