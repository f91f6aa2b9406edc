#include "core/profiles/assignment.h"

#include "core/platform/files.h"

#include "core/browse/symbol_list.h"
#include "core/profiles/profile.h"
#include "core/store/master.h"
#include "core/store/securities.h"
#include "core/store/status.h"

#include <optional>

namespace qv {

namespace {

AssignmentResult refused(std::string message)
{
    AssignmentResult result;
    result.ok = false;
    result.messages.push_back(std::move(message));
    return result;
}

std::optional<std::string> listedProfile(const std::string& startupDir, std::string_view profile)
{
    if (profile.empty())
        return std::nullopt;
    return findProfileName(scanProfileNames(startupDir), profile);
}

} // namespace

AssignmentResult assignProfileToSymbol(const std::string& startupDir, const std::string& dir, std::string_view symbol,
                                       std::string_view profile)
{
    const FoundSecurity found = findSecurity(dir, symbol);
    if (found.status == kStatusFileNotFound) {
        return refused(symbolNotFoundMessage(symbol));
    }
    if (found.status != kStatusOk) {
        return refused(statusMessage(found.status) + "\nThe MASTER file of " + dir + " could not be read.");
    }

    const std::optional<std::string> name = listedProfile(startupDir, profile);
    if (!name)
        return refused(std::string(kNoProfileForSymbolMessage));
    if (IoStatus ro = checkWritableFolder(found.directory); !ro)
        return refused(ro.message());

    const Outcome written = writeAssignment(found.directory, found.security.fileNumber, *name);
    if (!written)
        return refused(written.message());
    AssignmentResult result;
    result.profileName = *name;
    result.assigned = 1;
    return result;
}

AssignmentResult assignProfileToAllSymbols(const std::string& startupDir, const std::string& dir,
                                           std::string_view profile)
{
    const std::optional<std::string> name = listedProfile(startupDir, profile);
    if (!name)
        return refused(std::string(kNoProfileForSymbolsMessage));
    if (IoStatus ro = checkWritableFolder(dir); !ro)
        return refused(ro.message());

    const SymbolListing listing = listSymbols(dir);
    if (!listing.ok) {
        AssignmentResult result;
        result.ok = false;
        result.messages = listing.messages;
        if (result.messages.empty())
            result.messages.emplace_back(kSymbolListFailureMessage);
        return result;
    }
    AssignmentResult result;
    result.profileName = *name;
    for (const SymbolRow& row : listing.rows) {
        // A nested portfolio is not a security; its own securities are assigned from there.
        if (row.isDirectoryEntry)
            continue;
        const Outcome written = writeAssignment(dir, row.fileNumber, *name);
        if (written) {
            ++result.assigned;
        } else {
            result.ok = false;
            result.messages.push_back(written.message());
        }
    }
    return result;
}

} // namespace qv
