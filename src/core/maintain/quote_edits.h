#pragma once
// The commands of the "&Quotes" menu that change a security's quotes: Edit (one date's
// values), Split and Adjust (scale values over a range of dates) and Delete (one date's quote).
//
// Each builds an EditRequest from what its dialog gathered, after the dialog's check (the
// check*Form functions, which return the message the program shows), and hands it to
// rewriteQuotes. rewriteQuotes never changes a quote file in place: it keeps a copy of the file
// as it was in F<n>.BAK, writes the complete new file as F<n>.NEW and renames it over F<n>.DAT,
// so the file is at every instant either the old one or the new one.

#include "core/platform/io_status.h"
#include "core/platform/settings_file.h"
#include "core/store/encodings.h"
#include "core/store/outcome.h"
#include "core/store/status.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Returned by rewriteQuotes when the quote to delete is not in the file.
inline constexpr StoreStatus kStatusDeleteNotFound = -200;
// Returned by rewriteQuotes when every value the request would change belongs to a field the
// quote file does not have (an open interest factor for a file without open interest).
inline constexpr StoreStatus kStatusNoSuchField = -201;

// Returned by rewriteQuotes when the security's MASTER entry contradicts itself or repeats an
// earlier entry's file number (entryWriteProblem): its quote file is not written through it.
inline constexpr StoreStatus kStatusEntryPassedOver = -202;

inline constexpr std::string_view kInvalidDataMessage = "Invalid Data Entered";
inline constexpr std::string_view kEntryPassedOverMessage =
    "The MASTER entry of this security contradicts itself (its record length, field count or\n"
    "F<n>.DOP) or repeats the file number of an earlier entry.\nIts quote file was left unchanged.";
inline constexpr std::string_view kDeleteNotFoundMessage = "Failure in delete quote for findrec";

enum class EditMode : std::int16_t { Set = 1, Multiply = 3, Delete = 4 };

// The value kinds of a request, in the order of EditRequest::values.
inline constexpr int kEditValueCount = 6; // open, high, low, close, volume, open interest

struct EditRequest {
    // One value per kind: open, high, low, close, volume, open interest.
    std::array<float, kEditValueCount> values{};
    // Mode Set leaves a kind whose flag is set as stored (the dialog's "N/A", a value the file
    // holds below 0 or not at all).
    std::array<bool, kEditValueCount> keep{};
    DayNumber firstDate = kNoDay; // the range, inclusive; kNoDay starts before every quote
    DayNumber lastDate = kNoDay;
    EditMode mode = EditMode::Set;
};

// Rewrites the quote file of the security that findSecurity(dir, symbol) finds, in the
// directory where its MASTER entry is, unless entryWriteProblem (quotes.h) passes the entry over.
// An XMASTER security's F<n>.MWD is rewritten the same way (F<n>.BAK, F<n>.NEW), its fields
// those of its XMASTER field bitset (kStatusNoLayout when that names no date or no value field),
// and its first and last dates follow in its XMASTER record (YYYYMMDD), every other byte of
// XMASTER as it was; "MASTER" below then stands for XMASTER.
// - Set: every value field the file has, of every quote dated in the range, takes the value of
//   its kind; Multiply: is multiplied by it (the product rounded to single precision). Dates and
//   times never change, nor does any byte of a quote outside the range.
// - Delete: every quote dated in the range goes, whatever its time (kStatusDeleteNotFound when
//   there is none); when the first or the last quote went, the MASTER entry's first or last
//   date moves to the quote that is now first or last; when none is left, both dates become
//   the deleted date.
// Fails with the status of findSecurity or of the layout (-8, -4, -100), kStatusEntryPassedOver
// (nothing written, not even the backup), kStatusFileOpen when the
// quote file cannot be read, kStatusFileRead when it is shorter than its header,
// kStatusDeleteNotFound, kStatusNoSuchField (nothing written, not even the backup), or
// kStatusFileWrite when the backup, the new file or the MASTER could not be written; in every
// failure but the last step of a delete (see quote_edits.cpp) the quote file and MASTER are as
// before. F<n>.BAK is written before anything else changes.
// A failure names the file concerned (file()) and, as its cause, what the user is told of it;
// the sentence is the command's own (rewriteFailureMessages).
Outcome rewriteQuotes(const std::string& dir, const std::string& symbol, const EditRequest& request);

// The messages the program shows, in order, when a command's rewrite (or what the command read
// first) failed: the command's own failure text last, as the sentence of `failure`, its cause
// on the second line.
enum class QuoteCommand { Edit, Split, Adjust, Delete };
std::vector<std::string> rewriteFailureMessages(QuoteCommand command, const Outcome& failure);

// ---- What each dialog gathers, and its check -------------------------------------------------

// The outcome of a dialog's check: the message to show (empty when accepted) and, when
// accepted, the request to hand to rewriteQuotes.
struct EditCheck {
    std::string message;
    EditRequest request;
    bool accepted() const { return message.empty(); }
};

// "Edit Selected Quote": the date (MM/DD/YY) and the six value texts, in the order open, high,
// low, close, volume, open interest. A value text "N/A" keeps the stored value.
struct QuoteEditForm {
    std::string date;
    std::array<std::string, kEditValueCount> values;
};
// "Split Data".
struct SplitForm {
    std::string date;
    std::string newShares = "1";
    std::string oldShares = "1";
};
// "Adjust Data".
struct AdjustForm {
    std::string from;
    std::string to;
    std::string price = "1";
    std::string volume = "1";
    std::string openInterest = "1";
};
// "Delete Data".
struct DeleteForm {
    std::string date;
};

// The dates of a security's first and last quote, which bound the dates Split and Adjust take.
struct QuoteDates {
    StoreStatus status = kStatusOk;
    DayNumber first = kNoDay; // kNoDay when the security has no quote
    DayNumber last = kNoDay;
};
QuoteDates readQuoteDates(const std::string& dir, const std::string& symbol);

// Reads a date text as the dialogs take it: exactly MM/DD/YY, two digits each with '/' between,
// naming a day that exists (1960..2059), or exactly YYYY-MM-DD (1900..2099), the form the grid
// shows the days outside the two-digit window in; kNoDay for anything else ("12/31/1997",
// "6/2/25", " 6/02/25", "02/30/97"), which is never cut or read in part.
DayNumber parseEditDate(std::string_view text);

// Reads a value text as the dialogs do: blanks around a decimal number ("12", "-1.5", ".5",
// "1e3"); false for anything else (empty, "12abc", "inf", a value beyond single precision).
bool parseEditValue(std::string_view text, float& value);

// Every check refuses with kInvalidDataMessage:
// - Edit: a date that parseEditDate refuses, or a value text that is neither a number nor "N/A".
// - Split: a date text that parseEditDate refuses, a date outside
//   first..last of `dates`, New or Old Shares that are not numbers or are 0. The request scales
//   every quote before the split date: prices by Old / New, volume and open interest by New / Old.
// - Adjust: either date as for Split, a multiplier that is not a number or is 0. From after To
//   is accepted (and changes nothing).
// - Delete: a date that parseEditDate refuses.
EditCheck checkQuoteEditForm(const QuoteEditForm& form);
EditCheck checkSplitForm(const SplitForm& form, const QuoteDates& dates);
EditCheck checkAdjustForm(const AdjustForm& form, const QuoteDates& dates);
EditCheck checkDeleteForm(const DeleteForm& form);

// Writes the record of the last successful command into the settings file ("Edit", "Split",
// "Adjust", "Delete" sections; the texts as entered). Nothing reads them back, so a failure
// does not undo the edit: the program tells it with rememberFailureMessage.
IoStatus rememberForm(SettingsFile& settings, const QuoteEditForm& form);
IoStatus rememberForm(SettingsFile& settings, const SplitForm& form);
IoStatus rememberForm(SettingsFile& settings, const AdjustForm& form);
IoStatus rememberForm(SettingsFile& settings, const DeleteForm& form);
std::string rememberFailureMessage(const SettingsFile& settings, const IoStatus& status);

} // namespace qv
