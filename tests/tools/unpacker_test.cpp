// The unpacker against archives built here with libarchive's writer, many of them hostile.
// Every test works in a sandbox: the archive lies in the sandbox, extraction goes to its
// sub-directory out/, and whatever lies outside out/ is "outside".

#include "pkunzip/CommandLine.h"
#include "pkunzip/Unpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace qv::pkunzip {
namespace {

namespace fs = std::filesystem;

constexpr time_t kMtime = 946684800; // 2000-01-01

class Sandbox {
public:
    Sandbox()
    {
        std::string pattern = (fs::temp_directory_path() / "qv-pkunzip-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::create_directory(out());
    }
    ~Sandbox() { fs::remove_all(root_); }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }
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

    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        return data.str();
    }

private:
    std::string root_;
};

void writeFile(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

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

struct ZipOptions {
    std::string password;   // traditional PKWARE encryption when set
    bool utf8Names = false; // names flagged as UTF-8
    bool zip64 = false;     // ZIP64 end records and extra fields, as large archives have
};

// The archive as libarchive's writer makes it, returned as bytes for editing.
std::string makeZip(const std::vector<Entry>& entries, const ZipOptions& options = {})
{
    locale_t utf8 = options.utf8Names ? ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr)) : nullptr;
    locale_t previous = utf8 != nullptr ? ::uselocale(utf8) : nullptr;
    std::vector<char> buffer(64 << 20);
    std::size_t used = 0;
    archive* w = archive_write_new();
    archive_write_set_format_zip(w);
    if (options.utf8Names) {
        EXPECT_EQ(archive_write_set_options(w, "zip:hdrcharset=UTF-8"), ARCHIVE_OK);
    }
    if (options.zip64) {
        EXPECT_EQ(archive_write_set_options(w, "zip:zip64"), ARCHIVE_OK);
    }
    if (!options.password.empty()) {
        EXPECT_EQ(archive_write_set_options(w, "zip:encryption=zipcrypt"), ARCHIVE_OK);
        EXPECT_EQ(archive_write_set_passphrase(w, options.password.c_str()), ARCHIVE_OK);
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
        if (!item.hardlink.empty())
            archive_entry_set_hardlink(e, item.hardlink.c_str());
        archive_entry_set_size(e, static_cast<la_int64_t>(item.data.size()));
        EXPECT_EQ(archive_write_header(w, e), ARCHIVE_OK) << archive_error_string(w);
        if (!item.data.empty()) {
            EXPECT_EQ(archive_write_data(w, item.data.data(), item.data.size()),
                      static_cast<la_ssize_t>(item.data.size()));
        }
        archive_entry_free(e);
    }
    EXPECT_EQ(archive_write_close(w), ARCHIVE_OK);
    archive_write_free(w);
    if (previous != nullptr)
        ::uselocale(previous);
    if (utf8 != nullptr)
        ::freelocale(utf8);
    return std::string(buffer.data(), used);
}

// Byte editing of an archive image.
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
    writeFile(box.path("DAILY.ZIP"), makeZip({file("IBM.ASC", "19990104,1,2,3\n"), directory("SUB/"),
                                              file("SUB/DEEP/MSFT.ASC", noise(200000)), file("EMPTY.ASC", "")}));
    const auto result = extract(box.path("DAILY.ZIP"), box.out(), std::nullopt);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(result.filesExtracted, 3u);
    EXPECT_EQ(Sandbox::readFile(box.inside("IBM.ASC")), "19990104,1,2,3\n");
    EXPECT_EQ(Sandbox::readFile(box.inside("SUB/DEEP/MSFT.ASC")), noise(200000));
    EXPECT_TRUE(fs::is_regular_file(box.inside("EMPTY.ASC")));
    struct stat st{};
    ASSERT_EQ(::stat(box.inside("IBM.ASC").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, kMtime);
    // Nothing else: no temporary file is left beside the real ones.
    EXPECT_EQ(box.snapshot().size(), 7u); // DAILY.ZIP, out, out/SUB, out/SUB/DEEP, three files
}

TEST(Unpacker, OverwritesExistingFilesAndReplacesNotThroughThem)
{
    Sandbox box;
    writeFile(box.inside("IBM.ASC"), "old content that is longer than the new one\n");
    // An existing symbolic link under an entry's own name is replaced, not written through.
    writeFile(box.path("victim.txt"), "keep");
    fs::create_symlink(box.path("victim.txt"), box.inside("LINKED.ASC"));
    writeFile(box.path("A.ZIP"), makeZip({file("IBM.ASC", "new\n"), file("LINKED.ASC", "fresh")}));
    const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(Sandbox::readFile(box.inside("IBM.ASC")), "new\n");
    EXPECT_FALSE(fs::is_symlink(box.inside("LINKED.ASC")));
    EXPECT_EQ(Sandbox::readFile(box.inside("LINKED.ASC")), "fresh");
    EXPECT_EQ(Sandbox::readFile(box.path("victim.txt")), "keep");
}

TEST(Unpacker, NamesAreTakenAsBytes)
{
    Sandbox box;
    const std::string latin1 = "raw\xe9.asc";               // no UTF-8 flag: bytes as stored
    const std::string utf8 = "d\xc3\xa9j\xc3\xa0.asc";      // flagged: must survive the "C" locale
    writeFile(box.path("A.ZIP"), makeZip({file(latin1, "1")}));
    writeFile(box.path("B.ZIP"), makeZip({file(utf8, "2")}, {.password = {}, .utf8Names = true, .zip64 = false}));
    // DOS archives separate directories with backslashes.
    writeFile(box.path("C.ZIP"), makeZip({file("SUB\\DOS.ASC", "3")}));
    for (const char* name : {"A.ZIP", "B.ZIP", "C.ZIP"}) {
        const auto result = extract(box.path(name), box.out(), std::nullopt);
        EXPECT_TRUE(result.ok()) << name << ": " << result.reason;
    }
    EXPECT_EQ(Sandbox::readFile(box.inside(latin1)), "1");
    EXPECT_EQ(Sandbox::readFile(box.inside(utf8)), "2");
    EXPECT_EQ(Sandbox::readFile(box.inside("SUB/DOS.ASC")), "3");
}

// The directory then ends at the ZIP64 end record, not at the classic one after it.
TEST(Unpacker, ReadsZip64Archives)
{
    Sandbox box;
    writeFile(box.path("A.ZIP"), makeZip({file("ONE.ASC", "1"), file("TWO.ASC", noise(3000))},
                                         {.password = {}, .utf8Names = false, .zip64 = true}));
    const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(Sandbox::readFile(box.inside("TWO.ASC")), noise(3000));
}

TEST(Unpacker, DecryptsWithThePasswordAndRefusesWithoutIt)
{
    Sandbox box;
    writeFile(box.path("A.ZIP"), makeZip({directory("SUB/"), file("SUB/TWO.ASC", noise(5000)), file("ONE.ASC", "first")},
                                         {.password = "Secret7", .utf8Names = false, .zip64 = false}));
    const auto before = box.snapshot();
    for (const std::optional<std::string>& wrong : {std::optional<std::string>{}, std::optional<std::string>{"secret7"},
                                                   std::optional<std::string>{"x"}}) {
        const auto result = extract(box.path("A.ZIP"), box.out(), wrong);
        EXPECT_EQ(result.status, ExtractStatus::BadPassword) << result.reason;
        // Not even the directory entry that came before the first encrypted file stays.
        EXPECT_EQ(box.snapshot(), before);
    }
    const auto result = extract(box.path("A.ZIP"), box.out(), "Secret7");
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(Sandbox::readFile(box.inside("ONE.ASC")), "first");
    EXPECT_EQ(Sandbox::readFile(box.inside("SUB/TWO.ASC")), noise(5000));
}

TEST(Unpacker, FindsTheArchiveBehindAProgramStub)
{
    Sandbox box;
    const std::string stub = "MZ" + noise(7000);
    writeFile(box.path("DAILY.EXE"), stub + makeZip({file("IBM.ASC", "payload")}));
    const auto result = extract(box.path("DAILY.EXE"), box.out(), std::nullopt);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(Sandbox::readFile(box.inside("IBM.ASC")), "payload");
}

// ---------------------------------------------------------------------------------------------
// Archives that are refused: non-zero status, and the sandbox exactly as before.

struct Refusal {
    const char* what;
    std::vector<Entry> entries;
    ExtractStatus status;
};

TEST(Unpacker, RefusesEntriesThatLeaveTheTargetDirectory)
{
    Sandbox box;
    const std::vector<Refusal> cases = {
        {"parent", {file("GOOD.ASC", "x"), file("../evil", "x")}, ExtractStatus::UnsafeEntry},
        {"absolute", {file(box.path("abs"), "x")}, ExtractStatus::UnsafeEntry},
        {"parent in the middle", {file("a/../../b", "x")}, ExtractStatus::UnsafeEntry},
        {"backslash parent", {file("..\\evil", "x")}, ExtractStatus::UnsafeEntry},
        {"backslash absolute", {file("\\evil", "x")}, ExtractStatus::UnsafeEntry},
        {"drive letter", {file("C:evil", "x")}, ExtractStatus::UnsafeEntry},
        {"parent directory entry", {directory("../evildir/")}, ExtractStatus::UnsafeEntry},
        {"symbolic link", {file("GOOD.ASC", "x"), Entry{"link", {}, AE_IFLNK, box.path("victim"), {}}},
         ExtractStatus::UnsafeEntry},
        {"file and directory of one name", {file("a", "x"), file("a/b", "y")}, ExtractStatus::UnsafeEntry},
    };
    writeFile(box.path("victim"), "keep");
    for (const auto& c : cases) {
        writeFile(box.path("A.ZIP"), makeZip(c.entries));
        const auto before = box.snapshot();
        const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt);
        EXPECT_EQ(result.status, c.status) << c.what << ": " << result.reason;
        EXPECT_EQ(box.snapshot(), before) << c.what;
    }
}

TEST(Unpacker, RefusesToWriteThroughAnExistingSymbolicLink)
{
    Sandbox box;
    fs::create_directory(box.path("elsewhere"));
    fs::create_directory_symlink(box.path("elsewhere"), box.inside("SUB"));
    writeFile(box.path("A.ZIP"), makeZip({file("SUB/IBM.ASC", "x")}));
    const auto before = box.snapshot();
    EXPECT_EQ(extract(box.path("A.ZIP"), box.out(), std::nullopt).status, ExtractStatus::UnsafeEntry);
    EXPECT_EQ(box.snapshot(), before);
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
        writeFile(box.path("victim"), "keep");
        std::string zip = makeZip({file("GOOD.ASC", "x"), Entry{"ODD", {}, AE_IFREG, {}, box.path("victim")}});
        const auto records = find(zip, kCentralSignature);
        ASSERT_EQ(records.size(), 2u);
        if (mode != kKeepAsIs)
            put16(zip, records[1] + 40, mode); // high half of the external attributes
        writeFile(box.path("A.ZIP"), zip);
        const auto before = box.snapshot();
        const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt);
        if (result.ok()) {
            struct stat st{};
            ASSERT_EQ(::lstat(box.inside("ODD").c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode)) << std::oct << mode;
            EXPECT_EQ(st.st_nlink, 1u);
            EXPECT_EQ(st.st_mode & 07000, 0u) << std::oct << mode;
        } else {
            EXPECT_EQ(result.status, ExtractStatus::UnsafeEntry) << std::oct << mode;
            EXPECT_EQ(box.snapshot(), before);
        }
        EXPECT_EQ(Sandbox::readFile(box.path("victim")), "keep");
    }
}

TEST(Unpacker, RefusesAZipBombBeforeWritingAnything)
{
    Sandbox box;
    // Zeros deflate about a thousandfold; against a ratio limit of 100 this is a bomb.
    writeFile(box.path("A.ZIP"), makeZip({file("GOOD.ASC", "x"), file("ZEROS", std::string(1 << 20, '\0'))}));
    const auto before = box.snapshot();
    const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt, {.maxTotalBytes = 1 << 30, .maxRatio = 100});
    EXPECT_EQ(result.status, ExtractStatus::TooLarge) << result.reason;
    EXPECT_EQ(box.snapshot(), before);
    // Data that shrinks less passes the same limit.
    writeFile(box.path("B.ZIP"), makeZip({file("TEXT", std::string(1 << 16, 'x').replace(0, 5000, noise(5000)))}));
    EXPECT_TRUE(extract(box.path("B.ZIP"), box.out(), std::nullopt, {.maxTotalBytes = 1 << 30, .maxRatio = 100}).ok());
}

TEST(Unpacker, RefusesAnArchiveThatClaimsToExpandPastTheByteLimit)
{
    Sandbox box;
    writeFile(box.path("A.ZIP"), makeZip({file("ONE", noise(40000)), file("TWO", noise(40000))}));
    const auto before = box.snapshot();
    EXPECT_EQ(extract(box.path("A.ZIP"), box.out(), std::nullopt, {.maxTotalBytes = 65536, .maxRatio = 1000}).status,
              ExtractStatus::TooLarge);
    EXPECT_EQ(box.snapshot(), before);
    EXPECT_TRUE(extract(box.path("A.ZIP"), box.out(), std::nullopt, {.maxTotalBytes = 80000, .maxRatio = 1000}).ok());
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
    writeFile(box.path("A.ZIP"), zip);
    const auto before = box.snapshot();
    const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt, {.maxTotalBytes = 65536, .maxRatio = 1000});
    EXPECT_EQ(result.status, ExtractStatus::TooLarge) << result.reason;
    EXPECT_EQ(box.snapshot(), before);
    // Under a generous limit the lie is still caught, when the entry ends.
    EXPECT_FALSE(extract(box.path("A.ZIP"), box.out(), std::nullopt).ok());
    EXPECT_EQ(box.snapshot(), before);
}

TEST(Unpacker, DamagedArchivesLeaveNoFileUnderARealName)
{
    Sandbox box;
    const std::string zip = makeZip({file("FIRST.ASC", noise(30000)), file("SECOND.ASC", noise(30000))});

    std::string flipped = zip;
    const auto locals = find(zip, kLocalSignature);
    ASSERT_EQ(locals.size(), 2u);
    flipped[locals[1] + 200] = static_cast<char>(flipped[locals[1] + 200] ^ 0x55); // inside SECOND's data

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"truncated", zip.substr(0, zip.size() / 2)},
        {"tail cut", zip.substr(0, zip.size() - 10)},
        {"data damaged", flipped},
        {"empty", ""},
        {"not an archive", noise(3000)},
    };
    for (const auto& [what, bytes] : cases) {
        writeFile(box.path("A.ZIP"), bytes);
        const auto before = box.snapshot();
        const auto result = extract(box.path("A.ZIP"), box.out(), std::nullopt);
        EXPECT_FALSE(result.ok()) << what;
        // FIRST.ASC was whole, but no file takes its name before every entry has been read.
        EXPECT_EQ(box.snapshot(), before) << what << ": " << result.reason;
    }
}

TEST(Unpacker, AnEntryCannotReplaceADirectory)
{
    Sandbox box;
    fs::create_directory(box.inside("IBM.ASC"));
    writeFile(box.path("A.ZIP"), makeZip({file("OTHER.ASC", "x"), file("IBM.ASC", "y")}));
    const auto before = box.snapshot();
    EXPECT_EQ(extract(box.path("A.ZIP"), box.out(), std::nullopt).status, ExtractStatus::WriteFailed);
    EXPECT_EQ(box.snapshot(), before);
}

// ---------------------------------------------------------------------------------------------
// The program as the update engine starts it: in the update directory, "NAME -o [-sPASSWORD]".

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProgramRun runPkunzip(const std::string& cwd, const std::vector<std::string>& args)
{
    const std::string outPath = cwd + "/../stdout.txt";
    const std::string errPath = cwd + "/../stderr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0 || !std::freopen(outPath.c_str(), "w", stdout) ||
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
    run.out = Sandbox::readFile(outPath);
    run.err = Sandbox::readFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

TEST(PkunzipProgram, ExtractsIntoTheCurrentDirectoryWithTheEngineCommandLine)
{
    Sandbox box;
    writeFile(box.inside("IBM.ASC"), "old");
    writeFile(box.inside("daily.zip"), makeZip({file("IBM.ASC", "new"), file("SUB/X.ASC", "x")}, {.password = "pw", .utf8Names = false, .zip64 = false}));
    const ProgramRun run = runPkunzip(box.out(), {"daily.zip", "-o", "-spw"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Sandbox::readFile(box.inside("IBM.ASC")), "new");
    EXPECT_EQ(Sandbox::readFile(box.inside("SUB/X.ASC")), "x");

    // Options before the name, and an absolute name, work as well.
    writeFile(box.path("OTHER.ZIP"), makeZip({file("MSFT.ASC", "m")}));
    EXPECT_EQ(runPkunzip(box.out(), {"-o", box.path("OTHER.ZIP")}).status, 0);
    EXPECT_EQ(Sandbox::readFile(box.inside("MSFT.ASC")), "m");
}

TEST(PkunzipProgram, SelfExtractingFiles)
{
    Sandbox box;
    writeFile(box.inside("Daily.Exe"), "MZ" + noise(5000) + makeZip({file("IBM.ASC", "sfx")}));
    const ProgramRun good = runPkunzip(box.out(), {"Daily.Exe", "-o"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(Sandbox::readFile(box.inside("IBM.ASC")), "sfx");

    writeFile(box.inside("REAL.EXE"), "MZ" + noise(20000));
    const auto before = box.snapshot();
    const ProgramRun bad = runPkunzip(box.out(), {"REAL.EXE", "-o"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "PKUNZIP.EXE: REAL.EXE: not a self-extracting ZIP archive\n");
    EXPECT_EQ(box.snapshot(), before);
}

TEST(PkunzipProgram, RefusalIsOneLineNamingTheArchiveAndTheReason)
{
    Sandbox box;
    writeFile(box.inside("EVIL.ZIP"), makeZip({file("../evil\nsecond line", "x")}));
    const auto before = box.snapshot();
    const ProgramRun run = runPkunzip(box.out(), {"EVIL.ZIP", "-o"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "PKUNZIP.EXE: EVIL.ZIP: entry \"../evil?second line\" would be written outside the "
                       "target directory (\"..\")\n");
    EXPECT_EQ(box.snapshot(), before);

    const ProgramRun missing = runPkunzip(box.out(), {"MISSING.ZIP", "-o"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("PKUNZIP.EXE: MISSING.ZIP: cannot open the archive", 0), 0u) << missing.err;
}

TEST(PkunzipProgram, CommandLineErrorsAndHelp)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCommandLine({"--help"}, out, err), kExitExtracted);
    EXPECT_NE(out.str().find("Usage: PKUNZIP.EXE NAME"), std::string::npos);
    EXPECT_EQ(runCommandLine({}, out, err), kExitUsage);
    EXPECT_EQ(runCommandLine({"A.ZIP", "-x"}, out, err), kExitUsage);
    EXPECT_EQ(runCommandLine({"A.ZIP", "B.ZIP"}, out, err), kExitUsage);
    EXPECT_EQ(runCommandLine({"-o", "-spw"}, out, err), kExitUsage);
}

} // namespace
} // namespace qv::pkunzip
