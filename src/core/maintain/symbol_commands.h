#pragma once
// The symbol and portfolio commands of the "&Portfolio" and "&Symbol" menus, without their
// dialogs: each validates what the dialog gathered in the dialog's order and returns the first
// failure as the message the program shows (empty message on success).
//
// Every command leaves the portfolio either exactly as before or completely changed: files are
// replaced atomically and the MASTER change is the last step that makes a change visible.

#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"

#include <string>
#include <string_view>

namespace qv {

struct CommandResult {
    bool ok = true;
    std::string message; // the message box text when !ok (may also be set on success as a notice)
    int fileNumber = 0;  // the file number concerned, where the command has one
    std::string directory; // the portfolio directory concerned, where the command has one
};

// Portfolio Add: trims trailing '/' one by one, then blanks at both ends; empty gives
// "You did not enter a path". Creates the directory when missing ("The portfolio could not be
// created." when that fails) and writes an empty MASTER. A directory that already holds a
// MASTER is refused and left untouched. `directory` of the result is the cleaned path.
CommandResult addPortfolio(std::string_view typedPath);

// Symbol Add: symbol trimmed of trailing blanks ("You did not enter a symbol" when empty),
// upper-cased; an empty name becomes the symbol; "Duplicate Symbol failure" when findSecurity
// finds the symbol; the MASTER entry with 7 fields and the empty quote files, all or nothing.
CommandResult addSymbol(const std::string& dir, std::string_view symbol, std::string_view name);

// Symbol Delete: removes the MASTER entry whose symbol is `symbol`, then F<n>.DAT, .DOP, .PFL
// and .BAK (missing ones are ignored), then clears the skip mark of n.
CommandResult deleteSymbol(const std::string& dir, std::string_view symbol);

// Symbol Edit: "You must enter a symbol" when newSymbol is empty (taken as typed otherwise).
CommandResult editSymbol(const std::string& dir, std::string_view oldSymbol,
                         std::string_view newSymbol, std::string_view newName);

// Symbol Skip: sets the skip mark of the security found by findSecurity(dir, symbol).
CommandResult setSymbolSkip(const std::string& dir, std::string_view symbol, bool skip);

// Portfolio Skip Adjust: clears every mark and, when skipAll, marks every security in MASTER.
CommandResult adjustPortfolioSkip(const std::string& dir, bool skipAll);

} // namespace qv
