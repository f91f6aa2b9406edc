#pragma once
// The settings file: classic INI text ("[Section]" lines, then "Key=Value" lines), read and
// written with the semantics the program has always had on Windows: section and key names
// compare without regard to case, a missing key yields the caller's default, integers are
// decimal text, values lose surrounding blanks and one pair of surrounding quotes. Every
// write re-reads the file and changes one line, so other sections, unknown keys and comments
// survive; the file is replaced atomically and left with mode 0600 (it holds passwords), also
// when it was there before with a wider mode.
//
// Thread safety: each call reads or replaces the whole file; calls on one file from several
// threads are serialised inside.

#include "core/platform/io_status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

class SettingsFile {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    // $QUOVANTA_INI when set, else $XDG_CONFIG_HOME/quovanta/QUOVANTA.INI, else
    // ~/.config/quovanta/QUOVANTA.INI.
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    std::string getString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // The leading decimal integer of the value (sign allowed; 0 when it has none); `fallback`
    // when the key is missing.
    int getInt(std::string_view section, std::string_view key, int fallback) const;

    // Creates the file (and its directory) when missing.
    IoStatus setString(std::string_view section, std::string_view key, std::string_view value);
    IoStatus setInt(std::string_view section, std::string_view key, int value);

    struct Value {
        std::string section;
        std::string key;
        std::string value;
    };
    // Writes several keys in one replacement of the file, so a record of several keys is
    // stored whole or not at all.
    IoStatus setValues(const std::vector<Value>& values);

private:
    std::string path_;
};

} // namespace qv
