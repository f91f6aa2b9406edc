#include "cli/SplitSearchCommand.h"

#include "cli/TextOutput.h"
#include "core/maintain/split_search.h"

namespace qv::cli {

int runSplitSearchCommand(Context& context, const Arguments& args)
{
    SplitSearchReporter reporter;
    // Lines go out as they are found, as the window lists them, so a long search shows progress.
    reporter.onCandidate = [&](const SplitCandidate& candidate) {
        context.out << splitCandidateLine(candidate) << '\n' << std::flush;
    };
    reporter.onMessage = [&](const SplitSearchMessage& message) { writeMessage(context.err, message.text); };

    const SplitSearchOutcome outcome = runSplitSearch(args.positional.at(0), reporter);
    if (!outcome.done()) {
        writeMessage(context.err, outcome.failure.message());
        return kExitFailure;
    }
    if (const auto message = outcome.finalMessage())
        writeMessage(context.err, message->text);
    return kExitSuccess;
}

} // namespace qv::cli
