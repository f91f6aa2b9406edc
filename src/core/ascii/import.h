#pragma once
// "Import Historical ASCII Quotes" without its dialog: one text file of daily quotes for one
// security becomes a new security of a portfolio (a MASTER entry, F<n>.DAT and F<n>.DOP).
//
// The dialog (and `import` of the command line) gathers ImportDialogValues, calls
// checkImportDialog, shows the message it returns and stays open, or builds the job with
// makeImportJob and runs importQuotes, which shows its messages in order.
//
// importQuotes is all or nothing: the input is read completely before any file is written; the
// quote files are written before MASTER names the security, MASTER names it with its first and
// last date in the one replacement that adds it, and every file is replaced atomically. A
// failure at any step leaves the portfolio's files as they were (a MASTER made for the import
// is removed again); a crash at any instant leaves no entry or the finished one, so running the
// import again finds nothing done or finishes it. The new quote files never
// replace a file that is there, and files that no MASTER entry names are named in an
// information message (their number is not taken). It never changes the process's current
// directory.

#include "core/platform/io_status.h"
#include "core/platform/settings_file.h"
#include "core/profiles/profile_check.h"
#include "core/store/master.h"
#include "core/store/outcome.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kImportNoSymbolMessage = "You did not enter a valid symbol";
inline constexpr std::string_view kImportNoPathMessage = "Please enter path";
inline constexpr std::string_view kImportPathMissingMessage = "Path does not exist";
inline constexpr std::string_view kImportNoMasterMessage = "Path specified does not point to a Master file";
inline constexpr std::string_view kImportMasterExistsMessage = "New Master chosen but one already exists";
inline constexpr std::string_view kImportMoreColumnsMessage = "You need to select more columns";
inline constexpr std::string_view kImportDuplicateSymbolMessage = "Duplicate Symbol Failure";
inline constexpr std::string_view kImportNumericDateMessage =
    "You specified a numeric-only date format\nbut a non-numeric date character was found.";
inline constexpr std::string_view kImportSeparatedDateMessage =
    "You specified a character-separated date format\nbut only numeric date characters were found.";
inline constexpr std::string_view kImportFailedMessage = "Conversion failed.";

// The dialog's limits.
inline constexpr int kImportMaxColumn = 20;
inline constexpr int kImportMaxSkipRows = 200;
inline constexpr std::size_t kImportMaxPathLength = 250;
inline constexpr std::size_t kImportMaxTextLength = kSecurityTextWidth;
// Lines are read in pieces of at most this many characters; a longer line is read as several.
inline constexpr std::size_t kImportLinePiece = 299;
// The quote file's 16-bit record counter holds the header and at most this many quotes.
inline constexpr int kImportMaxQuotes = 32766;

// Delimiter choices, as the settings store them.
enum ImportDelimiter : int { kImportComma = 0, kImportTab = 1, kImportSpace = 2 };

// What the dialog's controls hold (the "Convert" settings section plus the typed texts).
struct ImportDialogValues {
    std::string inputPath;
    int dateColumn = 1;
    OptionalColumn open{true, 2};
    OptionalColumn high{true, 3};
    OptionalColumn low{true, 4};
    int closeColumn = 5;
    OptionalColumn volume{true, 6};
    OptionalColumn openInterest{true, 7};
    int delimiter = kImportComma;
    int dateFormat = 9; // code 1..12; 9 is "MMDDYY"
    bool skipOn = false;
    int skipRows = 0;
    std::string outputDir;
    bool useExistingMaster = true;
    std::string symbol;
    std::string name;
};

struct ImportDialogCheck {
    std::string message; // the first failure; empty when the dialog may close
    // The symbol as the dialog shows it afterwards: trimmed and upper-cased once the checks got
    // that far, else as given.
    std::string symbol;
    bool accepted() const { return message.empty(); }
};

// The OK checks in the dialog's order: the lengths of the texts, the seven column numbers in
// 1..20 (also those of cleared check boxes) and the skip count in 0..200, the delimiter and the
// date format; duplicate columns; the symbol; the output directory. The input path and the
// name are not checked.
ImportDialogCheck checkImportDialog(const ImportDialogValues& values);

// The import of one run, built from accepted dialog values.
struct ImportJob {
    std::string inputPath;
    std::string outputDir;
    std::string symbol; // at most 16 characters, upper case
    std::string name;   // at most 16 characters
    char delimiter = ',';
    bool skip = false;
    int skipCount = 0;
    bool useExistingMaster = true;
    // Date, open, high, low, close, volume, open interest: present flags and 0-based columns.
    std::array<bool, 7> present{};
    std::array<int, 7> columns{};
    int dateFormat = 9;

    int fieldCount() const;
};

// The job of accepted values: symbol and output directory trimmed of trailing white space, the
// symbol upper-cased; date and close always present.
ImportJob makeImportJob(const ImportDialogValues& values);

struct ImportMessage {
    enum class Icon { Warning, Information };
    std::string text;
    Icon icon = Icon::Warning;
};

struct [[nodiscard]] ImportResult {
    // Why the import failed (its status, the file concerned, the sentence and the cause); ok
    // when it succeeded.
    Outcome outcome;
    // Everything to show, in order: the notices of the import, and when it failed, the
    // outcome's message and kImportFailedMessage last.
    std::vector<ImportMessage> messages;
    // MASTER names the new security and its quote files are complete (also when a date check
    // failed: the quotes are written and the command still reports failure).
    bool securityAdded = false;
    int fileNumber = 0;
    int quoteCount = 0;
    std::string outputDir; // the full form of the job's output directory, once checked

    bool ok() const { return outcome.isOk(); }
};

ImportResult importQuotes(const ImportJob& job);

// The "Convert" settings as the dialog opens with them (defaults for missing keys). The
// date format is the first of the twelve whose name begins with the saved text.
ImportDialogValues readImportSettings(const SettingsFile& file);
// What the command writes after OK, in its order: DateFormat (the list text), Delimiter, Exist,
// SkipOn, SkipRows, the columns and their flags. Stops at the first failure.
IoStatus writeImportDialogSettings(SettingsFile& file, const ImportDialogValues& values);
// What the conversion writes once the security is added: PathIn, PathOut (the full output
// directory), Symbol and Name.
IoStatus writeImportPaths(SettingsFile& file, const ImportJob& job, const std::string& fullOutputDir);

} // namespace qv
