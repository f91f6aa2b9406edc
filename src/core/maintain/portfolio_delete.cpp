#include "core/maintain/portfolio_delete.h"

#include "core/platform/fault_injection.h"
#include "core/platform/files.h"
#include "core/store/master.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qv {

namespace {

std::string errnoText(const std::string& what, const std::string& name, int err)
{
    return what + " " + name + ": " + std::strerror(err);
}

// The directory opened once, without following a link in its last component; every entry is
// then examined and removed relative to this descriptor, so a directory swapped for a link
// while we work cannot redirect the removals elsewhere.
class DirHandle {
public:
    explicit DirHandle(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
    {
    }
    ~DirHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The names in the directory, "." and ".." aside; false when it cannot be read.
bool entryNames(int dirFd, std::vector<std::string>& names)
{
    const int listFd = ::dup(dirFd);
    if (listFd < 0)
        return false;
    DIR* d = ::fdopendir(listFd);
    if (!d) {
        ::close(listFd);
        return false;
    }
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    const bool ok = errno == 0;
    ::closedir(d);
    return ok;
}

} // namespace

PortfolioDeletion deletePortfolio(const std::string& dir)
{
    PortfolioDeletion result;
    if (dir.empty() || !findEntry(dir, kMasterFileName)) {
        result.leftOver.push_back("No portfolio (MASTER file) in " + (dir.empty() ? std::string("\"\"") : dir));
        return result;
    }
    // Nothing would be removed, and each file would be reported as if it alone had failed.
    if (IoStatus ro = checkWritableFolder(dir); !ro) {
        result.leftOver.push_back(ro.message());
        return result;
    }
    {
        DirHandle handle(dir);
        if (handle.fd() < 0) {
            result.leftOver.push_back(errnoText("open", dir, errno));
            return result;
        }
        std::vector<std::string> names;
        if (!entryNames(handle.fd(), names)) {
            result.leftOver.push_back(errnoText("read", dir, errno));
            return result;
        }
        for (const std::string& name : names) {
            // Names beginning with '.' are not the portfolio's; they stay, and so does the
            // directory that holds them.
            if (name.front() == '.') {
                result.leftOver.push_back(name + ": hidden entry left in place");
                continue;
            }
            struct stat st {};
            if (::fstatat(handle.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT)
                    result.leftOver.push_back(errnoText("stat", name, errno));
                continue;
            }
            if (!S_ISREG(st.st_mode)) {
                result.leftOver.push_back(name + ": not a regular file, left in place");
                continue;
            }
            if (faults::shouldFail(faults::Op::Unlink)) {
                result.leftOver.push_back(errnoText("unlink", name, EIO));
                continue;
            }
            if (::unlinkat(handle.fd(), name.c_str(), 0) != 0) {
                if (errno != ENOENT)
                    result.leftOver.push_back(errnoText("unlink", name, errno));
                continue;
            }
            ++result.filesRemoved;
        }
    }
    if (!result.leftOver.empty())
        return result;
    if (IoStatus st = removeDirectory(dir); !st) {
        result.leftOver.push_back(st.message());
        return result;
    }
    result.complete = true;
    return result;
}

} // namespace qv
