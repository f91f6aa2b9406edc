#include "core/platform/files.h"

#include "core/platform/fault_injection.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qv {
namespace {

// Every call that changes the file system goes through these, so the fault seam sees it.
// Every call through the seam: it may be made to fail (EIO, the call not made), and when
// recording its kind and paths are noted before it is made and once it succeeded.
template <class Call>
auto throughSeam(faults::Op op, const char* kind, const std::string& path, const std::string& to, Call call)
{
    if (faults::shouldFail(op)) {
        errno = EIO;
        return decltype(call())(-1);
    }
    faults::before(kind, path, to);
    const auto result = call();
    if (result >= 0)
        faults::after(kind, path, to);
    return result;
}

ssize_t seamWrite(int fd, const std::string& path, const void* data, std::size_t n)
{
    return throughSeam(faults::Op::Write, "write", path, {}, [&] { return ::write(fd, data, n); });
}

int seamFsync(int fd, const std::string& path, bool directory = false)
{
    return throughSeam(faults::Op::Fsync, directory ? "fsync-dir" : "fsync", path, {}, [&] { return ::fsync(fd); });
}

int seamSyncfs(int fd, const std::string& dir)
{
    return throughSeam(faults::Op::Fsync, "syncfs", dir, {}, [&] { return ::syncfs(fd); });
}

int seamRename(const char* from, const char* to)
{
    return throughSeam(faults::Op::Rename, "rename", from, to, [&] { return ::rename(from, to); });
}

// rename(2) that refuses to replace an existing `to` (EEXIST). A file system without such a
// rename takes a hard link instead, which refuses the same way; one without either is asked
// whether the name is free just before a plain rename.
int renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    if (::link(from, to) == 0) {
        ::unlink(from); // the file is in place; a temporary name left over is litter, not harm
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return -1;
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

int seamRenameNoReplace(const char* from, const char* to)
{
    return throughSeam(faults::Op::Rename, "rename", from, to, [&] { return renameNoReplace(from, to); });
}

int seamUnlink(const char* path)
{
    return throughSeam(faults::Op::Unlink, "unlink", path, {}, [&] { return ::unlink(path); });
}

int seamRmdir(const char* path)
{
    return throughSeam(faults::Op::Unlink, "rmdir", path, {}, [&] { return ::rmdir(path); });
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::string& path, const std::uint8_t* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t written = seamWrite(fd, path, data, n);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        n -= static_cast<std::size_t>(written);
    }
    return true;
}

// Renames a complete temporary file over the real name; on failure the temporary goes.
IoStatus renameIntoPlace(const std::string& path, std::string_view tempName)
{
    const std::string temp = joinPath(parentPath(path), tempName);
    if (seamRename(temp.c_str(), path.c_str()) != 0) {
        // The user knows the file by its own name; the temporary one is an inner detail.
        const IoStatus failed = IoStatus::fromErrno("replace", path, errno);
        seamUnlink(temp.c_str());
        return failed;
    }
    return IoStatus::ok();
}

// What a file that must be a regular one is instead, for the message that refuses it.
std::string kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "no regular file";
}

IoStatus notRegular(const std::string& what, const std::string& path, mode_t mode)
{
    if (S_ISDIR(mode))
        return IoStatus::fromErrno(what, path, EISDIR);
    return IoStatus::failure(what + " " + path + ": not a regular file but " + kindOf(mode));
}

// Opens a file that must be a regular one. A named pipe would block open(2) until another
// program opened its other end, and a read from a device may never end: the open does not
// wait (O_NONBLOCK), anything but a regular file is refused, and the descriptor then blocks
// as usual. On success fd holds the descriptor and st its status.
IoStatus openRegular(const std::string& path, int flags, mode_t mode, const std::string& what, int& fd, struct stat& st)
{
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        const int err = errno;
        struct stat existing {};
        // A pipe with no reader refuses a writer with ENXIO, which says nothing to a user.
        if (err == ENXIO && ::lstat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
            return notRegular(what, path, existing.st_mode);
        return IoStatus::fromErrno(what, path, err);
    }
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        fd = -1;
        return IoStatus::fromErrno(what, path, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return notRegular(what, path, st.st_mode);
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        fd = -1;
        return IoStatus::fromErrno(what, path, err);
    }
    return IoStatus::ok();
}

} // namespace

// Makes a rename durable. Once the rename is done the change is made; a failure to flush the
// directory cannot undo it, so it is not reported as a failure of the replacement.
void syncDirectory(const std::string& dir)
{
    Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        seamFsync(fd.get(), dir, true);
}

std::string joinPath(std::string_view dir, std::string_view name)
{
    if (dir.empty())
        return std::string(name);
    std::string path(dir);
    if (path.back() != '/')
        path += '/';
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    path += name;
    return path;
}

std::string parentPath(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::string baseName(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string firstLevelDirectory(std::string_view path)
{
    const bool absolute = !path.empty() && path.front() == '/';
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    const std::string_view first = path.substr(0, path.find('/'));
    if (first.empty())
        return "/";
    return absolute ? "/" + std::string(first) : std::string(first);
}

std::optional<std::string> findEntry(const std::string& dir, std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    std::string exact = joinPath(dir, name);
    struct stat st {};
    if (::lstat(exact.c_str(), &st) == 0)
        return exact;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return std::nullopt;
    const std::string wanted(name);
    std::optional<std::string> found;
    while (const dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, wanted.c_str()) == 0) {
            found = joinPath(dir, e->d_name);
            break;
        }
    }
    ::closedir(d);
    return found;
}

std::string resolveFile(const std::string& dir, std::string_view name)
{
    if (auto found = findEntry(dir, name))
        return *found;
    return joinPath(dir, name);
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

IoStatus listDirectory(const std::string& dir, std::vector<DirEntry>& entries)
{
    entries.clear();
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return IoStatus::fromErrno("open directory", dir, errno);
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        EntryKind kind = EntryKind::Unknown;
        switch (e->d_type) {
        case DT_REG: kind = EntryKind::File; break;
        case DT_DIR: kind = EntryKind::Directory; break;
        case DT_LNK: kind = EntryKind::SymLink; break;
        case DT_UNKNOWN: kind = EntryKind::Unknown; break;
        default: kind = EntryKind::Other; break;
        }
        entries.push_back({std::string(name), kind});
    }
    ::closedir(d);
    return IoStatus::ok();
}

namespace {

IoStatus readAll(const InputFile& file, const std::string& path, Bytes& out)
{
    out.resize(file.size());
    const std::size_t got = file.readSomeAt(0, out.data(), out.size());
    if (got != out.size())
        return IoStatus::fromErrno("read", path, errno ? errno : EIO);
    return IoStatus::ok();
}

} // namespace

IoStatus readWholeFile(const std::string& path, Bytes& out)
{
    out.clear();
    InputFile file;
    if (IoStatus s = file.open(path); !s)
        return s;
    return readAll(file, path, out);
}

IoStatus readWholeEntry(const std::string& dir, std::string_view name, Bytes& out)
{
    out.clear();
    InputFile file;
    if (IoStatus s = file.openEntry(dir, name); !s)
        return s;
    return readAll(file, joinPath(dir, name), out);
}

namespace {

// flush: false leaves the new file's data to a later flush of the whole batch it belongs to.
IoStatus prepareWithMode(const std::string& path, std::string_view tempName, const Bytes& content, unsigned newFileMode,
                         bool keepExistingMode, bool flush = true)
{
    const std::string temp = joinPath(parentPath(path), tempName);
    mode_t mode = static_cast<mode_t>(newFileMode);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // A pipe or device under the real name would be replaced by a plain file.
        if (!S_ISREG(st.st_mode))
            return notRegular("replace", path, st.st_mode);
        if (keepExistingMode)
            mode = st.st_mode & 07777;
    }

    // Failures name the file being written, not its temporary name.
    // A stale temporary of that name is truncated; a pipe there must not block the writer,
    // and a symbolic link there must not carry the content elsewhere.
    if (faults::shouldFail(faults::Op::Create))
        return IoStatus::fromErrno("write", path, EIO);
    faults::before("create", temp);
    int created = -1;
    struct stat tempStatus {};
    if (IoStatus s = openRegular(temp, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, mode, "write", created, tempStatus);
        !s)
        return s.error() != 0 ? IoStatus::fromErrno("write", path, s.error()) : s;
    faults::after("create", temp);
    Fd fd(created);
    IoStatus failed = IoStatus::ok();
    if (::fchmod(fd.get(), mode) != 0)
        failed = IoStatus::fromErrno("set the mode of", path, errno);
    else if (!writeAll(fd.get(), temp, content.data(), content.size()))
        failed = IoStatus::fromErrno("write", path, errno);
    else if (flush && seamFsync(fd.get(), temp) != 0)
        failed = IoStatus::fromErrno("flush", path, errno);
    else if (::close(fd.release()) != 0)
        failed = IoStatus::fromErrno("close", path, errno);
    if (!failed.isOk())
        seamUnlink(temp.c_str());
    return failed;
}

} // namespace

IoStatus replaceFile(const std::string& path, std::string_view tempName, const Bytes& content)
{
    return replaceFile(path, tempName, content, 0644);
}

IoStatus replaceFile(const std::string& path, std::string_view tempName, const Bytes& content, unsigned newFileMode)
{
    if (IoStatus s = prepareReplacement(path, tempName, content, newFileMode); !s)
        return s;
    return commitReplacement(path, tempName);
}

IoStatus replaceFileWithMode(const std::string& path, std::string_view tempName, const Bytes& content, unsigned mode)
{
    if (IoStatus s = prepareWithMode(path, tempName, content, mode, false); !s)
        return s;
    return commitReplacement(path, tempName);
}

IoStatus prepareReplacement(const std::string& path, std::string_view tempName, const Bytes& content,
                            unsigned newFileMode)
{
    return prepareWithMode(path, tempName, content, newFileMode, true);
}

IoStatus commitReplacement(const std::string& path, std::string_view tempName)
{
    IoStatus s = renameIntoPlace(path, tempName);
    if (s)
        syncDirectory(parentPath(path));
    return s;
}

ReplacementBatch::~ReplacementBatch() { abandon(); }

IoStatus ReplacementBatch::stage(const std::string& path, std::string_view tempName, const Bytes& content)
{
    // Two new contents of one file in one batch: the second would be built from the old file.
    if (holds(path))
        return IoStatus::fromErrno("replace", path, EBUSY);
    if (IoStatus s = prepareWithMode(path, tempName, content, 0644, true, false); !s)
        return s;
    staged_.push_back({path, std::string(tempName)});
    return IoStatus::ok();
}

bool ReplacementBatch::holds(const std::string& path) const
{
    return std::ranges::any_of(staged_, [&](const Staged& s) { return s.path == path; });
}

std::vector<IoStatus> ReplacementBatch::commit()
{
    std::vector<Staged> staged;
    staged.swap(staged_);
    std::vector<IoStatus> results(staged.size(), IoStatus::ok());
    if (staged.empty())
        return results;
    // One flush of the file system writes every new file at once, where a flush of each would
    // wait for the disk once per file; each directory's file system is flushed, since the files
    // may lie on more than one. If a flush fails (a write-back error of any file there), each
    // file is flushed on its own, so that only a file that truly failed is given up.
    std::set<std::string> directories;
    for (const Staged& s : staged)
        directories.insert(parentPath(s.path));
    const bool flushedAll = std::ranges::all_of(directories, [](const std::string& d) {
        Fd dir(::open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return dir.get() >= 0 && seamSyncfs(dir.get(), d) == 0;
    });
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const std::string temp = joinPath(parentPath(staged[i].path), staged[i].temp);
        if (!flushedAll) {
            Fd file(::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
            if (file.get() < 0 || seamFsync(file.get(), temp) != 0) {
                results[i] = IoStatus::fromErrno("flush", staged[i].path, errno);
                seamUnlink(temp.c_str());
                continue;
            }
        }
        results[i] = renameIntoPlace(staged[i].path, staged[i].temp);
    }
    for (const std::string& d : directories)
        syncDirectory(d);
    return results;
}

void ReplacementBatch::abandon()
{
    for (const Staged& s : staged_)
        abandonReplacement(s.path, s.temp);
    staged_.clear();
}

void abandonReplacement(const std::string& path, std::string_view tempName)
{
    seamUnlink(joinPath(parentPath(path), tempName).c_str());
}

IoStatus createNewFile(const std::string& path, std::string_view tempName, const Bytes& content)
{
    const std::string dir = parentPath(path);
    // The exact name is guarded by the rename below; another spelling of it only by this look.
    if (findEntry(dir, baseName(path)))
        return IoStatus::fromErrno("create", path, EEXIST);
    if (IoStatus s = prepareReplacement(path, tempName, content); !s)
        return s;
    const std::string temp = joinPath(dir, tempName);
    if (seamRenameNoReplace(temp.c_str(), path.c_str()) != 0) {
        const IoStatus failed = IoStatus::fromErrno("create", path, errno);
        seamUnlink(temp.c_str());
        return failed;
    }
    syncDirectory(dir);
    return IoStatus::ok();
}

IoStatus copyFile(const std::string& from, const std::string& to)
{
    Bytes content;
    if (IoStatus s = readWholeFile(from, content); !s)
        return s;
    return replaceFile(to, baseName(to) + ".~CP", content);
}

IoStatus removeFile(const std::string& path, bool missingOk)
{
    if (seamUnlink(path.c_str()) != 0) {
        if (missingOk && errno == ENOENT)
            return IoStatus::ok();
        return IoStatus::fromErrno("delete", path, errno);
    }
    return IoStatus::ok();
}

IoStatus makeDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0)
        return IoStatus::fromErrno("create directory", path, errno);
    return IoStatus::ok();
}

IoStatus removeDirectory(const std::string& path)
{
    if (seamRmdir(path.c_str()) != 0)
        return IoStatus::fromErrno("remove directory", path, errno);
    return IoStatus::ok();
}

bool isReadOnlyError(int err) { return err == EACCES || err == EPERM || err == EROFS; }

bool isReadOnlyFolder(const std::string& dir)
{
    struct statvfs fs {};
    if (::statvfs(dir.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0)
        return true;
    // Permission bits do not stop root, so access() alone would call a 0555 folder read-only
    // for one user and writable for another: with the effective ids it answers for this process.
    if (::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return isReadOnlyError(errno) && isDirectory(dir);
    return false;
}

std::string readOnlyFolderMessage(const std::string& dir)
{
    // The same folder is named the same way whichever command found it ("P" or "P/").
    std::string shown = dir;
    while (shown.size() > 1 && shown.back() == '/')
        shown.pop_back();
    return "The folder " + shown + " is read-only: skip marks cannot be kept there and nothing in it can be changed.";
}

IoStatus checkWritableFolder(const std::string& dir)
{
    return isReadOnlyFolder(dir) ? IoStatus::failure(readOnlyFolderMessage(dir)) : IoStatus::ok();
}

InputFile::~InputFile() { close(); }

InputFile::InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_)
{
    other.fd_ = -1;
    other.size_ = 0;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
        other.size_ = 0;
    }
    return *this;
}

IoStatus InputFile::open(const std::string& path)
{
    close();
    int fd = -1;
    struct stat st {};
    if (IoStatus s = openRegular(path, O_RDONLY, 0, "open", fd, st); !s)
        return s;
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return IoStatus::ok();
}

IoStatus InputFile::openEntry(const std::string& dir, std::string_view name)
{
    close();
    const std::string exact = joinPath(dir, name);
    if (!name.empty()) {
        IoStatus s = open(exact);
        if (s || s.error() != ENOENT)
            return s;
    }
    const auto found = findEntry(dir, name);
    return open(found ? *found : exact);
}

IoStatus openInputStream(const std::string& path, std::FILE*& stream)
{
    stream = nullptr;
    int fd = -1;
    struct stat st {};
    if (IoStatus s = openRegular(path, O_RDONLY, 0, "open", fd, st); !s)
        return s;
    stream = ::fdopen(fd, "rb");
    if (stream == nullptr) {
        const int err = errno;
        ::close(fd);
        return IoStatus::fromErrno("open", path, err);
    }
    return IoStatus::ok();
}

IoStatus createOutputStream(const std::string& path, std::FILE*& stream)
{
    stream = nullptr;
    int fd = -1;
    struct stat st {};
    if (IoStatus s = openRegular(path, O_WRONLY | O_CREAT | O_TRUNC, 0644, "create", fd, st); !s)
        return s;
    stream = ::fdopen(fd, "w");
    if (stream == nullptr) {
        const int err = errno;
        ::close(fd);
        return IoStatus::fromErrno("create", path, err);
    }
    return IoStatus::ok();
}

void InputFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

std::size_t InputFile::readSomeAt(std::uint64_t offset, void* dest, std::size_t n) const
{
    if (fd_ < 0)
        return 0;
    auto* out = static_cast<std::uint8_t*>(dest);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool InputFile::readAt(std::uint64_t offset, void* dest, std::size_t n) const
{
    return readSomeAt(offset, dest, n) == n;
}

} // namespace qv
