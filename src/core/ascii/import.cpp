#include "core/ascii/import.h"

#include "core/app/program_settings.h"
#include "core/platform/clock.h"
#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/profiles/profile_check.h"
#include "core/store/encodings.h"
#include "core/store/master.h"
#include "core/store/master_mirrors.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "core/store/temporaries.h"
#include "core/update/line_parser.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace qv {

namespace {

constexpr std::string_view kSkipRangeMessage = "Enter a number of rows from 0 to 200 to skip";
constexpr std::string_view kInputUnreadableMessage = "The input file could not be read:\n";
constexpr std::string_view kInputEmptyMessage = "The input file holds no quote lines.";

// The record order of a quote: date, open, high, low, close, volume, open interest.
constexpr int kDate = 0;
constexpr int kClose = 4;
constexpr std::array<FieldKind, 7> kRecordKinds = {FieldKind::Date,        FieldKind::Open,  FieldKind::High,
                                                   FieldKind::Low,         FieldKind::Close, FieldKind::Volume,
                                                   FieldKind::OpenInterest};
constexpr std::array<std::string_view, 7> kColumnLabels = {"Date",  "Open",   "High",    "Low",
                                                           "Close", "Volume", "Open Int"};

std::string trimRight(std::string_view text) { return std::string(trimSpaceRight(text)); }

ImportDialogCheck refuse(ImportDialogCheck check, std::string_view message)
{
    check.message = message;
    return check;
}

// The seven column settings in record order.
struct ColumnSetting {
    bool present;
    int column;
};
std::array<ColumnSetting, 7> columnSettings(const ImportDialogValues& v)
{
    return {{{true, v.dateColumn},
             {v.open.present, v.open.column},
             {v.high.present, v.high.column},
             {v.low.present, v.low.column},
             {true, v.closeColumn},
             {v.volume.present, v.volume.column},
             {v.openInterest.present, v.openInterest.column}}};
}

// ---- Reading the input ------------------------------------------------------------------

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads the next piece of a line as a text-mode read of at most kImportLinePiece characters
// would: up to and including the line end, a CR LF pair counting as one LF. False at the end.
bool readPiece(std::FILE* file, std::string& piece)
{
    piece.clear();
    while (piece.size() < kImportLinePiece) {
        int c = std::getc(file);
        if (c == EOF)
            break;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        piece.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !piece.empty();
}

// A decimal number with blanks around it; no hexadecimal, infinities or NaN, and the same
// answer whatever locale the program runs in.
std::optional<double> decimalNumber(std::string_view text)
{
    text = trimSpace(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::size_t i = text.empty() || text.front() != '-' ? 0 : 1;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first field that could not be read, and how many there were.
struct Unreadable {
    int count = 0;
    int line = 0;   // 1-based, counting every piece read (skipped lines too)
    int column = 0; // 1-based
    std::string text;
    bool isDate = false;
};

struct ParsedInput {
    bool opened = false;
    bool readError = false;
    int error = 0; // errno of the failed open or read
    bool tooMany = false;
    int count = 0;
    Bytes records;
    DayNumber firstDate = kNoDay;
    DayNumber lastDate = kNoDay;
    std::string dateKindMessage; // the first line's date does not fit the kind of format
    Unreadable unreadable;
};

ParsedInput readInput(const ImportJob& job)
{
    ParsedInput in;
    std::FILE* stream = nullptr;
    // Not std::fopen: a named pipe given as the input would block the import for good.
    if (IoStatus opened = openInputStream(job.inputPath, stream); !opened) {
        in.error = opened.error();
        return in;
    }
    std::unique_ptr<std::FILE, FileCloser> file(stream);
    in.opened = true;

    std::array<std::string, kImportMaxColumn> texts;
    texts.fill("123"); // what a column no line has reached yet reads
    std::string piece;
    static_assert(kImportMaxColumn == kMaxLineFields, "every field of a line has its column");
    LineFields fields;
    int lineNumber = 0;
    if (job.skip) {
        for (int k = 0; k < job.skipCount && readPiece(file.get(), piece); ++k)
            ++lineNumber;
    }
    while (readPiece(file.get(), piece)) {
        ++lineNumber;
        splitFields(piece, job.delimiter, fields);
        if (fields.count == 0)
            continue;
        if (in.count == kImportMaxQuotes) {
            in.tooMany = true;
            return in;
        }
        for (int c = 0; c < fields.count; ++c)
            texts[static_cast<std::size_t>(c)] = std::string(fields.field[static_cast<std::size_t>(c)]);

        const auto noteUnreadable = [&](int column, bool isDate) {
            if (in.unreadable.count++ > 0)
                return;
            in.unreadable.line = lineNumber;
            in.unreadable.column = column + 1;
            in.unreadable.text = texts[static_cast<std::size_t>(column)];
            in.unreadable.isDate = isDate;
        };

        const int dateColumn = job.columns[kDate];
        const std::string& dateText = texts[static_cast<std::size_t>(dateColumn)];
        const DayNumber day = parseDateText(dateText, job.dateFormat);
        if (day == kNoDay)
            noteUnreadable(dateColumn, true);
        if (in.count == 0) {
            // Formats 7..12 have no separators.
            if (job.dateFormat >= 7 && !allDigits(dateText))
                in.dateKindMessage = kImportNumericDateMessage;
            else if (job.dateFormat < 7 && allDigits(dateText))
                in.dateKindMessage = kImportSeparatedDateMessage;
            in.firstDate = day;
        }
        const MbfFloat date = fileDateFromDayNumber(day);
        in.records.insert(in.records.end(), date.begin(), date.end());
        for (std::size_t f = 1; f < job.present.size(); ++f) {
            if (!job.present[f])
                continue;
            const int column = job.columns[f];
            const std::optional<double> value = decimalNumber(texts[static_cast<std::size_t>(column)]);
            if (!value)
                noteUnreadable(column, false);
            const MbfFloat mbf = floatToMbf(static_cast<float>(value.value_or(0.0)));
            in.records.insert(in.records.end(), mbf.begin(), mbf.end());
        }
        in.lastDate = day;
        ++in.count;
    }
    in.readError = std::ferror(file.get()) != 0;
    if (in.readError)
        in.error = errno;
    return in;
}

std::string unreadableNotice(const Unreadable& u)
{
    std::string text = "Line " + std::to_string(u.line) + ", column " + std::to_string(u.column) +
                       " of the input file " + (u.isDate ? "is not a date in the chosen format" : "is not a number") +
                       " (\"" + u.text + "\"); it was stored as 0.";
    if (u.count > 1)
        text += "\n" + std::to_string(u.count) + " fields in all were stored as 0 for this reason.";
    return text;
}

// ---- Writing ----------------------------------------------------------------------------

// "Can it be made the current directory": a directory with search permission. Asked without
// chdir, which would move every thread of the program.
bool canEnter(const std::string& path) { return isDirectory(path) && ::access(path.c_str(), X_OK) == 0; }

bool canRead(const std::string& path) { return isRegularFile(path) && ::access(path.c_str(), R_OK) == 0; }

std::string fullPath(const std::string& dir)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(dir.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : dir;
}

// Whether dir's MASTER lists the security with this number and symbol.
bool masterLists(const std::string& dir, int fileNumber, std::string_view symbol)
{
    MasterFile master;
    if (!readMasterFile(dir, master))
        return false;
    return std::any_of(master.entries.begin(), master.entries.end(), [&](const MasterEntry& e) {
        return !e.isDirectoryEntry() && e.fileNumber() == fileNumber && trimRight(e.rawSymbol()) == symbol;
    });
}

// The quote files of a security whose MASTER entry did not come to be, unless they were there
// before the import (files that no MASTER names are left as found).
struct CreatedFiles {
    int fileNumber = 0;
    bool hadDat = false;
    bool hadDop = false;

    // The first removal that failed, after trying both.
    IoStatus remove(const std::string& dir) const
    {
        if (fileNumber == 0)
            return IoStatus::ok();
        IoStatus dat = hadDat ? IoStatus::ok() : removeFile(resolveFile(dir, quoteFileName(fileNumber, "DAT")));
        IoStatus dop = hadDop ? IoStatus::ok() : removeFile(resolveFile(dir, quoteFileName(fileNumber, "DOP")));
        return dat ? dop : dat;
    }
};

// The field kinds of the job's records, in record order.
std::vector<FieldKind> presentKinds(const ImportJob& job)
{
    std::vector<FieldKind> kinds;
    for (std::size_t f = 0; f < kRecordKinds.size(); ++f) {
        if (job.present[f])
            kinds.push_back(kRecordKinds[f]);
    }
    return kinds;
}

// Creates F<n>.DAT with every quote and F<n>.DOP naming the present fields, never over a file
// that is already there.
IoStatus writeQuoteFiles(const std::string& dir, int fileNumber, const ImportJob& job, const ParsedInput& in)
{
    return createQuoteFiles(dir, fileNumber, presentKinds(job), in.records);
}

// A MASTER of exactly one header record of zero bytes: no security, nothing carried over.
bool isEmptyMaster(const std::string& path)
{
    Bytes bytes;
    return isRegularFile(path) && readWholeFile(path, bytes) && bytes.size() == kMasterRecordSize &&
           std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// MASTER's bytes with the first and last date of entry fileNumber set.
bool withDates(const std::string& dir, int fileNumber, const EntryDates& dates, Bytes& bytes)
{
    MasterFile master;
    if (!readMasterFile(dir, master))
        return false;
    for (std::size_t i = 0; i < master.entries.size(); ++i) {
        const MasterEntry& e = master.entries[i];
        if (e.isDirectoryEntry() || e.fileNumber() != fileNumber)
            continue;
        const std::size_t at = (i + 1) * kMasterRecordSize;
        if (bytes.size() < at + kMasterRecordSize)
            return false;
        std::copy(dates.first.begin(), dates.first.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + kEntryFirstDate.offset));
        std::copy(dates.last.begin(), dates.last.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + kEntryLastDate.offset));
        return true;
    }
    return false;
}

// ---- The phases of an import ---------------------------------------------------------------

// Why an import stopped: the outcome whose message is shown above kImportFailedMessage.
struct ImportStop {
    Outcome outcome;
    ImportMessage::Icon icon = ImportMessage::Icon::Warning;
};

// What the import was asked to do cannot be done; nothing was written.
ImportStop refused(std::string file, std::string what, ImportMessage::Icon icon = ImportMessage::Icon::Warning)
{
    return ImportStop{Outcome::failure(kStatusInvalidParm, std::move(file), std::move(what)), icon};
}

// The output directory as the import found it.
struct OutputFolder {
    std::string dir; // its full path, once it is known to be a directory the import may enter
    std::optional<std::string> existingMaster;
};

// 1. The output directory and its MASTER. Nothing is written before the input is read.
std::optional<ImportStop> checkOutputFolder(const ImportJob& job, OutputFolder& folder)
{
    if (job.outputDir.empty() || !canEnter(job.outputDir))
        return ImportStop{Outcome::failure(kStatusFileNotFound, job.outputDir, std::string(kImportPathMissingMessage),
                                           job.outputDir)};
    folder.dir = fullPath(job.outputDir);
    if (IoStatus ro = checkWritableFolder(folder.dir); !ro)
        return ImportStop{Outcome::cannotWrite(folder.dir, ro)};
    removePortfolioTemporaries(folder.dir); // what an import cut short left
    folder.existingMaster = findEntry(folder.dir, kMasterFileName);
    if (job.useExistingMaster) {
        if (!folder.existingMaster)
            return ImportStop{Outcome::failure(kStatusFileNotFound, folder.dir, std::string(kImportNoMasterMessage),
                                               folder.dir + " holds no MASTER file.")};
        if (!canRead(*folder.existingMaster))
            return ImportStop{Outcome::failure(kStatusFileRead, *folder.existingMaster,
                                               std::string(kImportNoMasterMessage),
                                               *folder.existingMaster + " cannot be read.")};
    } else if (folder.existingMaster && !isEmptyMaster(*folder.existingMaster)) {
        // Also when it cannot be read: it is never overwritten. A MASTER of one zero header
        // record lists nothing: it is what an import into a new MASTER that was cut short leaves,
        // and the import goes on with it.
        return refused(*folder.existingMaster, std::string(kImportMasterExistsMessage));
    }
    return std::nullopt;
}

// 2. and 3. The columns a quote needs, and a symbol that an existing MASTER does not list yet.
std::optional<ImportStop> checkColumnsAndSymbol(const ImportJob& job, const std::string& dir)
{
    if (job.fieldCount() < 2 || !job.present[kDate] || !job.present[kClose])
        return refused({}, std::string(kImportMoreColumnsMessage), ImportMessage::Icon::Information);
    if (job.useExistingMaster && findSecurity(dir, job.symbol).status == kStatusOk)
        return refused(masterPath(dir), std::string(kImportDuplicateSymbolMessage));
    return std::nullopt;
}

// The input as read: every line, and a quote file's worth at most.
std::optional<ImportStop> checkInput(const ImportJob& job, const ParsedInput& in)
{
    if (!in.opened || in.readError) {
        return ImportStop{Outcome::failure(kStatusFileRead, job.inputPath,
                                           std::string(kInputUnreadableMessage) + job.inputPath,
                                           in.error != 0 ? std::strerror(in.error) : std::string())};
    }
    if (in.tooMany) {
        return refused(job.inputPath, "The input file holds more than " + std::to_string(kImportMaxQuotes) +
                                          " quote lines; a quote file can hold no more.\nNothing was imported.");
    }
    if (in.count == 0)
        return refused(job.inputPath, std::string(kInputEmptyMessage));
    return std::nullopt;
}

// The security an import added.
struct AddedSecurity {
    int fileNumber = 0;
    std::string notice; // for the user although it was added (files left by no entry)
};

// 4. The security: its quote files complete before MASTER names it, and MASTER names it
// with its real dates in the one replacement that adds it, so a crash at any instant leaves
// either no entry (the next run starts afresh) or the finished one.
std::optional<ImportStop> addSecurity(const ImportJob& job, const OutputFolder& folder, const ParsedInput& in,
                                      AddedSecurity& added)
{
    const std::string& dir = folder.dir;
    const bool makeMaster = !job.useExistingMaster && !folder.existingMaster;
    if (makeMaster) {
        if (IoStatus s = createEmptyMaster(dir); !s)
            return ImportStop{Outcome::cannotWrite(masterPath(dir), s)};
    }

    CreatedFiles created;
    const auto writeFiles = [&](int fileNumber) {
        created.fileNumber = fileNumber;
        created.hadDat = findEntry(dir, quoteFileName(fileNumber, "DAT")).has_value();
        created.hadDop = findEntry(dir, quoteFileName(fileNumber, "DOP")).has_value();
        // A mark that a deleted security left on the number must not skip the new one. What the
        // import wrote before failing is removed below, with MASTER left as it was.
        IoStatus s = clearSkipMark(dir, fileNumber);
        return s ? writeQuoteFiles(dir, fileNumber, job, in) : s;
    };
    const EntryDates dates{fileDateFromDayNumber(in.firstDate), fileDateFromDayNumber(in.lastDate)};
    const MasterChange change = appendMasterEntry(dir, job.symbol, job.name, job.fieldCount(), writeFiles, dates,
                                                  fieldBitsOf(presentKinds(job)));
    if (!change.done() && !(created.fileNumber != 0 && masterLists(dir, created.fileNumber, job.symbol))) {
        std::string left; // what could not be undone, one line each
        if (IoStatus s = created.remove(dir); !s)
            left += s.message();
        // The MASTER this import created goes with it; one that stays is named (it lists nothing,
        // so the next import into a new MASTER takes it over).
        if (makeMaster) {
            if (IoStatus s = removeFile(masterPath(dir)); !s)
                left += (left.empty() ? "" : "\n") +
                        std::string("The empty MASTER created for the import could not be removed:\n") + s.message();
        }
        return ImportStop{change.failure.withMore(left)};
    }
    added.fileNumber = change.done() ? change.fileNumber : created.fileNumber;
    added.notice = change.notice;
    return std::nullopt;
}

// 5. The backup copy MASTER.BAK of an existing MASTER: MASTER as it stands with the new entry
// before its dates are filled in (today's date as both), as the import has always left it.
// The warning when it could not be written; the import stands either way.
std::optional<ImportMessage> writeMasterBackup(const std::string& dir, int fileNumber)
{
    Bytes backup;
    const MbfFloat today = fileDateFromDayNumber(parseDateText(todayText(), 3));
    IoStatus s = readWholeFile(masterPath(dir), backup);
    if (s && !withDates(dir, fileNumber, EntryDates{today, today}, backup))
        s = IoStatus::failure("The new security's MASTER entry could not be read back.");
    if (s)
        s = replaceFile(resolveFile(dir, "MASTER.BAK"), "MASTER.~BK", backup);
    if (s)
        return std::nullopt;
    return ImportMessage{"The security was imported, but the backup copy MASTER.BAK could not be written:\n" +
                             s.message(),
                         ImportMessage::Icon::Warning};
}

} // namespace

int ImportJob::fieldCount() const { return static_cast<int>(std::count(present.begin(), present.end(), true)); }

ImportDialogCheck checkImportDialog(const ImportDialogValues& values)
{
    ImportDialogCheck check;
    check.symbol = values.symbol;

    // 1. The values in the order the dialog takes them from its controls.
    if (values.inputPath.size() > kImportMaxPathLength)
        return refuse(check, kPathTooLongMessage);
    const std::array<ColumnSetting, 7> columns = columnSettings(values);
    for (std::size_t f = 0; f < columns.size(); ++f) {
        if (columns[f].column < 1 || columns[f].column > kImportMaxColumn)
            return refuse(check, "Enter a column number from 1 to 20 for " + std::string(kColumnLabels[f]));
    }
    if (values.delimiter < kImportComma || values.delimiter > kImportSpace)
        return refuse(check, kBadDelimiterMessage);
    if (values.dateFormat < 1 || values.dateFormat > kDateFormatCount)
        return refuse(check, kBadDateFormatMessage);
    if (values.skipRows < 0 || values.skipRows > kImportMaxSkipRows)
        return refuse(check, kSkipRangeMessage);
    if (values.outputDir.size() > kImportMaxPathLength)
        return refuse(check, kPathTooLongMessage);
    if (values.symbol.size() > kImportMaxTextLength)
        return refuse(check, kLongSymbolMessage);
    if (values.name.size() > kImportMaxTextLength)
        return refuse(check, kLongNameMessage);

    // 2. Date and close first, then the checked optional columns, each taking its slot.
    std::array<bool, kImportMaxColumn + 1> taken{};
    bool duplicate = false;
    for (std::size_t f : {std::size_t{0}, std::size_t{4}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                          std::size_t{5}, std::size_t{6}}) {
        if (!columns[f].present)
            continue;
        bool& slot = taken[static_cast<std::size_t>(columns[f].column)];
        duplicate = duplicate || slot;
        slot = true;
    }
    if (duplicate)
        return refuse(check, kDuplicateColumnsMessage);

    // 3. and 4.
    const std::string symbol = trimRight(values.symbol);
    if (symbol.empty())
        return refuse(check, kImportNoSymbolMessage);
    check.symbol = upperAscii(symbol);
    if (trimRight(values.outputDir).empty())
        return refuse(check, kImportNoPathMessage);
    return check;
}

ImportJob makeImportJob(const ImportDialogValues& values)
{
    ImportJob job;
    job.inputPath = values.inputPath;
    job.outputDir = trimRight(values.outputDir);
    job.symbol = upperAscii(trimRight(values.symbol)).substr(0, kImportMaxTextLength);
    job.name = values.name.substr(0, std::min(values.name.size(), kImportMaxTextLength));
    static_assert(kImportComma == 0 && kImportTab == 1 && kImportSpace == 2, "the codes of update files");
    job.delimiter = delimiterOf(values.delimiter);
    job.skip = values.skipOn;
    job.skipCount = values.skipOn ? values.skipRows : 0;
    job.useExistingMaster = values.useExistingMaster;
    const std::array<ColumnSetting, 7> columns = columnSettings(values);
    for (std::size_t f = 0; f < columns.size(); ++f) {
        job.present[f] = columns[f].present;
        job.columns[f] = std::clamp(columns[f].column, 1, kImportMaxColumn) - 1;
    }
    job.dateFormat = values.dateFormat;
    return job;
}

ImportResult importQuotes(const ImportJob& job)
{
    ImportResult result;
    // A failed import ends its messages with kImportFailedMessage.
    const auto failedWith = [&result](Outcome outcome) -> ImportResult {
        result.outcome = std::move(outcome);
        result.messages.push_back({std::string(kImportFailedMessage), ImportMessage::Icon::Warning});
        return result;
    };
    const auto fail = [&](const ImportStop& stop) {
        result.messages.push_back({stop.outcome.message(), stop.icon});
        return failedWith(stop.outcome);
    };

    OutputFolder folder;
    const std::optional<ImportStop> folderStop = checkOutputFolder(job, folder);
    result.outputDir = folder.dir;
    if (folderStop)
        return fail(*folderStop);
    if (std::optional<ImportStop> stop = checkColumnsAndSymbol(job, folder.dir))
        return fail(*stop);
    const ParsedInput in = readInput(job);
    if (std::optional<ImportStop> stop = checkInput(job, in))
        return fail(*stop);

    AddedSecurity added;
    if (std::optional<ImportStop> stop = addSecurity(job, folder, in, added))
        return fail(*stop);
    result.securityAdded = true;
    result.fileNumber = added.fileNumber;
    result.quoteCount = in.count;

    if (job.useExistingMaster) {
        if (std::optional<ImportMessage> warning = writeMasterBackup(folder.dir, added.fileNumber))
            result.messages.push_back(std::move(*warning));
    }
    if (!added.notice.empty())
        result.messages.push_back({added.notice, ImportMessage::Icon::Information});
    if (!in.dateKindMessage.empty())
        result.messages.push_back({in.dateKindMessage, ImportMessage::Icon::Warning});
    if (in.unreadable.count > 0)
        result.messages.push_back({unreadableNotice(in.unreadable), ImportMessage::Icon::Information});
    // The date check's message is shown above, among the notices, in its place.
    if (!in.dateKindMessage.empty())
        return failedWith(Outcome::failure(kStatusInvalidParm, job.inputPath, in.dateKindMessage));
    return result;
}

ImportDialogValues readImportSettings(const SettingsFile& file)
{
    using namespace keys;
    ImportDialogValues v;
    const std::string format = getSetting(file, kConvertDateFormat, kConvertDateFormatDefault);
    v.dateFormat = dateFormatCode(kConvertDateFormatDefault);
    for (int code = 1; code <= kDateFormatCount; ++code) {
        if (startsWithIgnoringCase(dateFormatName(code), format)) {
            v.dateFormat = code;
            break;
        }
    }
    v.useExistingMaster = getSetting(file, kConvertExist) == 0;
    const int delimiter = getSetting(file, kConvertDelimiter);
    v.delimiter = delimiter >= kImportComma && delimiter <= kImportSpace ? delimiter : kImportComma;
    v.inputPath = getSetting(file, kConvertPathIn);
    v.outputDir = getSetting(file, kConvertPathOut);
    v.symbol = getSetting(file, kConvertSymbol);
    v.name = getSetting(file, kConvertName);
    v.skipOn = getSetting(file, kConvertSkipOn) != 0;
    v.skipRows = getSetting(file, kConvertSkipRows);
    v.dateColumn = getSetting(file, kConvertDateCol);
    v.open = {getSetting(file, kConvertOpenOn) != 0, getSetting(file, kConvertOpenCol)};
    v.high = {getSetting(file, kConvertHiOn) != 0, getSetting(file, kConvertHiCol)};
    v.low = {getSetting(file, kConvertLoOn) != 0, getSetting(file, kConvertLoCol)};
    v.closeColumn = getSetting(file, kConvertCloCol);
    v.volume = {getSetting(file, kConvertVolOn) != 0, getSetting(file, kConvertVolCol)};
    v.openInterest = {getSetting(file, kConvertOIOn) != 0, getSetting(file, kConvertOICol)};
    return v;
}

IoStatus writeImportDialogSettings(SettingsFile& file, const ImportDialogValues& v)
{
    using namespace keys;
    const auto flag = [](bool on) { return on ? 1 : 0; };
    // One replacement of the settings file for the whole dialog.
    std::vector<SettingsFile::Value> values;
    values.push_back({std::string(kConvertDateFormat.section), std::string(kConvertDateFormat.key),
                      std::string(dateFormatName(v.dateFormat))});
    const auto put = [&](const IntKey& key, int value) {
        values.push_back({std::string(key.section), std::string(key.key), std::to_string(value)});
    };
    put(kConvertDelimiter, v.delimiter);
    put(kConvertExist, v.useExistingMaster ? 0 : 1);
    put(kConvertSkipOn, flag(v.skipOn));
    put(kConvertSkipRows, v.skipRows);
    put(kConvertDateCol, v.dateColumn);
    put(kConvertOpenOn, flag(v.open.present));
    put(kConvertOpenCol, v.open.column);
    put(kConvertHiOn, flag(v.high.present));
    put(kConvertHiCol, v.high.column);
    put(kConvertLoOn, flag(v.low.present));
    put(kConvertLoCol, v.low.column);
    put(kConvertCloCol, v.closeColumn);
    put(kConvertVolOn, flag(v.volume.present));
    put(kConvertVolCol, v.volume.column);
    put(kConvertOIOn, flag(v.openInterest.present));
    put(kConvertOICol, v.openInterest.column);
    return file.setValues(values);
}

IoStatus writeImportPaths(SettingsFile& file, const ImportJob& job, const std::string& fullOutputDir)
{
    using namespace keys;
    std::vector<SettingsFile::Value> values;
    for (const auto& [key, value] :
         {std::pair{kConvertPathIn, std::string_view(job.inputPath)},
          std::pair{kConvertPathOut, std::string_view(fullOutputDir)},
          std::pair{kConvertSymbol, std::string_view(job.symbol)}, std::pair{kConvertName, std::string_view(job.name)}})
        values.push_back({std::string(key.section), std::string(key.key), std::string(value)});
    return file.setValues(values);
}

} // namespace qv
