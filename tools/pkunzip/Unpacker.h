#pragma once
// Extraction of a ZIP archive, or of the ZIP data behind a self-extracting program stub, into a
// directory, for archives that arrive from outside and are not trusted.
//
// What extract() guarantees:
// - Nothing is written before the whole archive directory has been read and every entry
//   judged. An archive is refused, with nothing written, when any entry would land outside the
//   destination (absolute name, "..", a drive letter, backslash separators leading out, an
//   existing symbolic link on the way), is anything but a regular file or a directory, or
//   would expand past the limits.
// - Files are decompressed (and decrypted) to temporary names in their target directories
//   first; only when every entry has been read in full and checked do they take their real
//   names, each by an atomic rename that overwrites an existing file. On any failure before
//   that point the temporary files, and the directories this call created, are removed, so a
//   failed extraction leaves the destination as it was. Should a rename itself fail, the files
//   renamed before it stay (an overwritten file cannot be given back).
// - The byte limit is enforced on the bytes actually decompressed, not only on the sizes the
//   archive claims.
// - Names are taken as the bytes the archive holds; no character set conversion.
//   Backslashes count as directory separators. Names beginning ".pkunzip-" are reserved for
//   the temporary files and refused.
//
// Not thread-safe with respect to other calls that change the calling thread's locale.

#include <cstdint>
#include <optional>
#include <string>

namespace qv::pkunzip {

struct ExtractLimits {
    std::uint64_t maxTotalBytes = std::uint64_t{1} << 30; // all entries together, decompressed
    std::uint64_t maxRatio = 1000;                        // decompressed / compressed, per entry
};

enum class ExtractStatus {
    Extracted,
    CannotOpen,   // the archive file cannot be opened, or the destination is no directory
    NotAnArchive, // no ZIP directory found
    UnsafeEntry,  // an entry would land outside the destination or is no file or directory
    TooLarge,     // past the byte or ratio limit, claimed or actual
    BadPassword,  // an encrypted entry could not be decrypted with the password given
    Corrupt,      // damaged data, or an archive the reader cannot handle
    WriteFailed,  // the file system refused a write, rename or directory
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::Extracted;
    std::string reason; // one line for the user, without the archive name; empty on success
    std::size_t filesExtracted = 0;

    bool ok() const { return status == ExtractStatus::Extracted; }
};

// Extracts archivePath into the existing directory destDir. password is used for entries with
// traditional PKWARE encryption; std::nullopt (or an empty one) means none was given.
ExtractResult extract(const std::string& archivePath, const std::string& destDir,
                      const std::optional<std::string>& password, const ExtractLimits& limits = {});

} // namespace qv::pkunzip
