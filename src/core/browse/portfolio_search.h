#pragma once
// Portfolio discovery: a portfolio is a directory holding a MASTER file.
//
// The walk of one root is depth first: a directory is examined for MASTER, its subdirectories
// are gathered in the order the file system lists them (dot-names, non-directories and
// symbolic links left out), and then walked from the last gathered to the first. The walk
// never leaves the root's file system and skips what it cannot read. With a limit, a
// subdirectory is entered only when its full path contains the limit text (without regard to
// case); the root itself is always examined.

#include <functional>
#include <string>
#include <vector>

namespace qv {

struct SearchProgress {
    // Called with each directory as the walk reaches it and the number of MASTER files found.
    std::function<void(const std::string& path, int found)> onDirectory;
};

// The portfolios under root in the order the portfolio list shows them: the reverse of the
// order in which the walk found them. Paths have no trailing '/' (but for "/" itself).
std::vector<std::string> searchPortfolios(const std::string& root, const std::string& limit,
                                          const SearchProgress& progress = {});

// The roots a user can search: the home directory, "/", and the mount point of every mounted
// disk, removable or network file system (pseudo file systems left out), each once.
std::vector<std::string> listRoots();

} // namespace qv
