#pragma once
// Runs quovanta-cli, either as the real program or in-process through the dispatcher, and
// captures what it prints and how it ends.

#include "fixtures/portfolio_builder.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qv::cli::testing {

struct CliRun {
    int exitStatus = -1; // the exit status; -1 when the program died of a signal
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
    bool operator==(const CliRun&) const = default;
};
void PrintTo(const CliRun& run, std::ostream* os);

// Whole runs to compare with: an ordinary end, and a refusal (status 1, nothing on standard output).
inline CliRun ended(int status, std::string out, std::string err = {}) {
    return {status, 0, std::move(out), std::move(err)};
}
inline CliRun failed(std::string err) { return ended(1, {}, std::move(err)); }

// Runs the built quovanta-cli binary with args, in the current directory.
CliRun runProgram(const std::vector<std::string>& args);
// Runs the same command line through the dispatcher in this process.
CliRun runInProcess(const std::vector<std::string>& args);

// One security of a test portfolio: its MASTER entry and its quote file; the DOP file names
// date, open, high, low, close, volume, open interest unless withDop is false.
struct Security {
    fixtures::EntrySpec entry;
    std::vector<fixtures::QuoteRow> quotes;
    bool withDop = true;
};
// Writes dir's MASTER (the securities' entries, then extraRecords) and the securities' files.
void writePortfolio(const std::string& dir, const std::vector<Security>& securities,
                    const std::vector<fixtures::ByteVec>& extraRecords = {});
// A quote of 7 fields: date (year, month, day), open, high, low, close, volume, open interest.
fixtures::QuoteRow quote7(int year, int month, int day, float open, float high, float low, float close,
                          float volume, float openInterest);

// The content of a file as text.
std::string fileText(const std::string& path);
// Splits output into lines (without their line breaks) and a line into its tab-separated fields.
std::vector<std::string> lines(const std::string& text);
std::vector<std::string> fields(const std::string& line);

} // namespace qv::cli::testing
