#include "cli/CommandLine.h"

#include "core/store/master.h"
#include "core/store/windows1252.h"

#include <cctype>

namespace qv::cli {

namespace {

bool looksLikeNumber(std::string_view arg)
{
    return arg.size() > 1 && arg[0] == '-' && (std::isdigit(static_cast<unsigned char>(arg[1])) != 0 || arg[1] == '.');
}

const OptionSpec* findOption(const std::vector<OptionSpec>& known, std::string_view name)
{
    for (const OptionSpec& option : known) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

} // namespace

std::optional<std::string> Arguments::value(std::string_view option) const
{
    const auto it = options.find(option);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

Arguments parseArguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& known)
{
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || looksLikeNumber(arg)) {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* option = findOption(known, name);
        if (option == nullptr)
            throw UsageError("unknown option " + name);
        if (!option->takesValue) {
            if (equals != std::string::npos)
                throw UsageError("option " + name + " takes no value");
            parsed.options[name] = "";
        } else if (equals != std::string::npos) {
            parsed.options[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.options[name] = args[++i];
        } else {
            throw UsageError("option " + name + " needs a value");
        }
    }
    return parsed;
}

std::string securityTextArgument(std::string_view text, std::string_view what)
{
    std::string bytes = utf8ToWindows1252(text);
    if (bytes.size() > kSecurityTextWidth) {
        throw UsageError(std::string(what) + " \"" + std::string(text) + "\" is longer than " +
                         std::to_string(kSecurityTextWidth) + " characters");
    }
    return bytes;
}

DayNumber dateArgument(std::string_view text)
{
    const DayNumber day = text.size() == 10 ? parseIsoDate(text) : parseExactMmDdYy(text);
    if (day == kNoDay)
        throw UsageError("\"" + std::string(text) + "\" is not a date of the form MM/DD/YY or YYYY-MM-DD");
    return day;
}

bool onOffArgument(std::string_view text)
{
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    throw UsageError("expected on or off, not \"" + std::string(text) + "\"");
}

} // namespace qv::cli
