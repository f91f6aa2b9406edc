#include "core/update/quote_updater.h"

#include "core/platform/clock.h"
#include "core/platform/files.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "core/update/child_process.h"
#include "core/update/dos_text.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace qv {
namespace {

constexpr auto kUnpackerTimeLimit = std::chrono::milliseconds(20000);
// Update files kept in memory within one run, in bytes: enough for a day's exchange-wide file
// read once for thousands of securities, small enough for a machine of any size.
constexpr std::size_t kTextCacheLimit = 8 * 1024 * 1024;

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool hasExtension(const std::string& name, std::string_view extension)
{
    return name.size() >= 4 && upper(name.substr(name.size() - 4)) == extension;
}

bool containsIgnoringCase(const std::vector<std::string>& list, const std::string& path)
{
    return std::any_of(list.begin(), list.end(), [&](const std::string& p) { return equalsIgnoringCase(p, path); });
}

// The update symbol of a MASTER entry: the 16 symbol bytes cut at the first blank, control
// character or byte above 127.
std::string updateSymbolOf(const MasterEntry& entry)
{
    const std::string raw = entry.rawSymbol();
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
        if (e.kind == EntryKind::Directory ||
            ((e.kind == EntryKind::Unknown || e.kind == EntryKind::SymLink) && isDirectory(joinPath(directory, e.name))))
            continue;
        names.push_back(e.name);
    }
    return names;
}

// A message as one AUDIT.TXT line: line ends become blanks.
std::string oneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

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

void CQuoteUpdater::Audit(const std::string& line)
{
    if (audit_) {
        std::fputs(line.c_str(), audit_);
        std::fputc('\n', audit_);
    }
}

std::uint32_t CQuoteUpdater::UpdateAllPortfolios()
{
    runFlags_ = 0;
    quoteCount_ = 0;
    stopZip_ = stopSex_ = false;

    const std::string auditPath = joinPath(in_.startupDir.empty() ? "." : in_.startupDir, kAuditFileName);
    audit_ = std::fopen(auditPath.c_str(), "w");
    if (!audit_)
        auditProblem_ = "The audit log could not be created at\n" + auditPath + "\n(" + std::strerror(errno) +
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
    portfolio_ = directory;
    progress_.portfolio = " " + directory;
    Post();
    if (audit_)
        std::fprintf(audit_, "\n%s\n", ("Audit for MASTER at: " + directory).c_str());

    // The copy is the run's fallback: it stays until the new MASTER is in place.
    const std::string masterFile = masterPath(directory);
    const std::string oldCopy = joinPath(directory, "MASTER.~OL");
    MasterFile master;
    if (IoStatus s = copyFile(masterFile, oldCopy); !s) {
        Audit("ERROR: MASTER at " + directory + " could not be copied; portfolio passed over (" + s.message() + ")");
        return;
    }
    if (IoStatus s = readMasterFile(directory, master); !s) {
        removeFile(oldCopy);
        Audit("ERROR: MASTER at " + directory + " could not be read; portfolio passed over (" + s.message() + ")");
        return;
    }

    for (std::size_t index = 0; index < master.entries.size(); ++index) {
        MasterEntry& entry = master.entries[index];
        const SkipFlags skip = readSkipFlags(directory);
        if (skip.size() != kSkipFlagCount || skip[static_cast<std::size_t>(entry.fileNumber())] != '0' ||
            entry.isDirectoryEntry())
            continue;
        // An entry that contradicts itself, or a second entry of a file number, would have its
        // quote written in a layout the file does not have: it is passed over, and says why.
        if (const std::string problem = entryWriteProblem(directory, master, index); !problem.empty()) {
            Audit("ERROR: " + updateSymbolOf(entry) + " passed over: " + oneLine(problem));
            continue;
        }
        record_ = entry;
        symbol_ = updateSymbolOf(entry);
        lastDate_ = dayNumberFromFileDate(entry.lastDate());
        if (UpdateSymbol() == 0)
            Audit("----> Could not add quote to symbol: " + symbol_);
        entry = record_;
    }

    if (!masterChanged_) {
        removeFile(oldCopy);
        return;
    }
    syncDirectory(directory); // the quote files' new names are on disk before MASTER names their dates
    Bytes content(master.header.begin(), master.header.end());
    for (const MasterEntry& e : master.entries)
        content.insert(content.end(), e.bytes.begin(), e.bytes.end());
    content.insert(content.end(), master.trailing.begin(), master.trailing.end());
    if (IoStatus s = replaceFile(masterFile, "MASTER.~NU", content); !s) {
        runFlags_ |= kRunFlagMergeFailed;
        Audit("ERROR: MASTER at " + directory + " could not be replaced; its copy is MASTER.~OL (" + s.message() +
              ")");
        return;
    }
    removeFile(oldCopy);
}

int CQuoteUpdater::UpdateSymbol()
{
    progress_.symbol = " " + symbol_;
    dateText_ = formatDate(static_cast<DayNumber>(lastDate_ + 1), 9, '\0');
    found_ = false;
    if (!ReadProfile())
        return 0;
    const std::string& directory = profile_.updatePath;
    ExpandSelfExtractingFiles(directory);
    ExpandZipFiles(directory);
    updateFiles_.clear();
    for (const std::string& name : plainFiles(directory))
        if (!hasExtension(name, ".EXE") && !hasExtension(name, ".ZIP") && !hasExtension(name, ".COM"))
            updateFiles_.push_front(joinPath(directory, name));
    if (updateFiles_.empty())
        return 0;
    return ScanUpdateFiles();
}

bool CQuoteUpdater::ReadProfile()
{
    const std::optional<std::string> name = readAssignment(portfolio_, record_.fileNumber());
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
    struct stat st{};
    ok = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        return kEmpty;
    const std::string identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
                                 std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                                 std::to_string(st.st_mtim.tv_nsec);
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

int CQuoteUpdater::ConvertFields(std::array<float, 8>& values)
{
    values.fill(0.0f);
    const DayNumber date = parseDateText(fields_.column(profile_.dateColumn), profile_.dateFormat);
    std::memcpy(&values[0], fileDateFromDayNumber(date).data(), 4); // already in file form
    auto read = [&](int column) { return column > 0 ? leadingNumber(fields_.column(column)) : 0.0f; };
    values[2] = read(profile_.openColumn);
    values[3] = read(profile_.highColumn);
    values[4] = read(profile_.lowColumn);
    values[5] = leadingNumber(fields_.column(profile_.closeColumn));
    values[6] = read(profile_.volumeColumn);
    values[7] = read(profile_.openInterestColumn);
    return 0;
}

int CQuoteUpdater::TryAddQuote()
{
    const DayNumber date = parseDateText(fields_.column(profile_.dateColumn), profile_.dateFormat);
    if (lastDate_ >= date)
        return 0;
    if (AddOneQuote() != 0) {
        runFlags_ |= kRunFlagMergeFailed;
        observer_.ShowMessage("AddOneQuote failure");
    } else {
        // Only a file whose quote is stored may be deleted at the end of the run.
        usedFiles_.push_front(updateFiles_.front());
        Audit("Quote for: " + dateText_ + " added to: " + symbol_);
    }
    return 1;
}

int CQuoteUpdater::AddOneQuote()
{
    if (in_.shownSymbol == symbol_)
        runFlags_ |= kRunFlagShownSymbolUpdated;
    ++quoteCount_;
    progress_.count = std::to_string(quoteCount_) + "  ";
    Post();

    const int n = record_.fileNumber();
    const int length = record_.recordLength();
    const LayoutResult layout = readFieldLayout(joinPath(portfolio_, quoteFileName(n, "DOP")), length);
    if (layout.status != kStatusOk || length < 4)
        return 1;
    const std::string datPath = resolveFile(portfolio_, quoteFileName(n, "DAT"));
    Bytes file;
    if (!readWholeFile(datPath, file) || file.size() < static_cast<std::size_t>(length))
        return 1;
    std::array<float, 8> values{};
    ConvertFields(values);

    const auto L = static_cast<std::size_t>(length);
    const int quotes = quoteCountOf(getU16(file.data() + 2), file.size(), length);
    const int records = quotes + 2; // header, stored quotes, the new one
    if (records > kMaxQuoteRecords)
        return 1; // the 16-bit record count would wrap

    // Header, the stored quotes, the new record, then whatever the file held beyond its count.
    const std::size_t stored = L * static_cast<std::size_t>(quotes + 1);
    const FieldLayout& f = layout.layout;
    if (const int dateField = f.field(FieldKind::Date); quotes > 0 && dateField) {
        // The file may already hold this day (a run whose MASTER could not be replaced, or
        // another program): nothing is appended out of order, and MASTER learns the file's
        // last date instead.
        const std::uint8_t* lastDate = file.data() + stored - L + 4 * (dateField - 1);
        const DayNumber lastStored = dayNumberFromFileDate(mbfToFloat(lastDate));
        const DayNumber incoming = parseDateText(fields_.column(profile_.dateColumn), profile_.dateFormat);
        if (lastStored >= incoming) {
            std::memcpy(record_.bytes.data() + 29, lastDate, 4);
            masterChanged_ = true;
            return lastStored == incoming ? 0 : 1;
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

    // The directory is flushed once, before MASTER takes the new dates (UpdatePortfolio).
    if (!replaceFileDeferringSync(datPath, quoteFileName(n, "~NU"), out))
        return 1;
    // MASTER learns the new dates only once the quote file holds the quote.
    std::memcpy(record_.bytes.data() + 29, &values[0], 4);
    if (quotes == 0)
        std::memcpy(record_.bytes.data() + 25, &values[0], 4);
    masterChanged_ = true;
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
    if (!(zip ? in_.settings.zipEnable : in_.settings.sexEnable))
        return;
    for (const std::string& name : plainFiles(directory)) {
        if (!hasExtension(name, zip ? ".ZIP" : ".EXE"))
            continue;
        if ((zip ? RunPkunzip(name) : RunSelfExtractor(name)) == kFailed) {
            (zip ? stopZip_ : stopSex_) = true;
            Audit(std::string("ERROR: ") + (zip ? "De-Compress failure for file " : "Self-Extract failure for file ") +
                  name);
        }
    }
}

int CQuoteUpdater::RunPkunzip(const std::string& name) { return RunUnpacker(name, ArchiveKind::Zip); }

int CQuoteUpdater::RunSelfExtractor(const std::string& name)
{
    return RunUnpacker(name, ArchiveKind::SelfExtracting);
}

int CQuoteUpdater::RunUnpacker(const std::string& name, ArchiveKind kind)
{
    const bool zip = kind == ArchiveKind::Zip;
    const UpdateSettings& s = in_.settings;
    if (!(zip ? s.zipEnable : s.sexEnable))
        return kSwitchedOff;
    if (zip ? stopZip_ : stopSex_)
        return kNotTried;
    const std::string display = name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
    const std::string& directory = profile_.updatePath;
    const std::string fullPath = joinPath(directory, name);
    std::vector<std::string>& handled = zip ? handledZip_ : handledSex_;
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
    std::vector<std::string> args = {name, "-o"};
    if (zip ? s.zipPasswordEnable : s.sexPasswordEnable)
        args.push_back("-s" + (zip ? s.zipPassword : s.sexPassword));
    std::string commandLine = zip ? program + " " : std::string();
    for (std::size_t i = 0; i < args.size(); ++i)
        commandLine += (i ? " " : "") + args[i];

    progress_.quoteFile.clear();
    progress_.extractionFile = " " + display;
    progress_.extractionLabel = zip ? "De-Compressing File:" : "Self-Extracting File:";
    Post();

    ChildProcess child;
    std::string error;
    if (program.empty() || !child.start(program, args, directory, error)) {
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
        observer_.ShowMessage(std::string(zip ? "De-Compress failed for file\n\n" : "Self-Extract failed for file\n\n") +
                              fullPath);
        progress_.extractionFile.clear();
        Post();
        return kFailed;
    }
    Audit(std::string(zip ? "De-Compress of " : "Self-Extract of ") + fullPath + " took " + std::to_string(elapsed) +
          " milliseconds");
    (zip ? deleteZip_ : deleteSex_).push_front(fullPath);
    progress_.extractionFile = " " + display + " DONE";
    Post();
    return kUnpacked;
}

void CQuoteUpdater::CleanUp()
{
    handledZip_.clear();
    handledSex_.clear();
    updateFiles_.clear();
    const UpdateSettings& s = in_.settings;
    for (const std::string& path : deleteSex_)
        if (s.deleteSex && s.sexEnable)
            removeFile(path);
    for (const std::string& path : deleteZip_)
        if (s.deleteZip && s.zipEnable)
            removeFile(path);
    for (const std::string& path : usedFiles_)
        if (s.deleteTxt)
            removeFile(path);
    deleteSex_.clear();
    deleteZip_.clear();
    usedFiles_.clear();
}

} // namespace qv
