// The bundled unpacker's judgement and extraction of an archive (the input) into a private
// directory, with a small size limit so a run stays fast.

#include "fuzz_support.h"
#include "pkunzip/Unpacker.h"

using namespace qv::fuzz;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    writeFile(scratch / "A.ZIP", Input(data, size));
    makeDir(scratch / "out");
    qv::pkunzip::ExtractLimits limits;
    limits.maxTotalBytes = 1 << 20;
    const auto r = qv::pkunzip::extract(scratch / "A.ZIP", scratch / "out", std::string("secret"), limits);

    check(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()) == 2,
          "the unpacker wrote beside its destination");
    check(r.ok() || !r.reason.empty(), "a failure without a reason");
    for (const auto& e : fs::recursive_directory_iterator(scratch / "out")) {
        check(r.ok(), "a failed extraction left files behind");
        check(!e.is_symlink() && (e.is_directory() || e.is_regular_file()),
              "an extracted entry that is no file or directory");
        // ".pkunzip-" names are the unpacker's own temporary files.
        check(e.path().filename().string().rfind(".pkunzip-", 0) != 0, "a temporary file left after success");
    }
    return 0;
}
