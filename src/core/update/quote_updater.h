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
// appended to. A security whose quote could not be stored gets an ERROR line in AUDIT.TXT, and
// the update file it came from is not deleted at the end of the run, whatever other securities
// took from it. Temporary files that a crash left in a portfolio are removed before it is
// worked on.
// An entry that entryWriteProblem (quotes.h) passes over (a self-contradicting entry, or a
// second entry of a file number: the first one in MASTER wins) gets an ERROR line and is not
// written through.
//
// Thread safety: one object per run, used by one thread. The observer is called on that thread.

#include "core/platform/files.h"
#include "core/profiles/profile.h"
#include "core/store/master.h"
#include "core/store/xmaster.h"
#include "core/update/line_parser.h"
#include "core/update/update_run.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>
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
    bool ExtractionFailed() const { return stopZip_ || stopSelfExtract_; }
    // Why each portfolio passed over in this run was (its MASTER could not be read or replaced);
    // each reason is also shown through the observer when it happens.
    const std::vector<std::string>& PassedOver() const { return passedOver_; }

private:
    // Unpacking results.
    enum ExpandResult { kUnpacked = 0, kNothingDone = 1, kSwitchedOff = 2, kFailed = 3, kNotTried = 4 };
    enum class ArchiveKind { Zip, SelfExtracting };

    // The steps of one security.
    int UpdateSymbol();
    int ScanUpdateFiles();
    std::string_view SplitLine();
    // The line's values in record order, with its date (parsed once, by TryAddQuote) in file form.
    void ConvertFields(DayNumber date, std::array<float, 8>& values);
    int TryAddQuote();
    // Stores the line's quote, dated incoming, in the target's quote file, or learns that the
    // file already holds that day.
    int AddOneQuote(DayNumber incoming);
    void ExpandSelfExtractingFiles(const std::string& directory);
    void ExpandZipFiles(const std::string& directory);
    int RunSelfExtractor(const std::string& name);
    int RunPkunzip(const std::string& name);

    void UpdatePortfolio(const std::string& directory);
    bool ReadProfile();
    void ExpandArchives(const std::string& directory, ArchiveKind kind);
    int RunUnpacker(const std::string& name, ArchiveKind kind);
    // The paths of the update files in a directory with what identifies their content.
    static std::map<std::string, std::string> FileIdentities(const std::string& directory);
    void Audit(const std::string& line);
    void PassOver(const std::string& reason);
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
    bool stopSelfExtract_ = false;
    std::vector<std::string> passedOver_;

    // The portfolio and security being worked on.
    std::string portfolio_;
    bool masterChanged_ = false;
    // The security being worked on: a MASTER entry, or an XMASTER security (F<n>.MWD, its
    // layout from its field bitset), with its first and last date in MASTER's form as the run
    // moves them.
    struct Target {
        bool fromXmaster = false;
        MasterEntry entry;         // a MASTER security's entry
        XmasterEntry xmasterEntry; // an XMASTER security's record
        bool dopPresent = false;   // a MASTER security's F<n>.DOP exists (in any case)
        int fileNumber = 0;
        int recordLength = 0;
        std::string quoteFile; // F<n>.DAT or F<n>.MWD
        MbfFloat first{};
        MbfFloat last{};
        bool datesMoved = false;
        bool staged = false;    // its new quote file waits in quoteFiles_
        std::string updateFile; // the file the staged quote came from
    };
    // A security whose new quote file waits in quoteFiles_, with the dates it takes once the
    // file is in place.
    struct StagedQuote {
        bool fromXmaster = false;
        std::size_t index = 0; // of its MASTER entry, or of its XMASTER record
        MbfFloat first{};
        MbfFloat last{};
        std::string symbol;
        std::string dateText;
        std::string updateFile;
    };
    // The new quote files of the portfolio being worked on, flushed together at its end: one
    // flush for thousands of files, where one each would wait for the disk thousands of times.
    ReplacementBatch quoteFiles_;
    void UpdateTarget();
    Target target_;
    std::string symbol_;
    DayNumber lastDate_ = kNoDay;
    std::string dateText_;
    Profile profile_;
    bool found_ = false;
    bool alreadyStored_ = false; // AddOneQuote found the day already in the quote file
    std::string mergeProblem_;   // why AddOneQuote failed
    std::string_view line_;
    LineFields fields_;

    std::deque<std::string> updateFiles_;
    std::deque<std::string> usedFiles_;
    // Update files that a security wanted a quote from and did not get it (a failed merge, a
    // MASTER that could not take the new dates): they are never deleted at the end of the run.
    std::vector<std::string> keptFiles_;
    std::vector<std::string> portfolioUsed_; // the used files of the portfolio being worked on
    std::vector<std::string> handledZip_, handledSelfExtract_;
    std::deque<std::string> deleteZip_, deleteSelfExtract_;
    // Why the last unpacking failed, in one line (the unpacker's own words where it gave some).
    std::string unpackFailure_;
    // Update files that a failed unpacking made or changed: never read in this run.
    std::set<std::string> fromFailedArchives_;
    // Update directories whose unpacker leftovers were removed in this run.
    std::set<std::string> cleanedDirectories_;

    // Update files read in this run, by path, with what identified their content; an archive
    // expanded later changes the identity and so the cache entry.
    struct CachedFile {
        std::string identity;
        std::string text;
    };
    std::map<std::string, CachedFile> textCache_;
};

} // namespace qv
