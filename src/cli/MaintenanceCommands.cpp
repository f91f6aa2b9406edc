#include "cli/MaintenanceCommands.h"

#include "cli/TextOutput.h"
#include "core/maintain/symbol_commands.h"
#include "core/store/master.h"
#include "core/store/securities.h"

#include <string>

namespace qv::cli {

namespace {

// A refusal shows the core's message and fails; a notice that comes with success is shown
// as well, the way the program would show it in a message box.
int finish(Context& context, const CommandResult& result)
{
    if (const std::string shown = result.message(); !shown.empty())
        writeMessage(context.err, shown);
    return result.ok() ? kExitSuccess : kExitFailure;
}

} // namespace

int runCreatePortfolio(Context& context, const Arguments& args)
{
    return finish(context, addPortfolio(args.positional[0]));
}

int runAddSymbol(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const std::string name = args.positional.size() > 2 ? securityTextArgument(args.positional[2], "NAME") : "";
    const CommandResult result = addSymbol(dir, symbol, name);
    const int status = finish(context, result);
    if (status == kExitSuccess)
        context.out << result.fileNumber << '\n';
    return status;
}

int runDeleteSymbol(Context& context, const Arguments& args)
{
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    return finish(context, deleteSymbol(args.positional[0], symbol));
}

int runEditSymbol(Context& context, const Arguments& args)
{
    const std::string& dir = args.positional[0];
    const std::string oldSymbol = securityTextArgument(args.positional[1], "OLD");
    const std::string newSymbol = securityTextArgument(args.positional[2], "NEW");
    std::string name;
    if (args.positional.size() > 3) {
        name = securityTextArgument(args.positional[3], "NAME");
    } else {
        // The dialog opens with the selected row's name; without NAME the name stays as it is.
        // When the security is not found, the edit below reports it.
        const FoundSecurity found = findSecurity(dir, oldSymbol);
        if (found.status == kStatusOk)
            name = found.security.fromXmaster() ? found.security.name : found.entry.name();
    }
    return finish(context, editSymbol(dir, oldSymbol, newSymbol, name));
}

int runSkip(Context& context, const Arguments& args)
{
    const std::string symbol = securityTextArgument(args.positional[1], "SYMBOL");
    const bool skip = onOffArgument(args.positional[2]);
    return finish(context, setSymbolSkip(args.positional[0], symbol, skip));
}

int runSkipAll(Context& context, const Arguments& args)
{
    const bool skipAll = onOffArgument(args.positional[1]);
    return finish(context, adjustPortfolioSkip(args.positional[0], skipAll));
}

} // namespace qv::cli
