// Profile records (<name>.pfd) and assignment records (F<n>.PFL): the input is the profile
// file, the part separator, and the assignment file.

#include "core/profiles/profile.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(data, size, 2);
    ScratchDir scratch;
    writeFile(scratch / "Fuzz.pfd", parts[0]);
    const std::optional<Profile> decoded = decodeProfileRecord(parts[0]);
    const ProfileRead read = readProfile(scratch.path(), "fuzz");
    check(read.ok() == decoded.has_value() && (!decoded || read.profile == *decoded),
          "the file reads as its bytes decode");
    // A profile that can be stored comes back the same, through the record and the file.
    if (decoded && encodeProfileRecord(*decoded)) {
        check(decodeProfileRecord(*encodeProfileRecord(*decoded)) == decoded, "profile record does not round-trip");
        check(writeProfile(scratch.path(), "Fuzz", *decoded).isOk(), "writeProfile");
        const ProfileRead again = readProfile(scratch.path(), "FUZZ");
        check(again.ok() && again.profile == *decoded, "profile file does not round-trip");
    }
    if (parts.size() < 2)
        return 0;
    writeFile(scratch / "f7.pfl", parts[1]);
    const std::string name = decodeAssignmentRecord(parts[1]);
    check(readAssignment(scratch.path(), 7) == name, "the assignment file reads as its bytes decode");
    if (const std::optional<Bytes> encoded = encodeAssignmentRecord(name)) {
        check(decodeAssignmentRecord(*encoded) == name, "assignment record does not round-trip");
        check(writeAssignment(scratch.path(), 7, name).isOk() && readAssignment(scratch.path(), 7) == name,
              "assignment file does not round-trip");
    } else {
        check(name.size() > kMaxProfileNameLength, "a short assignment name cannot be stored");
    }
    return 0;
}
