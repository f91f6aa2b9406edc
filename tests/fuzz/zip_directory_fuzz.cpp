// The unpacker's reading of a ZIP central directory: the input is the archive.

#include "fuzz_support.h"
#include "pkunzip/ZipDirectory.h"

#include <fcntl.h>
#include <unistd.h>

using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScratchDir scratch;
    writeFile(scratch / "A.ZIP", Input(data, size));
    const int fd = open((scratch / "A.ZIP").c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open");
    const auto records = qv::pkunzip::readCentralDirectorySizes(fd);
    close(fd);
    // Every record takes at least its 46 fixed bytes of the file.
    check(!records || records->size() * 46 <= size, "more directory records than the file can hold");
    return 0;
}
