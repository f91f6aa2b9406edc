#pragma once
// "Export Historical Quotes to ASCII File" without its dialog: every quote of one security as
// a line of text, with the columns, delimiter and order chosen.
//
// Line: the date (MM/DD/YY), then for each chosen column in the order open, high, low, close,
// volume, open interest the delimiter and the value ("%.4f" for prices, "%.2f" for volume and
// open interest; "N/A" for a value below zero, which is how a field the quote file does not
// have reads). Lines end in CR LF; no delimiter at the end, no quoting.

#include "core/platform/io_status.h"
#include "core/platform/settings_file.h"
#include "core/store/outcome.h"

#include <string>
#include <string_view>

namespace qv {

inline constexpr std::string_view kExportNoNameMessage = "Please enter a name";
inline constexpr std::string_view kExportFileErrorMessage = "File export error";

enum ExportDelimiter : int { kExportSpace = 0, kExportComma = 1, kExportTab = 2 };

// The dialog's choices (the "XportSel" settings section).
struct ExportOptions {
    std::string path = "output.txt";
    bool open = true;
    bool high = true;
    bool low = true;
    bool close = true;
    bool volume = true;
    bool openInterest = true;
    bool newestFirst = false;
    int delimiter = kExportSpace;
    bool title = false;
};

// The OK check: "Please enter a name" for an empty path; empty when the dialog may close.
std::string checkExportDialog(const ExportOptions& options);

// "%s\nThis file already exists\n\nReplace existing file?"
std::string exportReplaceQuestion(std::string_view path);

struct [[nodiscard]] ExportResult {
    Outcome outcome; // kExportFileErrorMessage for the file written, with the reason as the cause
    int quotesWritten = 0;
    bool ok() const { return outcome.isOk(); }
};

// The whole text the export writes for the security found by findSecurity(dir, symbol). An
// empty symbol, or one that is not found, gives the title row alone (or nothing). A quote that
// cannot be read ends the text there.
std::string exportText(const std::string& dir, const std::string& symbol, const ExportOptions& options,
                       int* quotesWritten = nullptr);

// Writes exportText to options.path, replacing the file atomically; a file that could not be
// written leaves the old one as it was.
ExportResult exportQuotes(const std::string& dir, const std::string& symbol, const ExportOptions& options);

ExportOptions readExportSettings(const SettingsFile& file);
// All ten keys. Stops at the first failure.
IoStatus writeExportSettings(SettingsFile& file, const ExportOptions& options);

} // namespace qv
