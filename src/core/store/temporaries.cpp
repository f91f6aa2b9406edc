#include "core/store/temporaries.h"

#include "core/platform/files.h"
#include "core/platform/text.h"

#include <array>
#include <cctype>

namespace qv {
namespace {

constexpr std::array<std::string_view, 9> kFixedNames{"MASTER.~NU",   "MASTER.NEW",     "MASTER.~RB",
                                                      "MASTER.~BK",   "MASTER.BAK.~CP", "MASTER.~OL.~CP",
                                                      "SKIPQVTA.~NU", "EMASTER.~NU",    "XMASTER.~NU"};
constexpr std::array<std::string_view, 5> kQuoteFileSuffixes{".~NU", ".~DO", ".NEW", ".~BK", ".PFL.~NU"};

} // namespace

bool isPortfolioTemporary(std::string_view name)
{
    for (std::string_view fixed : kFixedNames) {
        if (equalsIgnoringCase(name, fixed))
            return true;
    }
    // F<n> with n = 1..65535 (XMASTER's securities are numbered past 255) written without
    // leading zeros, as quoteFileName writes it.
    if (name.size() < 2 || (name[0] != 'F' && name[0] != 'f'))
        return false;
    std::size_t digits = 1;
    while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits])))
        ++digits;
    const std::string_view number = name.substr(1, digits - 1);
    if (number.empty() || number.size() > 5 || number.front() == '0')
        return false;
    int n = 0;
    for (char c : number)
        n = n * 10 + (c - '0');
    if (n < 1 || n > 65535)
        return false;
    const std::string_view suffix = name.substr(digits);
    for (std::string_view s : kQuoteFileSuffixes) {
        if (equalsIgnoringCase(suffix, s))
            return true;
    }
    return false;
}

std::vector<std::string> removePortfolioTemporaries(const std::string& dir)
{
    std::vector<std::string> removed;
    std::vector<DirEntry> entries;
    if (!listDirectory(dir.empty() ? "." : dir, entries))
        return removed;
    for (const DirEntry& e : entries) {
        if (!isPortfolioTemporary(e.name))
            continue;
        const std::string path = joinPath(dir.empty() ? "." : dir, e.name);
        if (!isRegularFile(path))
            continue;
        if (removeFile(path))
            removed.push_back(e.name);
    }
    return removed;
}

} // namespace qv
