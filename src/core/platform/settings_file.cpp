#include "core/platform/settings_file.h"

#include "core/platform/files.h"
#include "core/platform/text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace qv {
namespace {

std::mutex g_mutex;

// The lines of the file; none, with the reason, when it cannot be read.
std::vector<std::string> readLines(const std::string& path, IoStatus& status)
{
    Bytes bytes;
    std::vector<std::string> lines;
    status = readWholeFile(path, bytes);
    if (!status)
        return lines;
    std::string current;
    for (const std::uint8_t b : bytes) {
        if (b == '\n') {
            if (!current.empty() && current.back() == '\r')
                current.pop_back();
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current += static_cast<char>(b);
        }
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimSpace(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimSpace(line.substr(1, close - 1));
}

// The key of a "key=value" line; nothing for comments and other lines.
std::optional<std::string_view> keyName(std::string_view line)
{
    const std::string_view t = trimSpace(line);
    if (t.empty() || t.front() == ';')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trimSpace(line.substr(0, eq));
}

struct Location {
    std::ptrdiff_t section = -1;   // line of the section header
    std::ptrdiff_t key = -1;       // line of the key
    std::ptrdiff_t lastEntry = -1; // last non-blank line of the section
};

Location locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    Location at;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            if (inside)
                break;
            inside = equalsIgnoringCase(*name, section);
            if (inside)
                at.section = at.lastEntry = static_cast<std::ptrdiff_t>(i);
            continue;
        }
        if (!inside)
            continue;
        if (!trimSpace(lines[i]).empty())
            at.lastEntry = static_cast<std::ptrdiff_t>(i);
        if (auto name = keyName(lines[i]); name && at.key < 0 && equalsIgnoringCase(*name, key))
            at.key = static_cast<std::ptrdiff_t>(i);
    }
    return at;
}

IoStatus makeParents(const std::string& dir)
{
    if (dir.empty() || isDirectory(dir))
        return IoStatus::ok();
    if (IoStatus s = makeParents(parentPath(dir)); !s)
        return s;
    if (::mkdir(dir.c_str(), 0700) != 0 && !isDirectory(dir))
        return IoStatus::fromErrno("create directory", dir, errno);
    return IoStatus::ok();
}

} // namespace

std::string SettingsFile::defaultPath()
{
    if (const char* ini = std::getenv("QUOVANTA_INI"); ini && *ini)
        return ini;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = joinPath(home, ".config");
    else
        config = ".config";
    return joinPath(joinPath(config, "quovanta"), "QUOVANTA.INI");
}

std::string SettingsFile::getString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    std::lock_guard lock(g_mutex);
    IoStatus read; // a file that cannot be read gives every caller its default
    const std::vector<std::string> lines = readLines(path_, read);
    const Location at = locate(lines, section, key);
    if (at.key < 0)
        return std::string(fallback);
    const std::string& line = lines[static_cast<std::size_t>(at.key)];
    std::string_view value = trimSpace(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

int SettingsFile::getInt(std::string_view section, std::string_view key, int fallback) const
{
    const std::string missing = "\x01";
    const std::string value = getString(section, key, missing);
    if (value == missing)
        return fallback;
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    long long n = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])) && n < 1LL << 40; ++i)
        n = n * 10 + (value[i] - '0');
    n = negative ? -n : n;
    return static_cast<int>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
}

IoStatus SettingsFile::setString(std::string_view section, std::string_view key, std::string_view value)
{
    return setValues({{std::string(section), std::string(key), std::string(value)}});
}

IoStatus SettingsFile::setValues(const std::vector<Value>& values)
{
    std::lock_guard lock(g_mutex);
    IoStatus read;
    std::vector<std::string> lines = readLines(path_, read);
    // Only a file that is not there starts empty: one that exists but cannot be read (a pipe,
    // a read error) would otherwise be replaced by these keys, and every other setting lost.
    if (!read && read.error() != ENOENT)
        return read;
    for (const Value& v : values) {
        const Location at = locate(lines, v.section, v.key);
        std::string line = v.key + "=" + v.value;
        if (at.key >= 0) {
            lines[static_cast<std::size_t>(at.key)] = std::move(line);
        } else if (at.section >= 0) {
            lines.insert(lines.begin() + at.lastEntry + 1, std::move(line));
        } else {
            if (!lines.empty() && !trimSpace(lines.back()).empty())
                lines.emplace_back();
            lines.push_back("[" + v.section + "]");
            lines.push_back(std::move(line));
        }
    }
    Bytes content;
    for (const std::string& l : lines) {
        content.insert(content.end(), l.begin(), l.end());
        content.push_back('\n');
    }
    if (IoStatus s = makeParents(parentPath(path_)); !s)
        return s;
    // Private also when the file was there before with a wider mode: it holds passwords.
    return replaceFileWithMode(path_, baseName(path_) + ".~NU", content, 0600);
}

IoStatus SettingsFile::setInt(std::string_view section, std::string_view key, int value)
{
    return setString(section, key, std::to_string(value));
}

} // namespace qv
