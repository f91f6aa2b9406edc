#pragma once
// Every key of the settings file with its default, in one table, and the values the main view
// reads at start-up. Each change is written at the moment it is made, through setInt/setString
// with the key's constant, so a key's section, name and default are spelled in one place.

#include "core/platform/settings_file.h"
#include "core/update/update_run.h"

#include <array>
#include <string>
#include <string_view>

namespace qv {

struct IntKey {
    std::string_view section;
    std::string_view key;
    int fallback;
};
struct TextKey {
    std::string_view section;
    std::string_view key;
};

namespace keys {
inline constexpr IntKey kDisplayLimit{"Settings", "DisplayLimit", 1};
inline constexpr IntKey kShowingGraph{"Settings", "ShowingGraph", 0};
inline constexpr TextKey kDrive{"Settings", "Drive"};
inline constexpr IntKey kSearchLimit{"Search", "Limit", 1};
inline constexpr TextKey kSearchName{"Search", "Name"};
inline constexpr IntKey kAuditEnable{"Audit", "AuditEnable", 0};
inline constexpr IntKey kSoundDisable{"Sounds", "SoundDisable", 0};
inline constexpr IntKey kNewbie{"User", "Newbie", 1};
inline constexpr IntKey kSexEnable{"SEX", "SexEnable", 0};
inline constexpr TextKey kSexPassword{"SEX", "SexPassword"};
inline constexpr IntKey kSexPasswordEnable{"SEX", "SexPasswordEnable", 0};
inline constexpr IntKey kDeleteSex{"SEX", "DeleteSex", 0};
inline constexpr IntKey kZipEnable{"ZIP", "ZipEnable", 0};
inline constexpr TextKey kZipPassword{"ZIP", "ZipPassword"};
inline constexpr IntKey kZipPasswordEnable{"ZIP", "ZipPasswordEnable", 0};
inline constexpr IntKey kDeleteZip{"ZIP", "DeleteZip", 0};
inline constexpr TextKey kPkunzipPath{"ZIP", "PkunzipPath"};
inline constexpr IntKey kDeleteTxt{"CleanUp", "DeleteTxt", 0};
inline constexpr std::array<IntKey, 2> kSymbolGridColumns{{{"SymbolGrid", "col0", 100}, {"SymbolGrid", "col1", 100}}};
inline constexpr std::array<IntKey, 7> kQuoteGridColumns{{{"QuoteGrid", "col0", 60},
                                                          {"QuoteGrid", "col1", 70},
                                                          {"QuoteGrid", "col2", 70},
                                                          {"QuoteGrid", "col3", 70},
                                                          {"QuoteGrid", "col4", 70},
                                                          {"QuoteGrid", "col5", 60},
                                                          {"QuoteGrid", "col6", 80}}};
inline constexpr IntKey kScreenX{"Screen", "x", 0};
inline constexpr IntKey kScreenY{"Screen", "y", 0};
inline constexpr IntKey kScreenCx{"Screen", "cx", 0};
inline constexpr IntKey kScreenCy{"Screen", "cy", 0};
} // namespace keys

inline int getSetting(const SettingsFile& file, const IntKey& k) { return file.getInt(k.section, k.key, k.fallback); }
inline std::string getSetting(const SettingsFile& file, const TextKey& k, std::string_view fallback = {})
{
    return file.getString(k.section, k.key, fallback);
}
inline IoStatus putSetting(SettingsFile& file, const IntKey& k, int value) { return file.setInt(k.section, k.key, value); }
inline IoStatus putSetting(SettingsFile& file, const TextKey& k, std::string_view value)
{
    return file.setString(k.section, k.key, value);
}

// The settings the main view holds from its construction on.
struct ViewSettings {
    bool displayLimit = true; // RECENT
    bool showingGraph = false;
    bool searchLimit = true;
    std::string searchName;
    bool auditEnable = false;
    bool soundDisable = false;
    bool newbie = true;
    UpdateSettings update;
};

// The default of "Search"/"Name": the first-level directory of the start-up directory.
std::string defaultSearchName(const std::string& startupDir);
ViewSettings readViewSettings(const SettingsFile& file, const std::string& startupDir);

} // namespace qv
