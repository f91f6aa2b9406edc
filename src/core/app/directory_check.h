#pragma once
// The OK check of the directory chooser ("Choose Directory"), without the dialog. The chooser
// calls checkChosenDirectory with the typed path and does what the result says; after a Yes to
// the creation question it calls createChosenDirectory. Neither changes the process's current
// directory: the update worker may be resolving paths at the same moment.

#include <string>
#include <string_view>

namespace qv {

// Characters a directory name may not contain. '/' is the separator here, so it is allowed.
inline constexpr std::string_view kInvalidPathCharacters = "*?|<>\"";

enum class ChosenDirectoryStep {
    Accept,      // close the chooser with `path`
    ShowMessage, // show `message` (warning) and stay open
    AskCreate,   // ask `message` (Yes/No); Yes: createChosenDirectory, No: stay open
    CreateFailed // show `message` (information icon) and stay open
};

struct ChosenDirectory {
    ChosenDirectoryStep step = ChosenDirectoryStep::ShowMessage;
    std::string message;
    std::string path; // on Accept: the directory without a trailing '/' ("/" stays "/")
};

// The path without trailing '/' characters; "/" (or "///") stays "/".
std::string withoutTrailingSlash(std::string_view path);

// Steps 1 to 3 of the chooser's OK: an empty path or one with an invalid character is "not a
// valid pathname"; a directory the program may enter is accepted; anything else asks whether to
// create it.
ChosenDirectory checkChosenDirectory(std::string_view path);

// Step 4 after Yes: creates one directory level (its parent must exist).
ChosenDirectory createChosenDirectory(std::string_view path);

} // namespace qv
