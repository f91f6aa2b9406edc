#include "core/update/unpacker_staging.h"

#include "core/platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace qv {
namespace {

// Empties and removes one staging directory, unless an unpacker still holds it.
bool removeStagingDirectory(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        std::vector<DirEntry> entries;
        if (listDirectory(path, entries)) {
            for (const DirEntry& e : entries) {
                if (e.kind != EntryKind::Directory)
                    (void)removeFile(joinPath(path, e.name)).isOk(); // what stays keeps the directory
            }
        }
        removed = removeDirectory(path).isOk();
    }
    ::close(fd);
    return removed;
}

} // namespace

int removeUnpackerLeftovers(const std::string& directory)
{
    std::vector<DirEntry> entries;
    if (!listDirectory(directory, entries))
        return 0;
    int removed = 0;
    for (const DirEntry& e : entries) {
        if (!isUnpackerStagingName(e.name))
            continue;
        const std::string path = joinPath(directory, e.name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode) ? removeStagingDirectory(path) : removeFile(path).isOk())
            ++removed;
    }
    return removed;
}

} // namespace qv
