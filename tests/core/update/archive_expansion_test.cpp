// Unpacking archives before the update directory is listed. The unpackers here are small
// shell scripts that record how they were started and write an update file, or fail; the
// bundled unpacker itself is run as the update run starts it in tests/tools.

#include "update_test_support.h"

#include <gtest/gtest.h>

#include "core/update/child_process.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <unistd.h>

namespace qv {
namespace {

using namespace qv::updatetest;

struct Invocation {
    std::string cwd;
    std::vector<std::string> args;
};

// A script that appends its working directory and arguments to `log`, writes `output` into
// its working directory and exits with `exitCode`.
void writeUnpacker(const std::string& path, const std::string& log, const std::string& outputName,
                   const std::string& output, int exitCode = 0)
{
    std::string script =
        "#!/bin/sh\n{ echo \"cwd:$(pwd -P)\"; for a in \"$@\"; do echo \"arg:$a\"; done; echo end; } >> '" + log +
        "'\n";
    if (!outputName.empty())
        script += "printf '%s' '" + output + "' > '" + outputName + "'\n";
    script += "exit " + std::to_string(exitCode) + "\n";
    writeText(path, script);
    EXPECT_EQ(::chmod(path.c_str(), 0755), 0);
}

std::vector<Invocation> invocations(const std::string& log)
{
    std::vector<Invocation> out;
    Invocation current;
    for (const std::string& line : readLines(log)) {
        if (line.rfind("cwd:", 0) == 0)
            current.cwd = line.substr(4);
        if (line.rfind("arg:", 0) == 0)
            current.args.push_back(line.substr(4));
        if (line == "end")
            out.push_back(std::exchange(current, {}));
    }
    return out;
}

using Args = std::vector<std::string>;
const std::string kTwoLines = "IBM,970116,11,12,10,11.5,200,2\nMSFT,970116,21,22,20,21.5,300,3\n";

class ArchiveExpansion : public UpdateFixture, public ::testing::Test {
protected:
    ArchiveExpansion()
        : bin(tmp.subdir("bin")), zipLog(tmp.file("zip.log")), selfExtractLog(tmp.file("selfExtract.log"))
    {
        portfolio({{1, "IBM", {row7(fileDate(1997, 1, 15), 10, 100, 1)}},
                   {2, "MSFT", {row7(fileDate(1997, 1, 15), 20, 100, 1)}}});
    }
    UpdateInputs zipInputs() const
    {
        UpdateInputs in = inputs();
        in.settings.zipEnable = true;
        in.settings.pkunzipPath = bin;
        return in;
    }
    static std::vector<std::string> errors(const RunOutcome& run)
    {
        std::vector<std::string> out;
        std::ranges::copy_if(run.audit, std::back_inserter(out),
                             [](const std::string& l) { return l.starts_with("ERROR: "); });
        return out;
    }
    std::string bin, zipLog, selfExtractLog;
};

// The archive is named as found; a password follows -s without a blank, and only when enabled.
TEST_F(ArchiveExpansion, ArchiveIsUnpackedOncePerRunInTheUpdateDirectoryAndItsFilesAreScanned)
{
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "DAILY.TXT", kTwoLines);
    updateFile("daily.zip", "PK");
    UpdateInputs in = zipInputs();
    in.settings.zipPassword = "Se cret";
    char before[PATH_MAX], after[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    const RunOutcome run = runUpdate(in);
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after) << "the caller's directory is never changed";
    EXPECT_EQ(run.count, 2);
    EXPECT_EQ(run.audit.back(), "Quote for: 011697 added to: MSFT");
    EXPECT_TRUE(exists(updates + "/daily.zip")) << "DeleteZip is off";
    in.settings.zipPasswordEnable = true;
    runUpdate(in);
    // A name that looks like an option is never taken for one.
    std::filesystem::rename(updates + "/daily.zip", updates + "/-sX.ZIP");
    runUpdate(in);
    const auto calls = invocations(zipLog);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].cwd, std::filesystem::canonical(updates).string());
    EXPECT_EQ(calls[0].args, (Args{"daily.zip", "-o"}));
    EXPECT_EQ(calls[1].args, (Args{"daily.zip", "-o", "-sSe cret"}));
    EXPECT_EQ(calls[2].args, (Args{"./-sX.ZIP", "-o", "-sSe cret"}));
}

TEST_F(ArchiveExpansion, FailedUnpackingStopsThatKindForTheRunKeepsItsArchiveAndTheOtherKindGoesOn)
{
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "", "", 1);
    writeUnpacker(bin + "/selfextract", selfExtractLog, "SEX.TXT", kTwoLines);
    for (const char* name : {"A.ZIP", "B.ZIP"})
        updateFile(name, "PK");
    for (const char* name : {"C.EXE", "D.COM"})
        updateFile(name, "MZ");
    UpdateInputs in = zipInputs();
    in.settings.deleteZip = in.settings.selfExtractEnable = in.settings.deleteSelfExtract = true;
    in.selfExtractor = bin + "/selfextract";
    const RunOutcome run = runUpdate(in);
    const auto zipCalls = invocations(zipLog);
    ASSERT_EQ(zipCalls.size(), 1u) << "no further ZIP archive is tried, for either security";
    const std::string failed = zipCalls[0].args.at(0);
    EXPECT_EQ(errors(run),
              std::vector<std::string>{"ERROR: De-Compress failure for file " + failed + " (exit status 1)"});
    EXPECT_TRUE(exists(updates + "/A.ZIP") && exists(updates + "/B.ZIP"));
    EXPECT_EQ(run.flags & kRunFlagSelfExtractFailed, 0);
    const auto selfExtractCalls = invocations(selfExtractLog);
    ASSERT_EQ(selfExtractCalls.size(), 1u) << "a .COM file is never run";
    EXPECT_EQ(selfExtractCalls[0].args, (Args{"C.EXE", "-o"}));
    EXPECT_FALSE(exists(updates + "/C.EXE")) << "unpacked, DeleteSex and SexEnable set";
    EXPECT_TRUE(exists(updates + "/D.COM"));
    EXPECT_EQ(run.count, 2);
}

// A self-extractor that cannot start is reported and sets its run flag. With no unpacker
// directory set, a PKUNZIP.EXE that came with the downloaded update files must not be the
// program that runs. Archives that were not unpacked are never deleted.
TEST_F(ArchiveExpansion, UnpackerThatCannotStartAndOneInTheUpdateDirectoryAreNeverRunOrDeleted)
{
    updateFile("UPDATE.EXE", "MZ");
    UpdateInputs in = inputs();
    in.settings.selfExtractEnable = in.settings.deleteSelfExtract = true;
    in.selfExtractor = tmp.file("no-such-program");
    const RunOutcome selfExtract = runUpdate(in);
    EXPECT_EQ(selfExtract.flags, kRunFlagSelfExtractFailed);
    EXPECT_EQ(errors(selfExtract),
              std::vector<std::string>{"ERROR: Self-Extract failure for file UPDATE.EXE (cannot start " +
                                       tmp.file("no-such-program") + ": No such file or directory)"});
    ASSERT_EQ(::unlink((updates + "/UPDATE.EXE").c_str()), 0) << "an archive not unpacked was deleted";
    const std::string planted = tmp.file("planted.log");
    writeUnpacker(updates + "/PKUNZIP.EXE", planted, "", "");
    updateFile("DAILY.ZIP", "PK");
    in = zipInputs();
    in.settings.pkunzipPath = "";
    in.settings.deleteZip = true;
    const RunOutcome zip = runUpdate(in);
    EXPECT_TRUE(invocations(planted).empty()) << "the update directory's PKUNZIP.EXE was run";
    EXPECT_EQ(
        errors(zip),
        std::vector<std::string>{
            "ERROR: De-Compress failure for file DAILY.ZIP (cannot start /PKUNZIP.EXE: No such file or directory)"});
    EXPECT_TRUE(zip.extractionFailed);
    EXPECT_TRUE(exists(updates + "/DAILY.ZIP"));
}

// A failed unpacking gives no quote: a file it made or changed is not read in this run (a
// file that was there before and stayed as it was still is), its staging directory goes, and
// the log's ERROR line carries the unpacker's own reason. Leftovers of unpackers killed in
// earlier runs go before anything is unpacked; one that a living unpacker holds locked stays.
TEST_F(ArchiveExpansion, FailedUnpackingGivesNoQuoteLeavesNoLeftoversAndLogsItsReason)
{
    updateFile("GOOD.TXT", "IBM,970116,11,12,10,11.5,200,2\n");
    updateFile("CHANGED.TXT", "XYZ,970116,1,1,1,1,1,1\n");
    updateFile("DAILY.ZIP", "PK");
    std::filesystem::create_directory(updates + "/.pkunzip-88-0.tmp");
    updateFile(".pkunzip-88-0.tmp/0", "half an entry");
    updateFile(".pkunzip-77-3.tmp", "a temporary file of an earlier version");
    updateFile(".pkunzip-notes", "not a leftover");
    std::filesystem::create_directory(updates + "/.pkunzip-99-0.tmp");
    const int held = ::open((updates + "/.pkunzip-99-0.tmp").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string script = "#!/bin/sh\n"
                               "mkdir .pkunzip-4242-0.tmp && echo x > .pkunzip-4242-0.tmp/0\n"
                               "echo 'MSFT,970116,21,22,20,21.5,300,3' > PART.TXT\n"
                               "echo 'MSFT,970116,21,22,20,21.5,300,3' > CHANGED.TXT\n"
                               "echo 'progress line' >&2\n"
                               "echo 'PKUNZIP.EXE: DAILY.ZIP: wrong password for entry \"IBM.TXT\"' >&2\n"
                               "exit 1\n";
    writeText(bin + "/PKUNZIP.EXE", script);
    ASSERT_EQ(::chmod((bin + "/PKUNZIP.EXE").c_str(), 0755), 0);

    const RunOutcome run = runUpdate(zipInputs());
    EXPECT_EQ(errors(run),
              std::vector<std::string>{"ERROR: De-Compress failure for file DAILY.ZIP (PKUNZIP.EXE: DAILY.ZIP: "
                                       "wrong password for entry \"IBM.TXT\")"});
    EXPECT_EQ(run.count, 1) << "IBM from GOOD.TXT; MSFT from neither file the unpacker wrote";
    EXPECT_EQ(run.audit.back(), "----> Could not add quote to symbol: MSFT");
    for (const auto& entry : std::filesystem::directory_iterator(updates)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name[0] != '.' || name == ".pkunzip-99-0.tmp" || name == ".pkunzip-notes") << name << " left";
    }
    EXPECT_TRUE(exists(updates + "/.pkunzip-99-0.tmp") && exists(updates + "/.pkunzip-notes"));
    ::close(held);
}

// A name holding a line break writes "\x0A" into its log line instead of a line of its own; a
// reason too long for the anomaly report's lines is cut, and an unpacker that floods its error
// output is still waited for without blocking.
TEST_F(ArchiveExpansion, NoArchiveNameOrReasonBreaksTheLog)
{
    updateFile("BAD\nERROR: forged.ZIP", "PK");
    writeText(bin + "/PKUNZIP.EXE", "#!/bin/sh\nhead -c 1000000 /dev/zero | tr '\\0' x >&2\nexit 3\n");
    ASSERT_EQ(::chmod((bin + "/PKUNZIP.EXE").c_str(), 0755), 0);
    const RunOutcome run = runUpdate(zipInputs());
    const auto lines = errors(run);
    ASSERT_EQ(lines.size(), 1u) << "the name's line break made a line of its own";
    const std::string head = "ERROR: De-Compress failure for file BAD\\x0AERROR: forged.ZIP (";
    EXPECT_EQ(lines[0].substr(0, head.size()), head);
    EXPECT_EQ(lines[0].size(), head.size() + ChildProcess::kMaxReasonLength + 1) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("xx...)"));
}

// A ZIP archive of stored entries, written byte by byte.
struct StoredEntry {
    std::string name, data;
};

std::uint32_t crc32Of(const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string storedZip(const std::vector<StoredEntry>& entries)
{
    const auto le = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    std::string zip, directory;
    for (const StoredEntry& e : entries) {
        const auto offset = static_cast<std::uint32_t>(zip.size());
        const auto size = static_cast<std::uint32_t>(e.data.size());
        const auto nameSize = static_cast<std::uint32_t>(e.name.size());
        le(zip, 0x04034b50, 4), le(zip, 20, 2), le(zip, 0, 2), le(zip, 0, 2), le(zip, 0, 2), le(zip, 0x2821, 2);
        le(zip, crc32Of(e.data), 4), le(zip, size, 4), le(zip, size, 4), le(zip, nameSize, 2), le(zip, 0, 2);
        zip += e.name + e.data;
        le(directory, 0x02014b50, 4), le(directory, (3 << 8) | 20, 2), le(directory, 20, 2), le(directory, 0, 2);
        le(directory, 0, 2), le(directory, 0, 2), le(directory, 0x2821, 2), le(directory, crc32Of(e.data), 4);
        le(directory, size, 4), le(directory, size, 4), le(directory, nameSize, 2), le(directory, 0, 2);
        le(directory, 0, 2), le(directory, 0, 2), le(directory, 0, 2), le(directory, 0100644u << 16, 4);
        le(directory, offset, 4);
        directory += e.name;
    }
    const auto directoryAt = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    le(zip, 0x06054b50, 4), le(zip, 0, 2), le(zip, 0, 2), le(zip, static_cast<std::uint32_t>(entries.size()), 2);
    le(zip, static_cast<std::uint32_t>(entries.size()), 2), le(zip, static_cast<std::uint32_t>(directory.size()), 4);
    le(zip, directoryAt, 4), le(zip, 0, 2);
    return zip;
}

// The run with the bundled unpacker itself (the only test that runs it under the update run): an
// archive named like an option is unpacked; a hostile one is refused with its reason in the log,
// and nothing of it (no file, no staging directory) stays in the update directory.
TEST_F(ArchiveExpansion, TheBundledUnpackerRefusesHostileArchivesWithItsReasonAndUnpacksTheRest)
{
#ifndef QUOVANTA_PKUNZIP_PATH
    GTEST_SKIP() << "built without the bundled unpacker";
#else
    const std::string ibm = "IBM,970116,11,12,10,11.5,200,2\n";
    const struct {
        const char* archive;
        std::string zip;
        int quotes;
        std::string error; // the ERROR line, or empty
    } cases[] = {
        {"-sX.ZIP", storedZip({{"DAILY.TXT", kTwoLines}}), 2, ""},
        {"EVIL.ZIP", storedZip({{"IBM.TXT", ibm}, {"X\nY.TXT", ibm}}), 0,
         "ERROR: De-Compress failure for file EVIL.ZIP (PKUNZIP.EXE: EVIL.ZIP: entry \"X?Y.TXT\" has a control "
         "character in its name)"},
    };
    for (const auto& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(updates))
            std::filesystem::remove_all(entry.path());
        portfolio({{1, "IBM", {row7(fileDate(1997, 1, 15), 10, 100, 1)}},
                   {2, "MSFT", {row7(fileDate(1997, 1, 15), 20, 100, 1)}}});
        writeBytes(updates + "/" + c.archive, ByteVec(c.zip.begin(), c.zip.end()));
        UpdateInputs in = zipInputs();
        in.settings.pkunzipPath = std::filesystem::path(QUOVANTA_PKUNZIP_PATH).parent_path().string();
        const RunOutcome run = runUpdate(in);
        EXPECT_EQ(run.count, c.quotes) << c.archive;
        EXPECT_EQ(errors(run), c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error})
            << c.archive;
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(updates))
            left.push_back(entry.path().filename().string());
        std::ranges::sort(left);
        const std::vector<std::string> expected =
            c.quotes > 0 ? std::vector<std::string>{c.archive, "DAILY.TXT"} : std::vector<std::string>{c.archive};
        EXPECT_EQ(left, expected) << c.archive;
    }
#endif
}

} // namespace
} // namespace qv
