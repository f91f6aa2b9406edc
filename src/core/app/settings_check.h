#pragma once
// The OK checks of "Quovanta Settings" and what the main window does after OK, without the
// dialog: the dialog gathers a ViewSettings, calls checkSettings, shows the message it returns
// and stays open; the main window then writes the values with writeSettingsDialogValues and
// asks searchRerunAfterSettings whether the portfolio search must run again.

#include "core/app/program_settings.h"
#include "core/platform/io_status.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kUnknownDriveMessage = "The Search Filter path refers to an unknown drive";
// A password holds at most 16 characters; a longer one is refused whole, since a password cut
// to 16 characters would be another password.
inline constexpr std::size_t kMaxPasswordLength = 16;
inline constexpr std::string_view kPasswordTooLongMessage = "A password can be at most 16 characters long";

// "PKUNZIP.EXE was not found at\n<path as entered>\n\nPlease correct the path or \ndisable
// automatic decompression."
std::string pkunzipMissingMessage(std::string_view pkunzipPath);

// The root of `roots` that holds `path` (the longest one that is the path or a directory above
// it), compared as plain path components; nothing when the path is not absolute or lies in no
// listed root.
std::optional<std::string> rootHoldingPath(std::string_view path, const std::vector<std::string>& roots);

// The OK checks, in the dialog's order; returns the first failure message, empty when the dialog
// may close:
//  0. either password (ZIP, then self-extracting) longer than kMaxPasswordLength characters
//     (UTF-8 text): kPasswordTooLongMessage, whether or not it is in use, since it is stored;
//  1. neither "I use Compressed files" nor the search filter on: accepted;
//  2. compressed files on: PKUNZIP.EXE (its name matched without regard to case) must be a
//     readable file in update.pkunzipPath; an empty path means "/", a relative one is taken
//     from startupDir, as the update run does;
//  3. search filter on: searchName must be absolute and lie inside one of `roots` (the entries
//     of the main window's drive selector).
std::string checkSettings(const ViewSettings& values, const std::vector<std::string>& roots,
                          const std::string& startupDir);

// What the main window does about the portfolio search after OK.
struct SearchRerun {
    bool needed = false;
    // The drive-selector entry to select and search: the root holding the filter path; empty
    // when the filter path lies in no listed root (the current root is searched again).
    std::string root;
};

// The search runs again when the filter was switched on or off, or it is on and its path
// changed (compared without regard to case, since paths keep the case the user typed).
SearchRerun searchRerunAfterSettings(const ViewSettings& before, const ViewSettings& after,
                                     const std::vector<std::string>& roots);

// Writes the dialog's keys in the order the program always wrote them: search limit and name,
// audit, sounds, the self-extracting keys, the ZIP keys, clean-up. Stops at the first failure.
IoStatus writeSettingsDialogValues(SettingsFile& file, const ViewSettings& values);

} // namespace qv
