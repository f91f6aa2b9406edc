#include "core/browse/portfolio_search.h"

// Choices of this implementation:
// - A limit typed with a trailing '/' ("/data/") is taken without it; otherwise the directory
//   it names could never be entered (its own path lacks the slash) and nothing below it found.
// - A MASTER that is a symbolic link to a regular file counts, as the store opens it like the
//   file itself; links are only never followed into directories.
// - With a limit that names a directory below the first level ("/home/ann/md"), the
//   directories on the way to it ("/home", "/home/ann") are walked through, or nothing below
//   the first level could ever be reached; they are not reported as portfolios themselves.
// - A directory is walked once (by inode; the walk stays on one device), so a bind mount of a
//   directory inside itself does not walk it again and again.
// - The walk holds no descriptor between directories, so its depth is bounded by nothing but
//   PATH_MAX: a directory whose path is longer cannot be opened and is skipped.

#include "core/platform/text.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string_view>
#include <unordered_set>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

std::string lowerCopy(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

// Whether `haystack` contains `needleLower` (already lower case) without regard to case.
bool containsNoCase(std::string_view haystack, std::string_view needleLower)
{
    if (needleLower.empty())
        return true;
    auto it = std::search(haystack.begin(), haystack.end(), needleLower.begin(), needleLower.end(),
                          [](char a, char b) { return lowerAscii(a) == b; });
    return it != haystack.end();
}

std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

bool isMasterName(const char* name) { return strcasecmp(name, "MASTER") == 0; }

// Opens a directory of the walk for listing. The root may be reached through a symbolic link
// (the user chose it); below it no link is followed, not even one swapped in during the walk.
int openDirectory(const std::string& path, bool followLink)
{
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!followLink)
        flags |= O_NOFOLLOW;
    return ::open(path.c_str(), flags);
}

class Walker {
public:
    Walker(std::string_view limit, const SearchProgress& progress)
        : limitLower_(lowerCopy(withoutTrailingSlashes(limit))), progress_(progress)
    {
    }

    std::vector<std::string> run(const std::string& root)
    {
        int fd = openDirectory(root, true);
        if (fd < 0)
            return {};
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return {};
        }
        rootDevice_ = st.st_dev;
        visited_.insert(st.st_ino);
        root_ = root;
        examine(root, fd);

        // Depth first without recursion: pushing a directory's subdirectories in listing order
        // and popping from the back walks the last gathered first and finishes its whole
        // subtree before its elder sibling, exactly as the recursive walk does, on trees of
        // any depth.
        while (!pending_.empty()) {
            std::string path = std::move(pending_.back());
            pending_.pop_back();
            int childFd = openDirectory(path, false);
            if (childFd < 0)
                continue; // unreadable, vanished, or replaced by a link
            if (::fstat(childFd, &st) != 0 || st.st_dev != rootDevice_) {
                ::close(childFd); // another file system mounted here
                continue;
            }
            // A bind mount of a directory inside itself shows the same directory again, on the
            // same file system, without a symbolic link: walked once, it ends.
            if (!visited_.insert(st.st_ino).second) {
                ::close(childFd);
                continue;
            }
            examine(path, childFd);
        }
        std::reverse(found_.begin(), found_.end());
        return std::move(found_);
    }

private:
    // One listing pass: finds MASTER and gathers the subdirectories to walk. Takes ownership
    // of fd. The entries are read with getdents64 straight into one reused buffer: readdir
    // would add two fcntl calls and an fstat per directory, which on a large tree costs more
    // than the listing itself.
    void examine(const std::string& path, int fd)
    {
        bool hasMaster = false;
        for (;;) {
            const ssize_t got = ::getdents64(fd, buffer_.data(), buffer_.size() * sizeof buffer_[0]);
            if (got <= 0)
                break; // end of the listing, or a directory that cannot be read
            const char* base = reinterpret_cast<const char*>(buffer_.data());
            for (ssize_t offset = 0; offset < got;) {
                const char* record = base + offset;
                unsigned short length = 0;
                std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
                unsigned char type = static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)]);
                const char* name = record + offsetof(struct dirent64, d_name);
                offset += length;
                if (length == 0)
                    break;
                consider(path, fd, name, type, hasMaster);
            }
        }
        ::close(fd);

        // The root is always examined; below it only directories within the limit count.
        if (hasMaster && (path == root_ || containsNoCase(path, limitLower_)))
            found_.push_back(path);
        if (progress_.onDirectory)
            progress_.onDirectory(path, static_cast<int>(found_.size()));
    }

    void consider(const std::string& path, int fd, const char* name, unsigned char type, bool& hasMaster)
    {
        if (name[0] == '.')
            return; // ".", ".." and every hidden name
        if (type == DT_UNKNOWN)
            type = typeOf(fd, name);

        if (!hasMaster && isMasterName(name)) {
            // A MASTER that is a directory (or a link to one) makes no portfolio.
            if (type == DT_REG) {
                hasMaster = true;
            } else if (type == DT_LNK) {
                struct stat st {};
                hasMaster = ::fstatat(fd, name, &st, 0) == 0 && S_ISREG(st.st_mode);
            }
        }
        if (type != DT_DIR)
            return;

        std::string child;
        child.reserve(path.size() + 1 + std::strlen(name));
        child = path;
        if (child.back() != '/')
            child += '/';
        child += name;
        if (!containsNoCase(child, limitLower_) && !leadsToLimit(child))
            return;
        pending_.push_back(std::move(child));
    }

    // Whether the limit lies below `dir` (compared without regard to case).
    bool leadsToLimit(const std::string& dir) const
    {
        return limitLower_.size() > dir.size() && limitLower_[dir.size()] == '/' &&
               containsNoCase(std::string_view(dir), std::string_view(limitLower_).substr(0, dir.size()));
    }

    // For file systems whose listing does not say what an entry is.
    static unsigned char typeOf(int dirFd, const char* name)
    {
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return DT_UNKNOWN;
        if (S_ISDIR(st.st_mode))
            return DT_DIR;
        if (S_ISREG(st.st_mode))
            return DT_REG;
        if (S_ISLNK(st.st_mode))
            return DT_LNK;
        return DT_UNKNOWN;
    }

    std::string limitLower_;
    std::string root_;
    const SearchProgress& progress_;
    dev_t rootDevice_ = 0;
    std::unordered_set<ino_t> visited_; // directories walked, by inode (all on rootDevice_)
    std::vector<std::string> pending_;
    std::vector<std::string> found_;
    std::vector<std::uint64_t> buffer_ = std::vector<std::uint64_t>(32 * 1024 / sizeof(std::uint64_t));
};

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string decodeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// File systems that hold no user data: kernel interfaces, memory-backed scratch space,
// package images (squashfs: snaps) and container layers (overlay: the container's own "/" is
// listed as "/" anyway; other overlays are another container's insides).
bool isPseudoFileSystem(std::string_view type)
{
    static constexpr std::string_view kPseudo[] = {
        "proc",        "sysfs",      "tmpfs",         "devtmpfs",    "cgroup",   "cgroup2",    "devpts",
        "mqueue",      "debugfs",    "securityfs",    "pstore",      "bpf",      "tracefs",    "hugetlbfs",
        "configfs",    "fusectl",    "autofs",        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",
        "ramfs",       "selinuxfs",  "overlay",       "squashfs",    "nfsd",     "rootfs",     "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.lxcfs", "fuse.snapfuse",
    };
    return std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo);
}

// A hung server makes stat(2) on its mount point block; such roots are listed unchecked.
bool isNetworkFileSystem(std::string_view type)
{
    return type.starts_with("nfs") || type == "cifs" || type.starts_with("smb") || type == "fuse.sshfs" ||
           type == "9p" || type == "afs" || type == "ceph" || type == "glusterfs";
}

bool underKernelTree(std::string_view path)
{
    for (std::string_view prefix : {"/proc/", "/sys/", "/dev/"}) {
        if (path.starts_with(prefix))
            return true;
    }
    return path == "/proc" || path == "/sys" || path == "/dev";
}

bool isDirectoryPath(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

} // namespace

std::vector<std::string> searchPortfolios(const std::string& root, const std::string& limit,
                                          const SearchProgress& progress)
{
    std::string start(withoutTrailingSlashes(root));
    if (start.empty())
        return {};
    Walker walker(limit, progress);
    return walker.run(start);
}

std::vector<std::string> listRoots()
{
    std::vector<std::string> roots;
    std::set<std::string> seen;
    auto add = [&](std::string path) {
        path = std::string(withoutTrailingSlashes(path));
        if (path.empty() || !seen.insert(path).second)
            return;
        roots.push_back(std::move(path));
    };

    if (std::string home = homeDirectory(); !home.empty() && isDirectoryPath(home))
        add(home);
    add("/");

    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        // device mount-point type options dump pass
        std::string_view rest = line;
        std::string_view fields[3];
        bool complete = true;
        for (std::string_view& field : fields) {
            std::size_t end = rest.find(' ');
            if (end == std::string_view::npos) {
                complete = false;
                break;
            }
            field = rest.substr(0, end);
            rest.remove_prefix(end + 1);
        }
        if (!complete)
            continue;
        std::string mountPoint = decodeMountField(fields[1]);
        std::string_view type = fields[2];
        if (mountPoint.empty() || mountPoint[0] != '/' || isPseudoFileSystem(type) || underKernelTree(mountPoint)) {
            continue;
        }
        // Containers bind single files (/etc/hosts) over the tree; only directories are roots.
        if (!isNetworkFileSystem(type) && !isDirectoryPath(mountPoint))
            continue;
        add(std::move(mountPoint));
    }
    return roots;
}

} // namespace qv
