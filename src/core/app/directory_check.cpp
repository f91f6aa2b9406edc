#include "core/app/directory_check.h"

#include "core/platform/files.h"

#include <unistd.h>

namespace qv {

std::string withoutTrailingSlash(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

ChosenDirectory checkChosenDirectory(std::string_view typed)
{
    const std::string path(typed);
    if (path.empty() || path.find_first_of(kInvalidPathCharacters) != std::string::npos)
        return {ChosenDirectoryStep::ShowMessage, path + " is not a valid pathname.", {}};
    // Where the program could change into, it may keep its files: a directory it may search.
    if (isDirectory(path) && ::access(path.c_str(), X_OK) == 0)
        return {ChosenDirectoryStep::Accept, {}, withoutTrailingSlash(path)};
    return {ChosenDirectoryStep::AskCreate, "Directory " + path + " does not exist.\nCreate this directory?", {}};
}

ChosenDirectory createChosenDirectory(std::string_view typed)
{
    const std::string path = withoutTrailingSlash(typed);
    if (!makeDirectory(path).isOk())
        return {ChosenDirectoryStep::CreateFailed,
                "There was a problem creating " + std::string(typed) + ".\nThe new directory was not created.",
                {}};
    return {ChosenDirectoryStep::Accept, {}, path};
}

} // namespace qv
