#include "core/app/settings_check.h"

#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "core/platform/text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace qv {
namespace {

// The components of an absolute path, with "." and empty ones dropped and ".." taking one
// back (never above "/"): "/home//ann/./md/" and "/home/ann/md" name the same place.
std::vector<std::string> components(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

// The directory the update run takes PKUNZIP.EXE from, so that the check and the run agree.
std::string pkunzipDirectory(const std::string& entered, const std::string& startupDir)
{
    if (entered.empty())
        return "/";
    if (entered.front() == '/')
        return entered;
    const std::string base = startupDir.empty() ? "." : startupDir;
    char resolved[PATH_MAX];
    return joinPath(::realpath(base.c_str(), resolved) ? std::string(resolved) : base, entered);
}

bool readableFileIn(const std::string& dir, std::string_view name)
{
    const std::optional<std::string> path = findEntry(dir, name);
    if (!path || !isRegularFile(*path))
        return false;
    InputFile probe;
    return probe.open(*path).isOk();
}

} // namespace

std::string pkunzipMissingMessage(std::string_view pkunzipPath)
{
    return "PKUNZIP.EXE was not found at\n" + std::string(pkunzipPath) +
           "\n\nPlease correct the path or \ndisable automatic decompression.";
}

std::optional<std::string> rootHoldingPath(std::string_view path, const std::vector<std::string>& roots)
{
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    const std::vector<std::string> target = components(path);
    std::optional<std::string> best;
    std::size_t bestDepth = 0;
    for (const std::string& root : roots) {
        if (root.empty() || root.front() != '/')
            continue;
        const std::vector<std::string> prefix = components(root);
        if (prefix.size() > target.size())
            continue;
        bool inside = true;
        for (std::size_t i = 0; i < prefix.size() && inside; ++i)
            inside = prefix[i] == target[i];
        if (inside && (!best || prefix.size() > bestDepth)) {
            best = root;
            bestDepth = prefix.size();
        }
    }
    return best;
}

std::string checkSettings(const ViewSettings& values, const std::vector<std::string>& roots,
                          const std::string& startupDir)
{
    const UpdateSettings& u = values.update;
    const auto characters = [](std::string_view text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    if (characters(u.zipPassword) > kMaxPasswordLength || characters(u.selfExtractPassword) > kMaxPasswordLength)
        return std::string(kPasswordTooLongMessage);
    if (!u.zipEnable && !values.searchLimit)
        return {};
    if (u.zipEnable && !readableFileIn(pkunzipDirectory(u.pkunzipPath, startupDir), "PKUNZIP.EXE"))
        return pkunzipMissingMessage(u.pkunzipPath);
    if (values.searchLimit && !rootHoldingPath(values.searchName, roots))
        return std::string(kUnknownDriveMessage);
    return {};
}

SearchRerun searchRerunAfterSettings(const ViewSettings& before, const ViewSettings& after,
                                     const std::vector<std::string>& roots)
{
    SearchRerun rerun;
    rerun.needed = before.searchLimit != after.searchLimit ||
                   (after.searchLimit && !equalsIgnoringCase(before.searchName, after.searchName));
    if (rerun.needed)
        rerun.root = rootHoldingPath(after.searchName, roots).value_or(std::string());
    return rerun;
}

IoStatus writeSettingsDialogValues(SettingsFile& file, const ViewSettings& v)
{
    const UpdateSettings& u = v.update;
    const auto flag = [](bool b) { return b ? 1 : 0; };
    IoStatus st;
    const auto put = [&](const auto& key, const auto& value) {
        if (st.isOk())
            st = putSetting(file, key, value);
    };
    put(keys::kSearchLimit, flag(v.searchLimit));
    put(keys::kSearchName, v.searchName);
    put(keys::kAuditEnable, flag(v.auditEnable));
    put(keys::kSoundDisable, flag(v.soundDisable));
    put(keys::kSelfExtractEnable, flag(u.selfExtractEnable));
    put(keys::kSelfExtractPassword, u.selfExtractPassword);
    put(keys::kSelfExtractPasswordEnable, flag(u.selfExtractPasswordEnable));
    put(keys::kDeleteSelfExtract, flag(u.deleteSelfExtract));
    put(keys::kZipEnable, flag(u.zipEnable));
    put(keys::kZipPassword, u.zipPassword);
    put(keys::kZipPasswordEnable, flag(u.zipPasswordEnable));
    put(keys::kDeleteZip, flag(u.deleteZip));
    put(keys::kPkunzipPath, u.pkunzipPath);
    put(keys::kDeleteTxt, flag(u.deleteTxt));
    return st;
}

} // namespace qv
