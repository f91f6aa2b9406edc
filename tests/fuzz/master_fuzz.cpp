// MASTER, and the search for a security through the nested portfolios its directory entries
// name. The input is the top MASTER, the nested MASTER, and the key searched for (parts cut
// at the separator). Every plain directory name an entry gives is made, up to three levels,
// each holding the nested MASTER, so a MASTER that names itself builds a deep tree.

#include "core/browse/portfolio_search.h"
#include "core/store/master.h"
#include "fuzz_support.h"

#include <sys/stat.h>

using namespace qv;
using namespace qv::fuzz;

namespace {

constexpr int kMaxMadeDirectories = 12;

void checkMaster(const std::string& dir, std::size_t fileSize)
{
    MasterFile master;
    if (!readMasterFile(dir, master)) {
        check(fileSize < kMasterRecordSize, "a MASTER that holds its header cannot be read");
        return;
    }
    // Nothing read is lost or invented: header, entries and trailing bytes are the file.
    check(kMasterRecordSize * (1 + master.entries.size()) + master.trailing.size() == fileSize,
          "MASTER read does not add up to the file");
    check(master.entries.size() <= master.declaredCount(), "more entries than the header declares");
    for (const MasterEntry& e : master.entries) {
        check(e.name().size() <= 16 && e.symbol().size() <= 16, "texts longer than their fields");
        (void)e.firstDate();
        (void)e.lastDate();
        (void)dayNumberFromFileDate(e.firstDate());
        (void)dayNumberFromFileDate(e.lastDate());
        (void)e.directoryName();
    }
}

void makeTree(const std::string& dir, Input nested, int depth, int& made)
{
    MasterFile master;
    if (depth >= 3 || !readMasterFile(dir, master))
        return;
    for (const MasterEntry& e : master.entries) {
        if (!e.isDirectoryEntry() || made >= kMaxMadeDirectories)
            continue;
        const std::string name = e.directoryName();
        if (!isPlainName(name))
            continue;
        const std::string sub = dir + "/" + name;
        if (mkdir(sub.c_str(), 0755) != 0)
            continue; // named twice
        ++made;
        writeFile(sub + "/MASTER", nested);
        makeTree(sub, nested, depth + 1, made);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 3);
    ScratchDir scratch;
    const std::string root = scratch / "root";
    if (mkdir(root.c_str(), 0755) != 0)
        fail("mkdir");
    writeFile(root + "/MASTER", parts[0]);
    checkMaster(root, parts[0].size());

    const Input nested = parts.size() > 1 ? parts[1] : Input();
    int made = 0;
    makeTree(root, nested, 0, made);

    const std::string key = parts.size() > 2 ? std::string(asText(parts[2])) : std::string("ACME");
    const FoundSecurity found = findSecurity(root, key);
    check(found.status == kStatusOk || found.status == kStatusFileRead || found.status == kStatusFileNotFound,
          "findSecurity status");
    if (found.status == kStatusOk)
        check(!found.entry.isDirectoryEntry(), "a nested-portfolio entry found as a security");

    // Each listed security is looked up by its name as well (names may hold blanks).
    MasterFile top;
    if (readMasterFile(root, top))
        for (const MasterEntry& e : top.entries)
            if (!e.isDirectoryEntry() && !e.name().empty())
                (void)findSecurity(root, e.name());

    for (const std::string& p : searchPortfolios(root, ""))
        check(p.rfind(root, 0) == 0, "portfolio search left its root");
    return 0;
}
