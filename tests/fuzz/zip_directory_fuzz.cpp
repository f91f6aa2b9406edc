// The unpacker's own reading of a ZIP central directory (the sizes it judges entries by):
// the input is the archive file.

#include "fuzz_support.h"
#include "pkunzip/ZipDirectory.h"

#include <fcntl.h>
#include <unistd.h>

using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    const std::string path = scratch / "A.ZIP";
    writeFile(path, Input(data, size));
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open");
    const auto records = qv::pkunzip::readCentralDirectorySizes(fd);
    close(fd);
    if (records) {
        // Every record takes at least its 46 fixed bytes of the file.
        check(records->size() * 46 <= size, "more directory records than the file can hold");
        for (const auto& r : *records)
            check(r.name.size() <= size, "a name longer than the file");
    }
    return 0;
}
