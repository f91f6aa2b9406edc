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
    check(writeSkipFlags(scratch.path(), flags) == flags && readSkipFlags(scratch.path()) == flags,
          "skip marks do not survive a write");
    return 0;
}
