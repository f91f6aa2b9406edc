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
inline constexpr IntKey kSelfExtractEnable{"SEX", "SexEnable", 0};
inline constexpr TextKey kSelfExtractPassword{"SEX", "SexPassword"};
inline constexpr IntKey kSelfExtractPasswordEnable{"SEX", "SexPasswordEnable", 0};
inline constexpr IntKey kDeleteSelfExtract{"SEX", "DeleteSex", 0};
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
// The window's splitters, in pixels as last shown (0: not saved yet); each pair is read as a
// proportion, so a window opened at another size keeps the panes' shares.
inline constexpr std::array<IntKey, 2> kUpperSplit{{{"Screen", "PortfoliosWidth", 0}, {"Screen", "SymbolsWidth", 0}}};
inline constexpr std::array<IntKey, 2> kMainSplit{{{"Screen", "UpperHeight", 0}, {"Screen", "QuotesHeight", 0}}};
// The record of the last quote edit of each kind (written only; the texts as entered).
inline constexpr std::array<TextKey, 7> kEditRecord{{{"Edit", "Date"},
                                                     {"Edit", "Open"},
                                                     {"Edit", "Hi"},
                                                     {"Edit", "Lo"},
                                                     {"Edit", "Close"},
                                                     {"Edit", "Vol"},
                                                     {"Edit", "OI"}}};
inline constexpr std::array<TextKey, 3> kSplitRecord{{{"Split", "Date"}, {"Split", "New"}, {"Split", "Old"}}};
inline constexpr std::array<TextKey, 5> kAdjustRecord{
    {{"Adjust", "Date1"}, {"Adjust", "Date2"}, {"Adjust", "PriceMult"}, {"Adjust", "VolMult"}, {"Adjust", "OIMult"}}};
inline constexpr TextKey kDeleteRecordDate{"Delete", "Date"};
// "Import Historical ASCII Quotes" (the text keys' defaults beside them).
inline constexpr TextKey kConvertDateFormat{"Convert", "DateFormat"};
inline constexpr std::string_view kConvertDateFormatDefault = "MMDDYY";
inline constexpr IntKey kConvertExist{"Convert", "Exist", 0};
inline constexpr IntKey kConvertDelimiter{"Convert", "Delimiter", 0};
inline constexpr TextKey kConvertPathIn{"Convert", "PathIn"};
inline constexpr TextKey kConvertPathOut{"Convert", "PathOut"};
inline constexpr TextKey kConvertSymbol{"Convert", "Symbol"};
inline constexpr TextKey kConvertName{"Convert", "Name"};
inline constexpr IntKey kConvertSkipOn{"Convert", "SkipOn", 0};
inline constexpr IntKey kConvertSkipRows{"Convert", "SkipRows", 0};
inline constexpr IntKey kConvertDateCol{"Convert", "DateCol", 1};
inline constexpr IntKey kConvertOpenOn{"Convert", "OpenOn", 1};
inline constexpr IntKey kConvertOpenCol{"Convert", "OpenCol", 2};
inline constexpr IntKey kConvertHiOn{"Convert", "HiOn", 1};
inline constexpr IntKey kConvertHiCol{"Convert", "HiCol", 3};
inline constexpr IntKey kConvertLoOn{"Convert", "LoOn", 1};
inline constexpr IntKey kConvertLoCol{"Convert", "LoCol", 4};
inline constexpr IntKey kConvertCloCol{"Convert", "CloCol", 5};
inline constexpr IntKey kConvertVolOn{"Convert", "VolOn", 1};
inline constexpr IntKey kConvertVolCol{"Convert", "VolCol", 6};
inline constexpr IntKey kConvertOIOn{"Convert", "OIOn", 1};
inline constexpr IntKey kConvertOICol{"Convert", "OICol", 7};
// "Export Historical Quotes to ASCII File".
inline constexpr TextKey kExportStarter{"XportSel", "Starter"};
inline constexpr std::string_view kExportStarterDefault = "output.txt";
inline constexpr IntKey kExportUseOpen{"XportSel", "UseOpen", 1};
inline constexpr IntKey kExportUseHigh{"XportSel", "UseHigh", 1};
inline constexpr IntKey kExportUseLow{"XportSel", "UseLow", 1};
inline constexpr IntKey kExportUseClose{"XportSel", "UseClose", 1};
inline constexpr IntKey kExportUseVol{"XportSel", "UseVol", 1};
inline constexpr IntKey kExportUseOI{"XportSel", "UseOI", 1};
inline constexpr IntKey kExportNewest{"XportSel", "Newest", 0};
inline constexpr IntKey kExportDelim{"XportSel", "Delim", 0};
inline constexpr IntKey kExportTitle{"XportSel", "Title", 0};
} // namespace keys

inline int getSetting(const SettingsFile& file, const IntKey& k) { return file.getInt(k.section, k.key, k.fallback); }
inline std::string getSetting(const SettingsFile& file, const TextKey& k, std::string_view fallback = {})
{
    return file.getString(k.section, k.key, fallback);
}
inline IoStatus putSetting(SettingsFile& file, const IntKey& k, int value)
{
    return file.setInt(k.section, k.key, value);
}
inline IoStatus putSetting(SettingsFile& file, const TextKey& k, std::string_view value)
{
    return file.setString(k.section, k.key, value);
}
// What the program says when a setting could not be written: the file and the cause.
std::string settingsNotSavedMessage(const SettingsFile& file, const IoStatus& status);

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
