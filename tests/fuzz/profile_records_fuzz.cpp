// Profile records (<name>.pfd) and assignment records (F<n>.PFL): the input is the profile
// file, the part separator, and the assignment file.

#include "core/profiles/profile.h"
#include "fuzz_support.h"

using namespace qv;
using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Input> parts = splitParts(Input(data, size), 2);
    ScratchDir scratch;

    writeFile(scratch / "Fuzz.pfd", parts[0]);
    const std::optional<Profile> decoded = decodeProfileRecord(parts[0]);
    check(decoded.has_value() == (parts[0].size() >= kProfileRecordSize), "records of 313 bytes decode");
    const ProfileRead read = readProfile(scratch.path(), "fuzz");
    check(read.ok == decoded.has_value(), "the file reads as its bytes decode");
    if (decoded) {
        check(read.profile == *decoded, "the file reads as its bytes decode");
        check(decoded->updatePath.size() <= kProfilePathFieldSize, "update path beyond its field");
        // A profile that can be stored comes back the same, through the record and the file.
        if (const std::optional<Bytes> encoded = encodeProfileRecord(*decoded)) {
            check(encoded->size() == kProfileRecordSize, "record size");
            check(decodeProfileRecord(*encoded) == decoded, "profile record does not round-trip");
            const ProfileOutcome written = writeProfile(scratch.path(), "Fuzz", *decoded);
            check(written.ok, "writeProfile");
            const ProfileRead again = readProfile(scratch.path(), "FUZZ");
            check(again.ok && again.profile == *decoded, "profile file does not round-trip");
        }
    }

    if (parts.size() > 1) {
        writeFile(scratch / "f7.pfl", parts[1]);
        const std::string name = decodeAssignmentRecord(parts[1]);
        check(name.size() <= kMaxProfileNameLength + 1, "assignment name beyond its record");
        check(name.find('\0') == std::string::npos, "assignment name holds its terminator");
        const std::optional<std::string> assigned = readAssignment(scratch.path(), 7);
        check(assigned == name, "the assignment file reads as its bytes decode");
        if (const std::optional<Bytes> encoded = encodeAssignmentRecord(name)) {
            check(encoded->size() == kAssignmentRecordSize, "assignment record size");
            check(decodeAssignmentRecord(*encoded) == name, "assignment record does not round-trip");
            check(writeAssignment(scratch.path(), 7, name).ok, "writeAssignment");
            check(readAssignment(scratch.path(), 7) == name, "assignment file does not round-trip");
        } else {
            check(name.size() > kMaxProfileNameLength, "a short assignment name cannot be stored");
        }
    }
    return 0;
}
