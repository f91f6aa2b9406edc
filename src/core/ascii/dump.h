#pragma once
// Bulk reading: every quote of every security of a portfolio as one CSV stream for other tools.
//
// Stream: the header line kDumpHeaderLine, then one line per quote, oldest first as stored,
// security after security. Fields: the symbol (UTF-8; in double quotes, inner quotes doubled,
// when it holds a comma, a quote or a line break), the date YYYY-MM-DD, the time HH:MM:SS
// (00:00:00 when the record has no time field), then open, high, low, close, volume and open
// interest as the shortest text that reads back as the same single-precision value. A field the
// record does not have is empty; so is a date or time whose stored value names no day or time
// of day. Lines end in LF.
//
// Quote files are read whole, straight through (never through findSecurity, so two securities
// with one symbol are each written once); the record count of a file's header is trusted no
// further than its size, as every reader of the store does. A security whose quote file cannot
// be read is reported and passed over; what was written before stays written.
//
// Thread safety: the functions keep no state; a DumpBuffers belongs to one caller.

#include "core/platform/io_status.h"
#include "core/store/quotes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::string_view kDumpHeaderLine = "symbol,date,time,open,high,low,close,volume,openint\n";

// `text` as one CSV field (see above).
std::string csvField(std::string_view text);

// "YYYY-MM-DD" of a file date as stored (already IEEE), through the store's day numbers; empty
// when the value is no date.
std::string dumpDateText(float fileDate);
// "HH:MM:SS" of a file time (HHMMSS, already IEEE, fraction dropped); empty when the value is
// negative or its hours, minutes or seconds are out of range (24, 60, 60).
std::string dumpTimeText(float fileTime);

// Appends one CSV line per record. REQUIRES: `records` holds count * recordLength bytes laid
// out as `layout` says; `symbolField` is already a CSV field (csvField).
void appendDumpLines(std::string& out, std::string_view symbolField, const FieldLayout& layout,
                     const std::uint8_t* records, std::size_t count, std::size_t recordLength);

// Reused between securities, so a dump of thousands of files allocates once.
struct DumpBuffers {
    std::vector<std::uint8_t> records;
    std::string text;
};

// One security to write: where its quote file is and how its records are laid out.
struct DumpSource {
    std::string directory;
    std::string quoteFileName; // F<n>.DAT or F<n>.MWD, found without regard to case
    std::string symbol;        // as shown (UTF-8)
    int recordLength = 0;
    FieldLayout layout;
};

// Writes every quote of the source's quote file to `out`. Fails, naming the file and the
// cause, when the file cannot be opened or is shorter than its header record, or when the
// record length does not hold the layout's fields; nothing of the security is written then.
// A failed write to `out` is the caller's to find (out's state).
IoStatus dumpQuoteFile(const DumpSource& source, std::ostream& out, DumpBuffers& buffers);

struct DumpOutcome {
    int securities = 0; // written whole
    int problems = 0;   // messages given to the reporter
    bool ok() const { return problems == 0; }
};

// The whole stream: the header line, then every security of each portfolio of `dirs` in the
// order given (its MASTER securities, then its XMASTER securities) and, with `nested`, after
// each portfolio the portfolios its MASTER directory entries name, depth first in entry order,
// each directory once, none deeper than kMaxNestingDepth. Every portfolio, folder-list problem
// and security that cannot be read is told to `report` in one message naming it; the rest is
// still written.
DumpOutcome dumpPortfolios(const std::vector<std::string>& dirs, bool nested, std::ostream& out,
                           const std::function<void(const std::string&)>& report);

} // namespace qv
