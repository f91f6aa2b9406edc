#include "core/update/dos_text.h"

#include "core/platform/files.h"

#include <algorithm>

namespace qv {

std::string normalizeDosText(std::string_view raw)
{
    if (const auto eof = raw.find('\x1A'); eof != std::string_view::npos)
        raw = raw.substr(0, eof);
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (raw[i] != '\r' || i + 1 >= raw.size() || raw[i + 1] != '\n')
            text += raw[i];
    return text;
}

bool DosLineReader::next(std::string_view& line)
{
    if (text_.empty())
        return false;
    const std::size_t newline = text_.find('\n');
    const std::size_t end = std::min(newline == std::string_view::npos ? text_.size() : newline + 1, limit_);
    line = text_.substr(0, end);
    text_.remove_prefix(end);
    return true;
}

bool readDosLines(const std::string& path, std::vector<std::string>& lines, std::size_t limit)
{
    lines.clear();
    Bytes bytes;
    if (!readWholeFile(path, bytes))
        return false;
    const std::string text =
        normalizeDosText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    DosLineReader reader(text, limit);
    std::string_view line;
    while (reader.next(line))
        lines.emplace_back(line);
    return true;
}

} // namespace qv
