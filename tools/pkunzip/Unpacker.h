#pragma once
// Extraction of a ZIP archive, or of the ZIP data behind a self-extracting program stub, into a
// directory, for archives that arrive from outside and are not trusted.
//
// What extract() guarantees:
// - Nothing is written before the whole archive directory has been read and every entry
//   judged. An archive is refused, with nothing written, when any entry would land outside the
//   destination (absolute name, "..", a drive letter, backslash separators leading out, an
//   existing symbolic link on the way), has a control character in its name or a name the file
//   system cannot hold, is anything but a regular file or a directory, or would expand past
//   the limits.
// - Every file is decompressed (and decrypted) into a private staging directory inside the
//   destination, named like the temporaries below and locked (flock) while the extraction
//   lives. Only when every entry has been read in full and checked do the files move to their
//   real names, each by an atomic exchange with (or rename over) what was there. When a move
//   fails, the moves made before it are undone and the directories created are removed, so a
//   failed extraction leaves the destination as it was. A process killed while extracting
//   leaves at most the staging directory, which the next update run removes
//   (core/update/unpacker_staging.h holds the names and the protocol); killed in the short
//   moving step, it may leave some files moved.
// - The byte limit is enforced on the bytes actually decompressed, not only on the sizes the
//   archive claims.
// - Names are taken as the bytes the archive holds; no character set conversion.
//   Backslashes count as directory separators. Names beginning ".pkunzip-" are reserved for
//   the staging directory and refused.
// - An archive without entries is extracted: nothing is written.
//
// Not thread-safe with respect to other calls that change the calling thread's locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::pkunzip {

struct ExtractLimits {
    std::uint64_t maxTotalBytes = std::uint64_t{1} << 30; // all entries together, decompressed
    std::uint64_t maxRatio = 1000;                        // decompressed / compressed, per entry
};

enum class ExtractStatus {
    Extracted,
    CannotOpen,   // the archive file cannot be opened, or the destination is no directory
    NotAnArchive, // no ZIP directory found
    UnsafeEntry,  // an entry would land outside the destination, is no file or directory, or
                  // has a name that cannot be extracted as it is
    TooLarge,     // past the byte or ratio limit, claimed or actual
    BadPassword,  // an encrypted entry could not be decrypted: no password or a wrong one
    Corrupt,      // damaged data, or an archive the reader cannot handle
    WriteFailed,  // the file system refused a write, rename or directory
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::Extracted;
    std::string reason; // one line for the user, without the archive name; empty on success
    std::size_t filesExtracted = 0;

    bool ok() const { return status == ExtractStatus::Extracted; }
};

// Failure injection for tests, as the core's fault seam does for its writers: the n-th move of
// a staged file to its real name (1-based) fails as if the file system refused it (EIO).
struct ExtractFaults {
    std::size_t failMove = 0; // 0: none
};

// Extracts archivePath into the existing directory destDir. password is used for entries with
// traditional PKWARE encryption; std::nullopt (or an empty one) means none was given.
ExtractResult extract(const std::string& archivePath, const std::string& destDir,
                      const std::optional<std::string>& password, const ExtractLimits& limits = {},
                      const ExtractFaults& faults = {});

// Why an entry name cannot be extracted as it is, or std::nullopt when it can; `components`
// then holds its path below the destination (empty components and "." dropped).
std::optional<std::string> entryNameProblem(std::string_view name, std::vector<std::string>& components);

} // namespace qv::pkunzip
