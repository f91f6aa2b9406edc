// Unpacking archives before the update directory is listed. The unpackers here are small
// shell scripts that record how they were started and write an update file, or fail.

#include "core/update/child_process.h"
#include "update_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <regex>
#include <signal.h>
#include <unistd.h>

namespace qv {
namespace {

using namespace qv::updatetest;

struct Invocation {
    std::string cwd;
    std::vector<std::string> args;
};

// A script that appends its working directory and arguments to `log`, writes `output` into
// its working directory, waits `sleepSeconds` and exits with `exitCode`.
void writeUnpacker(const std::string& path, const std::string& log, const std::string& outputName,
                   const std::string& output, int exitCode = 0, int sleepSeconds = 0) {
    std::string script = "#!/bin/sh\n{ echo \"cwd:$(pwd -P)\"; for a in \"$@\"; do echo \"arg:$a\"; done; echo end; } >> '" +
                         log + "'\n";
    if (!outputName.empty()) script += "printf '%s' '" + output + "' > '" + outputName + "'\n";
    if (sleepSeconds > 0) script += "exec sleep " + std::to_string(sleepSeconds) + "\n";
    script += "exit " + std::to_string(exitCode) + "\n";
    writeText(path, script);
    EXPECT_EQ(::chmod(path.c_str(), 0755), 0);
}

std::vector<Invocation> invocations(const std::string& log) {
    std::vector<Invocation> out;
    Invocation current;
    for (const std::string& line : readLines(log)) {
        if (line.rfind("cwd:", 0) == 0) current.cwd = line.substr(4);
        if (line.rfind("arg:", 0) == 0) current.args.push_back(line.substr(4));
        if (line == "end") out.push_back(std::exchange(current, {}));
    }
    return out;
}

std::string realPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

using Args = std::vector<std::string>;
const std::string kTwoLines = "IBM,970116,11,12,10,11.5,200,2\nMSFT,970116,21,22,20,21.5,300,3\n";

class ArchiveExpansion : public UpdateFixture, public ::testing::Test {
protected:
    ArchiveExpansion() : bin(tmp.subdir("bin")), zipLog(tmp.file("zip.log")), sexLog(tmp.file("sex.log")) {
        portfolio({{1, "IBM", {row7(fileDate(1997, 1, 15), 10, 100, 1)}},
                   {2, "MSFT", {row7(fileDate(1997, 1, 15), 20, 100, 1)}}});
    }
    UpdateInputs zipInputs() const {
        UpdateInputs in = inputs();
        in.settings.zipEnable = true;
        in.settings.pkunzipPath = bin;
        return in;
    }
    std::vector<std::string> auditMatching(const RunOutcome& run, const std::string& pattern) const {
        std::vector<std::string> out;
        const std::regex re(pattern);
        for (const std::string& l : run.audit)
            if (std::regex_match(l, re)) out.push_back(l);
        return out;
    }
    std::string bin, zipLog, sexLog;
};

TEST_F(ArchiveExpansion, ArchiveIsUnpackedOncePerRunInTheUpdateDirectoryAndItsFilesAreScanned) {
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "DAILY.TXT", kTwoLines);
    updateFile("DAILY.ZIP", "PK");

    const RunOutcome run = runUpdate(zipInputs());

    const auto calls = invocations(zipLog);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].cwd, realPath(updates));
    EXPECT_EQ(calls[0].args, (Args{"DAILY.ZIP", "-o"}));
    EXPECT_EQ(run.count, 2);
    ASSERT_EQ(run.audit.size(), 6u);
    EXPECT_TRUE(std::regex_match(run.audit[3], std::regex("De-Compress of " + updates + "/DAILY\\.ZIP took [0-9]+ milliseconds")))
        << run.audit[3];
    EXPECT_EQ(run.audit[4], "Quote for: 011697 added to: IBM");
    EXPECT_EQ(run.audit[5], "Quote for: 011697 added to: MSFT");
    EXPECT_TRUE(exists(updates + "/DAILY.ZIP")) << "DeleteZip is off";
    EXPECT_FALSE(run.extractionFailed);
    EXPECT_TRUE(std::any_of(run.recorder.progress.begin(), run.recorder.progress.end(), [](const ProgressTexts& t) {
        return t.extractionLabel == "De-Compressing File:" && t.extractionFile == " DAILY DONE";
    }));
}

TEST_F(ArchiveExpansion, ArchiveIsNamedAsFoundAndThePasswordFollowsDashSWithoutABlank) {
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "", "");
    updateFile("daily.zip", "PK");
    UpdateInputs in = zipInputs();
    in.settings.zipPassword = "Se cret";

    runUpdate(in);
    in.settings.zipPasswordEnable = true;
    const RunOutcome withPassword = runUpdate(in);

    const auto calls = invocations(zipLog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, (Args{"daily.zip", "-o"}));
    EXPECT_EQ(calls[1].args, (Args{"daily.zip", "-o", "-sSe cret"}));
    EXPECT_EQ(auditMatching(withPassword, "De-Compress of " + updates + "/daily\\.zip took [0-9]+ milliseconds").size(),
              1u);
}

TEST_F(ArchiveExpansion, FailedUnpackingStopsThatKindForTheRunKeepsItsArchiveAndTheOtherKindGoesOn) {
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "", "", 1);
    writeUnpacker(bin + "/selfextract", sexLog, "SEX.TXT", kTwoLines);
    for (const char* name : {"A.ZIP", "B.ZIP"}) updateFile(name, "PK");
    for (const char* name : {"C.EXE", "D.COM"}) updateFile(name, "MZ");
    UpdateInputs in = zipInputs();
    in.settings.deleteZip = in.settings.sexEnable = in.settings.deleteSex = true;
    in.selfExtractor = bin + "/selfextract";

    const RunOutcome run = runUpdate(in);

    const auto zipCalls = invocations(zipLog);
    ASSERT_EQ(zipCalls.size(), 1u) << "no further ZIP archive is tried, for either security";
    const std::string failed = zipCalls[0].args.at(0);
    EXPECT_EQ(run.recorder.messages, std::vector<std::string>{"De-Compress failed for file\n\n" + updates + "/" + failed});
    EXPECT_EQ(auditMatching(run, "ERROR: .*"), std::vector<std::string>{"ERROR: De-Compress failure for file " + failed});
    EXPECT_TRUE(exists(updates + "/A.ZIP") && exists(updates + "/B.ZIP"));
    EXPECT_TRUE(run.extractionFailed);
    EXPECT_EQ(run.flags & kRunFlagSelfExtractFailed, 0);

    const auto sexCalls = invocations(sexLog);
    ASSERT_EQ(sexCalls.size(), 1u) << "a .COM file is never run";
    EXPECT_EQ(sexCalls[0].args, (Args{"C.EXE", "-o"}));
    EXPECT_EQ(sexCalls[0].cwd, realPath(updates));
    EXPECT_FALSE(exists(updates + "/C.EXE")) << "unpacked, DeleteSex and SexEnable set";
    EXPECT_TRUE(exists(updates + "/D.COM"));
    EXPECT_EQ(run.count, 2);
    EXPECT_EQ(auditMatching(run, "Self-Extract of " + updates + "/C\\.EXE took [0-9]+ milliseconds").size(), 1u);
}

TEST_F(ArchiveExpansion, ArchivesAreDeletedOnlyWhenBothEnableAndDeleteAreSet) {
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "", "");
    writeUnpacker(bin + "/selfextract", sexLog, "", "");
    struct Case {
        bool enable, erase, deleted;
    };
    for (const Case c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
        SCOPED_TRACE(std::string("enable ") + (c.enable ? "on" : "off") + ", delete " + (c.erase ? "on" : "off"));
        updateFile("DAILY.ZIP", "PK");
        updateFile("WEEKLY.EXE", "MZ");
        UpdateInputs in = zipInputs();
        in.selfExtractor = bin + "/selfextract";
        in.settings.zipEnable = in.settings.sexEnable = c.enable;
        in.settings.deleteZip = in.settings.deleteSex = c.erase;
        ::unlink(zipLog.c_str());
        ::unlink(sexLog.c_str());
        runUpdate(in);

        EXPECT_EQ(invocations(zipLog).size(), c.enable ? 1u : 0u);
        EXPECT_EQ(invocations(sexLog).size(), c.enable ? 1u : 0u);
        EXPECT_EQ(exists(updates + "/DAILY.ZIP"), !c.deleted);
        EXPECT_EQ(exists(updates + "/WEEKLY.EXE"), !c.deleted);
    }
}

TEST_F(ArchiveExpansion, UnpackerThatCannotStartSaysWhyAndOnlyTheSelfExtractorSetsItsRunFlag) {
    updateFile("UPDATE.EXE", "MZ");
    UpdateInputs in = inputs();
    in.settings.sexEnable = in.settings.deleteSex = true;
    in.selfExtractor = tmp.file("no-such-program");
    const RunOutcome sex = runUpdate(in);
    EXPECT_EQ(sex.flags, kRunFlagSelfExtractFailed);
    EXPECT_EQ(sex.recorder.messages,
              std::vector<std::string>{"CreateProcess failed while trying to Self-Extract based on this command line\n\n"
                                       "UPDATE.EXE -o"});
    EXPECT_EQ(auditMatching(sex, "ERROR: .*"), std::vector<std::string>{"ERROR: Self-Extract failure for file UPDATE.EXE"});
    EXPECT_TRUE(exists(updates + "/UPDATE.EXE"));

    ASSERT_EQ(::unlink((updates + "/UPDATE.EXE").c_str()), 0);
    updateFile("DAILY.ZIP", "PK");
    in = zipInputs(); // bin holds no PKUNZIP.EXE
    in.settings.zipPasswordEnable = true;
    in.settings.zipPassword = "pw";
    const RunOutcome zip = runUpdate(in);
    EXPECT_EQ(zip.flags, 0);
    EXPECT_EQ(zip.recorder.messages,
              std::vector<std::string>{"CreateProcess failed while trying to De-Compress based on this command line\n\n" +
                                       bin + "/PKUNZIP.EXE DAILY.ZIP -o -spw"});
    EXPECT_EQ(auditMatching(zip, "ERROR: .*"), std::vector<std::string>{"ERROR: De-Compress failure for file DAILY.ZIP"});
    EXPECT_TRUE(zip.extractionFailed);
}

// With no unpacker directory set, a PKUNZIP.EXE that came with the downloaded update files must
// not be the program that runs.
TEST_F(ArchiveExpansion, EmptyPkunzipPathNeverRunsAProgramLyingInTheUpdateDirectory) {
    const std::string planted = tmp.file("planted.log");
    writeUnpacker(updates + "/PKUNZIP.EXE", planted, "", "");
    updateFile("DAILY.ZIP", "PK");
    UpdateInputs in = zipInputs();
    in.settings.pkunzipPath = "";

    runUpdate(in);

    EXPECT_TRUE(invocations(planted).empty()) << "the update directory's PKUNZIP.EXE was run";
}

// Takes 20 seconds: the engine's own limit. Run with --gtest_also_run_disabled_tests.
TEST_F(ArchiveExpansion, DISABLED_UnpackerStillRunningAfterTwentySecondsFailsAndKeepsItsArchive) {
    writeUnpacker(bin + "/PKUNZIP.EXE", zipLog, "", "", 0, 60);
    updateFile("DAILY.ZIP", "PK");
    UpdateInputs in = zipInputs();
    in.settings.deleteZip = true;

    const auto started = std::chrono::steady_clock::now();
    const RunOutcome run = runUpdate(in);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25));
    EXPECT_EQ(auditMatching(run, "ERROR: .*"), std::vector<std::string>{"ERROR: De-Compress failure for file DAILY.ZIP"});
    EXPECT_TRUE(exists(updates + "/DAILY.ZIP"));
}

// The process layer on its own, with short limits.

TEST(ChildProcessTest, SucceedsOnlyForExitStatusZeroWithinTheLimitAndRunsInTheGivenDirectory) {
    TempDir tmp;
    const std::string work = tmp.subdir("work");
    writeUnpacker(tmp.file("ok"), tmp.file("log"), "out.txt", "x", 0);
    writeUnpacker(tmp.file("fails"), tmp.file("log"), "", "", 3);
    char before[PATH_MAX], after[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);

    ChildProcess ok;
    std::string error;
    ASSERT_TRUE(ok.start(tmp.file("ok"), {"a b", "-o"}, work, error)) << error;
    EXPECT_TRUE(ok.waitFor(std::chrono::seconds(10)));
    EXPECT_TRUE(exists(work + "/out.txt"));
    const auto calls = invocations(tmp.file("log"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].cwd, realPath(work));
    EXPECT_EQ(calls[0].args, (Args{"a b", "-o"}));

    ChildProcess fails;
    ASSERT_TRUE(fails.start(tmp.file("fails"), {}, work, error)) << error;
    EXPECT_FALSE(fails.waitFor(std::chrono::seconds(10)));
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after) << "the caller's directory is never changed";
}

TEST(ChildProcessTest, ProgramRunningPastTheLimitIsKilledAndFails) {
    TempDir tmp;
    const std::string pidFile = tmp.file("pid");
    writeText(tmp.file("sleeper"), "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 30\n");
    ASSERT_EQ(::chmod(tmp.file("sleeper").c_str(), 0755), 0);
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(tmp.file("sleeper"), {}, tmp.path(), error)) << error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(child.waitFor(std::chrono::milliseconds(300)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    const auto lines = readLines(pidFile);
    ASSERT_EQ(lines.size(), 1u);
    const pid_t pid = static_cast<pid_t>(std::stol(lines[0]));
    EXPECT_NE(::kill(pid, 0), 0) << "the program is still running";
}

TEST(ChildProcessTest, ProgramThatCannotBeStartedSaysWhy) {
    TempDir tmp;
    writeText(tmp.file("not-executable"), "#!/bin/sh\nexit 0\n");
    for (const auto& [program, dir] : {std::pair{tmp.file("missing"), tmp.path()},
                                       std::pair{tmp.file("not-executable"), tmp.path()},
                                       std::pair{std::string("/bin/true"), tmp.file("no-such-dir")}}) {
        ChildProcess child;
        std::string error;
        EXPECT_FALSE(child.start(program, {}, dir, error)) << program;
        EXPECT_FALSE(error.empty()) << program;
    }
}

} // namespace
} // namespace qv
