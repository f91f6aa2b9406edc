// The bundled unpacker's whole judgement and extraction of an archive, into a private
// directory: the input is the archive file. Limits are small so a run stays fast.

#include "fuzz_support.h"
#include "pkunzip/Unpacker.h"

#include <sys/stat.h>

using namespace qv::fuzz;
namespace pk = qv::pkunzip;

namespace {

// Everything under dir, relative, with its kind; symbolic links are not followed.
std::vector<std::string> listing(const std::string& dir)
{
    std::vector<std::string> out;
    for (auto it = std::filesystem::recursive_directory_iterator(dir); it != std::filesystem::recursive_directory_iterator(); ++it) {
        const auto& e = *it;
        const char kind = e.is_symlink() ? 'l' : e.is_directory() ? 'd' : e.is_regular_file() ? 'f' : '?';
        out.push_back(kind + std::filesystem::relative(e.path(), dir).string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    const std::string archive = scratch / "A.ZIP";
    const std::string dest = scratch / "out";
    writeFile(archive, Input(data, size));
    if (mkdir(dest.c_str(), 0755) != 0)
        fail("mkdir");
    pk::ExtractLimits limits;
    limits.maxTotalBytes = 1 << 20;
    const pk::ExtractResult r = pk::extract(archive, dest, std::string("secret"), limits);

    check(listing(scratch.path()).size() == 1 + 1 + listing(dest).size(), "the unpacker wrote beside its destination");
    if (!r.ok()) {
        check(!r.reason.empty(), "a failure without a reason");
        check(listing(dest).empty(), "a failed extraction left files behind");
        return 0;
    }
    for (const std::string& e : listing(dest)) {
        check(e[0] == 'f' || e[0] == 'd', "an extracted entry that is no file or directory");
        // Names beginning ".pkunzip-" are the unpacker's own temporary files.
        check(std::filesystem::path(e.substr(1)).filename().string().rfind(".pkunzip-", 0) != 0,
              "a temporary file left after success");
    }
    return 0;
}
