#include "cli/AsciiCommands.h"

#include "cli/TextOutput.h"
#include "core/ascii/export.h"
#include "core/ascii/import.h"
#include "core/store/master.h"
#include "core/store/securities.h"

#include <array>
#include <charconv>
#include <string>

namespace qv::cli {

namespace {

int numberValue(std::string_view option, std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw UsageError(std::string(option) + " needs a number, not \"" + std::string(text) + "\"");
    return value;
}

// A column option of a field that is always present.
int requiredColumn(const Arguments& args, std::string_view option, int fallback)
{
    const std::optional<std::string> text = args.value(option);
    if (!text)
        return fallback;
    const int column = numberValue(option, *text);
    if (column == 0)
        throw UsageError(std::string(option) + " cannot be 0: the field is always read");
    return column;
}

// 0 leaves the field out; any other number is its column (range-checked like the dialog's).
void optionalColumn(const Arguments& args, std::string_view option, OptionalColumn& field)
{
    const std::optional<std::string> text = args.value(option);
    if (!text)
        return;
    const int column = numberValue(option, *text);
    field = column == 0 ? OptionalColumn{false, field.column} : OptionalColumn{true, column};
}

// The position of `text` in `names`; a UsageError naming the choices otherwise.
template <std::size_t N>
int choiceValue(std::string_view option, std::string_view text, const std::array<std::string_view, N>& names)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (text == names[i])
            return static_cast<int>(i);
    }
    std::string choices;
    for (std::string_view name : names)
        choices += (choices.empty() ? "" : "|") + std::string(name);
    throw UsageError(std::string(option) + " takes " + choices + ", not \"" + std::string(text) + "\"");
}

void showMessages(Context& context, const std::vector<ImportMessage>& messages)
{
    for (const ImportMessage& m : messages)
        writeMessage(context.err, m.text);
}

} // namespace

int runImport(Context& context, const Arguments& args)
{
    ImportDialogValues values; // the dialog's defaults
    values.inputPath = args.positional[0];
    values.outputDir = args.positional[1];
    const std::optional<std::string> symbol = args.value("--symbol");
    if (!symbol)
        throw UsageError("--symbol is required");
    values.symbol = securityTextArgument(*symbol, "--symbol");
    if (const auto name = args.value("--name"))
        values.name = securityTextArgument(*name, "--name");
    values.useExistingMaster = !args.has("--new-master");
    if (const auto format = args.value("--date-format")) {
        values.dateFormat = dateFormatCode(*format);
        if (values.dateFormat == 0)
            throw UsageError("unknown date format \"" + *format + "\"");
    }
    if (const auto delimiter = args.value("--delimiter")) {
        static constexpr std::array<std::string_view, 3> kNames = {"comma", "tab", "space"};
        values.delimiter = choiceValue("--delimiter", *delimiter, kNames);
    }
    if (const auto skip = args.value("--skip")) {
        values.skipRows = numberValue("--skip", *skip);
        values.skipOn = values.skipRows != 0;
    }
    values.dateColumn = requiredColumn(args, "--date", values.dateColumn);
    values.closeColumn = requiredColumn(args, "--close", values.closeColumn);
    optionalColumn(args, "--open", values.open);
    optionalColumn(args, "--high", values.high);
    optionalColumn(args, "--low", values.low);
    optionalColumn(args, "--volume", values.volume);
    optionalColumn(args, "--oi", values.openInterest);

    const ImportDialogCheck check = checkImportDialog(values);
    if (!check.accepted()) {
        writeMessage(context.err, check.message);
        return kExitFailure;
    }
    const ImportResult result = importQuotes(makeImportJob(values));
    showMessages(context, result.messages);
    if (!result.ok())
        return kExitFailure;
    context.out << result.fileNumber << '\t' << result.quoteCount << '\n';
    return kExitSuccess;
}

int runExport(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    ExportOptions options; // the dialog's defaults
    options.path = args.positional[2];
    if (const auto columns = args.value("--columns")) {
        options.open = options.high = options.low = options.close = options.volume = options.openInterest = false;
        static constexpr std::array<std::string_view, 6> kNames = {"open", "high", "low", "close", "volume", "oi"};
        bool* const flags[] = {&options.open,  &options.high,   &options.low,
                               &options.close, &options.volume, &options.openInterest};
        std::string_view list = *columns;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            *flags[choiceValue("--columns", list.substr(0, comma), kNames)] = true;
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        }
    }
    if (const auto delimiter = args.value("--delimiter")) {
        static constexpr std::array<std::string_view, 3> kNames = {"space", "comma", "tab"};
        options.delimiter = choiceValue("--delimiter", *delimiter, kNames);
    }
    options.newestFirst = args.has("--newest-first");
    options.title = args.has("--title");

    if (const std::string message = checkExportDialog(options); !message.empty()) {
        writeMessage(context.err, message);
        return kExitFailure;
    }
    // The window exports the selected security; a symbol typed here may name none.
    if (findSecurity(dir, symbol).status != kStatusOk) {
        writeMessage(context.err, symbolNotFoundMessage(symbol));
        return kExitFailure;
    }
    const ExportResult result = exportQuotes(dir, symbol, options);
    if (!result.ok()) {
        writeMessage(context.err, result.outcome.message());
        return kExitFailure;
    }
    context.out << result.quotesWritten << '\n';
    return kExitSuccess;
}

} // namespace qv::cli
