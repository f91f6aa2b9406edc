#pragma once
// EMASTER kept in step with MASTER by every writer that changes MASTER.
//
// EMASTER (emaster.h) describes the same securities as MASTER, record k the security of MASTER
// entry k, adding a long name and the dates as IEEE numbers and as YYYYMMDD. A writer that
// changes MASTER makes the same change in EMASTER when the folder has one (the count, the
// highest file number, the record at the same position, the dates) and never creates one.
//
// Order: EMASTER is replaced (atomically, fsynced) before MASTER, and MASTER's replacement is
// the commit point. A crash therefore leaves EMASTER as before or one change ahead of MASTER,
// never behind it: its dates are never ahead of the quote files, which are complete before
// either. The next writer finishes or passes over such a change:
// - an EMASTER that already holds the records the change leads to (an interrupted delete or a
//   change of records in place) is taken as in step;
// - an EMASTER holding one record more than MASTER, at its end, naming a file number that no
//   MASTER entry names (an add cut short before MASTER took it) loses that record, which
//   describes no security.
// Any other disagreement (count, file numbers, or a count the file's size does not hold) is
// never "repaired" from guesses: MASTER's change goes on, EMASTER stays exactly as it was, and
// the writer reports it in a notice. A failed change puts EMASTER back as it was when MASTER
// could not take its part.

#include "core/platform/io_status.h"
#include "core/store/emaster.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/xmaster.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The EMASTER symbol field holds 14 bytes with its terminating NUL, the short name 16.
inline constexpr std::size_t kEmasterSymbolMaxLength = 13;
inline constexpr std::size_t kEmasterNameMaxLength = 15;
inline constexpr std::string_view kEmasterLongSymbolMessage =
    "In a portfolio with an EMASTER file a symbol can be at most 13 characters long";
inline constexpr std::string_view kEmasterLongNameMessage =
    "In a portfolio with an EMASTER file a name can be at most 15 characters long";

// The EMASTER field bitset of the usual daily layout of `fields` fields (4..8): 7 is date,
// open, high, low, close, volume, open interest.
int defaultFieldBits(int fields);
// The EMASTER field bitset of a record holding `kinds`.
int fieldBitsOf(const std::vector<FieldKind>& kinds);

// The EMASTER part of one MASTER change, planned before anything is written.
struct EmasterStep {
    bool present = false;             // the folder has an EMASTER
    bool inStep = false;              // it will be written with the change
    std::string path;                 // the EMASTER file
    std::vector<std::uint8_t> before; // as read
    std::vector<std::uint8_t> after;  // what the change makes of it (inStep)
    std::string refusal;              // the change cannot be mirrored (a symbol or name too long): refuse it
    std::string notice;               // why EMASTER is left as it is, for the user
};

// Plans the EMASTER side of MASTER going from `before` to `after`: `after` holds the entries of
// `before` changed in place, or one entry more at the end (its EMASTER record gets
// `newFieldBits`, 0 for defaultFieldBits), or one entry fewer.
EmasterStep planEmasterStep(const std::string& dir, const MasterFile& before, const MasterFile& after,
                            int newFieldBits = 0);
// Writes the planned EMASTER (nothing when it is not in step or does not change).
IoStatus writeEmasterStep(const EmasterStep& step);
// After MASTER could not be replaced: puts EMASTER back as it was (best effort; a failure is
// returned for the user).
IoStatus undoEmasterStep(const EmasterStep& step);

// Replaces MASTER by `after` (MASTER.~NU), EMASTER first, for writers that change MASTER in one
// step. `notice` receives why EMASTER was left alone, if it was.
IoStatus replaceMasterInStep(const std::string& dir, const MasterFile& before, const MasterFile& after,
                             std::string& notice);

// XMASTER's securities keep their dates in XMASTER itself: the first and last date (file date
// values) stored in a record as YYYYMMDD, every other byte as it was.
void setXmasterDates(XmasterEntry& entry, float firstFileDate, float lastFileDate);
// The same for one of them: the first (which = 0) or the last (which = 1) date, the other's
// bytes as they were (a date stored in a form this program does not read stays as stored).
void setXmasterDate(XmasterEntry& entry, int which, float fileDate);
// The bytes of an XMASTER as read: header, records, trailing bytes.
std::vector<std::uint8_t> xmasterBytes(const XmasterFile& file);

} // namespace qv
