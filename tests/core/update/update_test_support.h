#pragma once
// Shared pieces of the update engine tests (also used by the GUI's): profiles, assignments and
// portfolios written byte by byte, and one call that runs the engine as the desktop program does.

#include "core/update/quote_updater.h"
#include "core/update/update_run.h"
#include "fixtures/portfolio_builder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qv::updatetest {

using namespace qv::fixtures;

// The 313-byte profile definition record: mark, eight columns, prior-day flag, date format,
// delimiter, NUL-terminated update path, zero-filled.
struct ProfileSpec {
    int symbol = 1, date = 2, open = 3, high = 4, low = 5, close = 6, volume = 7, oi = 8;
    int priorDay = 0, dateFormat = 7 /* YYMMDD */, delimiter = 0 /* comma */;
    std::string updatePath;
};

inline void writeProfile(const std::string& startupDir, const std::string& name, const ProfileSpec& p)
{
    ByteVec r(313, 0);
    const int bytes[] = {1,       p.symbol, p.date, p.open,     p.high,       p.low,
                         p.close, p.volume, p.oi,   p.priorDay, p.dateFormat, p.delimiter};
    for (std::size_t i = 0; i < std::size(bytes); ++i)
        r[i] = static_cast<std::uint8_t>(bytes[i]);
    std::copy(p.updatePath.begin(), p.updatePath.end(), r.begin() + 12);
    writeBytes(startupDir + "/" + name + ".pfd", r);
}

inline void assignProfile(const std::string& portfolioDir, int fileNumber, const std::string& profile)
{
    writeBytes(portfolioDir + "/F" + std::to_string(fileNumber) + ".pfl", assignmentRecord(profile));
}

struct SecuritySpec {
    int fileNumber = 1;
    std::string symbol;
    std::vector<QuoteRow> rows;
    int fields = 7;
    std::vector<std::string> dop = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"}; // empty: no DOP file
    EntrySpec entry() const
    {
        return {fileNumber,
                symbol,
                symbol + " INC",
                fields,
                rows.empty() ? 0 : rows.front()[0],
                rows.empty() ? 0 : rows.back()[0]};
    }
};

// MASTER with the securities' entries, their quote and DOP files, and a skip file (byte k set
// leaves file number k out; byte 0 is set as the program writes it).
inline void writePortfolio(const std::string& dir, const std::vector<SecuritySpec>& securities,
                           const std::vector<int>& skipped = {})
{
    std::vector<ByteVec> entries;
    for (const SecuritySpec& s : securities) {
        entries.push_back(masterEntry(s.entry()));
        const std::string stem = dir + "/F" + std::to_string(s.fileNumber);
        writeBytes(stem + ".DAT", quoteFile(s.fields, s.rows));
        if (!s.dop.empty())
            writeText(stem + ".DOP", dopText(s.dop));
    }
    writeBytes(dir + "/MASTER", masterFile(entries));
    ByteVec skip(256, 0);
    for (int k : skipped)
        skip[static_cast<std::size_t>(k)] = 1;
    skip[0] = 1;
    writeBytes(dir + "/SKIPQVTA.PBG", skip);
}

// A 7-field row: date (file date value), open, high, low, close, volume, open interest.
inline QuoteRow row7(float date, float open, float volume, float oi)
{
    return {date, open, open + 2, open - 1, open + 0.5f, volume, oi};
}

// The security with these quotes added after its own.
inline SecuritySpec plus(SecuritySpec s, const std::vector<QuoteRow>& added)
{
    s.rows.insert(s.rows.end(), added.begin(), added.end());
    return s;
}

inline ByteVec expectedMaster(const std::vector<EntrySpec>& entries)
{
    std::vector<ByteVec> records;
    for (const EntrySpec& e : entries)
        records.push_back(masterEntry(e));
    return masterFile(records);
}

class Recorder : public UpdateObserver {
public:
    void OnProgress(const ProgressTexts&) override {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

inline constexpr const char* kRunTime = "Friday, January 17, 1997 18:30:00";

struct RunOutcome {
    std::uint16_t count = 0, flags = 0;
    bool extractionFailed = false;
    std::vector<std::string> passedOver;
    Recorder recorder;
    std::vector<std::string> audit; // AUDIT.TXT, line ends removed
};

inline std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs the engine and destroys it (which performs the end-of-run clean-up), as the worker does.
inline RunOutcome runUpdate(UpdateInputs inputs)
{
    RunOutcome out;
    {
        CQuoteUpdater updater(inputs, out.recorder);
        const std::uint32_t result = updater.UpdateAllPortfolios();
        out.count = static_cast<std::uint16_t>(result >> 16);
        out.flags = static_cast<std::uint16_t>(result & 0xFFFF);
        out.extractionFailed = updater.ExtractionFailed();
        out.passedOver = updater.PassedOver();
    }
    out.audit = readLines(inputs.startupDir + "/AUDIT.TXT");
    return out;
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::vector<std::string> namesEndingIn(const std::string& dir, const std::string& suffix)
{
    std::vector<std::string> out;
    for (const auto& [name, bytes] : snapshot(dir))
        if (std::string_view(name).ends_with(suffix))
            out.push_back(name);
    return out;
}

// A start-up directory with the profile "Daily" (comma, YYMMDD, columns symbol 1 to open
// interest 8), a portfolio directory and the update directory the profile names.
class UpdateFixture {
public:
    UpdateFixture() : startup(tmp.subdir("Start")), data(tmp.subdir("Data/Stocks")), updates(tmp.subdir("Updates"))
    {
        profile.updatePath = updates;
        writeProfile(startup, "Daily", profile);
    }
    // Securities of the portfolio `data`, each assigned to "Daily".
    void portfolio(const std::vector<SecuritySpec>& securities, const std::vector<int>& skipped = {})
    {
        writePortfolio(data, securities, skipped);
        for (const SecuritySpec& s : securities)
            assignProfile(data, s.fileNumber, "Daily");
    }
    UpdateInputs inputs() const
    {
        UpdateInputs in;
        in.portfolios = {data};
        in.startupDir = startup;
        in.runTimeText = kRunTime;
        return in;
    }
    void updateFile(const std::string& name, const std::string& text) const { writeText(updates + "/" + name, text); }
    std::string title() const { return std::string("Results of Quovanta for ") + kRunTime; }
    std::string auditFor(const std::string& dir) const { return "Audit for MASTER at: " + dir; }
    // The audit log of a run over `data` alone whose securities gave these lines.
    std::vector<std::string> auditOf(const std::vector<std::string>& lines) const
    {
        std::vector<std::string> all{title(), "", auditFor(data)};
        all.insert(all.end(), lines.begin(), lines.end());
        return all;
    }
    ByteVec dataFile(const std::string& name) const { return readBytes(data + "/" + name); }
    TempDir tmp;
    std::string startup, data, updates;
    ProfileSpec profile;
};

} // namespace qv::updatetest
