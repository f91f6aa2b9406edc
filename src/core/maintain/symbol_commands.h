#pragma once
// The symbol and portfolio commands of the "&Portfolio" and "&Symbol" menus, without their
// dialogs: each validates what the dialog gathered in the dialog's order and returns the first
// failure as an Outcome; CommandResult::message() words it, with any notice, for the command
// line and the dialogs alike.
//
// Every command leaves the portfolio either exactly as before or completely changed: files are
// replaced atomically and the MASTER change is the last step that makes a change visible.

#include "core/store/master.h"
#include "core/store/outcome.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"

#include <string>
#include <string_view>

namespace qv {

struct [[nodiscard]] CommandResult {
    Outcome outcome;       // the failure: status, file, sentence and cause; ok when done
    std::string notice;    // for the user although done, or besides the failure (files left, kept)
    int fileNumber = 0;    // the file number concerned, where the command has one
    std::string directory; // the portfolio directory concerned, where the command has one

    bool ok() const { return outcome.isOk(); }
    // What the user is shown: the failure's message, then the notice; empty when done quietly.
    std::string message() const;
};

// Portfolio Add: trims trailing '/' one by one (a path of slashes alone keeps one), then blanks
// at both ends; empty gives "You did not enter a path". Creates the directory (one level) when
// missing ("The portfolio could not be created." when that fails) and writes an empty MASTER;
// when that write fails, a directory created here is removed again. A directory that already
// holds a MASTER (any case) is refused and left untouched. `directory` of the result is the
// cleaned path.
CommandResult addPortfolio(std::string_view typedPath);

// Symbol Add: symbol trimmed of blanks at both ends ("You did not enter a symbol" when empty),
// then refused when longer than 16 characters (kLongSymbolMessage), like a longer name
// (kLongNameMessage), and upper-cased; an empty name becomes the symbol; "Duplicate Symbol failure" when findSecurity finds the symbol; the MASTER entry
// with 7 fields and the empty quote files, all or nothing: quote files created for an entry
// that did not reach MASTER are removed again. The number is one that neither MASTER nor any
// file of the directory names (appendMasterEntry); files that no entry names are listed in the
// notice of the successful result, and no existing file is ever replaced.
CommandResult addSymbol(const std::string& dir, std::string_view symbol, std::string_view name);

// Symbol Delete: the entry of dir's own MASTER whose symbol is exactly `symbol`. Clears the skip
// mark of its number n first (when a skip list exists and marks n; none is created), then
// removes the entry (restoring the mark when that fails), and only then F<n>.DAT, .DOP, .PFL
// and .BAK in any case of their names (missing ones are ignored). A file that cannot be
// removed is reported (a failure) although the security is gone; fileNumber is then set. When
// another entry of MASTER holds the same number (a damaged MASTER), only the entry goes: the
// files and the mark stay with the other entry, and the notice says so (done).
// A symbol that findSecurity finds only in XMASTER is refused, with the reason, and nothing changes.
CommandResult deleteSymbol(const std::string& dir, std::string_view symbol);

// Symbol Edit: "You must enter a symbol" when newSymbol is empty (taken as typed otherwise);
// a symbol or name longer than 16 characters is refused as for Symbol Add.
// An entry that entryWriteProblem (quotes.h) passes over is refused with its reason, and so is
// an XMASTER security (its record holds bytes this program cannot carry over knowingly).
// Rewrites the MASTER where findSecurity finds oldSymbol (a nested one included; `directory`
// names it); a failed rewrite is reported.
CommandResult editSymbol(const std::string& dir, std::string_view oldSymbol, std::string_view newSymbol,
                         std::string_view newName);
// Why `command` ("Symbol Edit", "Symbol Delete") leaves the XMASTER security alone: the message
// both commands refuse one with, for a caller that refuses before asking anything.
std::string xmasterRefusal(const Security& security, std::string_view command);

// Symbol Skip: sets the skip mark of the security found by findSecurity(dir, symbol), in the
// skip list beside the MASTER that lists it (`directory` names that portfolio). A skip list
// that cannot be read or written is reported.
CommandResult setSymbolSkip(const std::string& dir, std::string_view symbol, bool skip);
// The same for the security with `fileNumber` in dir's skip list: what the symbol grid's row
// names, which a search by symbol or name could mistake for an earlier entry named alike.
// Numbers from 256 on (XMASTER securities) are marked in SKIPQVTX.PBG (skip_list.h).
CommandResult setSkipMark(const std::string& dir, int fileNumber, bool skip);

// Portfolio Skip Adjust: clears every mark and, when skipAll, marks every security in MASTER
// and XMASTER (directory entries of nested portfolios are no securities and stay unmarked). A skip list
// that cannot be written is reported.
CommandResult adjustPortfolioSkip(const std::string& dir, bool skipAll);

} // namespace qv
