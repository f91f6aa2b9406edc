#pragma once
// CQuoteUpdater: one update run. For every portfolio and every security that is not skipped
// it finds the security's profile, unpacks archives in the profile's update directory, takes
// the first line for the security (in scan order) dated after its last stored quote, and
// appends that quote: at most one new quote per security per run.
//
// Safety of the files: a quote file is replaced atomically through F<n>.~NU, and its MASTER
// entry takes the new dates only once the quote file is in place; MASTER is replaced
// atomically through MASTER.~NU when something changed, and its copy MASTER.~OL stays until
// the new MASTER is in place. A quote file that would pass the 16-bit record count is not
// appended to. An entry that entryWriteProblem (quotes.h) passes over (a self-contradicting
// entry, or a second entry of a file number: the first one in MASTER wins) gets an ERROR line
// and is not written through.
//
// Thread safety: one object per run, used by one thread. The observer is called on that thread.

#include "core/profiles/profile.h"
#include "core/store/master.h"
#include "core/update/line_parser.h"
#include "core/update/update_run.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class CQuoteUpdater {
public:
    CQuoteUpdater(UpdateInputs inputs, UpdateObserver& observer);
    // The end-of-run clean-up: deletes used archives and update files as the settings ask.
    ~CQuoteUpdater();
    CQuoteUpdater(const CQuoteUpdater&) = delete;
    CQuoteUpdater& operator=(const CQuoteUpdater&) = delete;

    // The run proper: (quote count << 16) | run flags.
    std::uint32_t UpdateAllPortfolios();
    // Problems the run could only report at its end (AUDIT.TXT could not be created).
    const std::string& AuditProblem() const { return auditProblem_; }
    // Whether an unpacking of either kind failed in this run.
    bool ExtractionFailed() const { return stopZip_ || stopSex_; }

    // The steps of one security, public for tests.
    int UpdateSymbol();
    int ScanUpdateFiles();
    std::string_view SplitLine();
    int ConvertFields(std::array<float, 8>& values);
    int TryAddQuote();
    int AddOneQuote();
    void ExpandSelfExtractingFiles(const std::string& directory);
    void ExpandZipFiles(const std::string& directory);
    int RunSelfExtractor(const std::string& name);
    int RunPkunzip(const std::string& name);

    // Unpacking results.
    enum ExpandResult { kUnpacked = 0, kNothingDone = 1, kSwitchedOff = 2, kFailed = 3, kNotTried = 4 };

private:
    enum class ArchiveKind { Zip, SelfExtracting };

    void UpdatePortfolio(const std::string& directory);
    bool ReadProfile();
    void ExpandArchives(const std::string& directory, ArchiveKind kind);
    int RunUnpacker(const std::string& name, ArchiveKind kind);
    void Audit(const std::string& line);
    void Post();
    void CleanUp();
    const std::string& CachedText(const std::string& path, bool& ok);

    UpdateInputs in_;
    UpdateObserver& observer_;
    ProgressTexts progress_;
    std::FILE* audit_ = nullptr;
    std::string auditProblem_;

    std::uint16_t quoteCount_ = 0;
    std::uint16_t runFlags_ = 0;
    bool stopZip_ = false;
    bool stopSex_ = false;

    // The portfolio and security being worked on.
    std::string portfolio_;
    bool masterChanged_ = false;
    MasterEntry record_;
    std::string symbol_;
    DayNumber lastDate_ = 0;
    std::string dateText_;
    Profile profile_;
    bool found_ = false;
    std::string_view line_;
    LineFields fields_;

    std::deque<std::string> updateFiles_;
    std::deque<std::string> usedFiles_;
    std::vector<std::string> handledZip_, handledSex_;
    std::deque<std::string> deleteZip_, deleteSex_;

    // Update files read in this run, by path, with what identified their content; an archive
    // expanded later changes the identity and so the cache entry.
    struct CachedFile {
        std::string identity;
        std::string text;
    };
    std::map<std::string, CachedFile> textCache_;
};

} // namespace qv
