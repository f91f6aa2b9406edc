// SKIPQVTA.PBG: the input is the file (an empty input stands for a missing file).

#include "core/store/skip_list.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    if (size > 0)
        writeFile(scratch / kSkipFileName, Input(data, size));
    const SkipFlags flags = readSkipFlags(scratch.path());
    check(flags.size() == kSkipFlagCount, "skip marks of a readable directory");
    for (std::size_t k = 0; k < kSkipFlagCount; ++k) {
        check(flags[k] == '0' || flags[k] == '1', "a skip mark that is neither 0 nor 1");
        if (size > 0)
            check((flags[k] == '1') == (k < size && data[k] != 0), "a skip mark not as the file holds it");
    }
    if (size == 0)
        check(flags == defaultSkipFlags(), "a missing skip list does not read as the default");

    // What is written reads back unchanged.
    check(writeSkipFlags(scratch.path(), flags) == flags, "writeSkipFlags");
    check(readSkipFlags(scratch.path()) == flags, "skip marks do not survive a write");
    return 0;
}
