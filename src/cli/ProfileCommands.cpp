#include "cli/ProfileCommands.h"

#include "cli/TextOutput.h"
#include "core/profiles/assignment.h"
#include "core/profiles/profile.h"
#include "core/profiles/profile_check.h"
#include "core/store/encodings.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace qv::cli {

namespace {

constexpr std::array<std::string_view, 3> kDelimiterNames = {"comma", "tab", "space"};

void requireCount(const Arguments& args, std::size_t count)
{
    if (args.positional.size() < count)
        throw UsageError("missing arguments");
    if (args.positional.size() > count)
        throw UsageError("too many arguments");
}

std::string columnText(int column) { return std::to_string(column < 0 ? 0 : column); }

std::string dateFormatText(int code)
{
    const std::string_view name = dateFormatName(code);
    return name.empty() ? std::to_string(code) : std::string(name);
}

std::string delimiterText(int code)
{
    return code >= 0 && code < static_cast<int>(kDelimiterNames.size())
               ? std::string(kDelimiterNames[static_cast<std::size_t>(code)])
               : std::to_string(code);
}

// A damaged record may hold line breaks or tabs in its path; they would break the record.
std::string pathText(std::string path)
{
    for (char& c : path) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F)
            c = ' ';
    }
    return path;
}

int numberValue(std::string_view key, std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError(std::string(key) + " needs a number, not \"" + std::string(text) + "\"");
    }
    return value;
}

// 0 clears the field's check box; any other number is its column (and is range-checked).
OptionalColumn optionalColumnValue(std::string_view key, std::string_view text)
{
    const int column = numberValue(key, text);
    return column == 0 ? OptionalColumn{false, 1} : OptionalColumn{true, column};
}

bool priorDayValue(std::string_view text)
{
    if (text == "1" || text == "on")
        return true;
    if (text == "0" || text == "off")
        return false;
    throw UsageError("priorday takes 0, 1, on or off, not \"" + std::string(text) + "\"");
}

// A format's name (any case) or its code; a code outside 1..12 is left to the check.
int dateFormatValue(std::string_view text)
{
    if (const int code = dateFormatCode(text); code != 0)
        return code;
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos) {
        return numberValue("dateformat", text);
    }
    throw UsageError("unknown date format \"" + std::string(text) + "\"");
}

int delimiterValue(std::string_view text)
{
    for (std::size_t code = 0; code < kDelimiterNames.size(); ++code) {
        if (text == kDelimiterNames[code])
            return static_cast<int>(code);
    }
    throw UsageError("delimiter takes comma, tab or space, not \"" + std::string(text) + "\"");
}

void applySetting(ProfileEditorValues& values, std::string_view key, std::string_view text)
{
    if (key == "path")
        values.updatePath = std::string(text);
    else if (key == "symbol")
        values.symbolColumn = numberValue(key, text);
    else if (key == "date")
        values.dateColumn = numberValue(key, text);
    else if (key == "open")
        values.open = optionalColumnValue(key, text);
    else if (key == "high")
        values.high = optionalColumnValue(key, text);
    else if (key == "low")
        values.low = optionalColumnValue(key, text);
    else if (key == "close")
        values.closeColumn = numberValue(key, text);
    else if (key == "volume")
        values.volume = optionalColumnValue(key, text);
    else if (key == "oi")
        values.openInterest = optionalColumnValue(key, text);
    else if (key == "priorday")
        values.priorDay = priorDayValue(text);
    else if (key == "dateformat")
        values.dateFormat = dateFormatValue(text);
    else if (key == "delimiter")
        values.delimiter = delimiterValue(text);
    else
        throw UsageError("unknown key " + std::string(key));
}

// The New command takes the update path from the current portfolio; the command line has none,
// so the start-up directory stands in for it.
std::string defaultsBase(const std::string& startupDir)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(startupDir, error);
    return error ? startupDir : absolute.string();
}

int listProfilesCommand(Context& context)
{
    const ProfileListing listing = listProfiles(context.startupDir);
    for (const std::string& name : listing.names)
        context.out << name << '\n';
    if (!listing.sample) {
        writeMessage(context.err, listing.sample.message());
        return kExitFailure;
    }
    return kExitSuccess;
}

int showProfile(Context& context, const std::string& name)
{
    const ProfileRead read = readProfile(context.startupDir, name);
    if (!read.ok()) {
        writeMessage(context.err, read.outcome.message());
        return kExitFailure;
    }
    const Profile& p = read.profile;
    std::ostream& out = context.out;
    writeRecord(out, {"path", pathText(p.updatePath)});
    writeRecord(out, {"symbol", columnText(p.symbolColumn)});
    writeRecord(out, {"date", columnText(p.dateColumn)});
    writeRecord(out, {"open", columnText(p.openColumn)});
    writeRecord(out, {"high", columnText(p.highColumn)});
    writeRecord(out, {"low", columnText(p.lowColumn)});
    writeRecord(out, {"close", columnText(p.closeColumn)});
    writeRecord(out, {"volume", columnText(p.volumeColumn)});
    writeRecord(out, {"oi", columnText(p.openInterestColumn)});
    writeRecord(out, {"priorday", p.priorDay ? "1" : "0"});
    writeRecord(out, {"dateformat", dateFormatText(p.dateFormat)});
    writeRecord(out, {"delimiter", delimiterText(p.delimiter)});
    return kExitSuccess;
}

int writeProfileCommand(Context& context, const Arguments& args)
{
    const std::string& name = args.positional[1];
    ProfileEditorValues values =
        editorValuesFromProfile(newProfileDefaults(defaultsBase(context.startupDir)), name, ProfileEditMode::New);
    std::set<std::string, std::less<>> given;
    for (std::size_t i = 2; i < args.positional.size(); ++i) {
        const std::string& setting = args.positional[i];
        const std::size_t equals = setting.find('=');
        if (equals == std::string::npos)
            throw UsageError("expected key=value, not \"" + setting + "\"");
        const std::string key = setting.substr(0, equals);
        if (!given.insert(key).second)
            throw UsageError(key + " is given twice");
        applySetting(values, key, std::string_view(setting).substr(equals + 1));
    }

    const std::vector<std::string> names = scanProfileNames(context.startupDir);
    values.mode = findProfileName(names, trimProfileName(name)) ? ProfileEditMode::Edit : ProfileEditMode::New;
    const ProfileCheck check = checkProfileSave(values, names);
    if (!check.accepted()) {
        writeMessage(context.err, check.message);
        return kExitFailure;
    }
    const Outcome written = writeProfile(context.startupDir, check.name, check.profile);
    if (!written) {
        writeMessage(context.err, written.message());
        return kExitFailure;
    }
    return kExitSuccess;
}

} // namespace

int runProfile(Context& context, const Arguments& args)
{
    if (args.positional.empty())
        throw UsageError("missing arguments");
    const std::string& action = args.positional[0];
    if (action == "list") {
        requireCount(args, 1);
        return listProfilesCommand(context);
    }
    if (action == "show") {
        requireCount(args, 2);
        return showProfile(context, args.positional[1]);
    }
    if (action == "write") {
        if (args.positional.size() < 2)
            throw UsageError("missing arguments");
        return writeProfileCommand(context, args);
    }
    throw UsageError("unknown profile command " + action);
}

int runAssign(Context& context, const Arguments& args)
{
    const bool all = args.has("--all");
    requireCount(args, all ? 2 : 3);
    const std::string& dir = args.positional[0];
    const AssignmentResult result =
        all ? assignProfileToAllSymbols(context.startupDir, dir, args.positional[1])
            : assignProfileToSymbol(context.startupDir, dir, securityTextArgument(args.positional[1], "SYMBOL"),
                                    args.positional[2]);
    for (const std::string& message : result.messages)
        writeMessage(context.err, message);
    return result.ok ? kExitSuccess : kExitFailure;
}

} // namespace qv::cli
