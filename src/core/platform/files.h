#pragma once
// Files and directories on a case-sensitive POSIX file system, for a file set that Windows
// programs also write.
//
// Contracts every caller relies on:
// - Names of existing files are looked up without regard to case: the exact name first, then a
//   case-insensitive scan of the directory (portfolios written elsewhere may hold "master" or
//   "f1.dat"). New files get the name the caller gives (upper case by convention).
// - A file is never changed in place and never deleted before its replacement exists:
//   replaceFile writes the complete new content under a temporary name, fsyncs it, renames it
//   over the real name and fsyncs the directory. A crash at any instant leaves the old or the
//   new content under the real name, never neither and never a mixture.
// - Every creation, write(2), fsync(2), rename(2) and unlink(2) made here goes through the fault
//   seam of fault_injection.h, so tests can make the n-th one fail, record their order, and
//   crash a writer at any of them.
// - Every file opened here must be a regular file: a named pipe, socket, device or directory
//   under a file's name is refused ("open PATH: not a regular file but a named pipe"), and
//   the open never waits for a pipe's other end. A replacement never replaces anything but
//   a regular file, and never writes through a symbolic link under its temporary name.
//
// Thread safety: every function is safe to call from several threads at once.

#include "core/platform/io_status.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

using Bytes = std::vector<std::uint8_t>;

// "dir" + "/" + "name"; no slash is doubled, an empty dir gives name.
std::string joinPath(std::string_view dir, std::string_view name);
// The directory part of a path ("a/b/MASTER" gives "a/b"; "MASTER" gives ".").
std::string parentPath(std::string_view path);
// The last component of a path.
std::string baseName(std::string_view path);
// The first-level directory of a path, which stands in for a drive root where one is wanted:
// "/home/ann/md" gives "/home", a relative "md/x" gives "md"; "/" and an empty path give "/".
std::string firstLevelDirectory(std::string_view path);

// The path of the existing entry of dir named name without regard to case (exact name first).
// std::nullopt when there is none.
std::optional<std::string> findEntry(const std::string& dir, std::string_view name);
// The path under which a file named name in dir is to be opened or replaced: the existing
// entry's path when there is one (so a replaced file keeps the name it had), else dir/name.
std::string resolveFile(const std::string& dir, std::string_view name);

bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

enum class EntryKind { File, Directory, SymLink, Other, Unknown };
struct DirEntry {
    std::string name;
    EntryKind kind = EntryKind::Unknown; // from the directory itself; Unknown when it does not say
};
// The entries of dir in the order the file system returns them, without "." and "..".
IoStatus listDirectory(const std::string& dir, std::vector<DirEntry>& entries);

// Reads the whole file into out (replacing its content).
IoStatus readWholeFile(const std::string& path, Bytes& out);
// Reads the whole entry of dir named name, found like findEntry.
IoStatus readWholeEntry(const std::string& dir, std::string_view name, Bytes& out);

// Replaces (or creates) the file `path` with `content`, writing through `tempName` in the
// same directory (e.g. "MASTER.~NU"). On failure the temporary file is removed and the file
// under `path` is exactly as before. A new file gets mode 0644, a replaced one keeps its mode.
IoStatus replaceFile(const std::string& path, std::string_view tempName, const Bytes& content);
// Like replaceFile, with a new file's mode given.
IoStatus replaceFile(const std::string& path, std::string_view tempName, const Bytes& content, unsigned newFileMode);
// Like replaceFile, the file ending with exactly `mode` whether it is new or replaced: for a file
// that holds passwords (0600), which an editor or an older copy may have left readable to others.
// The content is never readable under a wider mode, not even under its temporary name.
IoStatus replaceFileWithMode(const std::string& path, std::string_view tempName, const Bytes& content, unsigned mode);

// replaceFile in two steps, for a writer that must do something between the complete new
// file and its taking the real name: prepareReplacement writes and flushes dir/tempName;
// commitReplacement renames it over `path`; abandonReplacement removes it.
IoStatus prepareReplacement(const std::string& path, std::string_view tempName, const Bytes& content,
                            unsigned newFileMode = 0644);
IoStatus commitReplacement(const std::string& path, std::string_view tempName);
// Replacements of many files made durable together, for a writer that commits them all with one
// last replacement of its own (the update run: quote files, then the master files). stage()
// writes a file's complete new content under tempName in its directory, unflushed. commit()
// flushes every staged file with one flush of their file system (each on its own if that fails),
// renames each over its real name and flushes the directories. Until its rename, every real name
// holds its old file; a crash leaves at most the temporaries, which the writer's next run
// removes. What is staged and not committed is removed when the batch goes.
class ReplacementBatch {
public:
    ReplacementBatch() = default;
    ~ReplacementBatch();
    ReplacementBatch(const ReplacementBatch&) = delete;
    ReplacementBatch& operator=(const ReplacementBatch&) = delete;

    // Fails (EBUSY) for a path already staged: its second content would not build on the first.
    IoStatus stage(const std::string& path, std::string_view tempName, const Bytes& content);
    // One result per staged file, in the order staged; the batch is empty afterwards.
    [[nodiscard]] std::vector<IoStatus> commit();

private:
    bool holds(const std::string& path) const;
    void abandon();

    struct Staged {
        std::string path;
        std::string temp;
    };
    std::vector<Staged> staged_;
};
// Flushes a directory's entries (renames) to disk. Best effort.
void syncDirectory(const std::string& dir);
void abandonReplacement(const std::string& path, std::string_view tempName);

// Creates the file `path` with `content`, never replacing anything: the complete content is
// written and flushed under `tempName` in the same directory, then takes the real name only if
// no entry of that name exists, in any case of its letters (EEXIST otherwise, the existing file
// untouched). For files that must not overwrite what another program or an earlier run left,
// such as a new security's quote files.
IoStatus createNewFile(const std::string& path, std::string_view tempName, const Bytes& content);

// Copies `from` over `to` (overwriting), atomically as replaceFile does, through
// `to` + ".~CP".
IoStatus copyFile(const std::string& from, const std::string& to);

// Removes a file. A file that does not exist is not an error when missingOk.
IoStatus removeFile(const std::string& path, bool missingOk = true);
// Creates one directory level (mode 0755). EEXIST is reported as a failure.
IoStatus makeDirectory(const std::string& path);
IoStatus removeDirectory(const std::string& path);

// Whether err says that a folder refuses to be written (EACCES, EPERM, EROFS), as against a
// fault of one file or of the disk.
bool isReadOnlyError(int err);
// Whether dir refuses new files: the one place that decides it. A file system mounted read-only
// (statvfs's ST_RDONLY: a CD, a share mounted ro) or a directory this process may not write
// (faccessat with the effective ids, which answers EROFS even for root, and asks the server on
// a network share). A folder that cannot be examined (missing, not a directory) is not called
// read-only here: the command's own open says what is wrong. A write that fails later with an
// isReadOnlyError errno is the second witness (the skip list takes both).
bool isReadOnlyFolder(const std::string& dir);
// What the user is told, once, when a command meets a read-only folder.
std::string readOnlyFolderMessage(const std::string& dir);
// Ok, or the refusal of a command that would write in dir, before it changes anything.
IoStatus checkWritableFolder(const std::string& dir);

// Opens a regular file for reading as a stdio stream (closed by the caller with fclose), for
// readers that take lines.
IoStatus openInputStream(const std::string& path, std::FILE*& stream);
// Creates or truncates a regular file for writing as a stdio stream, for a log that is written
// as it goes (not replaced atomically). Refuses anything but a regular file under the name.
IoStatus createOutputStream(const std::string& path, std::FILE*& stream);

// Sequential reading of a file opened once; for readers that take records one at a time.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;

    IoStatus open(const std::string& path);
    // Opens the entry of dir named name, found like findEntry; when the exact name exists
    // that takes one call, with no lookup beforehand (readers open thousands of files).
    IoStatus openEntry(const std::string& dir, std::string_view name);
    bool isOpen() const { return fd_ >= 0; }
    void close();
    // Size of the file when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads exactly n bytes at offset into dest; false on a short read or an error.
    bool readAt(std::uint64_t offset, void* dest, std::size_t n) const;
    // Reads up to n bytes at offset; returns the number read (0 at the end or on error).
    std::size_t readSomeAt(std::uint64_t offset, void* dest, std::size_t n) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace qv
