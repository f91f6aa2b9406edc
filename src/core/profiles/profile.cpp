#include "core/profiles/profile.h"

#include "core/platform/text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qv {

namespace {

constexpr std::size_t kOffsetMark = 0;
constexpr std::size_t kOffsetSymbol = 1;
constexpr std::size_t kOffsetDate = 2;
constexpr std::size_t kOffsetOpen = 3;
constexpr std::size_t kOffsetHigh = 4;
constexpr std::size_t kOffsetLow = 5;
constexpr std::size_t kOffsetClose = 6;
constexpr std::size_t kOffsetVolume = 7;
constexpr std::size_t kOffsetOpenInterest = 8;
constexpr std::size_t kOffsetPriorDay = 9;
constexpr std::size_t kOffsetDateFormat = 10;
constexpr std::size_t kOffsetDelimiter = 11;
constexpr std::size_t kOffsetPath = 12;
constexpr std::size_t kOffsetAssignedName = 1;

constexpr std::string_view kSampleFileName = "MyFirstProfile.pfd";

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && sameProfileName(text.substr(text.size() - suffix.size()), suffix);
}

// Case-insensitive order first; names differing only in case keep a fixed order between them.
bool listedBefore(const std::string& a, const std::string& b)
{
    const auto less = [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) < static_cast<unsigned char>(lowerAscii(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less))
        return false;
    return a < b;
}

bool putSigned(Bytes& record, std::size_t offset, int value)
{
    if (value < -128 || value > 127)
        return false;
    record[offset] = static_cast<std::uint8_t>(static_cast<std::int8_t>(value));
    return true;
}

bool putUnsigned(Bytes& record, std::size_t offset, int value)
{
    if (value < 0 || value > 255)
        return false;
    record[offset] = static_cast<std::uint8_t>(value);
    return true;
}

int getSigned(std::span<const std::uint8_t> record, std::size_t offset)
{
    return static_cast<std::int8_t>(record[offset]);
}

int optionalColumn(std::span<const std::uint8_t> record, std::size_t offset)
{
    const int column = getSigned(record, offset);
    return column < 1 ? 0 : column;
}

std::string pathForMessage(const std::string& startupDir, std::string_view name)
{
    return isProfileFileName(name) ? profileFilePath(startupDir, name)
                                   : joinPath(startupDir, std::string(name) + std::string(kProfileExtension));
}

} // namespace

// ---- Records -------------------------------------------------------------------------------

std::optional<Bytes> encodeProfileRecord(const Profile& profile)
{
    const std::string& path = profile.updatePath;
    if (path.size() >= kProfilePathFieldSize || path.find('\0') != std::string::npos)
        return std::nullopt;

    Bytes record(kProfileRecordSize, 0);
    record[kOffsetMark] = 1;
    const auto optional = [](int column) { return column < 1 ? 0 : column; };
    const bool fits = putSigned(record, kOffsetSymbol, profile.symbolColumn) &&
                      putSigned(record, kOffsetDate, profile.dateColumn) &&
                      putSigned(record, kOffsetOpen, optional(profile.openColumn)) &&
                      putSigned(record, kOffsetHigh, optional(profile.highColumn)) &&
                      putSigned(record, kOffsetLow, optional(profile.lowColumn)) &&
                      putSigned(record, kOffsetClose, profile.closeColumn) &&
                      putSigned(record, kOffsetVolume, optional(profile.volumeColumn)) &&
                      putSigned(record, kOffsetOpenInterest, optional(profile.openInterestColumn)) &&
                      putUnsigned(record, kOffsetPriorDay, profile.priorDay ? 1 : 0) &&
                      putSigned(record, kOffsetDateFormat, profile.dateFormat) &&
                      putUnsigned(record, kOffsetDelimiter, profile.delimiter);
    if (!fits)
        return std::nullopt;
    std::copy(path.begin(), path.end(), record.begin() + static_cast<std::ptrdiff_t>(kOffsetPath));
    return record;
}

std::optional<Profile> decodeProfileRecord(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kProfileRecordSize)
        return std::nullopt;
    Profile profile;
    profile.symbolColumn = getSigned(bytes, kOffsetSymbol);
    profile.dateColumn = getSigned(bytes, kOffsetDate);
    profile.openColumn = optionalColumn(bytes, kOffsetOpen);
    profile.highColumn = optionalColumn(bytes, kOffsetHigh);
    profile.lowColumn = optionalColumn(bytes, kOffsetLow);
    profile.closeColumn = getSigned(bytes, kOffsetClose);
    profile.volumeColumn = optionalColumn(bytes, kOffsetVolume);
    profile.openInterestColumn = optionalColumn(bytes, kOffsetOpenInterest);
    // Any non-zero byte sets the flag, as a C truth value would.
    profile.priorDay = bytes[kOffsetPriorDay] != 0;
    profile.dateFormat = getSigned(bytes, kOffsetDateFormat);
    profile.delimiter = bytes[kOffsetDelimiter];
    // A path field without a terminator (damaged file) ends with the record.
    const auto field = bytes.subspan(kOffsetPath, kProfilePathFieldSize);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    profile.updatePath.assign(field.begin(), end);
    return profile;
}

std::optional<Bytes> encodeAssignmentRecord(std::string_view profileName)
{
    if (profileName.size() > kMaxProfileNameLength || profileName.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    Bytes record(kAssignmentRecordSize, 0);
    std::copy(profileName.begin(), profileName.end(),
              record.begin() + static_cast<std::ptrdiff_t>(kOffsetAssignedName));
    return record;
}

std::string decodeAssignmentRecord(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() <= kOffsetAssignedName)
        return {};
    const auto field =
        bytes.subspan(kOffsetAssignedName, std::min(bytes.size(), kAssignmentRecordSize) - kOffsetAssignedName);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

// ---- Profile files -------------------------------------------------------------------------

std::string trimProfileName(std::string_view name) { return std::string(trimSpaceRight(name)); }

bool sameProfileName(std::string_view a, std::string_view b) { return equalsIgnoringCase(a, b); }

bool isProfileFileName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string profileFilePath(const std::string& startupDir, std::string_view name)
{
    return resolveFile(startupDir, std::string(name) + std::string(kProfileExtension));
}

std::vector<std::string> scanProfileNames(const std::string& startupDir)
{
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!listDirectory(startupDir, entries))
        return names;
    for (const DirEntry& entry : entries) {
        const std::string& name = entry.name;
        if (name.empty() || name.front() == '.')
            continue;
        if (!endsWithIgnoringCase(name, kProfileExtension))
            continue;
        if (entry.kind == EntryKind::Directory)
            continue;
        // The directory did not say, or the name is a link: ask what it leads to.
        if (entry.kind != EntryKind::File && isDirectory(joinPath(startupDir, name)))
            continue;
        names.push_back(name.substr(0, name.size() - kProfileExtension.size()));
    }
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

ProfileListing listProfiles(const std::string& startupDir)
{
    ProfileListing listing;
    listing.names = scanProfileNames(startupDir);
    if (!listing.names.empty())
        return listing;
    const Outcome created = createSampleProfile(startupDir);
    if (created) {
        listing.names.emplace_back(kSampleProfileName);
    } else {
        listing.sample = created;
    }
    return listing;
}

std::optional<std::string> findProfileName(const std::vector<std::string>& names, std::string_view name)
{
    for (const std::string& listed : names) {
        if (sameProfileName(listed, name))
            return listed;
    }
    return std::nullopt;
}

ProfileRead readProfile(const std::string& startupDir, std::string_view name)
{
    ProfileRead result;
    // The second line says which file and why.
    const auto because = [&](StoreStatus status, std::string file, std::string why) {
        result.outcome =
            Outcome::failure(status, std::move(file), "Error reading " + std::string(name), std::move(why));
        return result;
    };
    // A name taken from an assignment file must not lead out of the start-up directory.
    if (!isProfileFileName(name))
        return because(kStatusInvalidParm, {}, "This is not a profile name.");
    InputFile file;
    const std::string path = profileFilePath(startupDir, name);
    if (IoStatus s = file.open(path); !s)
        return because(kStatusFileOpen, path, s.message());
    std::array<std::uint8_t, kProfileRecordSize> record{};
    if (!file.readAt(0, record.data(), record.size()))
        return because(kStatusFileRead, path,
                       path + " is shorter than a profile (" + std::to_string(kProfileRecordSize) + " bytes).");
    const std::optional<Profile> profile = decodeProfileRecord(record);
    if (!profile)
        return because(kStatusFileRead, path, path + " holds no valid profile.");
    result.profile = *profile;
    return result;
}

Outcome writeProfile(const std::string& startupDir, std::string_view name, const Profile& profile)
{
    const std::string path = pathForMessage(startupDir, name);
    const std::string what = "Could not write Profile at\n" + path;
    if (!isProfileFileName(name))
        return Outcome::failure(kStatusInvalidParm, path, what);
    const std::optional<Bytes> record = encodeProfileRecord(profile);
    if (!record)
        return Outcome::failure(kStatusInvalidParm, path, what);
    if (IoStatus s = replaceFile(path, baseName(path) + ".~NU", *record); !s)
        return Outcome::cannotWrite(path, s, what);
    return Outcome::ok();
}

Profile sampleProfile(const std::string& startupDir)
{
    Profile profile;
    profile.openInterestColumn = 0;
    profile.dateFormat = 3; // MM_DD_YY
    profile.delimiter = kDelimiterComma;
    profile.updatePath = joinPath(startupDir, "SAMPLE/TEXTDATA");
    return profile;
}

Outcome createSampleProfile(const std::string& startupDir)
{
    const Outcome written = writeProfile(startupDir, kSampleProfileName, sampleProfile(startupDir));
    if (written)
        return Outcome::ok();
    // The cause (which names the file), else the file, goes on the line below the fixed text.
    return Outcome::failure(written.status(), written.file(), "Creation of " + std::string(kSampleFileName) + " failed",
                            written.cause().empty() ? written.file() : written.cause());
}

Outcome ensureSampleProfile(const std::string& startupDir)
{
    InputFile existing;
    if (existing.open(profileFilePath(startupDir, kSampleProfileName)))
        return Outcome::ok();
    return createSampleProfile(startupDir);
}

Profile newProfileDefaults(std::string_view portfolioPath)
{
    Profile profile; // every column present in its natural place, YY_MM_DD, comma
    profile.updatePath = firstLevelDirectory(portfolioPath);
    return profile;
}

// ---- Assignment files ----------------------------------------------------------------------

std::string assignmentFileName(int fileNumber) { return "F" + std::to_string(fileNumber) + ".PFL"; }

std::string assignmentFilePath(const std::string& dir, int fileNumber)
{
    return resolveFile(dir, assignmentFileName(fileNumber));
}

std::optional<std::string> readAssignment(const std::string& dir, int fileNumber)
{
    InputFile file;
    if (!file.open(assignmentFilePath(dir, fileNumber)))
        return std::nullopt;
    std::array<std::uint8_t, kAssignmentRecordSize> record{};
    const std::size_t got = file.readSomeAt(0, record.data(), record.size());
    return decodeAssignmentRecord(std::span<const std::uint8_t>(record.data(), got));
}

Outcome writeAssignment(const std::string& dir, int fileNumber, std::string_view profileName)
{
    const std::string path = assignmentFilePath(dir, fileNumber);
    const std::string what = "Could not create file\n" + path;
    const std::optional<Bytes> record = encodeAssignmentRecord(profileName);
    if (!record)
        return Outcome::failure(kStatusInvalidParm, path, what, "The profile name cannot be stored.");
    if (IoStatus s = replaceFile(path, baseName(path) + ".~NU", *record); !s)
        return Outcome::cannotWrite(path, s, what);
    return Outcome::ok();
}

} // namespace qv
