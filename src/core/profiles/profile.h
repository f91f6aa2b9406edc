#pragma once
// Profiles: how the ASCII update files of one data vendor are laid out, and which securities
// are updated from them.
//
// A profile lives in the start-up directory as "<name>.pfd", one 313-byte record:
//   0 u8 record mark (1)        6 s8 close column          10 s8 date-format code 1..12
//   1 s8 symbol column          7 s8 volume column         11 u8 delimiter 0 comma 1 tab 2 space
//   2 s8 date column            8 s8 open-interest column  12 301 bytes update path, NUL-terminated,
//   3..5 s8 open, high, low     9 u8 prior-day flag                   zero after the terminator
// Optional columns (open, high, low, volume, open interest) are 0 when absent; a stored byte
// below 1 reads as absent. A longer file is read by its first 313 bytes.
//
// A security is assigned a profile by "F<n>.PFL" in its portfolio directory, 34 bytes: a 0
// byte, then the profile name NUL-terminated and zero-padded (at most 32 characters). A
// shorter file yields a shorter (possibly empty) name; no file means no profile.
//
// Files are looked up without regard to case ("x.Pfd", "f3.pfl" written elsewhere are found)
// and replaced atomically; a replaced file keeps the name it had. Paths keep their case.
//
// Thread safety: no shared state; reading while another thread writes is safe (a reader sees
// the old or the new record), two writers of the same file at once are not.

#include "core/platform/files.h"
#include "core/store/outcome.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t kProfileRecordSize = 313;
inline constexpr std::size_t kProfilePathFieldSize = 301;
inline constexpr std::size_t kAssignmentRecordSize = 34;
inline constexpr std::size_t kMaxProfileNameLength = 32;
inline constexpr std::size_t kMaxUpdatePathLength = 250;
inline constexpr int kMaxProfileColumn = 20;

inline constexpr int kDelimiterComma = 0;
inline constexpr int kDelimiterTab = 1;
inline constexpr int kDelimiterSpace = 2;

inline constexpr std::string_view kProfileExtension = ".pfd";
inline constexpr std::string_view kSampleProfileName = "MyFirstProfile";
inline constexpr std::string_view kNewProfileName = "NewProfile";

struct Profile {
    int symbolColumn = 1;
    int dateColumn = 2;
    int openColumn = 3; // 0 = absent, as for high, low, volume and open interest
    int highColumn = 4;
    int lowColumn = 5;
    int closeColumn = 6;
    int volumeColumn = 7;
    int openInterestColumn = 8;
    bool priorDay = false; // also replace the prior day's volume and open interest
    int dateFormat = 1;    // 1..12, see dateFormatName
    int delimiter = kDelimiterComma;
    std::string updatePath; // as typed (case kept)

    bool operator==(const Profile&) const = default;
};

// ---- Records -------------------------------------------------------------------------------

// The 313-byte record, zero-filled before the fields are set. std::nullopt when the profile
// cannot be stored faithfully: a value outside its byte's range, or an update path longer than
// 300 bytes or holding a NUL. Optional columns below 1 are stored as 0.
std::optional<Bytes> encodeProfileRecord(const Profile& profile);
// Reads the first 313 bytes; std::nullopt when there are fewer. The mark byte is not tested.
std::optional<Profile> decodeProfileRecord(std::span<const std::uint8_t> bytes);

// The 34-byte record; std::nullopt for a name longer than 32 bytes or holding a NUL.
std::optional<Bytes> encodeAssignmentRecord(std::string_view profileName);
// The name from offset 1 to its terminator, taking only the bytes there are (at most 33).
std::string decodeAssignmentRecord(std::span<const std::uint8_t> bytes);

// ---- Profile files -------------------------------------------------------------------------

// Trailing white space (blank, tab, line breaks) removed: how a typed name is taken.
std::string trimProfileName(std::string_view name);
// Names compare without regard to (ASCII) case.
bool sameProfileName(std::string_view a, std::string_view b);
// Whether `name` can name a profile file in the start-up directory: not empty, no "/" and no
// NUL (so no name reaches outside the directory).
bool isProfileFileName(std::string_view name);

// Where profile `name` is read or written: the existing "<name>.pfd" of any case, else
// startupDir/<name>.pfd.
std::string profileFilePath(const std::string& startupDir, std::string_view name);

// The profile names of startupDir: entries whose name, upper-cased, ends in ".PFD", without
// dot-names and directories, the extension cut off, sorted without regard to case. Never
// creates anything; an unreadable directory gives no names.
std::vector<std::string> scanProfileNames(const std::string& startupDir);

struct ProfileListing {
    std::vector<std::string> names;
    Outcome sample; // createSampleProfile's failure when the sample was needed and not made
};
// scanProfileNames; when that finds nothing the sample profile is created and is the list.
// When the sample cannot be created the list stays empty and `sample` says why.
ProfileListing listProfiles(const std::string& startupDir);

// The listed spelling of `name` (exact comparison without regard to case).
std::optional<std::string> findProfileName(const std::vector<std::string>& names, std::string_view name);

struct [[nodiscard]] ProfileRead {
    Outcome outcome; // on failure "Error reading <name>", the file (file()) and why below it
    Profile profile;
    bool ok() const { return outcome.isOk(); }
};
// Reads "<name>.pfd". Fails when the name cannot name a profile file, the file cannot be
// opened, or it holds fewer than 313 bytes.
ProfileRead readProfile(const std::string& startupDir, std::string_view name);

// Writes "<name>.pfd" (replacing it atomically). On failure: "Could not write Profile at\n"
// followed by the full path (file()), the cause below it when known, and no file changed.
Outcome writeProfile(const std::string& startupDir, std::string_view name, const Profile& profile);

// "MyFirstProfile": comma-separated symbol, date, open, high, low, close, volume (no open
// interest), MM_DD_YY dates, update path startupDir/SAMPLE/TEXTDATA.
Profile sampleProfile(const std::string& startupDir);
// Writes the sample profile; on failure "Creation of MyFirstProfile.pfd failed", then the cause,
// or the path when there is none.
Outcome createSampleProfile(const std::string& startupDir);
// At start-up: creates the sample profile when "MyFirstProfile.pfd" cannot be opened.
Outcome ensureSampleProfile(const std::string& startupDir);

// What the New command offers: every column present (symbol 1 ... open interest 8), YY_MM_DD
// dates, comma, no prior-day update, update path firstLevelDirectory(portfolioPath).
Profile newProfileDefaults(std::string_view portfolioPath);

// ---- Assignment files ----------------------------------------------------------------------

// "F<n>.PFL", the name a new assignment file gets.
std::string assignmentFileName(int fileNumber);
// The existing assignment file of any case, else dir/F<n>.PFL.
std::string assignmentFilePath(const std::string& dir, int fileNumber);

// The profile name assigned to security `fileNumber` of portfolio `dir`; std::nullopt when no
// assignment file can be opened.
std::optional<std::string> readAssignment(const std::string& dir, int fileNumber);
// Writes the assignment file. On failure "Could not create file\n" followed by the path (file()),
// and the cause below.
Outcome writeAssignment(const std::string& dir, int fileNumber, std::string_view profileName);

} // namespace qv
