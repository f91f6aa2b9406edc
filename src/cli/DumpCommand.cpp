#include "cli/DumpCommand.h"

#include "cli/TextOutput.h"
#include "core/ascii/dump.h"

namespace qv::cli {

int runDump(Context& context, const Arguments& args)
{
    const DumpOutcome outcome = dumpPortfolios(args.positional, args.has("--nested"), context.out,
                                               [&](const std::string& message) { writeMessage(context.err, message); });
    context.out.flush();
    // A full disk or a closed pipe must not end in success with the stream cut short.
    if (!context.out) {
        writeMessage(context.err, "The CSV text could not be written to standard output.");
        return kExitFailure;
    }
    return outcome.ok() ? kExitSuccess : kExitFailure;
}

} // namespace qv::cli
