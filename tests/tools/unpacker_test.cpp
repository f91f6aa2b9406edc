// The unpacker against archives built here with libarchive's writer, many of them hostile.
// Every test works in a sandbox: the archive lies in the sandbox, extraction goes to its
// sub-directory out/, and whatever lies outside out/ is "outside".

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
const std::nullopt_t kNoPassword = std::nullopt;

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

    // Every path in the sandbox (symbolic links not followed), with file contents, so that a
    // comparison catches any file written, replaced or removed.
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

    // Extracts the archive bytes given, written as A.ZIP beside out/; a refusal must leave the
    // sandbox exactly as it was.
    ExtractResult extractZip(const std::string& zip, const std::optional<std::string>& password = kNoPassword,
                             const ExtractLimits& limits = {}) const
    {
        writeFile(path("A.ZIP"), zip);
        const auto before = snapshot();
        ExtractResult result = extract(path("A.ZIP"), out(), password, limits);
        if (!result.ok()) {
            EXPECT_EQ(snapshot(), before) << "refused with " << result.reason;
        }
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
    std::string hardlink;
};

Entry file(std::string name, std::string data) { return Entry{std::move(name), std::move(data), AE_IFREG, {}, {}}; }
Entry directory(std::string name) { return Entry{std::move(name), {}, AE_IFDIR, {}, {}}; }

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

enum ZipFlags : unsigned { kUtf8Names = 1, kZip64 = 2 }; // names flagged as UTF-8; ZIP64 records

// The archive as libarchive's writer makes it, returned as bytes for editing; a password
// means traditional PKWARE encryption.
std::string makeZip(const std::vector<Entry>& entries, const std::string& password = {}, unsigned flags = 0)
{
    const bool utf8Names = (flags & kUtf8Names) != 0;
    std::vector<char> buffer(64 << 20);
    std::size_t used = 0;
    archive* w = archive_write_new();
    archive_write_set_format_zip(w);
    if (utf8Names) {
        EXPECT_EQ(archive_write_set_options(w, "zip:hdrcharset=UTF-8"), ARCHIVE_OK);
    }
    if ((flags & kZip64) != 0) {
        EXPECT_EQ(archive_write_set_options(w, "zip:zip64"), ARCHIVE_OK);
    }
    if (!password.empty()) {
        EXPECT_EQ(archive_write_set_options(w, "zip:encryption=zipcrypt"), ARCHIVE_OK);
        EXPECT_EQ(archive_write_set_passphrase(w, password.c_str()), ARCHIVE_OK);
    }
    EXPECT_EQ(archive_write_open_memory(w, buffer.data(), buffer.size(), &used), ARCHIVE_OK);
    for (const auto& item : entries) {
        archive_entry* e = archive_entry_new();
        if (utf8Names)
            archive_entry_update_pathname_utf8(e, item.name.c_str());
        else
            archive_entry_set_pathname(e, item.name.c_str());
        archive_entry_set_filetype(e, item.type);
        archive_entry_set_perm(e, item.type == AE_IFDIR ? 0755 : 0644);
        archive_entry_set_mtime(e, kMtime, 0);
        if (!item.symlink.empty())
            archive_entry_set_symlink(e, item.symlink.c_str());
        if (!item.hardlink.empty())
            archive_entry_set_hardlink(e, item.hardlink.c_str());
        archive_entry_set_size(e, static_cast<la_int64_t>(item.data.size()));
        EXPECT_EQ(archive_write_header(w, e), ARCHIVE_OK) << archive_error_string(w);
        EXPECT_EQ(archive_write_data(w, item.data.data(), item.data.size()), static_cast<la_ssize_t>(item.data.size()));
        archive_entry_free(e);
    }
    EXPECT_EQ(archive_write_close(w), ARCHIVE_OK);
    archive_write_free(w);
    return std::string(buffer.data(), used);
}

// Byte editing of an archive image: where each record starts, and little-endian writes.
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
void put32(std::string& zip, std::size_t at, std::uint32_t value)
{
    put16(zip, at, value & 0xffff);
    put16(zip, at + 2, value >> 16);
}

// ---------------------------------------------------------------------------------------------
// Archives that are fine

TEST(Unpacker, ExtractsFilesAndDirectoriesWithTheirDates)
{
    Sandbox box;
    const auto result = box.extractZip(makeZip({file("IBM.ASC", "19990104,1,2,3\n"), directory("SUB/"),
                                                file("SUB/DEEP/MSFT.ASC", noise(200000)), file("EMPTY.ASC", "")}));
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(result.filesExtracted, 3u);
    EXPECT_EQ(readFile(box.inside("IBM.ASC")), "19990104,1,2,3\n");
    EXPECT_EQ(readFile(box.inside("SUB/DEEP/MSFT.ASC")), noise(200000));
    EXPECT_TRUE(fs::is_regular_file(box.inside("EMPTY.ASC")));
    struct stat st{};
    ASSERT_EQ(::stat(box.inside("IBM.ASC").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, kMtime);
    // Nothing else: no temporary file is left beside the real ones.
    EXPECT_EQ(box.snapshot().size(), 8u); // A.ZIP, victim, out, out/SUB, out/SUB/DEEP, three files
}

TEST(Unpacker, OverwritesExistingFilesAndReplacesNotThroughThem)
{
    Sandbox box;
    writeFile(box.inside("IBM.ASC"), "old content that is longer than the new one\n");
    // An existing symbolic link under an entry's own name is replaced, not written through.
    fs::create_symlink(box.path("victim"), box.inside("LINKED.ASC"));
    const auto result = box.extractZip(makeZip({file("IBM.ASC", "new\n"), file("LINKED.ASC", "fresh")}));
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(readFile(box.inside("IBM.ASC")), "new\n");
    EXPECT_FALSE(fs::is_symlink(box.inside("LINKED.ASC")));
    EXPECT_EQ(readFile(box.inside("LINKED.ASC")), "fresh");
    EXPECT_EQ(readFile(box.path("victim")), "keep");
}

TEST(Unpacker, ReadsNamesAsBytesZip64AndArchivesBehindAProgramStub)
{
    const std::string latin1 = "raw\xe9.asc";          // no UTF-8 flag: bytes as stored
    const std::string utf8 = "d\xc3\xa9j\xc3\xa0.asc"; // flagged: must survive the "C" locale
    const struct {
        const char* what;
        std::string zip;
        std::string name;
        std::string data;
    } cases[] = {
        {"Latin-1 name", makeZip({file(latin1, "1")}), latin1, "1"},
        {"UTF-8 name", makeZip({file(utf8, "2")}, {}, kUtf8Names), utf8, "2"},
        // DOS archives separate directories with backslashes.
        {"backslashes", makeZip({file("SUB\\DOS.ASC", "3")}), "SUB/DOS.ASC", "3"},
        // The directory then ends at the ZIP64 end record, not at the classic one after it.
        {"ZIP64", makeZip({file("ONE.ASC", "1"), file("TWO.ASC", noise(3000))}, {}, kZip64), "TWO.ASC", noise(3000)},
        {"program stub", "MZ" + noise(7000) + makeZip({file("IBM.ASC", "payload")}), "IBM.ASC", "payload"},
    };
    for (const auto& c : cases) {
        Sandbox box;
        const auto result = box.extractZip(c.zip);
        EXPECT_TRUE(result.ok()) << c.what << ": " << result.reason;
        EXPECT_EQ(readFile(box.inside(c.name)), c.data) << c.what;
    }
}

TEST(Unpacker, DecryptsWithThePasswordAndRefusesWithoutIt)
{
    Sandbox box;
    const std::string zip =
        makeZip({directory("SUB/"), file("SUB/TWO.ASC", noise(5000)), file("ONE.ASC", "first")}, "Secret7");
    // Not even the directory entry that came before the first encrypted file stays.
    for (const std::optional<std::string>& wrong : {std::optional<std::string>{}, {"secret7"}, {"x"}}) {
        EXPECT_EQ(box.extractZip(zip, wrong).status, ExtractStatus::BadPassword);
    }
    const auto result = box.extractZip(zip, "Secret7");
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(readFile(box.inside("ONE.ASC")), "first");
    EXPECT_EQ(readFile(box.inside("SUB/TWO.ASC")), noise(5000));
}

// ---------------------------------------------------------------------------------------------
// Archives that are refused: non-zero status, and the sandbox exactly as before.

TEST(Unpacker, RefusesEntriesThatLeaveTheTargetDirectory)
{
    Sandbox box;
    const std::vector<std::pair<const char*, std::vector<Entry>>> cases = {
        {"parent", {file("GOOD.ASC", "x"), file("../evil", "x")}},
        {"absolute", {file(box.path("abs"), "x")}},
        {"parent in the middle", {file("a/../../b", "x")}},
        {"backslash parent", {file("..\\evil", "x")}},
        {"backslash absolute", {file("\\evil", "x")}},
        {"drive letter", {file("C:evil", "x")}},
        {"parent directory entry", {directory("../evildir/")}},
        {"reserved temporary name", {file(".pkunzip-IBM.ASC", "x")}},
        {"symbolic link", {file("GOOD.ASC", "x"), Entry{"link", {}, AE_IFLNK, box.path("victim"), {}}}},
        {"file and directory of one name", {file("a", "x"), file("a/b", "y")}},
    };
    for (const auto& [what, entries] : cases) {
        EXPECT_EQ(box.extractZip(makeZip(entries)).status, ExtractStatus::UnsafeEntry) << what;
    }
}

TEST(Unpacker, RefusesToWriteThroughAnExistingLinkOrOverADirectory)
{
    Sandbox box;
    fs::create_directory(box.path("elsewhere"));
    fs::create_directory_symlink(box.path("elsewhere"), box.inside("SUB"));
    EXPECT_EQ(box.extractZip(makeZip({file("SUB/IBM.ASC", "x")})).status, ExtractStatus::UnsafeEntry);
    fs::create_directory(box.inside("IBM.ASC"));
    EXPECT_EQ(box.extractZip(makeZip({file("OTHER.ASC", "x"), file("IBM.ASC", "y")})).status,
              ExtractStatus::WriteFailed);
}

// ZIP cannot record hard links, devices or pipes, nor should a file come out set-user-ID: the
// writer stores a hard link as an empty file, and the other kinds are made by editing the Unix
// mode in the central directory. Whether such an entry is refused or read as a plain file,
// nothing but a plain file of this user's making may come out of it.
TEST(Unpacker, EntriesOfOtherKindsNeverBecomeLinksOrSpecialFiles)
{
    constexpr unsigned kKeepAsIs = 0;
    for (const unsigned mode : {kKeepAsIs, 0010644u /* FIFO */, 0020644u /* character device */,
                                0060644u /* block device */, 0104755u /* set-user-ID */}) {
        Sandbox box;
        std::string zip = makeZip({file("GOOD.ASC", "x"), Entry{"ODD", {}, AE_IFREG, {}, box.path("victim")}});
        const auto records = find(zip, kCentralSignature);
        ASSERT_EQ(records.size(), 2u);
        if (mode != kKeepAsIs)
            put16(zip, records[1] + 40, mode); // high half of the external attributes
        SCOPED_TRACE(mode);
        const auto result = box.extractZip(zip);
        if (result.ok()) {
            struct stat st{};
            ASSERT_EQ(::lstat(box.inside("ODD").c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(st.st_nlink, 1u);
            EXPECT_EQ(st.st_mode & 07000, 0u);
        } else {
            EXPECT_EQ(result.status, ExtractStatus::UnsafeEntry);
        }
        EXPECT_EQ(readFile(box.path("victim")), "keep");
    }
}

TEST(Unpacker, RefusesAZipBombOrAnArchivePastTheByteLimitBeforeWritingAnything)
{
    // Zeros deflate about a thousandfold; against a ratio limit of 100 this is a bomb, while
    // data that shrinks less passes the same limit.
    const std::string bomb = makeZip({file("GOOD.ASC", "x"), file("ZEROS", std::string(1 << 20, '\0'))});
    const std::string text = makeZip({file("TEXT", std::string(1 << 16, 'x').replace(0, 5000, noise(5000)))});
    const std::string big = makeZip({file("ONE", noise(40000)), file("TWO", noise(40000))});
    const struct {
        const std::string& zip;
        ExtractLimits limits;
        bool ok;
    } cases[] = {{bomb, {1 << 30, 100}, false}, {text, {1 << 30, 100}, true},
                 {big, {65536, 1000}, false}, {big, {80000, 1000}, true}};
    for (const auto& c : cases) {
        Sandbox box;
        EXPECT_EQ(box.extractZip(c.zip, kNoPassword, c.limits).status,
                  c.ok ? ExtractStatus::Extracted : ExtractStatus::TooLarge);
    }
}

// The central directory says 100 bytes, the data holds a megabyte: the limit is kept on the
// bytes actually decompressed, and what was written before is removed.
TEST(Unpacker, StopsAnEntryThatLiesAboutItsSize)
{
    Sandbox box;
    std::string zip = makeZip({file("FIRST", "small and true"), file("LIAR", noise(1 << 20))});
    const auto records = find(zip, kCentralSignature);
    const auto locals = find(zip, kLocalSignature);
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(locals.size(), 2u);
    put32(zip, records[1] + 24, 100); // uncompressed size, in both headers
    put32(zip, locals[1] + 22, 100);
    EXPECT_EQ(box.extractZip(zip, kNoPassword, {65536, 1000}).status, ExtractStatus::TooLarge);
    // Under a generous limit the lie is still caught, when the entry ends.
    EXPECT_FALSE(box.extractZip(zip).ok());
}

TEST(Unpacker, DamagedArchivesLeaveNoFileUnderARealName)
{
    Sandbox box;
    const std::string zip = makeZip({file("FIRST.ASC", noise(30000)), file("SECOND.ASC", noise(30000))});
    std::string flipped = zip;
    const auto locals = find(zip, kLocalSignature);
    ASSERT_EQ(locals.size(), 2u);
    flipped[locals[1] + 200] = static_cast<char>(flipped[locals[1] + 200] ^ 0x55); // inside SECOND's data

    for (const auto& [what, bytes] : std::vector<std::pair<const char*, std::string>>{
             {"truncated", zip.substr(0, zip.size() / 2)},
             {"tail cut", zip.substr(0, zip.size() - 10)},
             {"data damaged", flipped},
             {"empty", ""},
             {"not an archive", noise(3000)}}) {
        // FIRST.ASC was whole, but no file takes its name before every entry has been read.
        EXPECT_FALSE(box.extractZip(bytes).ok()) << what;
    }
}

// ---------------------------------------------------------------------------------------------
// The program as the update engine starts it: in the update directory, "NAME -o [-sPASSWORD]".

struct ProgramRun {
    int status = -1;
    std::string err;
};

ProgramRun runPkunzip(const Sandbox& box, const std::vector<std::string>& args)
{
    const std::string errPath = box.path("stderr.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(box.out().c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
            !std::freopen(errPath.c_str(), "w", stderr))
            ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(QUOVANTA_PKUNZIP_PATH)};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int wstatus = 0;
    if (pid > 0 && ::waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus))
        run.status = WEXITSTATUS(wstatus);
    run.err = readFile(errPath);
    fs::remove(errPath);
    return run;
}

TEST(PkunzipProgram, ExtractsIntoTheCurrentDirectoryWithTheEngineCommandLine)
{
    Sandbox box;
    writeFile(box.inside("IBM.ASC"), "old");
    writeFile(box.inside("daily.zip"), makeZip({file("IBM.ASC", "new"), file("SUB/X.ASC", "x")}, "pw"));
    const ProgramRun run = runPkunzip(box, {"daily.zip", "-o", "-spw"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readFile(box.inside("IBM.ASC")), "new");
    EXPECT_EQ(readFile(box.inside("SUB/X.ASC")), "x");

    // Options before the name, an absolute name, and a self-extracting file work as well.
    writeFile(box.path("OTHER.ZIP"), makeZip({file("MSFT.ASC", "m")}));
    EXPECT_EQ(runPkunzip(box, {"-o", box.path("OTHER.ZIP")}).status, 0);
    EXPECT_EQ(readFile(box.inside("MSFT.ASC")), "m");
    writeFile(box.inside("Daily.Exe"), "MZ" + noise(5000) + makeZip({file("GC.ASC", "sfx")}));
    EXPECT_EQ(runPkunzip(box, {"Daily.Exe", "-o"}).status, 0);
    EXPECT_EQ(readFile(box.inside("GC.ASC")), "sfx");
}

TEST(PkunzipProgram, RefusalIsOneLineNamingTheArchiveAndTheReason)
{
    Sandbox box;
    writeFile(box.inside("EVIL.ZIP"), makeZip({file("../evil\nsecond line", "x")}));
    writeFile(box.inside("REAL.EXE"), "MZ" + noise(20000));
    const auto before = box.snapshot();
    for (const auto& [archive, message] : std::vector<std::pair<std::string, std::string>>{
             {"EVIL.ZIP", "entry \"../evil?second line\" would be written outside the target directory (\"..\")\n"},
             {"REAL.EXE", "not a self-extracting ZIP archive\n"},
             {"MISSING.ZIP", "cannot open the archive"}}) {
        const ProgramRun run = runPkunzip(box, {archive, "-o"});
        EXPECT_EQ(run.status, kExitFailed) << archive;
        EXPECT_TRUE(run.err.starts_with("PKUNZIP.EXE: " + archive + ": " + message)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(box.snapshot(), before);
}

TEST(PkunzipProgram, CommandLineErrorsAndHelp)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCommandLine({"--help"}, out, err), kExitExtracted);
    EXPECT_NE(out.str().find("Usage: PKUNZIP.EXE NAME"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"A.ZIP", "-x"}, {"A.ZIP", "B.ZIP"}, {"-o", "-spw"}}) {
        EXPECT_EQ(runCommandLine(args, out, err), kExitUsage);
    }
}

} // namespace
} // namespace qv::pkunzip
