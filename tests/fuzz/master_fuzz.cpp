// MASTER and the search through nested portfolios: the input is the top MASTER, the nested
// MASTER each directory entry's folder gets (three levels deep at most), the key searched, and
// the top folder's EMASTER and XMASTER.

#include "core/browse/portfolio_search.h"
#include "core/store/securities.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

static void makeTree(const std::string& dir, Input nested, int depth, int& made)
{
    MasterFile master;
    if (depth >= 3 || !readMasterFile(dir, master))
        return;
    for (const MasterEntry& e : master.entries) {
        const std::string name = e.directoryName();
        const std::string sub = dir + "/" + name;
        if (!e.isDirectoryEntry() || made >= 12 || name.empty() || name == "." || name == ".." ||
            name.find_first_of(std::string_view("/\0", 2)) != std::string::npos || mkdir(sub.c_str(), 0755) != 0)
            continue;
        ++made;
        writeFile(sub + "/MASTER", nested);
        makeTree(sub, nested, depth + 1, made);
    }
}

// EMASTER and XMASTER are read whole, never past their size; the list holds MASTER's records
// and only XMASTER securities of distinct numbers from 256 on, each found again by its symbol.
static void checkSecurityList(const std::string& root, const std::vector<Input>& parts)
{
    SecurityList list;
    if (!readSecurities(root, list)) {
        check(parts[0].size() < kMasterRecordSize, "a MASTER that holds its header cannot be listed");
        return;
    }
    if (list.hasEmaster && parts[3].size() >= kEmasterRecordSize)
        check(kEmasterRecordSize * (1 + list.emaster.entries.size()) + list.emaster.trailing.size() == parts[3].size(),
              "EMASTER read does not add up to the file");
    if (list.xmasterUsed)
        check(kXmasterRecordSize * (1 + list.xmaster.entries.size()) + list.xmaster.trailing.size() == parts[4].size(),
              "XMASTER read does not add up to the file");
    check(list.securities.size() <= list.master.entries.size() + list.xmaster.entries.size(),
          "more securities listed than records read");
    std::vector<int> numbers;
    for (const Security& s : list.securities) {
        if (!s.fromXmaster())
            continue;
        check(s.fileNumber >= kFirstXmasterFileNumber, "an XMASTER security below 256 listed");
        check(std::find(numbers.begin(), numbers.end(), s.fileNumber) == numbers.end(),
              "an XMASTER number listed twice");
        numbers.push_back(s.fileNumber);
        if (numbers.size() <= 8)
            check(findSecurity(root, s.symbol).status == kStatusOk,
                  "a listed XMASTER security not found by its symbol");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(data, size, 5);
    ScratchDir scratch;
    const std::string root = scratch / "root";
    makeDir(root);
    writeFile(root + "/MASTER", parts[0]);
    if (parts.size() > 3)
        writeFile(root + "/EMASTER", parts[3]);
    if (parts.size() > 4)
        writeFile(root + "/XMASTER", parts[4]);
    MasterFile top;
    if (readMasterFile(root, top)) {
        // Nothing read is lost or invented.
        check(kMasterRecordSize * (1 + top.entries.size()) + top.trailing.size() == parts[0].size(),
              "MASTER read does not add up to the file");
        for (const MasterEntry& e : top.entries)
            if (!e.isDirectoryEntry() && !e.name().empty())
                (void)findSecurity(root, e.name()); // names may hold blanks
    } else {
        check(parts[0].size() < kMasterRecordSize, "a MASTER that holds its header cannot be read");
    }
    checkSecurityList(root, parts);

    int made = 0;
    makeTree(root, parts.size() > 1 ? parts[1] : Input(), 0, made);

    const FoundSecurity found = findSecurity(root, parts.size() > 2 ? std::string(asText(parts[2])) : "ACME");
    check(found.status != kStatusOk || !found.entry.isDirectoryEntry(), "a nested-portfolio entry found as a security");
    for (const std::string& p : searchPortfolios(root, ""))
        check(p.rfind(root, 0) == 0, "portfolio search left its root");
    return 0;
}
