#include "cli/UpdateCommand.h"

#include "cli/TextOutput.h"
#include "core/app/program_settings.h"
#include "core/browse/portfolio_search.h"
#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "core/update/quote_updater.h"

#include <climits>
#include <unistd.h>

namespace qv::cli {
namespace {

// Shows what the progress window shows, one line whenever the portfolio, the symbol or the
// file being unpacked changes.
class StderrObserver final : public UpdateObserver {
public:
    explicit StderrObserver(std::ostream& err) : err_(err) {}

    void OnProgress(const ProgressTexts& t) override
    {
        if (t.portfolio == last_.portfolio && t.symbol == last_.symbol && t.extractionFile == last_.extractionFile)
            return;
        last_ = t;
        if (t.portfolio.empty())
            return;
        err_ << "Working on Portfolio:" << t.portfolio;
        if (!t.symbol.empty())
            err_ << "  Symbol:" << t.symbol;
        if (!t.extractionFile.empty())
            err_ << "  " << t.extractionLabel << t.extractionFile;
        err_ << "  Total quotes updated: " << t.count << '\n';
    }

    void ShowMessage(const std::string& text) override { writeMessage(err_, text); }

private:
    std::ostream& err_;
    ProgressTexts last_;
};

std::string programDirectory()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    return parentPath(std::string(path, static_cast<std::size_t>(n)));
}

std::string absolute(const std::string& dir)
{
    char resolved[PATH_MAX];
    return ::realpath(dir.c_str(), resolved) ? std::string(resolved) : dir;
}

} // namespace

std::vector<std::string> defaultPortfolios(const std::string& iniPath, const std::string& startupDir)
{
    const SettingsFile ini(iniPath);
    const std::string start = absolute(startupDir);
    std::string drive = getSetting(ini, keys::kDrive);
    if (drive.empty()) {
        // The root that holds the start-up directory: the longest listed prefix.
        for (const std::string& root : listRoots()) {
            const bool holds = root == "/" || start == root || start.rfind(root + "/", 0) == 0;
            if (holds && root.size() > drive.size())
                drive = root;
        }
    }
    const bool limit = getSetting(ini, keys::kSearchLimit) != 0;
    const std::string name = getSetting(ini, keys::kSearchName, defaultSearchName(start));
    return searchPortfolios(drive.empty() ? "/" : drive, limit ? name : std::string());
}

int runUpdate(Context& context, const Arguments& args)
{
    const std::string iniPath = context.iniPath.empty() ? SettingsFile::defaultPath() : context.iniPath;
    UpdateInputs inputs;
    inputs.startupDir = context.startupDir.empty() ? "." : context.startupDir;
    inputs.settings = readUpdateSettings(SettingsFile(iniPath));
    inputs.selfExtractor = findBundledUnpacker(programDirectory());
    inputs.portfolios = args.positional;
    if (inputs.portfolios.empty())
        inputs.portfolios = defaultPortfolios(iniPath, inputs.startupDir);
    const std::string auditPath = joinPath(inputs.startupDir, kAuditFileName);

    StderrObserver observer(context.err);
    std::uint32_t result = 0;
    bool extractionFailed = false;
    std::vector<std::string> passedOver;
    std::string auditProblem;
    {
        CQuoteUpdater updater(std::move(inputs), observer);
        result = updater.UpdateAllPortfolios();
        extractionFailed = updater.ExtractionFailed();
        passedOver = updater.PassedOver();
        auditProblem = updater.AuditProblem();
    } // the end-of-run clean-up happens here, before anything is reported
    const auto count = static_cast<std::uint16_t>(result >> 16);
    const auto flags = static_cast<std::uint16_t>(result & 0xFFFF);

    for (const std::string& message : runFlagMessages(flags))
        writeMessage(context.err, message);
    if (!auditProblem.empty())
        writeMessage(context.err, auditProblem);

    context.out << count << '\n';
    for (const std::string& entry : buildAnomalyReport(auditProblem.empty() ? auditPath : std::string(), count).entries)
        context.out << entry << '\n';
    return (flags & (kRunFlagMergeFailed | kRunFlagSelfExtractFailed)) || extractionFailed || !passedOver.empty()
               ? kExitFailure
               : kExitSuccess;
}

} // namespace qv::cli
