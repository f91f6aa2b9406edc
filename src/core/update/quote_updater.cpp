#include "core/update/quote_updater.h"

#include "core/platform/clock.h"
#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/master_mirrors.h"
#include "core/store/quotes.h"
#include "core/store/securities.h"
#include "core/store/skip_list.h"
#include "core/store/temporaries.h"
#include "core/update/child_process.h"
#include "core/update/dos_text.h"
#include "core/update/unpacker_staging.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace qv {
namespace {

constexpr auto kUnpackerTimeLimit = std::chrono::milliseconds(20000);
// Update files kept in memory within one run, in bytes: enough for a day's exchange-wide file
// read once for thousands of securities, small enough for a machine of any size.
constexpr std::size_t kTextCacheLimit = 8 * 1024 * 1024;

bool hasExtension(const std::string& name, std::string_view extension)
{
    return name.size() >= 4 && upperAscii(name.substr(name.size() - 4)) == extension;
}

// A line of AUDIT.TXT is one line whatever a file name holds: control characters (a line
// break in a name from an archive) are written as \xNN.
std::string auditText(std::string_view line)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(line.size());
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// What tells one state of a file from another within a run: device, inode, size and
// modification time. Empty when the path is no regular file.
std::string fileIdentity(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

bool containsIgnoringCase(const std::vector<std::string>& list, const std::string& path)
{
    return std::any_of(list.begin(), list.end(), [&](const std::string& p) { return equalsIgnoringCase(p, path); });
}

// The update symbol of a security: its symbol bytes (MASTER's 16, XMASTER's up to the NUL)
// cut at the first blank, control character or byte above 127.
std::string updateSymbolOf(const std::string& raw)
{
    std::size_t end = 0;
    while (end < raw.size()) {
        const auto c = static_cast<unsigned char>(raw[end]);
        if (c <= 32 || c == 127 || c > 127)
            break;
        ++end;
    }
    return raw.substr(0, end);
}

// The regular files of a directory that are not dot-files, in listing order.
std::vector<std::string> plainFiles(const std::string& directory)
{
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!listDirectory(directory, entries))
        return names;
    for (const DirEntry& e : entries) {
        if (e.name.empty() || e.name.front() == '.')
            continue;
        if (e.kind == EntryKind::Directory || ((e.kind == EntryKind::Unknown || e.kind == EntryKind::SymLink) &&
                                               isDirectory(joinPath(directory, e.name))))
            continue;
        names.push_back(e.name);
    }
    return names;
}

// A message as one AUDIT.TXT line: line ends become blanks.
std::string oneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

MbfFloat mbfAt(const std::uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }

void putValue(std::uint8_t* record, int field, float value)
{
    if (field == 0)
        return;
    const MbfFloat mbf = floatToMbf(value);
    std::memcpy(record + 4 * (field - 1), mbf.data(), 4);
}

} // namespace

CQuoteUpdater::CQuoteUpdater(UpdateInputs inputs, UpdateObserver& observer)
    : in_(std::move(inputs)), observer_(observer)
{
}

CQuoteUpdater::~CQuoteUpdater()
{
    if (audit_)
        std::fclose(audit_);
    CleanUp();
}

void CQuoteUpdater::Post() { observer_.OnProgress(progress_); }

// Whoever runs the update learns at once that a whole portfolio got nothing, whether or not
// the anomaly report is shown.
void CQuoteUpdater::PassOver(const std::string& reason)
{
    Audit("ERROR: " + reason);
    passedOver_.push_back(reason);
    observer_.ShowMessage(reason);
}

void CQuoteUpdater::Audit(const std::string& line)
{
    if (audit_) {
        std::fputs(auditText(line).c_str(), audit_);
        std::fputc('\n', audit_);
    }
}

std::uint32_t CQuoteUpdater::UpdateAllPortfolios()
{
    runFlags_ = 0;
    quoteCount_ = 0;
    stopZip_ = stopSelfExtract_ = false;
    passedOver_.clear();

    const std::string auditPath = joinPath(in_.startupDir.empty() ? "." : in_.startupDir, kAuditFileName);
    if (IoStatus s = createOutputStream(auditPath, audit_); !s)
        auditProblem_ = "The audit log could not be created at\n" + auditPath + "\n(" + s.message() +
                        ").\nThe update ran without it.";
    Audit("Results of Quovanta for " + (in_.runTimeText.empty() ? localTimeText() : in_.runTimeText));

    progress_ = ProgressTexts{};
    progress_.count = "0  ";
    Post();

    for (const std::string& directory : in_.portfolios)
        UpdatePortfolio(directory);

    if (audit_) {
        if (std::fclose(audit_) != 0 && auditProblem_.empty())
            auditProblem_ = "The audit log " + auditPath + " could not be completely written.";
        audit_ = nullptr;
    }
    return static_cast<std::uint32_t>(quoteCount_) << 16 | runFlags_;
}

void CQuoteUpdater::UpdatePortfolio(const std::string& directory)
{
    masterChanged_ = false;
    portfolioUsed_.clear();
    portfolio_ = directory;
    progress_.portfolio = " " + directory;
    Post();
    Audit("");
    Audit("Audit for MASTER at: " + directory);
    // Checked before anything is touched, even the temporaries an earlier run left: a folder
    // that refuses writes would otherwise be passed over with a cause that names a copy.
    if (IoStatus ro = checkWritableFolder(directory); !ro) {
        PassOver("MASTER at " + directory + " passed over: " + ro.message());
        return;
    }

    removePortfolioTemporaries(directory);
    // The copy is the run's fallback: it stays until the new MASTER is in place.
    const std::string masterFile = masterPath(directory);
    const std::string oldCopy = joinPath(directory, "MASTER.~OL");
    // A copy left behind is harmless (the next run replaces it) but is said, so it is not a mystery.
    const auto removeOldCopy = [&] {
        if (IoStatus s = removeFile(oldCopy); !s)
            Audit("ERROR: the copy of MASTER at " + directory + " could not be deleted (" + s.message() + ")");
    };
    MasterFile master;
    if (IoStatus s = copyFile(masterFile, oldCopy); !s) {
        PassOver("MASTER at " + directory + " could not be copied; portfolio passed over (" + s.message() + ")");
        return;
    }
    if (IoStatus s = readMasterFile(directory, master); !s) {
        removeOldCopy();
        PassOver("MASTER at " + directory + " could not be read; portfolio passed over (" + s.message() + ")");
        return;
    }

    const MasterFile before = master;
    // XMASTER's securities: quotes in F<n>.MWD, dates in XMASTER itself.
    SecurityList list;
    bool xmasterChanged = false;
    // A security takes its new dates once its quote file holds the quote: at once when the file
    // already held the day, after the flush of the portfolio's quote files otherwise.
    const auto takeDates = [&](bool fromXmaster, std::size_t index, const MbfFloat& first, const MbfFloat& last) {
        if (fromXmaster) {
            setXmasterDates(list.xmaster.entries[index], mbfToFloat(first.data()), mbfToFloat(last.data()));
            xmasterChanged = true;
        } else {
            master.entries[index].setFirstDate(first);
            master.entries[index].setLastDate(last);
            masterChanged_ = true;
        }
    };
    std::vector<StagedQuote> staged; // in the order of quoteFiles_
    const auto settle = [&](bool fromXmaster, std::size_t index) {
        if (!target_.datesMoved)
            return;
        if (target_.staged)
            staged.push_back({fromXmaster, index, target_.first, target_.last, symbol_, dateText_, target_.updateFile});
        else
            takeDates(fromXmaster, index, target_.first, target_.last);
    };
    // The DOP files, found once: looking up a missing one name by name would scan the directory
    // for every security.
    std::set<std::string> names;
    std::vector<DirEntry> listed;
    const bool listedAll = listDirectory(directory, listed).isOk();
    for (const DirEntry& e : listed)
        names.insert(upperAscii(e.name));
    for (std::size_t index = 0; index < master.entries.size(); ++index) {
        MasterEntry& entry = master.entries[index];
        const SkipFlags skip = readSkipFlags(directory);
        if (skip.size() != kSkipFlagCount || skip[static_cast<std::size_t>(entry.fileNumber())] != '0' ||
            entry.isDirectoryEntry())
            continue;
        const bool dopPresent = !listedAll || names.contains(quoteFileName(entry.fileNumber(), "DOP"));
        // An entry that contradicts itself, or a second entry of a file number, would have its
        // quote written in a layout the file does not have: it is passed over, and says why.
        if (const std::string problem =
                entryWriteProblem(directory, master, index, readFieldLayout(directory, entry, dopPresent));
            !problem.empty()) {
            Audit("ERROR: " + updateSymbolOf(entry.rawSymbol()) + " passed over: " + oneLine(problem));
            continue;
        }
        target_ = Target{};
        target_.entry = entry;
        target_.dopPresent = dopPresent;
        target_.fileNumber = entry.fileNumber();
        target_.recordLength = entry.recordLength();
        target_.quoteFile = quoteFileName(entry.fileNumber(), "DAT");
        target_.first = entry.firstDateBytes();
        target_.last = entry.lastDateBytes();
        symbol_ = updateSymbolOf(entry.rawSymbol());
        UpdateTarget();
        settle(false, index);
    }

    // Those the list leaves out (a damaged XMASTER, a record repeating a number) are named in its
    // problems.
    if (IoStatus s = readSecurities(directory, list); !s) {
        Audit("ERROR: the securities of XMASTER at " + directory + " could not be read (" + s.message() + ")");
    } else {
        for (const std::string& problem : list.problems)
            Audit("ERROR: " + oneLine(problem));
    }
    // Their skip marks (SKIPQVTX.PBG), read once: a missing file, looked up by name for each of
    // thousands of securities, would scan the directory each time. Marks that cannot be read
    // leave every XMASTER security alone, as an unreadable SKIPQVTA.PBG does MASTER's.
    SkipFlags highSkip;
    const bool highSkipRead = readHighSkipFlags(directory, highSkip).isOk();
    if (!highSkipRead && std::ranges::any_of(list.securities, &Security::fromXmaster))
        Audit("ERROR: the skip marks of the XMASTER securities at " + directory +
              " could not be read; those securities were passed over");
    const bool lowSkipReadable = readSkipFlags(directory).size() == kSkipFlagCount;
    for (const Security& security : list.securities) {
        if (!security.fromXmaster() || !highSkipRead || !lowSkipReadable ||
            highSkipMarked(highSkip, security.fileNumber))
            continue;
        target_ = Target{};
        target_.fromXmaster = true;
        target_.xmasterEntry = security.xmasterEntry;
        target_.fileNumber = security.fileNumber;
        target_.recordLength = security.recordLength;
        target_.quoteFile = security.quoteFileName();
        target_.first = floatToMbf(security.firstDate);
        target_.last = floatToMbf(security.lastDate);
        symbol_ = updateSymbolOf(security.xmasterEntry.symbol());
        UpdateTarget();
        settle(true, security.position);
    }

    // The quote files are flushed together and take their real names (and those are on disk)
    // before XMASTER or MASTER names their dates.
    const std::vector<IoStatus> placed = quoteFiles_.commit();
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const StagedQuote& q = staged[i];
        if (placed[i]) {
            takeDates(q.fromXmaster, q.index, q.first, q.last);
            continue;
        }
        runFlags_ |= kRunFlagMergeFailed;
        keptFiles_.push_back(q.updateFile);
        Audit("ERROR: Quote for: " + q.dateText + " could not be added to: " + q.symbol + " in " + directory);
        observer_.ShowMessage("AddOneQuote failure\n" + q.symbol + ": " + placed[i].message());
    }

    if (!masterChanged_ && !xmasterChanged) {
        removeOldCopy();
        return;
    }
    if (xmasterChanged) {
        if (IoStatus s = replaceFile(xmasterPath(directory), "XMASTER.~NU", xmasterBytes(list.xmaster)); !s) {
            runFlags_ |= kRunFlagMergeFailed;
            PassOver("XMASTER at " + directory + " could not be replaced (" + s.message() + ")");
            // Its securities' quotes are stored, but XMASTER does not know them.
            keptFiles_.insert(keptFiles_.end(), portfolioUsed_.begin(), portfolioUsed_.end());
        }
    }
    if (!masterChanged_) {
        removeOldCopy();
        return;
    }
    std::string mirrorNotice;
    if (IoStatus s = replaceMasterInStep(directory, before, master, mirrorNotice); !s) {
        runFlags_ |= kRunFlagMergeFailed;
        PassOver("MASTER at " + directory + " could not be replaced; its copy is MASTER.~OL (" + s.message() + ")");
        // The quotes are stored, but MASTER does not know them: the next run learns their dates
        // only from the lines of these files.
        keptFiles_.insert(keptFiles_.end(), portfolioUsed_.begin(), portfolioUsed_.end());
        return;
    }
    if (!mirrorNotice.empty()) {
        Audit("ERROR: " + oneLine(mirrorNotice));
        observer_.ShowMessage(mirrorNotice);
    }
    removeOldCopy();
}

void CQuoteUpdater::UpdateTarget()
{
    lastDate_ = dayNumberFromFileDate(mbfToFloat(target_.last.data()));
    if (UpdateSymbol() == 0)
        Audit("----> Could not add quote to symbol: " + symbol_);
}

int CQuoteUpdater::UpdateSymbol()
{
    progress_.symbol = " " + symbol_;
    // An entry without a last date (a new security, or a MASTER field holding no date) names
    // day 1, as it always has.
    dateText_ = formatDate(lastDate_ == kNoDay ? 1 : lastDate_ + 1, 9, '\0');
    found_ = false;
    if (!ReadProfile())
        return 0;
    const std::string& directory = profile_.updatePath;
    ExpandSelfExtractingFiles(directory);
    ExpandZipFiles(directory);
    updateFiles_.clear();
    for (const std::string& name : plainFiles(directory)) {
        if (hasExtension(name, ".EXE") || hasExtension(name, ".ZIP") || hasExtension(name, ".COM"))
            continue;
        std::string path = joinPath(directory, name);
        // What a failed unpacking left or changed is no update file: its content is unknown.
        if (!fromFailedArchives_.contains(path))
            updateFiles_.push_front(std::move(path));
    }
    if (updateFiles_.empty())
        return 0;
    return ScanUpdateFiles();
}

bool CQuoteUpdater::ReadProfile()
{
    const std::optional<std::string> name = readAssignment(portfolio_, target_.fileNumber);
    if (!name || !isProfileFileName(*name))
        return false;
    InputFile file;
    if (!file.open(profileFilePath(in_.startupDir.empty() ? "." : in_.startupDir, *name)))
        return false;
    // A short definition file reads as if the missing bytes were 0.
    std::array<std::uint8_t, kProfileRecordSize> record{};
    file.readSomeAt(0, record.data(), record.size());
    profile_ = *decodeProfileRecord(record);
    return true;
}

const std::string& CQuoteUpdater::CachedText(const std::string& path, bool& ok)
{
    static const std::string kEmpty;
    const std::string identity = fileIdentity(path);
    ok = !identity.empty();
    if (!ok)
        return kEmpty;
    auto it = textCache_.find(path);
    if (it != textCache_.end() && it->second.identity == identity)
        return it->second.text;
    Bytes bytes;
    if (!readWholeFile(path, bytes)) {
        ok = false;
        return kEmpty;
    }
    std::size_t cached = 0;
    for (const auto& [p, f] : textCache_)
        cached += f.text.size();
    if (cached + bytes.size() > kTextCacheLimit)
        textCache_.clear();
    CachedFile& slot = textCache_[path];
    slot.identity = identity;
    slot.text = normalizeDosText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return slot.text;
}

int CQuoteUpdater::ScanUpdateFiles()
{
    while (!updateFiles_.empty() && !found_) {
        const std::string& path = updateFiles_.front();
        progress_.quoteFile = " " + baseName(path);
        Post();
        bool ok = false;
        const std::string& text = CachedText(path, ok);
        if (ok) {
            DosLineReader reader(text);
            std::string_view line;
            while (!found_ && reader.next(line)) {
                line_ = line;
                if (profile_.symbolColumn == 1) {
                    if (firstWordMatches(line, profile_.delimiter, symbol_)) {
                        SplitLine();
                        if (fields_.count > 0)
                            found_ = TryAddQuote() != 0;
                    }
                } else if (equalsIgnoringCase(SplitLine(), symbol_)) {
                    found_ = TryAddQuote() != 0;
                }
            }
        }
        updateFiles_.pop_front();
    }
    updateFiles_.clear();
    return found_ ? 1 : 0;
}

std::string_view CQuoteUpdater::SplitLine()
{
    return splitLine(line_, profile_.delimiter, profile_.symbolColumn, fields_);
}

void CQuoteUpdater::ConvertFields(DayNumber date, std::array<float, 8>& values)
{
    values.fill(0.0f);
    std::memcpy(&values[0], fileDateFromDayNumber(date).data(), 4); // already in file form
    auto read = [&](int column) { return column > 0 ? leadingNumber(fields_.column(column)) : 0.0f; };
    values[2] = read(profile_.openColumn);
    values[3] = read(profile_.highColumn);
    values[4] = read(profile_.lowColumn);
    values[5] = leadingNumber(fields_.column(profile_.closeColumn));
    values[6] = read(profile_.volumeColumn);
    values[7] = read(profile_.openInterestColumn);
}

int CQuoteUpdater::TryAddQuote()
{
    const DayNumber date = parseDateText(fields_.column(profile_.dateColumn), profile_.dateFormat);
    if (lastDate_ >= date)
        return 0;
    alreadyStored_ = false;
    mergeProblem_.clear();
    const int merged = AddOneQuote(date);
    // A failed merge counts too; a day the file already held (MASTER only learnt the file's last
    // date) was no addition, and neither the count nor the log may say otherwise.
    if (!alreadyStored_) {
        ++quoteCount_;
        progress_.count = std::to_string(quoteCount_) + "  ";
        Post();
    }
    if (merged != 0) {
        runFlags_ |= kRunFlagMergeFailed;
        // The file keeps the quote this security still lacks.
        keptFiles_.push_back(updateFiles_.front());
        Audit("ERROR: Quote for: " + dateText_ + " could not be added to: " + symbol_ + " in " + portfolio_);
        observer_.ShowMessage("AddOneQuote failure" + (mergeProblem_.empty() ? std::string() : "\n" + mergeProblem_));
    } else {
        // Only a file whose quote is stored may be deleted at the end of the run.
        usedFiles_.push_front(updateFiles_.front());
        portfolioUsed_.push_back(updateFiles_.front());
        if (!alreadyStored_)
            Audit("Quote for: " + dateText_ + " added to: " + symbol_);
    }
    return 1;
}

int CQuoteUpdater::AddOneQuote(DayNumber incoming)
{
    if (in_.shownSymbol == symbol_)
        runFlags_ |= kRunFlagShownSymbolUpdated;

    const int n = target_.fileNumber;
    const int length = target_.recordLength;
    // Why the merge failed, for the line under "AddOneQuote failure".
    const auto fail = [this](std::string why) {
        mergeProblem_ = symbol_ + ": " + std::move(why);
        return 1;
    };
    Security security;
    security.source = SecuritySource::Xmaster;
    security.xmasterEntry = target_.xmasterEntry;
    const LayoutResult layout = target_.fromXmaster ? readFieldLayout(portfolio_, security)
                                                    : readFieldLayout(portfolio_, target_.entry, target_.dopPresent);
    if (layout.status != kStatusOk || length < 4)
        return fail("the fields of " + joinPath(portfolio_, target_.quoteFile) + " are not known");
    const std::string datPath = resolveFile(portfolio_, target_.quoteFile);
    Bytes file;
    if (IoStatus s = readWholeFile(datPath, file); !s)
        return fail(s.message());
    if (file.size() < static_cast<std::size_t>(length))
        return fail(datPath + " is shorter than its header");
    std::array<float, 8> values{};
    ConvertFields(incoming, values);

    const auto L = static_cast<std::size_t>(length);
    const int quotes = quoteCountOf(getU16(file.data() + 2), file.size(), length);
    const int records = quotes + 2; // header, stored quotes, the new one
    if (records > kMaxQuoteRecords) // the 16-bit record count would wrap
        return fail(datPath + " holds as many quotes as a quote file can");

    // Header, the stored quotes, the new record, then whatever the file held beyond its count.
    const std::size_t stored = L * static_cast<std::size_t>(quotes + 1);
    const FieldLayout& f = layout.layout;
    if (const int dateField = f.field(FieldKind::Date); quotes > 0 && dateField) {
        // The file may already hold this day (a run whose MASTER could not be replaced, or
        // another program): nothing is appended out of order, and MASTER learns the file's
        // last date instead.
        const std::uint8_t* lastDate = file.data() + stored - L + 4 * (dateField - 1);
        const DayNumber lastStored = dayNumberFromFileDate(mbfToFloat(lastDate));
        if (lastStored >= incoming) {
            target_.last = mbfAt(lastDate);
            // The file's only quote is its first one too (the quote stored into an empty file
            // by a run that could not replace MASTER).
            if (quotes == 1)
                target_.first = mbfAt(lastDate);
            target_.datesMoved = true;
            alreadyStored_ = lastStored == incoming;
            return lastStored == incoming ? 0 : fail(datPath + " already holds quotes after this one");
        }
    }
    Bytes out;
    out.reserve(file.size() + L);
    out.insert(out.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(stored));
    out[2] = static_cast<std::uint8_t>(records & 0xFF);
    out[3] = static_cast<std::uint8_t>(records >> 8);

    // Values go to the positions the field layout gives them, so a file whose fields stand in
    // another order than the usual one keeps its layout.
    if (profile_.priorDay && quotes > 0) {
        std::uint8_t* prior = out.data() + stored - L;
        putValue(prior, f.field(FieldKind::Volume), values[6]);
        putValue(prior, f.field(FieldKind::OpenInterest), values[7]);
    }
    std::vector<std::uint8_t> record(L, 0);
    if (const int dateField = f.field(FieldKind::Date))
        std::memcpy(record.data() + 4 * (dateField - 1), &values[0], 4);
    putValue(record.data(), f.field(FieldKind::Time), 0.0f);
    putValue(record.data(), f.field(FieldKind::Open), values[2]);
    putValue(record.data(), f.field(FieldKind::High), values[3]);
    putValue(record.data(), f.field(FieldKind::Low), values[4]);
    putValue(record.data(), f.field(FieldKind::Close), values[5]);
    putValue(record.data(), f.field(FieldKind::Volume), values[6]);
    putValue(record.data(), f.field(FieldKind::OpenInterest), values[7]);
    out.insert(out.end(), record.begin(), record.end());
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(stored), file.end());

    // Flushed with the portfolio's other quote files, before MASTER takes the new dates
    // (UpdatePortfolio).
    if (IoStatus s = quoteFiles_.stage(datPath, quoteFileName(n, "~NU"), out); !s)
        return fail(s.message());
    target_.staged = true;
    target_.updateFile = updateFiles_.front();
    // MASTER learns the new dates only once the quote file holds the quote.
    const MbfFloat newDate = mbfAt(reinterpret_cast<const std::uint8_t*>(&values[0]));
    target_.last = newDate;
    if (quotes == 0)
        target_.first = newDate;
    else if (const int dateField = f.field(FieldKind::Date); quotes == 1 && dateField)
        // The first quote may have come from a run whose MASTER never learned of it.
        target_.first = mbfAt(file.data() + L + 4 * (dateField - 1));
    target_.datesMoved = true;
    return 0;
}

void CQuoteUpdater::ExpandSelfExtractingFiles(const std::string& directory)
{
    ExpandArchives(directory, ArchiveKind::SelfExtracting);
}

void CQuoteUpdater::ExpandZipFiles(const std::string& directory) { ExpandArchives(directory, ArchiveKind::Zip); }

void CQuoteUpdater::ExpandArchives(const std::string& directory, ArchiveKind kind)
{
    const bool zip = kind == ArchiveKind::Zip;
    if (!(zip ? in_.settings.zipEnable : in_.settings.selfExtractEnable))
        return;
    // What an unpacker killed in an earlier run left behind goes before anything is unpacked.
    if (!cleanedDirectories_.contains(directory)) {
        cleanedDirectories_.insert(directory);
        removeUnpackerLeftovers(directory);
    }
    for (const std::string& name : plainFiles(directory)) {
        if (!hasExtension(name, zip ? ".ZIP" : ".EXE"))
            continue;
        if ((zip ? RunPkunzip(name) : RunSelfExtractor(name)) == kFailed) {
            (zip ? stopZip_ : stopSelfExtract_) = true;
            // The unpacker's own reason tells a wrong password from a refused archive.
            std::string line = std::string("ERROR: ") +
                               (zip ? "De-Compress failure for file " : "Self-Extract failure for file ") + name;
            if (!unpackFailure_.empty())
                line += " (" + unpackFailure_ + ")";
            Audit(line);
        }
    }
}

int CQuoteUpdater::RunPkunzip(const std::string& name) { return RunUnpacker(name, ArchiveKind::Zip); }

int CQuoteUpdater::RunSelfExtractor(const std::string& name) { return RunUnpacker(name, ArchiveKind::SelfExtracting); }

int CQuoteUpdater::RunUnpacker(const std::string& name, ArchiveKind kind)
{
    const bool zip = kind == ArchiveKind::Zip;
    const UpdateSettings& s = in_.settings;
    if (!(zip ? s.zipEnable : s.selfExtractEnable))
        return kSwitchedOff;
    if (zip ? stopZip_ : stopSelfExtract_)
        return kNotTried;
    const std::string display = name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
    const std::string& directory = profile_.updatePath;
    const std::string fullPath = joinPath(directory, name);
    std::vector<std::string>& handled = zip ? handledZip_ : handledSelfExtract_;
    if (containsIgnoringCase(handled, fullPath))
        return kNothingDone;
    handled.push_back(fullPath);
    if (InputFile probe; !probe.open(fullPath))
        return kNothingDone;

    // The unpacker starts in the update directory: a relative program path would name a file
    // that came with the update data, so it is made absolute first (empty: the root, as the
    // root of the current drive was).
    std::string program = in_.selfExtractor;
    if (zip) {
        std::string dir = s.pkunzipPath.empty() ? std::string("/") : s.pkunzipPath;
        if (dir.front() != '/') {
            char resolved[PATH_MAX];
            const std::string base = in_.startupDir.empty() ? "." : in_.startupDir;
            dir = joinPath(::realpath(base.c_str(), resolved) ? resolved : base, dir);
        }
        program = resolveFile(dir, "PKUNZIP.EXE"); // found as the settings check finds it
    }
    // A name beginning with "-" ("-sX.ZIP") would be read as an option: it goes as "./-sX.ZIP".
    std::vector<std::string> args = {name.starts_with('-') ? "./" + name : name, "-o"};
    if (zip ? s.zipPasswordEnable : s.selfExtractPasswordEnable)
        args.push_back("-s" + (zip ? s.zipPassword : s.selfExtractPassword));
    std::string commandLine = zip ? program + " " : std::string();
    for (std::size_t i = 0; i < args.size(); ++i)
        commandLine += (i ? " " : "") + args[i];

    progress_.quoteFile.clear();
    progress_.extractionFile = " " + display;
    progress_.extractionLabel = zip ? "De-Compressing File:" : "Self-Extracting File:";
    Post();

    unpackFailure_.clear();
    const std::map<std::string, std::string> before = FileIdentities(directory);
    ChildProcess child;
    std::string error;
    if (program.empty() || !child.start(program, args, directory, error)) {
        unpackFailure_ = program.empty() ? "no unpacker found" : "cannot start " + program + ": " + error;
        if (!zip)
            runFlags_ |= kRunFlagSelfExtractFailed;
        observer_.ShowMessage(std::string(zip ? "CreateProcess failed while trying to De-Compress based on this "
                                                "command line\n\n"
                                              : "CreateProcess failed while trying to Self-Extract based on this "
                                                "command line\n\n") +
                              commandLine);
        progress_.extractionFile.clear();
        Post();
        return kFailed;
    }
    const auto started = std::chrono::steady_clock::now();
    const bool ok = child.waitFor(kUnpackerTimeLimit);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    if (!ok) {
        unpackFailure_ = child.failureReason();
        // The bundled unpacker leaves the directory as it was, but not when it is killed, and
        // another unpacker may leave anything: no file it made or changed is read in this run.
        removeUnpackerLeftovers(directory);
        for (const auto& [path, identity] : FileIdentities(directory)) {
            const auto old = before.find(path);
            if (old == before.end() || old->second != identity)
                fromFailedArchives_.insert(path);
        }
        observer_.ShowMessage(
            std::string(zip ? "De-Compress failed for file\n\n" : "Self-Extract failed for file\n\n") + fullPath);
        progress_.extractionFile.clear();
        Post();
        return kFailed;
    }
    Audit(std::string(zip ? "De-Compress of " : "Self-Extract of ") + fullPath + " took " + std::to_string(elapsed) +
          " milliseconds");
    (zip ? deleteZip_ : deleteSelfExtract_).push_front(fullPath);
    progress_.extractionFile = " " + display + " DONE";
    Post();
    return kUnpacked;
}

std::map<std::string, std::string> CQuoteUpdater::FileIdentities(const std::string& directory)
{
    std::map<std::string, std::string> identities;
    for (const std::string& name : plainFiles(directory)) {
        std::string path = joinPath(directory, name);
        identities.emplace(path, fileIdentity(path));
    }
    return identities;
}

void CQuoteUpdater::CleanUp()
{
    handledZip_.clear();
    handledSelfExtract_.clear();
    updateFiles_.clear();
    const UpdateSettings& s = in_.settings;
    // A file that stays would be read again by the next run; the user is told which and why.
    std::string notDeleted;
    const auto remove = [&](const std::string& path) {
        if (IoStatus r = removeFile(path); !r)
            notDeleted += "\n" + r.message();
    };
    for (const std::string& path : deleteSelfExtract_)
        if (s.deleteSelfExtract && s.selfExtractEnable)
            remove(path);
    for (const std::string& path : deleteZip_)
        if (s.deleteZip && s.zipEnable)
            remove(path);
    for (const std::string& path : usedFiles_)
        if (s.deleteTxt && !containsIgnoringCase(keptFiles_, path))
            remove(path);
    if (!notDeleted.empty())
        observer_.ShowMessage("These used update files could not be deleted:" + notDeleted);
    deleteSelfExtract_.clear();
    deleteZip_.clear();
    usedFiles_.clear();
    keptFiles_.clear();
}

} // namespace qv
