#include "cli/Cli.h"

#include "cli/AsciiCommands.h"
#include "cli/BrowseCommands.h"
#include "cli/CommandLine.h"
#include "cli/DumpCommand.h"
#include "cli/MaintenanceCommands.h"
#include "cli/ProfileCommands.h"
#include "cli/QuoteEditCommands.h"
#include "cli/SplitSearchCommand.h"
#include "cli/TextOutput.h"
#include "cli/UpdateCommand.h"
#include "core/platform/settings_file.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace qv::cli {

namespace {

constexpr std::string_view kProgram = "quovanta-cli";
constexpr std::string_view kGlobalSynopsis = "quovanta-cli [--ini FILE] [--startup-dir DIR]";

enum class Group { Browsing, Maintenance, ProfilesAndUpdate, ImportAndExport, BulkReading };

struct CommandSpec {
    std::string_view name;
    std::string_view arguments; // after the name, as the usage line shows them
    std::string_view summary;   // one line of the overview
    std::string_view details;   // the rest of COMMAND --help
    Group group;
    std::size_t minPositional;
    std::size_t maxPositional;
    std::vector<OptionSpec> options;
    int (*run)(Context&, const Arguments&);
};

const std::vector<CommandSpec>& commands()
{
    static const std::vector<CommandSpec> table = {
        {"list",
         "DIR",
         "the securities of DIR's MASTER",
         "One line per security entry of DIR's MASTER, in file order: file number, symbol, name,\n"
         "first date and last date as file dates (970102, 1010315), number of fields, period\n"
         "letter, skip mark (0/1). Directory entries are not listed.\n",
         Group::Browsing,
         1,
         1,
         {},
         runList},
        {"find",
         "DIR KEY",
         "the security found by the MASTER search",
         "Searches DIR's MASTER and the nested portfolios it names for the security whose symbol\n"
         "or name is KEY (case ignored) and prints the directory where it was found, its file\n"
         "number, symbol and name. Not found: exit status 1.\n",
         Group::Browsing,
         2,
         2,
         {},
         runFind},
        {"quotes",
         "DIR SYMBOL [--recent]",
         "the quote grid's rows, newest first",
         "All quotes of SYMBOL, newest first (--recent: the last 30): date MM/DD/YY (YYYY-MM-DD\n"
         "before 1960 and after 2059), open, high, low, close, volume, open interest. A value\n"
         "below 0 prints N/A.\n",
         Group::Browsing,
         2,
         2,
         {{"--recent", false}},
         runQuotes},
        {"facts",
         "DIR SYMBOL",
         "the content of \"About Selected Quote Series\"",
         "One label<TAB>value line per item of \"About Selected Quote Series\", then one line per\n"
         "field kind (Date, Time, Open, High, Low, Close, Vol, OI) with its input and display\n"
         "code texts.\n",
         Group::Browsing,
         2,
         2,
         {},
         runFacts},
        {"locate",
         "DIR SYMBOL DATE",
         "the index of the first quote at or after DATE",
         "Prints the 0-based index of the first quote of SYMBOL dated DATE or later.\n"
         "Exit status 1 when every quote is earlier.\n",
         Group::Browsing,
         3,
         3,
         {},
         runLocate},
        {"search",
         "ROOT [--limit NAME]",
         "the portfolios found under ROOT",
         "Walks ROOT for portfolio directories (directories holding a MASTER file) and prints one\n"
         "per line, in the order the portfolio list shows them. With --limit, only directories\n"
         "whose full path contains NAME (case ignored) are entered; ROOT itself is always examined.\n",
         Group::Browsing,
         1,
         1,
         {{"--limit", true}},
         runSearch},
        {"create-portfolio",
         "DIR",
         "creates a portfolio with an empty MASTER",
         "Creates DIR when it is missing and writes an empty MASTER in it. Refused when DIR\n"
         "already holds a MASTER.\n",
         Group::Maintenance,
         1,
         1,
         {},
         runCreatePortfolio},
        {"add-symbol",
         "DIR SYMBOL [NAME]",
         "adds a security; prints its file number",
         "Symbol Add without the dialog: SYMBOL is upper-cased, NAME defaults to the symbol (16\n"
         "characters each). Prints the new security's file number.\n",
         Group::Maintenance,
         2,
         3,
         {},
         runAddSymbol},
        {"delete-symbol",
         "DIR SYMBOL",
         "deletes a security and its files",
         "Symbol Delete: removes the security whose symbol is SYMBOL (exact case) from DIR's MASTER\n"
         "and deletes its quote, field-description, profile and backup files.\n",
         Group::Maintenance,
         2,
         2,
         {},
         runDeleteSymbol},
        {"edit-symbol",
         "DIR OLD NEW [NAME]",
         "gives a security a new symbol and name",
         "Symbol Edit: the security found as OLD gets the symbol NEW and the name NAME (16\n"
         "characters each; without NAME the name stays as it is).\n",
         Group::Maintenance,
         3,
         4,
         {},
         runEditSymbol},
        {"skip",
         "DIR SYMBOL on|off",
         "sets the skip mark of one security",
         "Sets (on) or clears (off) the skip mark of SYMBOL: the update run leaves skipped\n"
         "securities alone.\n",
         Group::Maintenance,
         3,
         3,
         {},
         runSkip},
        {"skip-all",
         "DIR on|off",
         "Portfolio Skip Adjust",
         "on: \"Skip all Symbols presently in this Portfolio\"; off: \"Don't Skip any Symbols\n"
         "presently in this Portfolio\".\n",
         Group::Maintenance,
         2,
         2,
         {},
         runSkipAll},
        {"edit-quote",
         "DIR SYMBOL DATE OPEN HIGH LOW CLOSE VOL OI",
         "Quotes Edit: sets the values of one date",
         "Quotes Edit: the quote of SYMBOL dated DATE takes the values given (decimal\n"
         "numbers; N/A keeps a value as it is). A value the file has no field for is ignored.\n"
         "The quote file is kept as F<n>.BAK first. Refused when no quote has that date.\n",
         Group::Maintenance,
         9,
         9,
         {},
         runEditQuote},
        {"split",
         "DIR SYMBOL DATE NEW OLD",
         "Split: scales every quote before DATE",
         "Split: every quote of SYMBOL dated before DATE (between the first and last quote)\n"
         "gets its open, high, low and close multiplied by OLD/NEW and its volume and open\n"
         "interest by NEW/OLD (share counts above 0). The quote file is kept as F<n>.BAK first.\n",
         Group::Maintenance,
         5,
         5,
         {},
         runSplit},
        {"adjust",
         "DIR SYMBOL FROM TO PRICE VOL OI",
         "Adjust: scales the quotes of a date range",
         "Adjust: every quote of SYMBOL dated FROM..TO (both between the first and last quote)\n"
         "gets its prices multiplied by PRICE, its volume by VOL and its open interest by\n"
         "OI (multipliers above 0). The quote file is kept as F<n>.BAK first.\n",
         Group::Maintenance,
         7,
         7,
         {},
         runAdjust},
        {"delete-quote",
         "DIR SYMBOL DATE",
         "Quotes Delete: removes the quote of one date",
         "Quotes Delete: removes the quote of SYMBOL dated DATE; the MASTER entry's\n"
         "first or last date follows when the first or last quote goes. The quote file is kept as\n"
         "F<n>.BAK first.\n",
         Group::Maintenance,
         3,
         3,
         {},
         runDeleteQuote},
        {"split-search",
         "DIR",
         "the candidate splits of every security of DIR",
         "Split Search: looks at every pair of neighbouring quotes of every security of DIR for a\n"
         "split-like change of the close (1 for 2 ... 4 for 1) between bars that do not overlap,\n"
         "and prints one line per candidate, \"SYMBOL possible I for J split on DATE\". When\n"
         "there is none, \"No candidate splits found\" goes to standard error (exit status 0).\n",
         Group::Maintenance,
         1,
         1,
         {},
         runSplitSearchCommand},
        {"profile",
         "list|show NAME|write NAME KEY=VALUE...",
         "the profiles of the start-up directory",
         "profile list: the profile names (*.pfd of the start-up directory), sorted without regard\n"
         "  to case. When there is none, the sample profile MyFirstProfile is created.\n"
         "profile show NAME: key<TAB>value lines: path, symbol, date, open, high, low, close,\n"
         "  volume, oi (0 = absent), priorday (0/1), dateformat (YY_MM_DD ... DDMMCCYY), delimiter\n"
         "  (comma/tab/space).\n"
         "profile write NAME KEY=VALUE...: writes NAME.pfd after the checks of \"Profile Settings\"\n"
         "  (a new profile when NAME does not exist, else an edit of it). Keys as profile show\n"
         "  prints them; dateformat also takes the code 1..12, priorday also on/off. Keys not given\n"
         "  take the defaults of a new profile (not the values stored): columns 1..8 in the order\n"
         "  symbol, date, open, high, low, close, volume, oi, YY_MM_DD, comma, priorday 0, and as\n"
         "  path the first-level directory of the start-up directory.\n",
         Group::ProfilesAndUpdate,
         1,
         1000,
         {},
         runProfile},
        {"assign",
         "DIR SYMBOL|--all PROFILE",
         "Symbol Assign / Multiple Assign",
         "Assigns the profile PROFILE (a listed profile; case ignored) to the security SYMBOL of DIR\n"
         "(found as \"find\" finds it), or with --all to every security of DIR's MASTER, by\n"
         "writing its F<n>.PFL. With --all a file that cannot be written is reported and the\n"
         "others are still written.\n",
         Group::ProfilesAndUpdate,
         2,
         3,
         {{"--all", false}},
         runAssign},
        {"update",
         "[DIR...]",
         "one update run over the given portfolios",
         "One update run over the portfolios DIR... in the given order (default: the portfolios\n"
         "that the search finds on the saved \"Drive\" with the saved search filter), with the\n"
         "saved settings. Writes AUDIT.TXT in the start-up directory and shows progress on\n"
         "standard error; at the end prints the number of quotes added, then the lines of the\n"
         "anomaly report. Exit status 1 when a merge or an unpacking failed.\n",
         Group::ProfilesAndUpdate,
         0,
         1000,
         {},
         runUpdate},
        {"import",
         "INPUT DIR --symbol S [OPTION...]",
         "imports a text file of daily quotes",
         "The historical import: every line of INPUT (a date and up to six values in the columns\n"
         "given, counted from 1) becomes one quote of the new security S of DIR, in the order of\n"
         "the lines. Options (those not given take the dialog's defaults, not saved settings):\n"
         "  --name N                         name of the security (default: empty)\n"
         "  --new-master                     write a new MASTER (default: use the existing one)\n"
         "  --date-format NAME               YY_MM_DD ... DDMMCCYY (default: MMDDYY)\n"
         "  --delimiter comma|tab|space      (default: comma)\n"
         "  --skip N                         leading lines to skip, 0..200 (default: 0)\n"
         "  --date C --open C --high C --low C --close C --volume C --oi C\n"
         "                                   columns (default: 1 to 7 in that order); 0 leaves\n"
         "                                   a field out (date and close are always read)\n"
         "Prints the new file number and the number of quotes. Nothing is written when the import\n"
         "fails. A value that is not a number is stored as 0 and the first one is named on\n"
         "standard error. A first date that does not fit the kind of format still imports the\n"
         "quotes, but ends with exit status 1.\n",
         Group::ImportAndExport,
         2,
         2,
         {{"--symbol", true},
          {"--name", true},
          {"--new-master", false},
          {"--date-format", true},
          {"--delimiter", true},
          {"--skip", true},
          {"--date", true},
          {"--open", true},
          {"--high", true},
          {"--low", true},
          {"--close", true},
          {"--volume", true},
          {"--oi", true}},
         runImport},
        {"export",
         "DIR SYMBOL OUTPUT [OPTION...]",
         "writes the quotes of a security to a text file",
         "The ASCII export: one CR LF line per quote of SYMBOL: the date MM/DD/YY (YYYY-MM-DD\n"
         "before 1960 and after 2059), then the chosen\n"
         "columns in the order open, high, low, close, volume, oi, each after the delimiter\n"
         "(prices %.4f, volume and oi %.2f, N/A where the quote file has no such field). OUTPUT\n"
         "is replaced when it exists. Prints the number of quotes written. Options:\n"
         "  --columns open,high,low,close,volume,oi   the columns after the date (default: all)\n"
         "  --delimiter space|comma|tab               (default: space)\n"
         "  --newest-first                            (default: oldest quote first)\n"
         "  --title                                   a title row first: DATE OPEN HIGH ...\n",
         Group::ImportAndExport,
         3,
         3,
         {{"--columns", true}, {"--delimiter", true}, {"--newest-first", false}, {"--title", false}},
         runExport},
        {"dump",
         "DIR... [--nested]",
         "every quote of every security, as CSV",
         "Every security of each portfolio DIR (its MASTER securities, then its XMASTER\n"
         "securities; with --nested, after each portfolio the portfolios nested in it) as CSV for\n"
         "other tools: the header line symbol,date,time,open,high,low,close,volume,openint, then\n"
         "one line per quote, oldest first, security after security. Dates YYYY-MM-DD, time\n"
         "HH:MM:SS (00:00:00 for daily records), numbers as the shortest text that reads back as\n"
         "the same single-precision value, an absent field empty (a date or time whose stored\n"
         "value names no day or time of day too). A security that cannot be read is named on\n"
         "standard error and the others are still written; the exit status is then 1.\n",
         Group::BulkReading,
         1,
         1000,
         {{"--nested", false}},
         runDump},
    };
    return table;
}

const CommandSpec* findCommand(std::string_view name)
{
    for (const CommandSpec& command : commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

std::string usageLine(const CommandSpec& command)
{
    return "Usage: " + std::string(kGlobalSynopsis) + " " + std::string(command.name) + " " +
           std::string(command.arguments) + "\n";
}

void writeOverview(std::ostream& out)
{
    out << "Usage: " << kGlobalSynopsis << " COMMAND [ARGS...]\n"
        << "\n"
        << "Every data operation of Quovanta from a terminal. Records are printed one per line,\n"
        << "fields separated by one tab; messages go to standard error.\n"
        << "Dates are MM/DD/YY (two-digit years 00..59 are 2000..2059, 60..99 are 1960..1999) or\n"
        << "YYYY-MM-DD (1900..2099), the only form that names a day outside 1960..2059. Dates are\n"
        << "printed as MM/DD/YY, and as YYYY-MM-DD outside 1960..2059.\n"
        << "dump writes CSV instead, with dates YYYY-MM-DD.\n"
        << "\n"
        << "Global options:\n"
        << "  --ini FILE          settings file (default: $QUOVANTA_INI, else\n"
        << "                      $XDG_CONFIG_HOME/quovanta/QUOVANTA.INI)\n"
        << "  --startup-dir DIR   start-up directory: profile files (*.pfd) and AUDIT.TXT live\n"
        << "                      there (default: the current directory)\n"
        << "  --help              this text; COMMAND --help shows the usage of one command\n";

    std::size_t width = 0;
    for (const CommandSpec& command : commands()) {
        width = std::max(width, command.name.size() + 1 + command.arguments.size());
    }
    const auto writeGroup = [&](Group group, std::string_view title) {
        out << "\n" << title << ":\n";
        for (const CommandSpec& command : commands()) {
            if (command.group != group)
                continue;
            std::string synopsis = std::string(command.name) + " " + std::string(command.arguments);
            synopsis.resize(width, ' ');
            out << "  " << synopsis << "  " << command.summary << "\n";
        }
    };
    writeGroup(Group::Browsing, "Browsing");
    writeGroup(Group::Maintenance, "Maintenance");
    writeGroup(Group::ProfilesAndUpdate, "Profiles and the update run");
    writeGroup(Group::ImportAndExport, "Import and export");
    writeGroup(Group::BulkReading, "Bulk reading");
    out << "\nExit status: 0 success; 1 the operation failed or was refused; 2 wrong usage.\n";
}

int usageFailure(std::ostream& err, std::string_view message, const CommandSpec* command)
{
    err << kProgram << ": " << message << "\n";
    if (command != nullptr) {
        err << usageLine(*command);
    } else {
        err << "Try '" << kProgram << " --help'.\n";
    }
    return kExitUsage;
}

std::string currentDirectory()
{
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    return error ? std::string(".") : cwd.string();
}

bool asksForHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help")
            return true;
    }
    return false;
}

int runCommand(const CommandSpec& command, const std::vector<std::string>& args, Context& context)
{
    if (asksForHelp(args)) {
        context.out << usageLine(command) << "\n" << command.details;
        return kExitSuccess;
    }
    try {
        const Arguments parsed = parseArguments(args, command.options);
        const std::size_t count = parsed.positional.size();
        if (count < command.minPositional)
            return usageFailure(context.err, "missing arguments", &command);
        if (count > command.maxPositional)
            return usageFailure(context.err, "too many arguments", &command);
        return command.run(context, parsed);
    } catch (const UsageError& error) {
        return usageFailure(context.err, error.what(), &command);
    }
}

} // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        Context context{"", "", out, err};
        std::size_t next = 0;
        // Global options come before the command.
        while (next < args.size() && args[next].size() > 1 && args[next][0] == '-') {
            const std::string& arg = args[next];
            if (arg == "--help") {
                writeOverview(out);
                return kExitSuccess;
            }
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            if (name != "--ini" && name != "--startup-dir") {
                return usageFailure(err, "unknown option " + name, nullptr);
            }
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (next + 1 < args.size()) {
                value = args[++next];
            }
            if (value.empty())
                return usageFailure(err, "option " + name + " needs a value", nullptr);
            (name == "--ini" ? context.iniPath : context.startupDir) = value;
            ++next;
        }
        if (next == args.size())
            return usageFailure(err, "no command given", nullptr);
        const CommandSpec* command = findCommand(args[next]);
        if (command == nullptr)
            return usageFailure(err, "unknown command " + args[next], nullptr);
        if (context.iniPath.empty())
            context.iniPath = SettingsFile::defaultPath();
        if (context.startupDir.empty())
            context.startupDir = currentDirectory();

        const std::vector<std::string> commandArgs(args.begin() + static_cast<std::ptrdiff_t>(next) + 1, args.end());
        return runCommand(*command, commandArgs, context);
    } catch (const std::exception& error) {
        writeMessage(err, error.what());
        return kExitFailure;
    } catch (...) {
        writeMessage(err, "Unexpected failure");
        return kExitFailure;
    }
}

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return runCommandLine(args, out, err);
}

} // namespace qv::cli
