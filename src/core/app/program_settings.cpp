#include "core/app/program_settings.h"

#include "core/platform/files.h"

namespace qv {

std::string defaultSearchName(const std::string& startupDir) { return firstLevelDirectory(startupDir); }

ViewSettings readViewSettings(const SettingsFile& file, const std::string& startupDir)
{
    ViewSettings s;
    s.displayLimit = getSetting(file, keys::kDisplayLimit) != 0;
    s.showingGraph = getSetting(file, keys::kShowingGraph) != 0;
    s.searchLimit = getSetting(file, keys::kSearchLimit) != 0;
    s.searchName = getSetting(file, keys::kSearchName, defaultSearchName(startupDir));
    s.auditEnable = getSetting(file, keys::kAuditEnable) != 0;
    s.soundDisable = getSetting(file, keys::kSoundDisable) != 0;
    s.newbie = getSetting(file, keys::kNewbie) != 0;
    s.update = readUpdateSettings(file);
    return s;
}

std::string settingsNotSavedMessage(const SettingsFile& file, const IoStatus& status)
{
    return "The settings could not be saved in " + file.path() + ":\n" + status.message() +
           "\nThe program works on, but will not remember this change.";
}

} // namespace qv
