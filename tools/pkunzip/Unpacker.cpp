#include "pkunzip/Unpacker.h"

#include "core/update/unpacker_staging.h"
#include "pkunzip/ZipDirectory.h"

#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::pkunzip {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
// Archive entries may not use the staging prefix, or the next update run would take an
// extracted file for a leftover.
constexpr std::string_view kTempPrefix = kUnpackerStagingPrefix;
// The longest path below the destination an entry may have, and the longest name part: what
// the file system can hold, checked before anything is written.
constexpr std::size_t kMaxPathBytes = PATH_MAX - 1;
constexpr std::size_t kMaxNameBytes = NAME_MAX;

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// libarchive converts names flagged as UTF-8 into the locale's character set and fails on
// names it cannot convert (every non-ASCII name under the "C" locale). Under a UTF-8 locale
// that conversion leaves the bytes as they are; unflagged names are never converted on POSIX.
// The locale is switched for this thread only.
class Utf8NamesScope {
public:
    Utf8NamesScope()
    {
        static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (utf8 != nullptr)
            previous_ = ::uselocale(utf8);
    }
    ~Utf8NamesScope()
    {
        if (previous_ != nullptr)
            ::uselocale(previous_);
    }
    Utf8NamesScope(const Utf8NamesScope&) = delete;
    Utf8NamesScope& operator=(const Utf8NamesScope&) = delete;

private:
    locale_t previous_ = nullptr;
};

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

// Messages are one line each, whatever bytes an entry name or a library message holds.
std::string oneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        out += (byte < 0x20 || byte == 0x7f) ? '?' : ch;
    }
    return out;
}

std::string quoted(std::string_view name) { return "\"" + oneLine(name) + "\""; }

std::string archiveError(archive* a)
{
    const char* text = archive_error_string(a);
    return oneLine(text != nullptr ? text : "unknown error");
}

ExtractResult failure(ExtractStatus status, std::string reason)
{
    ExtractResult result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

ExtractResult systemFailure(ExtractStatus status, const std::string& what, int err)
{
    return failure(status, what + ": " + std::strerror(err));
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

bool exceedsRatio(const ZipRecordSizes& record, std::uint64_t maxRatio)
{
    if (record.uncompressed == 0)
        return false;
    if (maxRatio != 0 && record.compressed > std::numeric_limits<std::uint64_t>::max() / maxRatio)
        return false;
    return record.uncompressed > record.compressed * maxRatio;
}

std::string joinComponents(const std::vector<std::string>& components, std::size_t count)
{
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            path += '/';
        path += components[i];
    }
    return path;
}

// An entry as judged before anything is written.
struct EntryPlan {
    std::string name;                    // as stored
    std::vector<std::string> components; // its path below the destination
    bool directory = false;
};

ExtractResult judgeEntry(archive_entry* entry, EntryPlan& plan)
{
    const char* name = archive_entry_pathname(entry);
    if (name == nullptr)
        return failure(ExtractStatus::Corrupt, "the name of an entry cannot be read");
    plan.name = name;
    const auto type = archive_entry_filetype(entry);
    if (archive_entry_hardlink(entry) != nullptr)
        return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(plan.name) + " is a hard link");
    if (type == AE_IFLNK || archive_entry_symlink(entry) != nullptr)
        return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(plan.name) + " is a symbolic link");
    if (type != AE_IFREG && type != AE_IFDIR)
        return failure(ExtractStatus::UnsafeEntry,
                       "entry " + quoted(plan.name) + " is a device, pipe or other special file");
    plan.directory = type == AE_IFDIR;
    if (const auto why = entryNameProblem(plan.name, plan.components))
        return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(plan.name) + " " + *why);
    if (!plan.directory && plan.components.empty())
        return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(plan.name) + " names no file");
    return {};
}

// What the reader library's error for an encrypted entry does not say: whether the password
// was missing or wrong, so that the user knows which setting to look at.
std::string passwordFailure(const EntryPlan& plan, bool passwordGiven)
{
    return passwordGiven ? "wrong password for entry " + quoted(plan.name)
                         : "entry " + quoted(plan.name) + " is encrypted and no password was given";
}

bool renameUnsupported(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }

class Extraction {
public:
    Extraction(int archiveFd, int rootFd, const std::optional<std::string>& password, const ExtractLimits& limits,
               const ExtractFaults& faults)
        : archiveFd_(archiveFd), rootFd_(rootFd), password_(password), limits_(limits), faults_(faults)
    {
    }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;
    ~Extraction()
    {
        undoMoves();
        removeStaging();
    }

    ExtractResult run()
    {
        ExtractResult result = survey();
        if (result.ok() && !plans_.empty())
            result = createStaging();
        if (result.ok() && !plans_.empty())
            result = writeStaged();
        if (result.ok() && !plans_.empty())
            result = moveIntoPlace();
        if (result.ok())
            result.filesExtracted = filesMoved_;
        return result;
    }

private:
    // One step of moving the staged files into place, as far as it must be undone.
    struct Move {
        enum class Kind { Created, Exchanged, Replaced, Overwritten } kind;
        std::size_t plan;   // index into plans_
        std::string staged; // the name in the staging directory (the old file after an exchange)
    };

    ArchivePtr open(std::string& error) const
    {
        if (::lseek(archiveFd_, 0, SEEK_SET) != 0) {
            error = std::strerror(errno);
            return {};
        }
        ArchivePtr a(archive_read_new());
        if (!a) {
            error = "out of memory";
            return {};
        }
        // Only the ZIP reader that starts from the central directory: it is the directory
        // that was judged, and it finds ZIP data behind a program stub.
        archive_read_support_format_zip_seekable(a.get());
        if (password_ && !password_->empty())
            archive_read_add_passphrase(a.get(), password_->c_str());
        if (archive_read_open_fd(a.get(), archiveFd_, kBlockSize) != ARCHIVE_OK) {
            error = archiveError(a.get());
            return {};
        }
        return a;
    }

    bool passwordGiven() const { return password_ && !password_->empty(); }

    // Reads the whole directory and judges every entry; writes nothing.
    ExtractResult survey()
    {
        const auto records = readCentralDirectorySizes(archiveFd_);
        // An archive of no entries is a valid one (a vendor's file for a day without data);
        // the reader library does not recognise it, so it is settled here.
        if (records && records->empty())
            return {};
        std::string error;
        ArchivePtr a = open(error);
        if (!a)
            return failure(ExtractStatus::NotAnArchive, "no ZIP archive found in the file");
        if (!records)
            return failure(ExtractStatus::Corrupt, "the archive directory cannot be read");
        std::uint64_t claimed = 0;
        for (const auto& record : *records) {
            std::vector<std::string> components;
            if (const auto why = entryNameProblem(record.name, components))
                return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(record.name) + " " + *why);
            if (const auto why = recordKindProblem(record))
                return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(record.name) + " " + *why);
            if (exceedsRatio(record, limits_.maxRatio))
                return failure(ExtractStatus::TooLarge, "entry " + quoted(record.name) + " would expand from " +
                                                            std::to_string(record.compressed) + " to " +
                                                            std::to_string(record.uncompressed) + " bytes, more than " +
                                                            std::to_string(limits_.maxRatio) + " times its size");
            claimed = saturatingAdd(claimed, record.uncompressed);
        }
        std::uint64_t claimedByReader = 0;
        std::set<std::string> files;
        std::set<std::string> directories;
        for (;;) {
            archive_entry* entry = nullptr;
            const int rc = archive_read_next_header(a.get(), &entry);
            if (rc == ARCHIVE_EOF)
                break;
            if (rc != ARCHIVE_OK)
                return failure(ExtractStatus::Corrupt, "damaged archive: " + archiveError(a.get()));
            EntryPlan plan;
            if (auto judged = judgeEntry(entry, plan); !judged.ok())
                return judged;
            if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0)
                claimedByReader = saturatingAdd(claimedByReader, static_cast<std::uint64_t>(archive_entry_size(entry)));
            if (auto checked = checkDestination(plan); !checked.ok())
                return checked;
            for (std::size_t i = 1; i < plan.components.size(); ++i)
                directories.insert(joinComponents(plan.components, i));
            if (!plan.components.empty())
                (plan.directory ? directories : files).insert(joinComponents(plan.components, plan.components.size()));
            plans_.push_back(std::move(plan));
        }
        if (std::max(claimed, claimedByReader) > limits_.maxTotalBytes)
            return failure(ExtractStatus::TooLarge,
                           "the archive would expand to more than " + std::to_string(limits_.maxTotalBytes) + " bytes");
        for (const auto& file : files) {
            if (directories.count(file) != 0)
                return failure(ExtractStatus::UnsafeEntry,
                               quoted(file) + " is both a file and a directory in the archive");
        }
        return {};
    }

    // What already exists on an entry's way must be real directories (a symbolic link there
    // would carry the entry elsewhere), and a file may replace anything but a directory.
    ExtractResult checkDestination(const EntryPlan& plan) const
    {
        for (std::size_t i = 1; i <= plan.components.size(); ++i) {
            const std::string path = joinComponents(plan.components, i);
            struct stat st {};
            if (::fstatat(rootFd_, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    return {};
                return systemFailure(ExtractStatus::WriteFailed, quoted(path), errno);
            }
            const bool needsDirectory = i < plan.components.size() || plan.directory;
            if (needsDirectory && S_ISLNK(st.st_mode))
                return failure(ExtractStatus::UnsafeEntry, "entry " + quoted(plan.name) +
                                                               " would be written through the symbolic link " +
                                                               quoted(path));
            if (needsDirectory && !S_ISDIR(st.st_mode))
                return failure(ExtractStatus::WriteFailed,
                               "entry " + quoted(plan.name) + " needs a directory where " + quoted(path) + " is");
            if (!needsDirectory && S_ISDIR(st.st_mode))
                return failure(ExtractStatus::WriteFailed,
                               "entry " + quoted(plan.name) + " would replace the directory " + quoted(path));
        }
        return {};
    }

    // The private directory the files are extracted into, locked for as long as this lives so
    // that an update run cleaning up leftovers leaves it alone.
    ExtractResult createStaging()
    {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            std::string name = std::string(kUnpackerStagingPrefix) + std::to_string(::getpid()) + "-" +
                               std::to_string(attempt) + std::string(kUnpackerStagingSuffix);
            if (::mkdirat(rootFd_, name.c_str(), 0700) != 0) {
                if (errno == EEXIST)
                    continue;
                return systemFailure(ExtractStatus::WriteFailed, "cannot create a staging directory", errno);
            }
            stagingName_ = std::move(name);
            stagingFd_ =
                UniqueFd(::openat(rootFd_, stagingName_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!stagingFd_.valid())
                return systemFailure(ExtractStatus::WriteFailed, "cannot open the staging directory", errno);
            // A file system without locks still extracts; only a cleaner running at the same
            // instant could then take the directory for a leftover, and the extraction fail.
            ::flock(stagingFd_.get(), LOCK_EX | LOCK_NB);
            return {};
        }
        return failure(ExtractStatus::WriteFailed, "cannot create a staging directory: too many exist");
    }

    // Opens the directory made of the first `count` components, creating what is missing when
    // asked to, and never following a symbolic link, even one put there since the survey.
    // One component at a time, so that no path handed to the system grows past its limits.
    ExtractResult openDirectory(const std::vector<std::string>& components, std::size_t count, UniqueFd& out,
                                std::size_t plan, bool create)
    {
        UniqueFd current(::fcntl(rootFd_, F_DUPFD_CLOEXEC, 0));
        if (!current.valid())
            return systemFailure(ExtractStatus::WriteFailed, "target directory", errno);
        for (std::size_t i = 0; i < count; ++i) {
            const char* part = components[i].c_str();
            int fd = ::openat(current.get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && create) {
                if (::mkdirat(current.get(), part, 0777) != 0)
                    return systemFailure(ExtractStatus::WriteFailed,
                                         "cannot create directory " + quoted(joinComponents(components, i + 1)), errno);
                createdDirectories_.push_back({plan, i + 1});
                fd = ::openat(current.get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0)
                return systemFailure(ExtractStatus::WriteFailed,
                                     "cannot open directory " + quoted(joinComponents(components, i + 1)), errno);
            current = UniqueFd(fd);
        }
        out = std::move(current);
        return {};
    }

    // Decompresses (and decrypts) every file entry into the staging directory, under its
    // index; nothing outside the staging directory is touched.
    ExtractResult writeStaged()
    {
        std::string error;
        ArchivePtr a = open(error);
        if (!a)
            return failure(ExtractStatus::Corrupt, "the archive cannot be read again: " + error);
        for (std::size_t index = 0;; ++index) {
            archive_entry* entry = nullptr;
            const int rc = archive_read_next_header(a.get(), &entry);
            if (rc == ARCHIVE_EOF) {
                if (index != plans_.size())
                    break;
                return {};
            }
            if (rc != ARCHIVE_OK)
                return failure(ExtractStatus::Corrupt, "damaged archive: " + archiveError(a.get()));
            EntryPlan plan;
            if (auto judged = judgeEntry(entry, plan); !judged.ok())
                return judged;
            if (index >= plans_.size() || plan.name != plans_[index].name || plan.directory != plans_[index].directory)
                break;
            if (plan.directory)
                continue;
            if (auto written = writeEntry(a.get(), entry, plan, std::to_string(index)); !written.ok())
                return written;
        }
        return failure(ExtractStatus::Corrupt, "the archive changed while it was being extracted");
    }

    ExtractResult writeEntry(archive* a, archive_entry* entry, const EntryPlan& plan, const std::string& staged)
    {
        UniqueFd file(
            ::openat(stagingFd_.get(), staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.valid())
            return systemFailure(ExtractStatus::WriteFailed, "cannot create a temporary file for " + quoted(plan.name),
                                 errno);
        std::vector<char> buffer(kBlockSize);
        for (;;) {
            const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
            if (n == 0)
                break;
            if (n < 0) {
                if (archive_entry_is_data_encrypted(entry))
                    return failure(ExtractStatus::BadPassword, passwordFailure(plan, passwordGiven()));
                return failure(ExtractStatus::Corrupt, "entry " + quoted(plan.name) + ": " + archiveError(a));
            }
            const auto size = static_cast<std::uint64_t>(n);
            if (size > limits_.maxTotalBytes - written_)
                return failure(ExtractStatus::TooLarge,
                               "the archive expands to more than " + std::to_string(limits_.maxTotalBytes) + " bytes");
            written_ += size;
            for (std::size_t done = 0; done < size;) {
                const ssize_t w = ::write(file.get(), buffer.data() + done, size - done);
                if (w < 0 && errno == EINTR)
                    continue;
                if (w < 0)
                    return systemFailure(ExtractStatus::WriteFailed, "cannot write " + quoted(plan.name), errno);
                done += static_cast<std::size_t>(w);
            }
        }
        if (archive_entry_mtime_is_set(entry)) {
            const timespec times[2] = {{0, UTIME_OMIT}, {archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)}};
            ::futimens(file.get(), times); // a file without its archived date is still the file
        }
        // Flushed before the move, so that after a crash the real name holds the whole file.
        if (::fsync(file.get()) != 0)
            return systemFailure(ExtractStatus::WriteFailed, "cannot write " + quoted(plan.name), errno);
        return {};
    }

    // Creates the directories, then moves every staged file to its real name. Each move is
    // recorded before the next, so that a failure undoes them all (undoMoves).
    ExtractResult moveIntoPlace()
    {
        for (std::size_t index = 0; index < plans_.size(); ++index) {
            const EntryPlan& plan = plans_[index];
            const std::size_t depth = plan.directory ? plan.components.size() : plan.components.size() - 1;
            UniqueFd directory;
            if (auto opened = openDirectory(plan.components, depth, directory, index, true); !opened.ok())
                return opened;
        }
        for (std::size_t index = 0; index < plans_.size(); ++index) {
            const EntryPlan& plan = plans_[index];
            if (plan.directory)
                continue;
            UniqueFd directory;
            if (auto opened = openDirectory(plan.components, plan.components.size() - 1, directory, index, false);
                !opened.ok())
                return opened;
            if (auto moved = moveOne(index, directory.get()); !moved.ok())
                return moved;
            ++filesMoved_;
        }
        ::fsync(rootFd_); // the new names of the top level; below it they are the file system's to keep
        moves_.clear();
        createdDirectories_.clear();
        return {};
    }

    ExtractResult moveOne(std::size_t index, int directory)
    {
        const EntryPlan& plan = plans_[index];
        const std::string staged = std::to_string(index);
        const char* leaf = plan.components.back().c_str();
        const auto refused = [&](int err) {
            return systemFailure(ExtractStatus::WriteFailed,
                                 "cannot move the extracted " + quoted(plan.name) + " into place", err);
        };
        if (++movesTried_ == faults_.failMove)
            return refused(EIO);
        struct stat st {};
        if (::fstatat(directory, leaf, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return refused(errno);
            int rc = ::renameat2(stagingFd_.get(), staged.c_str(), directory, leaf, RENAME_NOREPLACE);
            if (rc != 0 && renameUnsupported(errno))
                rc = ::renameat(stagingFd_.get(), staged.c_str(), directory, leaf);
            if (rc != 0)
                return refused(errno);
            moves_.push_back({Move::Kind::Created, index, staged});
            return {};
        }
        if (S_ISDIR(st.st_mode))
            return failure(ExtractStatus::WriteFailed, "entry " + quoted(plan.name) + " would replace a directory");
        // The old file goes into the staging directory in the same atomic step, where an undo
        // finds it; where the file system cannot exchange, a hard link keeps it instead.
        if (::renameat2(stagingFd_.get(), staged.c_str(), directory, leaf, RENAME_EXCHANGE) == 0) {
            moves_.push_back({Move::Kind::Exchanged, index, staged});
            return {};
        }
        if (!renameUnsupported(errno))
            return refused(errno);
        const std::string backup = staged + ".old";
        const bool kept = ::linkat(directory, leaf, stagingFd_.get(), backup.c_str(), 0) == 0;
        if (::renameat(stagingFd_.get(), staged.c_str(), directory, leaf) != 0) {
            const int err = errno;
            if (kept)
                ::unlinkat(stagingFd_.get(), backup.c_str(), 0);
            return refused(err);
        }
        moves_.push_back({kept ? Move::Kind::Replaced : Move::Kind::Overwritten, index, kept ? backup : staged});
        return {};
    }

    // Gives every real name back what it held before the moves, newest move first, then
    // removes the directories this extraction created.
    void undoMoves()
    {
        for (auto it = moves_.rbegin(); it != moves_.rend(); ++it) {
            const EntryPlan& plan = plans_[it->plan];
            UniqueFd directory;
            if (!openDirectory(plan.components, plan.components.size() - 1, directory, it->plan, false).ok())
                continue;
            const char* leaf = plan.components.back().c_str();
            switch (it->kind) {
            case Move::Kind::Created: ::renameat(directory.get(), leaf, stagingFd_.get(), it->staged.c_str()); break;
            case Move::Kind::Exchanged:
                ::renameat2(stagingFd_.get(), it->staged.c_str(), directory.get(), leaf, RENAME_EXCHANGE);
                break;
            case Move::Kind::Replaced: ::renameat(stagingFd_.get(), it->staged.c_str(), directory.get(), leaf); break;
            case Move::Kind::Overwritten: break; // nothing left to give back
            }
        }
        moves_.clear();
        // Newest first, so that a directory is emptied of its sub-directories before its turn.
        for (auto it = createdDirectories_.rbegin(); it != createdDirectories_.rend(); ++it) {
            const EntryPlan& plan = plans_[it->first];
            UniqueFd parent;
            if (openDirectory(plan.components, it->second - 1, parent, it->first, false).ok())
                ::unlinkat(parent.get(), plan.components[it->second - 1].c_str(), AT_REMOVEDIR);
        }
        createdDirectories_.clear();
    }

    // Empties and removes the staging directory: what is left there is either unused or the
    // old content of a replaced file.
    void removeStaging()
    {
        if (stagingName_.empty())
            return;
        const int listed = stagingFd_.valid() ? ::fcntl(stagingFd_.get(), F_DUPFD_CLOEXEC, 0) : -1;
        if (DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr) {
            std::vector<std::string> names;
            while (const dirent* e = ::readdir(listing)) {
                const std::string_view name(e->d_name);
                if (name != "." && name != "..")
                    names.emplace_back(name);
            }
            ::closedir(listing);
            for (const auto& name : names)
                ::unlinkat(stagingFd_.get(), name.c_str(), 0);
        } else if (listed >= 0) {
            ::close(listed);
        }
        ::unlinkat(rootFd_, stagingName_.c_str(), AT_REMOVEDIR);
        stagingFd_.reset();
        stagingName_.clear();
    }

    int archiveFd_;
    int rootFd_;
    const std::optional<std::string>& password_;
    ExtractLimits limits_;
    ExtractFaults faults_;
    std::size_t movesTried_ = 0;
    std::vector<EntryPlan> plans_;
    std::string stagingName_;
    UniqueFd stagingFd_;
    std::vector<Move> moves_;
    // Directories this extraction created: the entry whose path holds them and their depth.
    std::vector<std::pair<std::size_t, std::size_t>> createdDirectories_;
    std::uint64_t written_ = 0;
    std::size_t filesMoved_ = 0;
};

} // namespace

// Why `name` cannot be a path below the destination, or std::nullopt when it can. Backslashes
// count as separators: archives made on DOS and Windows use them, and "..\x" must not pass.
std::optional<std::string> entryNameProblem(std::string_view name, std::vector<std::string>& components)
{
    components.clear();
    if (name.empty())
        return "has an empty name";
    // A line break in a name would end up in the update run's log as a line of its own.
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7f)
            return "has a control character in its name";
    }
    if (name[0] == '/' || name[0] == '\\')
        return "would be written outside the target directory (absolute name)";
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return "would be written outside the target directory (drive letter)";
    if (name.size() > kMaxPathBytes)
        return "has a name longer than " + std::to_string(kMaxPathBytes) + " bytes";
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part == "..")
            return "would be written outside the target directory (\"..\")";
        if (part.size() > kMaxNameBytes)
            return "has a name part longer than " + std::to_string(kMaxNameBytes) + " bytes";
        if (!part.empty() && part != ".")
            components.emplace_back(part);
        start = end + 1;
    }
    for (const auto& part : components) {
        if (part.compare(0, kTempPrefix.size(), kTempPrefix) == 0)
            return "uses a name reserved for the unpacker's temporary files";
    }
    return std::nullopt;
}

ExtractResult extract(const std::string& archivePath, const std::string& destDir,
                      const std::optional<std::string>& password, const ExtractLimits& limits,
                      const ExtractFaults& faults)
{
    Utf8NamesScope utf8Names;
    // Not blocking on a pipe that only pretends to be an archive.
    UniqueFd archiveFd(::open(archivePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!archiveFd.valid())
        return systemFailure(ExtractStatus::CannotOpen, "cannot open the archive", errno);
    struct stat st {};
    if (::fstat(archiveFd.get(), &st) != 0)
        return systemFailure(ExtractStatus::CannotOpen, "cannot open the archive", errno);
    if (!S_ISREG(st.st_mode))
        return failure(ExtractStatus::CannotOpen, "the archive is not a regular file");
    const int flags = ::fcntl(archiveFd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(archiveFd.get(), F_SETFL, flags & ~O_NONBLOCK);
    UniqueFd rootFd(::open(destDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd.valid())
        return systemFailure(ExtractStatus::CannotOpen, "cannot open the target directory " + quoted(destDir), errno);
    Extraction extraction(archiveFd.get(), rootFd.get(), password, limits, faults);
    return extraction.run();
}

} // namespace qv::pkunzip
