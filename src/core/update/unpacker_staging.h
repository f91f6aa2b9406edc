#pragma once
// What the bundled unpacker leaves in an update directory when it is killed, and how the update
// run tells a leftover from the work of an unpacker still running.
//
// The unpacker extracts into a staging directory "<prefix><pid>-<n>.tmp" inside the update
// directory and holds an exclusive flock(2) on it while it lives; the files move to their real
// names only when every entry has been extracted. An unpacker killed (by the run's time limit,
// a crash or a power loss) leaves the staging directory behind, unlocked. Earlier versions
// left single temporary files "<prefix><pid>-<n>.tmp" instead. Both are dot-names, so no
// update run ever reads them as update files; removeUnpackerLeftovers takes them away.
//
// The names are inline here, so that the unpacker, which does not link the core, shares them.

#include <string>
#include <string_view>

namespace qv {

inline constexpr std::string_view kUnpackerStagingPrefix = ".pkunzip-";
inline constexpr std::string_view kUnpackerStagingSuffix = ".tmp";

inline bool isUnpackerStagingName(std::string_view name)
{
    return name.size() > kUnpackerStagingPrefix.size() + kUnpackerStagingSuffix.size() &&
           name.starts_with(kUnpackerStagingPrefix) && name.ends_with(kUnpackerStagingSuffix);
}

// Removes from `directory` (not below it) every staging directory that no living unpacker holds
// locked, with what it holds, and every temporary file of that name. Returns how many were
// removed; what cannot be removed stays, silently (it is never read as an update file).
int removeUnpackerLeftovers(const std::string& directory);

} // namespace qv
