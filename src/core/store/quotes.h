#pragma once
// Quote files F<n>.DAT, field-description files F<n>.DOP, and quote series in memory.
//
// F<n>.DAT: records of L = 4 * F bytes (L and F from the MASTER entry). Record 0 is the
// header: u16 carried over, u16 number of records including the header, the rest carried over
// (written as the pair 0, 1 repeated). Records 1..q hold MBF fields in date order. The header's
// record count is never trusted beyond the file's real size: a file that claims more records
// than it holds is read as far as it goes.
//
// F<n>.DOP: one line per field, "NAME",input,display; the k-th recognised line names field k.

#include "core/platform/io_status.h"
#include "core/store/encodings.h"
#include "core/store/master.h"
#include "core/store/outcome.h"
#include "core/store/securities.h"
#include "core/store/status.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

enum class FieldKind { Date, Time, Open, High, Low, Close, Volume, OpenInterest };
inline constexpr int kFieldKindCount = 8;
inline constexpr int kMaxWholeFileQuotes = 16000;
inline constexpr int kMaxQuoteRecords = 32767; // the 16-bit record counter
// "DATE", "TIME", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI".
std::string_view fieldKindName(FieldKind kind);

struct FieldLayout {
    // Per field kind: 1-based field number in the record (0 = absent), input and display code.
    std::array<int, kFieldKindCount> fieldNumber{};
    std::array<int, kFieldKindCount> inputCode{};
    std::array<int, kFieldKindCount> displayCode{};
    bool synthetic = false; // derived from the record length, the DOP file being unusable

    int field(FieldKind kind) const { return fieldNumber[static_cast<int>(kind)]; }
    bool has(FieldKind kind) const { return field(kind) != 0; }
};

struct LayoutResult {
    StoreStatus status = kStatusOk; // 0 or kStatusNoLayout
    FieldLayout layout;
};
// Reads the DOP file at dopPath (found without regard to case). When it cannot be opened, or
// names no DATE field, the default layout of the record length and the MASTER period letter is
// used; the 5-field default looks at the first quote of the quote file (dopPath ending in "AT").
// Period 'I' (intraday) makes the second of 7 or 8 fields the time: date, time, open, high,
// low, close, volume (and open interest); every other period and length has the daily default.
LayoutResult readFieldLayout(const std::string& dopPath, int recordLength, char period);
// The layout of entry's quote file in dir, by the rule above, with the entry's record length
// and period: what every reader and writer of that file goes by.
LayoutResult readFieldLayout(const std::string& dir, const MasterEntry& entry);

// The same for a caller that listed dir once and knows whether it holds entry's F<n>.DOP in
// any case of its name: without one, no lookup is made (the lookup of a missing name scans the
// whole directory, which in a folder of thousands of quote files costs more than the rest).
LayoutResult readFieldLayout(const std::string& dir, const MasterEntry& entry, bool dopPresent);

// The layout a field bitset gives (EMASTER byte 7, XMASTER byte 70): bit 0 date, 1 high,
// 2 low, 3 close, 4 volume, 5 open, 6 open interest, 7 time; the fields present lie in the
// order date, time, open, high, low, close, volume, open interest.
FieldLayout layoutFromFieldBits(int bits);
// The layout of a security's quote file: a MASTER security's by the rule above; an XMASTER
// security's from its field bitset (F<n>.MWD has no DOP), kStatusNoLayout when that names no
// date or no value field.
LayoutResult readFieldLayout(const std::string& dir, const Security& security);

// The number of quotes of a quote file: the header's record count less one, bounded by the
// records the file really holds; never negative.
int quoteCountOf(std::uint16_t headerRecords, std::uint64_t fileSize, int recordLength);

struct QuoteSeries {
    int capacity = 0;
    int count = 0;
    std::vector<DayNumber> date;
    std::vector<PackedTime> time; // 0 when the file has no time field
    // Value columns in the order open, high, low, close, volume, open interest; -1.0 where the
    // file has no such field.
    std::vector<float> open, high, low, close, volume, openInterest;

    std::string directory; // where the MASTER entry was found
    std::string symbol;    // the key the series was read with
    int quotesInFile = 0;
    bool hasEntry = false;
    MasterEntry entry; // zero for an XMASTER security
    Security security; // the security read, of either source
    FieldLayout layout;

    // The column of a value kind (Open..OpenInterest).
    const std::vector<float>& column(FieldKind kind) const;
};

// Clears the series and makes room for `capacity` quotes: 0, or kStatusMalloc when the
// capacity is outside 0..32767 or cannot be allocated.
[[nodiscard]] StoreStatus initQuoteSeries(QuoteSeries& series, int capacity);
void freeQuoteSeries(QuoteSeries& series);
// 0, or kStatusMalloc when n is negative or exceeds the capacity.
[[nodiscard]] StoreStatus setQuoteCount(QuoteSeries& series, int n);

// Reads quotes of the security found by findSecurity(dir, symbol). start is 0-based, or
// negative for "the last count quotes"; count 0 reads the facts only (entry, layout, quotes in
// file); a negative count reads all quotes from start, at most 16000. At most `capacity`
// quotes are read. Returns 0, the findSecurity status, kStatusNoLayout, kStatusFileOpen,
// kStatusRecordNotFound when start lies beyond the last quote, or kStatusMalloc when there is
// no memory for the read buffer.
[[nodiscard]] StoreStatus readQuoteSeries(QuoteSeries& series, const std::string& dir, const std::string& symbol,
                                          int start, int count);

struct QuoteLocation {
    StoreStatus status = kStatusOk; // 0, a findSecurity or layout status, -2, -4 or -9
    int index = -1;                 // first quote at or after the target (status 0)
    DayNumber date = kNoDay;        // the quote last examined
    PackedTime time = 0;
};
// Binary search of the quote file: the 0-based index of the first quote whose (date, time) is
// not earlier than the target; kStatusRecordNotFound when every quote is earlier (or there is
// none).
QuoteLocation findQuoteByDate(const std::string& dir, const std::string& symbol, DayNumber date, PackedTime time);

struct SecurityFacts {
    std::string path;
    int fileNumber = 0;
    int recordLength = 0;
    int fieldCount = 0;
    int quoteCount = 0;
    std::string name; // 16 bytes as stored
    float firstDate = 0;
    float lastDate = 0;
    char period = 0;
    std::string symbol; // 16 bytes as stored
    FieldLayout layout;
    // An XMASTER security: fileNumber names F<n>.MWD, name and symbol are as stored up to
    // their NUL, recordLength is 4 x fieldCount.
    bool fromXmaster = false;
    std::string longName; // EMASTER's long name, where the folder has one
};
// The content of "About Selected Quote Series": 0 on success, 1 on any failure.
[[nodiscard]] int readSecurityFacts(const std::string& dir, const std::string& symbol, SecurityFacts& facts);
// The same as the user is told of it: a failure says "The facts of <symbol> could not be read."
// with the status's text as the cause; file() is the portfolio directory.
Outcome loadSecurityFacts(const std::string& dir, const std::string& symbol, SecurityFacts& facts);

// Writes F<n>.DAT (the header, record length 4 * number of kinds, then `records`: whole quote
// records in that layout, none for a new empty security) and the F<n>.DOP naming `kinds` in the
// order given; Date must come first. Both are created complete and never replace anything:
// when either name exists in any case of its letters the call fails and leaves that file as it
// is (a DAT created by the call is removed again when its DOP cannot be created).
IoStatus createQuoteFiles(const std::string& dir, int fileNumber, const std::vector<FieldKind>& kinds,
                          const std::vector<std::uint8_t>& records = {});
// The seven kinds of a new security: date, open, high, low, close, volume, open interest.
std::vector<FieldKind> defaultFieldKinds();

// Why no writer may write through the security entry master.entries[index] of dir's MASTER,
// or empty when one may. An entry is passed over when:
// - an earlier entry of the MASTER holds its file number: the first entry owns F<n>.DAT, as in
//   the symbol grid, which lists only the first;
// - its file number is 0, or its field count is not 2..8 (no layout has more kinds);
// - its record length is not 4 x its field count;
// - it has no field layout, or its F<n>.DOP names no value field (only DATE, or DATE and TIME).
// Writing through such an entry would store records of one length into a file of another,
// or append a second time to a file another security owns.
std::string entryWriteProblem(const std::string& dir, const MasterFile& master, std::size_t index);
// The same with the entry's layout already read (readFieldLayout).
std::string entryWriteProblem(const std::string& dir, const MasterFile& master, std::size_t index,
                              const LayoutResult& layout);
// The same for the entry findSecurity found, in the MASTER where it was found. An XMASTER
// security is passed over: the writers that handle one (the quote edits, the update run) keep
// XMASTER in step themselves and do not ask.
std::string entryWriteProblem(const FoundSecurity& found);

// Names of a security's files.
std::string quoteFileName(int fileNumber, std::string_view extension); // ("F3.DAT")

} // namespace qv
