#pragma once
// What an update run is given and what it reports, apart from the engine itself: the settings
// snapshot, the progress texts, and the interface through which the run talks to whoever
// started it (the desktop program's progress window, the command line, a test).

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class SettingsFile;

// The settings a run copies when it starts.
struct UpdateSettings {
    bool selfExtractEnable = false;
    std::string selfExtractPassword;
    bool selfExtractPasswordEnable = false;
    bool deleteSelfExtract = false;
    bool zipEnable = false;
    std::string zipPassword;
    bool zipPasswordEnable = false;
    bool deleteZip = false;
    std::string pkunzipPath; // directory holding PKUNZIP.EXE
    bool deleteTxt = false;
};

// The "SEX", "ZIP" and "CleanUp" keys of the settings file, with their defaults.
UpdateSettings readUpdateSettings(const SettingsFile& settings);

// The six texts of the progress window.
struct ProgressTexts {
    std::string count;
    std::string portfolio;
    std::string quoteFile;
    std::string symbol;
    std::string extractionFile;
    std::string extractionLabel;
};

// Run flags.
inline constexpr std::uint16_t kRunFlagMergeFailed = 0x0008;
inline constexpr std::uint16_t kRunFlagShownSymbolUpdated = 0x0800;
inline constexpr std::uint16_t kRunFlagSelfExtractFailed = 0x4000;

// What the user is told at the end of a run with these flags, in the order shown (one message
// box each); the count and the shown symbol are no failures and say nothing.
std::vector<std::string> runFlagMessages(std::uint16_t flags);

class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    // A copy of the progress texts; called on the run's thread.
    virtual void OnProgress(const ProgressTexts& texts) = 0;
    // A message box; the run waits until it returns.
    virtual void ShowMessage(const std::string& text) = 0;
};

struct UpdateInputs {
    std::vector<std::string> portfolios; // in list order
    std::string shownSymbol;             // the symbol shown in the main window when the run starts
    UpdateSettings settings;
    std::string startupDir;    // profiles (*.pfd) and AUDIT.TXT
    std::string selfExtractor; // the bundled unpacker that opens self-extracting files
    // The first line of AUDIT.TXT follows "Results of Quovanta for "; empty = the local time now.
    std::string runTimeText;
};

struct UpdateResult {
    std::uint16_t quoteCount = 0;
    std::uint16_t runFlags = 0;
    // Set when AUDIT.TXT could not be created: the run went on without it; this says so.
    std::string auditProblem;
};

inline constexpr const char* kAuditFileName = "AUDIT.TXT";

// The anomaly report of a run: the title (AUDIT.TXT's first line, with its line end) and the
// list entries, from the log and the quote count.
struct AnomalyReport {
    std::string title;
    std::vector<std::string> entries;
};
AnomalyReport buildAnomalyReport(const std::string& auditPath, int quoteCount);

// The path of the bundled unpacker beside a program: <dir>/PKUNZIP.EXE, else
// <dir>/../lib/quovanta/PKUNZIP.EXE; empty when neither exists.
std::string findBundledUnpacker(const std::string& programDir);

} // namespace qv
