#include "pkunzip/CommandLine.h"

#include "pkunzip/Unpacker.h"

#include <optional>
#include <ostream>

namespace qv::pkunzip {
namespace {

constexpr const char* kProgram = "PKUNZIP.EXE";

void printUsage(std::ostream& out)
{
    out << "Usage: " << kProgram << " NAME [-o] [-sPASSWORD]\n"
        << "       " << kProgram << " [-o] [-sPASSWORD] -- NAME\n"
        << "Extracts the ZIP archive NAME into the current directory, overwriting existing files.\n"
        << "A NAME ending in .EXE is a self-extracting archive: the ZIP data after its program\n"
        << "stub is extracted.\n"
        << "\n"
        << "  -o          overwrite existing files (always done; accepted for compatibility)\n"
        << "  -sPASSWORD  the password of encrypted entries, written directly after -s\n"
        << "  --          every argument after it is the archive's name, even one beginning with -\n"
        << "  --help      show this help\n"
        << "\n"
        << "Nothing is written when an entry would land outside the current directory, is a link\n"
        << "or special file, has a control character in its name, or the archive would expand\n"
        << "past 1 GiB or 1000 times an entry's size. A failed extraction leaves the directory\n"
        << "as it was.\n"
        << "Exit status: 0 when every entry was extracted, 1 when the extraction failed, 2 for a\n"
        << "command line that is not understood.\n";
}

bool endsWithExe(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (auto& ch : tail) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    return tail == ".EXE";
}

int usageError(std::ostream& err, const std::string& message)
{
    err << kProgram << ": " << message << " (try " << kProgram << " --help)\n";
    return kExitUsage;
}

} // namespace

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> name;
    std::optional<std::string> password;
    bool namesOnly = false;
    for (const auto& arg : args) {
        if (namesOnly) {
            if (name)
                return usageError(err, "more than one archive named");
            name = arg;
            continue;
        }
        if (arg == "--") {
            namesOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?") {
            printUsage(out);
            return kExitExtracted;
        }
        if (arg.size() >= 2 && arg[0] == '-') {
            const char option = arg[1];
            if ((option == 'o' || option == 'O') && arg.size() == 2)
                continue;
            if (option == 's' || option == 'S') {
                password = arg.substr(2);
                continue;
            }
            return usageError(err, "unknown option " + arg);
        }
        if (name)
            return usageError(err, "more than one archive named");
        name = arg;
    }
    if (!name || name->empty())
        return usageError(err, "no archive named");

    const bool selfExtracting = endsWithExe(*name);
    const ExtractResult result = extract(*name, ".", password);
    if (result.ok())
        return kExitExtracted;
    std::string reason = result.reason;
    if (result.status == ExtractStatus::NotAnArchive)
        reason = selfExtracting ? "not a self-extracting ZIP archive" : "not a ZIP archive";
    err << kProgram << ": " << *name << ": " << reason << "\n";
    return kExitFailed;
}

} // namespace qv::pkunzip
