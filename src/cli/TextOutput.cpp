#include "cli/TextOutput.h"

#include "core/store/windows1252.h"

#include <cstdio>

namespace qv::cli {

void writeRecord(std::ostream& out, std::initializer_list<std::string_view> fields)
{
    bool first = true;
    for (std::string_view field : fields) {
        if (!first)
            out << '\t';
        out << field;
        first = false;
    }
    out << '\n';
}

std::string fieldText(std::string_view windows1252Bytes)
{
    std::string text = windows1252ToUtf8(windows1252Bytes);
    for (char& c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F)
            c = ' ';
    }
    const std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

void writeMessage(std::ostream& err, std::string_view message)
{
    err << message;
    if (message.empty() || message.back() != '\n')
        err << '\n';
}

std::string formatFixed(double value, int decimals)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

} // namespace qv::cli
