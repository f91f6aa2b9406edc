#pragma once
// Symbol Assign and Multiple Assign of "Profiles Management", without the dialog: they write
// the assignment files (profile.h) and return every message the dialog would show.

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kNoProfileForSymbolMessage = "Error creating Profile for symbol";
inline constexpr std::string_view kNoProfileForSymbolsMessage = "Error creating Profile for multiple symbols";

struct AssignmentResult {
    bool ok = true;
    std::vector<std::string> messages; // in the order shown
    std::string profileName;           // the name written, spelled as the profile list spells it
    int assigned = 0;                  // assignment files written
};

// The profile to assign is `profile` as the profile list of startupDir spells it (found
// without regard to case); a name that is not listed counts as no selection.

// Symbol Assign: the security that findSecurity finds as `symbol` in dir (or a portfolio
// nested in it) gets F<n>.PFL in the directory where it was found.
AssignmentResult assignProfileToSymbol(const std::string& startupDir, const std::string& dir, std::string_view symbol,
                                       std::string_view profile);

// Multiple Assign: every security of dir's symbol list (nested-portfolio entries aside), in
// list order. A file that cannot be written is reported and the others are still written.
AssignmentResult assignProfileToAllSymbols(const std::string& startupDir, const std::string& dir,
                                           std::string_view profile);

} // namespace qv
