// The one wording of a failure that the command line and the dialogs share.

#include "core/store/outcome.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Outcome, MessageIsTheSentenceThenTheCauseAndAFailureIsNeverOk)
{
    const std::pair<Outcome, std::string> cases[] = {
        {Outcome::ok(), ""},
        {Outcome::failure(kStatusFileNotFound, "/p", "The facts could not be read.", "File Not Found"),
         "The facts could not be read.\nFile Not Found"},
        {Outcome::failure(kStatusFileWrite, "/p/F1.DAT", "", "write F1.DAT: No space left on device"),
         "write F1.DAT: No space left on device"},
        {Outcome::failure(kStatusRecordNotFound, "", ""), "Record Not Found"},
        {Outcome::failure(-42, "", ""), "Status -42"},
        // What else went wrong on the way back goes below the cause, or below the sentence.
        {Outcome::failure(kStatusFileWrite, "/p/MASTER", "The MASTER file in /p could not be written.", "EIO")
             .withMore("EMASTER could not be put back: EIO"),
         "The MASTER file in /p could not be written.\nEIO\nEMASTER could not be put back: EIO"},
        {Outcome::failure(kStatusFileWrite, "/p/MASTER", "Duplicate Symbol failure").withMore("F3.DAT: busy"),
         "Duplicate Symbol failure\nF3.DAT: busy"},
        {Outcome::ok().withMore("F3.DAT: busy"), ""}};
    for (const auto& [outcome, message] : cases)
        EXPECT_EQ(outcome.message(), message);
    // A failure made with the success code would otherwise be reported as success.
    const Outcome o = Outcome::failure(kStatusOk, "/p/MASTER", "The MASTER file could not be written.");
    EXPECT_FALSE(o.isOk());
    EXPECT_NE(o.status(), kStatusOk);
    EXPECT_EQ(o.message(), "The MASTER file could not be written.");
}

} // namespace
} // namespace qv
