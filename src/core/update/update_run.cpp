#include "core/update/update_run.h"

#include <algorithm>

#include "core/app/program_settings.h"
#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "core/update/dos_text.h"

namespace qv {

UpdateSettings readUpdateSettings(const SettingsFile& ini)
{
    UpdateSettings s;
    s.selfExtractEnable = getSetting(ini, keys::kSelfExtractEnable) != 0;
    s.selfExtractPassword = getSetting(ini, keys::kSelfExtractPassword);
    s.selfExtractPasswordEnable = getSetting(ini, keys::kSelfExtractPasswordEnable) != 0;
    s.deleteSelfExtract = getSetting(ini, keys::kDeleteSelfExtract) != 0;
    s.zipEnable = getSetting(ini, keys::kZipEnable) != 0;
    s.zipPassword = getSetting(ini, keys::kZipPassword);
    s.zipPasswordEnable = getSetting(ini, keys::kZipPasswordEnable) != 0;
    s.deleteZip = getSetting(ini, keys::kDeleteZip) != 0;
    s.pkunzipPath = getSetting(ini, keys::kPkunzipPath);
    s.deleteTxt = getSetting(ini, keys::kDeleteTxt) != 0;
    return s;
}

std::vector<std::string> runFlagMessages(std::uint16_t flags)
{
    std::vector<std::string> messages;
    if (flags & kRunFlagMergeFailed)
        messages.emplace_back("General quote import problem");
    if (flags & kRunFlagSelfExtractFailed)
        messages.emplace_back("At least one .EXE file extraction failed.\n\nDo you need to change the file password?");
    return messages;
}

AnomalyReport buildAnomalyReport(const std::string& auditPath, int quoteCount)
{
    AnomalyReport report;
    std::vector<std::string> lines;
    readDosLines(auditPath, lines); // a log deleted meanwhile gives the fixed texts alone
    if (!lines.empty())
        report.title = lines.front();

    // An entry is the text after a line's first colon and the character after it, with the
    // line end turned into a blank.
    auto afterColon = [](const std::string& line) {
        const auto colon = line.find(':');
        return colon == std::string::npos || colon + 2 > line.size() ? std::string() : line.substr(colon + 2);
    };
    auto lastToBlank = [](std::string text) {
        if (!text.empty())
            text.back() = ' ';
        return text;
    };

    if (quoteCount != 0) {
        std::string portfolio;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.find("MASTER") != std::string::npos)
                portfolio = afterColon(line);
            if (line.find("--->") != std::string::npos)
                report.entries.push_back(lastToBlank(lastToBlank(afterColon(line)) + "in " + portfolio));
        }
        // A run whose log holds ERROR lines (a merge or an unpacking that failed) had anomalies:
        // saying it had none above them would tell the user the quotes are all in.
        const bool errors = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("ERROR") != std::string::npos;
        });
        if (report.entries.empty() && !errors)
            report.entries = {"No anomalies to report!", " ", "See you next time!"};
    } else {
        report.entries = {"No quotes were updated this time.",
                          "Perhaps....",
                          "   this was a holiday",
                          "   this was a redundant update",
                          "   you have not established Profiles",
                          "   your Profiles reference invalid file locations",
                          " ",
                          "See you next time!"};
    }
    report.entries.emplace_back();
    for (const std::string& line : lines)
        if (line.find("ERROR") != std::string::npos)
            report.entries.push_back(lastToBlank(line));
    return report;
}

std::string findBundledUnpacker(const std::string& programDir)
{
    for (const std::string& candidate :
         {joinPath(programDir, "PKUNZIP.EXE"), joinPath(programDir, "../lib/quovanta/PKUNZIP.EXE")})
        if (isRegularFile(candidate))
            return candidate;
    return {};
}

} // namespace qv
