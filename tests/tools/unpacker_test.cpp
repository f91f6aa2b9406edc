// The unpacker against archives built here with libarchive's writer, most of them hostile.
// Each test extracts into out/ of a sandbox; whatever lies outside out/ is "outside".

#include "pkunzip/CommandLine.h"
#include "pkunzip/Unpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qv::pkunzip {
namespace {

namespace fs = std::filesystem;

constexpr time_t kMtime = 946684800; // 2000-01-01

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

class Sandbox {
public:
    Sandbox()
    {
        std::string pattern = (fs::temp_directory_path() / "qv-pkunzip-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::create_directory(out());
        writeFile(path("victim"), "keep");
    }
    ~Sandbox() { fs::remove_all(root_); }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string out() const { return root_ + "/out"; }
    std::string path(const std::string& name) const { return root_ + "/" + name; }
    std::string inside(const std::string& name) const { return out() + "/" + name; }

    // Every path (links not followed) with its content's hash: catches any file written or removed.
    std::set<std::string> snapshot() const
    {
        std::set<std::string> seen;
        for (const auto& item : fs::recursive_directory_iterator(root_)) {
            std::string line = fs::relative(item.path(), root_).string();
            if (item.is_symlink())
                line += " -> " + fs::read_symlink(item.path()).string();
            else if (item.is_regular_file())
                line += " = " + std::to_string(std::hash<std::string>{}(readFile(item.path().string())));
            seen.insert(line);
        }
        return seen;
    }

    // Extracts the bytes given as A.ZIP beside out/; a refusal must leave the sandbox as it was.
    ExtractResult extractZip(const std::string& zip, const std::optional<std::string>& password = std::nullopt,
                             const ExtractLimits& limits = {}, const ExtractFaults& faults = {}) const
    {
        writeFile(path("A.ZIP"), zip);
        const auto before = snapshot();
        ExtractResult result = extract(path("A.ZIP"), out(), password, limits, faults);
        EXPECT_TRUE(result.ok() || snapshot() == before) << "refused with " << result.reason;
        return result;
    }

private:
    std::string root_;
};

struct Entry {
    std::string name;
    std::string data;
    unsigned type = AE_IFREG;
    std::string symlink;
};

Entry file(std::string name, std::string data) { return Entry{std::move(name), std::move(data), AE_IFREG, {}}; }
Entry directory(std::string name) { return Entry{std::move(name), {}, AE_IFDIR, {}}; }

// Bytes that deflate cannot shrink, the same on every run.
std::string noise(std::size_t size)
{
    std::string data(size, '\0');
    std::uint32_t state = 12345;
    for (auto& ch : data) {
        state = state * 1103515245u + 12345u;
        ch = static_cast<char>(state >> 24);
    }
    return data;
}

// The archive as libarchive's writer makes it, returned as bytes for editing; a password
// means traditional PKWARE encryption.
std::string makeZip(const std::vector<Entry>& entries, const std::string& password = {})
{
    std::vector<char> buffer(64 << 20);
    std::size_t used = 0;
    archive* w = archive_write_new();
    archive_write_set_format_zip(w);
    if (!password.empty()) {
        EXPECT_EQ(archive_write_set_options(w, "zip:encryption=zipcrypt"), ARCHIVE_OK);
        EXPECT_EQ(archive_write_set_passphrase(w, password.c_str()), ARCHIVE_OK);
    }
    EXPECT_EQ(archive_write_open_memory(w, buffer.data(), buffer.size(), &used), ARCHIVE_OK);
    for (const auto& item : entries) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, item.name.c_str());
        archive_entry_set_filetype(e, item.type);
        archive_entry_set_perm(e, item.type == AE_IFDIR ? 0755 : 0644);
        archive_entry_set_mtime(e, kMtime, 0);
        if (!item.symlink.empty())
            archive_entry_set_symlink(e, item.symlink.c_str());
        archive_entry_set_size(e, static_cast<la_int64_t>(item.data.size()));
        EXPECT_EQ(archive_write_header(w, e), ARCHIVE_OK) << archive_error_string(w);
        EXPECT_EQ(archive_write_data(w, item.data.data(), item.data.size()), static_cast<la_ssize_t>(item.data.size()));
        archive_entry_free(e);
    }
    EXPECT_EQ(archive_write_close(w), ARCHIVE_OK);
    archive_write_free(w);
    return std::string(buffer.data(), used);
}

// Where each record of a signature starts, for editing an archive image.
std::vector<std::size_t> find(const std::string& zip, const std::string& signature)
{
    std::vector<std::size_t> at;
    for (auto pos = zip.find(signature); pos != std::string::npos; pos = zip.find(signature, pos + 1))
        at.push_back(pos);
    return at;
}
const std::string kCentralSignature("PK\x01\x02", 4);
const std::string kLocalSignature("PK\x03\x04", 4);
void put16(std::string& zip, std::size_t at, unsigned value)
{
    zip[at] = static_cast<char>(value & 0xff);
    zip[at + 1] = static_cast<char>((value >> 8) & 0xff);
}

// Each archive over an existing file (longer than the new one) and an existing symbolic link
// under an entry's name: the link is replaced, not written through. DOS archives separate
// directories with backslashes.
TEST(Unpacker, ExtractsPlainEncryptedAndSelfExtractingArchivesOverWhatIsThere)
{
    const std::vector<Entry> entries = {file("IBM.ASC", "new\n"), directory("SUB/"),
                                        file("SUB\\DEEP\\MSFT.ASC", noise(200000)), file("LINKED.ASC", "")};
    const struct {
        const char* what;
        std::string zip;
        std::optional<std::string> password;
    } cases[] = {{"plain", makeZip(entries), std::nullopt},
                 {"encrypted", makeZip(entries, "Secret7"), "Secret7"},
                 {"program stub", "MZ" + noise(7000) + makeZip(entries), std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sandbox box;
        writeFile(box.inside("IBM.ASC"), "old content that is longer than the new one\n");
        fs::create_symlink(box.path("victim"), box.inside("LINKED.ASC"));
        const auto result = box.extractZip(c.zip, c.password);
        ASSERT_TRUE(result.ok()) << result.reason;
        EXPECT_EQ(result.filesExtracted, 3u);
        EXPECT_EQ(readFile(box.inside("IBM.ASC")), "new\n");
        EXPECT_EQ(readFile(box.inside("SUB/DEEP/MSFT.ASC")), noise(200000));
        EXPECT_FALSE(fs::is_symlink(box.inside("LINKED.ASC")));
        EXPECT_EQ(readFile(box.path("victim")), "keep");
        // No temporary file is left: A.ZIP, victim, out and five in out/.
        EXPECT_EQ(box.snapshot().size(), 8u);
    }
}

// Every refusal leaves the sandbox as it was (checked by extractZip): even where an earlier
// entry was whole, no file takes its real name before every entry has been read.
TEST(Unpacker, HostileArchivesAreRefusedBeforeAnythingIsWritten)
{
    Sandbox box;
    fs::create_directory(box.path("elsewhere"));
    fs::create_directory_symlink(box.path("elsewhere"), box.inside("LINKDIR"));

    // Garbage and torn archives are the fuzz targets' part.
    std::string flipped = makeZip({file("FIRST.ASC", noise(30000)), file("SECOND.ASC", noise(30000))});
    flipped[find(flipped, kLocalSignature).at(1) + 200] ^= 0x55; // inside SECOND's data
    // The directory and the local header say 100 bytes, the data holds a megabyte.
    std::string liar = makeZip({file("FIRST", "small and true"), file("LIAR", noise(1 << 20))});
    put16(liar, find(liar, kCentralSignature).at(1) + 24, 100); // uncompressed size, low half
    put16(liar, find(liar, kCentralSignature).at(1) + 26, 0);
    put16(liar, find(liar, kLocalSignature).at(1) + 22, 100);
    put16(liar, find(liar, kLocalSignature).at(1) + 24, 0);
    const std::string encrypted = makeZip({directory("SUB/"), file("SUB/ONE.ASC", noise(5000))}, "Secret7");
    // Zeros deflate about a thousandfold; text that shrinks less passes the same ratio limit.
    const std::string bomb = makeZip({file("GOOD.ASC", "x"), file("ZEROS", std::string(1 << 20, '\0'))});
    const std::string text = makeZip({file("TEXT", std::string(1 << 16, 'x').replace(0, 5000, noise(5000)))});
    const std::string big = makeZip({file("ONE", noise(40000)), file("TWO", noise(40000))});
    // ZIP records other kinds of file only in the Unix mode of the central directory.
    const auto ofKind = [](unsigned mode) {
        std::string zip = makeZip({file("GOOD.ASC", "x"), file("ODD", "")});
        put16(zip, find(zip, kCentralSignature).at(1) + 4, (3 << 8) | 20); // made on Unix
        put16(zip, find(zip, kCentralSignature).at(1) + 40, mode);         // high half of the external attributes
        return zip;
    };
    const ExtractLimits ratio100{std::uint64_t{1} << 30, 100};
    const ExtractLimits bytes64k{65536, 1000};
    // Names the file system cannot hold are refused before anything is written, not half way.
    std::string deep;
    for (int level = 0; level < 20; ++level)
        deep += std::string(250, 'd') + "/";
    deep += "X.ASC";

    using enum ExtractStatus;
    const struct {
        const char* what;
        std::string zip;
        std::optional<ExtractStatus> status; // nullopt: any refusal
        std::string reason = {};             // a part of the reason, where the user must be told which
        ExtractLimits limits = {};
        std::optional<std::string> password = std::nullopt;
    } cases[] = {
        {"parent", makeZip({file("GOOD.ASC", "x"), file("../evil", "x")}), UnsafeEntry},
        {"parent in the middle", makeZip({file("a/../../b", "x")}), UnsafeEntry},
        {"backslash parent", makeZip({file("..\\evil", "x")}), UnsafeEntry},
        {"parent directory entry", makeZip({directory("../evildir/")}), UnsafeEntry},
        {"absolute", makeZip({file(box.path("abs"), "x")}), UnsafeEntry},
        {"drive letter", makeZip({file("C:evil", "x")}), UnsafeEntry},
        {"reserved temporary name", makeZip({file(".pkunzip-IBM.ASC", "x")}), UnsafeEntry},
        {"symbolic link", makeZip({file("GOOD.ASC", "x"), Entry{"link", {}, AE_IFLNK, box.path("victim")}}),
         UnsafeEntry},
        {"through an existing link", makeZip({file("LINKDIR/IBM.ASC", "x")}), UnsafeEntry},
        {"file and directory of one name", makeZip({file("a", "x"), file("a/b", "y")}), UnsafeEntry},
        {"no password", encrypted, BadPassword, "is encrypted and no password was given"},
        {"password of another case", encrypted, BadPassword, "wrong password for entry \"SUB/ONE.ASC\"", {}, "secret7"},
        {"line feed in a name", makeZip({file("GOOD.ASC", "x"), file("IBM.ASC\nERROR: forged", "x")}), UnsafeEntry,
         "has a control character in its name"},
        {"name part too long", makeZip({file("GOOD.ASC", "x"), file(std::string(256, 'n'), "x")}), UnsafeEntry,
         "longer than 255 bytes"},
        {"path too long", makeZip({file("GOOD.ASC", "x"), file(deep, "x")}), UnsafeEntry},
        {"data damaged", flipped, std::nullopt},
        {"bomb", bomb, TooLarge, "", ratio100},
        {"past the byte limit", big, TooLarge, "", bytes64k},
        {"lying size", liar, TooLarge, "", bytes64k},
        {"lying size, generous limits", liar, std::nullopt},
        {"text under the ratio limit", text, Extracted, "", ratio100},
        {"just under the byte limit", big, Extracted, "", {80000, 1000}},
        {"no entries: a vendor's day without data", "MZ" + noise(3000) + makeZip({}), Extracted},
        // Pipes and devices are refused, not made into empty files; a set-user-ID file comes out
        // as a plain file without the bit (checked below).
        {"pipe", ofKind(0010644), UnsafeEntry},
        {"device", ofKind(0020644), UnsafeEntry},
        {"set-user-ID", ofKind(0104755), Extracted},
    };
    for (const auto& c : cases) {
        const ExtractResult result = box.extractZip(c.zip, c.password, c.limits);
        if (c.status)
            EXPECT_EQ(result.status, *c.status) << c.what << ": " << result.reason;
        else
            EXPECT_FALSE(result.ok()) << c.what;
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << c.what << ": " << result.reason;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(box.inside("ODD").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode) && (st.st_mode & 07000) == 0);
    EXPECT_TRUE(fs::is_empty(box.path("elsewhere")));
    EXPECT_EQ(readFile(box.path("victim")), "keep");
}

// Every move of a staged file into place fails in turn: the moves made before it are undone
// (a new file goes, a replaced one comes back, created directories go), so the destination is
// exactly as before, and the reason names the entry that failed.
TEST(Unpacker, AFailedMoveIntoPlaceUndoesEveryMoveBeforeIt)
{
    const std::string zip = makeZip(
        {file("NEW.ASC", "new"), file("OLD.ASC", "replacement"), file("SUB/DEEP/X.ASC", "x"), file("KEPT/Y.ASC", "y")});
    const char* const names[] = {"NEW.ASC", "OLD.ASC", "SUB/DEEP/X.ASC", "KEPT/Y.ASC"};
    for (std::size_t failing = 1; failing <= 4; ++failing) {
        Sandbox box;
        writeFile(box.inside("OLD.ASC"), "old content");
        fs::create_directory(box.inside("KEPT"));
        const ExtractResult result = box.extractZip(zip, std::nullopt, {}, ExtractFaults{failing}); // compares
        EXPECT_EQ(result.status, ExtractStatus::WriteFailed) << failing;
        EXPECT_NE(result.reason.find(std::string("\"") + names[failing - 1] + "\""), std::string::npos)
            << failing << ": " << result.reason;
        EXPECT_EQ(readFile(box.inside("OLD.ASC")), "old content") << failing;
        EXPECT_TRUE(fs::is_directory(box.inside("KEPT"))) << failing;
    }
}

// The program as the update engine starts it: in the update directory, "NAME -o [-sPASSWORD]".
int runPkunzip(const Sandbox& box, const std::vector<std::string>& args)
{
    std::string command = "cd '" + box.out() + "' && '" QUOVANTA_PKUNZIP_PATH "'";
    for (const auto& arg : args)
        command += " '" + arg + "'";
    const int status = std::system((command + " >/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A refusal is one line naming the archive and the reason, even for a name holding a line break.
TEST(PkunzipProgram, ExtractsWithTheEngineCommandLineAndRefusesInOneLine)
{
    Sandbox box;
    writeFile(box.inside("IBM.ASC"), "old");
    writeFile(box.inside("daily.zip"), makeZip({file("IBM.ASC", "new"), file("SUB/X.ASC", "x")}, "pw"));
    EXPECT_EQ(runPkunzip(box, {"daily.zip", "-o", "-spw"}), kExitExtracted);
    EXPECT_EQ(readFile(box.inside("IBM.ASC")), "new");
    EXPECT_EQ(readFile(box.inside("SUB/X.ASC")), "x");
    writeFile(box.inside("Daily.Exe"), "MZ" + noise(5000) + makeZip({file("GC.ASC", "sfx")}));
    EXPECT_EQ(runPkunzip(box, {"-o", "Daily.Exe"}), kExitExtracted);
    EXPECT_EQ(readFile(box.inside("GC.ASC")), "sfx");

    const std::string evil = box.inside("EVIL.ZIP");
    writeFile(evil, makeZip({file("../evil\nsecond line", "x")}));
    const auto before = box.snapshot();
    std::ostringstream out, err;
    EXPECT_EQ(runCommandLine({evil, "-o"}, out, err), kExitFailed);
    EXPECT_EQ(err.str(),
              "PKUNZIP.EXE: " + evil + ": entry \"../evil?second line\" has a control character in its name\n");
    EXPECT_EQ(box.snapshot(), before);
    EXPECT_EQ(runCommandLine({"--help"}, out, err), kExitExtracted);
    EXPECT_NE(out.str().find("Usage: PKUNZIP.EXE NAME"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{}, {"A.ZIP", "B.ZIP"}})
        EXPECT_EQ(runCommandLine(args, out, err), kExitUsage);
    // A name that looks like an option is an archive when named as the engine names it
    // ("./-sX.ZIP") or after "--"; bare, it is the password option and no archive is named.
    writeFile(box.inside("-sX.ZIP"), makeZip({file("DASH.ASC", "dash")}));
    writeFile(box.inside("-o"), makeZip({file("O.ASC", "o")}));
    EXPECT_EQ(runPkunzip(box, {"./-sX.ZIP", "-o"}), kExitExtracted);
    EXPECT_EQ(readFile(box.inside("DASH.ASC")), "dash");
    EXPECT_EQ(runPkunzip(box, {"-o", "--", "-o"}), kExitExtracted);
    EXPECT_EQ(readFile(box.inside("O.ASC")), "o");
    EXPECT_EQ(runPkunzip(box, {"-sX.ZIP", "-o"}), kExitUsage);
    EXPECT_EQ(runPkunzip(box, {"--", "-sX.ZIP", "B.ZIP"}), kExitUsage);
}

} // namespace
} // namespace qv::pkunzip
