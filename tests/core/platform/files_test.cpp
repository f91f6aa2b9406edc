#include "core/platform/fault_injection.h"
#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "fixtures/portfolio_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>

namespace qv {
namespace {

using fixtures::TempDir;

TEST(Files, LookupIgnoresCaseButPrefersTheExactNameAndOpeningRefusesDirectories)
{
    TempDir dir;
    fixtures::writeText(dir.file("master"), "lower");
    EXPECT_EQ(findEntry(dir.path(), "MASTER"), dir.file("master"));
    EXPECT_EQ(resolveFile(dir.path(), "F1.DAT"), dir.file("F1.DAT")); // new files keep the given name
    fixtures::writeText(dir.file("MASTER"), "upper");
    EXPECT_EQ(findEntry(dir.path(), "MASTER"), dir.file("MASTER"));
    InputFile file;
    EXPECT_EQ(file.openEntry(dir.path(), "F1.DAT").error(), ENOENT);
    ::mkdir(dir.file("f1.dat").c_str(), 0755);
    EXPECT_EQ(file.openEntry(dir.path(), "F1.DAT").error(), EISDIR);
    fixtures::writeText(dir.file("a"), "0123456789");
    ASSERT_TRUE(file.open(dir.file("a")));
    char buf[4] = {};
    EXPECT_TRUE(file.readAt(6, buf, 4));
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_FALSE(file.readAt(8, buf, 4));
    EXPECT_EQ(file.readSomeAt(8, buf, 4), 2u);
}

// A failure after the rename (the directory's flush) is none; those before it: failure_injection_test.
TEST(Files, ReplaceKeepsTheModeAndNameOfTheOldFileAndAFailureAfterTheRenameIsNoFailure)
{
    TempDir dir;
    fixtures::writeText(dir.file("master"), "old");
    ::chmod(dir.file("master").c_str(), 0640);
    ASSERT_TRUE(replaceFile(resolveFile(dir.path(), "MASTER"), "MASTER.~NU", Bytes{'n', 'e', 'w'}));
    const std::vector<std::pair<std::string, fixtures::ByteVec>> only{{"master", {'n', 'e', 'w'}}};
    EXPECT_EQ(fixtures::snapshot(dir.path()), only);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("master").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    fixtures::writeText(dir.file("MASTER.BAK"), "an older backup");
    ASSERT_TRUE(copyFile(dir.file("master"), dir.file("MASTER.BAK")));
    EXPECT_EQ(fixtures::readBytes(dir.file("MASTER.BAK")), fixtures::readBytes(dir.file("master")));
    faults::ScopedFailure failure(faults::Op::Fsync, 2);
    EXPECT_TRUE(replaceFile(dir.file("master"), "MASTER.~NU", Bytes{'n'}));
    EXPECT_EQ(fixtures::readBytes(dir.file("master")), fixtures::ByteVec{'n'});
}

std::vector<std::string> opsIn(const std::string& dir)
{
    std::vector<std::string> ops;
    for (const faults::FileOp& op : faults::recorded())
        ops.push_back(op.kind + " " + (op.path == dir ? "." : baseName(op.path)) +
                      (op.to.empty() ? "" : " " + baseName(op.to)));
    return ops;
}

// A replacement survives a crash: the new data is flushed before the rename, the directory right after it.
TEST(Files, ReplacementsFlushTheNewFileBeforeTheRenameAndTheDirectoryAfterIt)
{
    TempDir dir;
    fixtures::writeText(dir.file("MASTER"), "old");
    faults::reset();
    faults::startRecording();
    ASSERT_TRUE(replaceFile(dir.file("MASTER"), "MASTER.~NU", Bytes{'n', 'e', 'w'}));
    using V = std::vector<std::string>;
    EXPECT_EQ(opsIn(dir.path()), (V{"create MASTER.~NU", "write MASTER.~NU", "fsync MASTER.~NU",
                                    "rename MASTER.~NU MASTER", "fsync-dir ."}));
    faults::reset();
}

// A batch flushes its files together and renames none before that; when the flush of the whole
// file system fails, each file is flushed on its own.
TEST(Files, ABatchFlushesEveryFileBeforeItRenamesAny)
{
    TempDir dir;
    using V = std::vector<std::string>;
    const V renames{"rename F1.~NU F1.DAT", "rename F2.~NU F2.DAT", "fsync-dir ."};
    for (const bool flushFails : {false, true}) {
        SCOPED_TRACE(flushFails ? "the flush of the file system fails" : "one flush");
        faults::reset();
        faults::startRecording();
        if (flushFails)
            faults::failNth(faults::Op::Fsync, 1);
        {
            ReplacementBatch batch;
            ASSERT_TRUE(batch.stage(dir.file("F1.DAT"), "F1.~NU", Bytes{1}));
            ASSERT_TRUE(batch.stage(dir.file("F2.DAT"), "F2.~NU", Bytes{2}));
            EXPECT_EQ(batch.stage(dir.file("F1.DAT"), "F1.~NU", Bytes{3}).error(), EBUSY);
            const std::vector<IoStatus> placed = batch.commit();
            EXPECT_TRUE(placed.size() == 2 && placed[0] && placed[1]);
        }
        V expected{"create F1.~NU", "write F1.~NU", "create F2.~NU", "write F2.~NU"};
        const V middle = flushFails ? V{"fsync F1.~NU", "rename F1.~NU F1.DAT", "fsync F2.~NU"}
                                    : V{"syncfs .", "rename F1.~NU F1.DAT"};
        expected.insert(expected.end(), middle.begin(), middle.end());
        expected.insert(expected.end(), renames.begin() + 1, renames.end());
        EXPECT_EQ(opsIn(dir.path()), expected);
        EXPECT_EQ(fixtures::snapshot(dir.path()),
                  (std::vector<std::pair<std::string, fixtures::ByteVec>>{{"F1.DAT", {1}}, {"F2.DAT", {2}}}));
    }
    faults::reset();
    {
        ReplacementBatch batch;
        ASSERT_TRUE(batch.stage(dir.file("F1.DAT"), "F1.~NU", Bytes{9}));
    }
    EXPECT_EQ(fixtures::snapshot(dir.path()).size(), 2u) << "a batch not committed leaves its temporaries";
    EXPECT_EQ(fixtures::readBytes(dir.file("F1.DAT")), fixtures::ByteVec{1});

    // Files in two directories (which may be two file systems): each directory's is flushed.
    TempDir other;
    faults::startRecording();
    {
        ReplacementBatch batch;
        ASSERT_TRUE(batch.stage(dir.file("F1.DAT"), "F1.~NU", Bytes{4}));
        ASSERT_TRUE(batch.stage(other.file("F1.DAT"), "F1.~NU", Bytes{5}));
        (void)batch.commit();
    }
    std::vector<std::string> flushed;
    for (const faults::FileOp& op : faults::recorded()) {
        if (op.kind == "syncfs")
            flushed.push_back(op.path);
    }
    faults::reset();
    std::ranges::sort(flushed);
    std::vector<std::string> both{dir.path(), other.path()};
    std::ranges::sort(both);
    EXPECT_EQ(flushed, both);
}

// The power-loss model itself: data counts from its fsync on, names from their directory's.
TEST(Files, APowerLossKeepsDataAsOfItsFlushAndNamesAsOfTheirDirectorysFlush)
{
    using fixtures::ByteVec;
    TempDir dir;
    const std::string f = dir.file("MASTER"), g = dir.file("GONE");
    const ByteVec old{'o', 'l', 'd'}, neu{'n', 'e', 'w'}, gone{'g', 'o', 'n', 'e'};
    const auto syncDir = [&] { syncDirectory(dir.path()); };
    const struct {
        const char* what;
        std::function<void()> act;
        std::vector<std::pair<std::string, ByteVec>> kept;
    } cases[] = {
        {"a complete replacement",
         [&] { ASSERT_TRUE(replaceFile(f, "MASTER.~NU", neu)); },
         {{"GONE", gone}, {"MASTER", neu}}},
        {"a batch cut short after its flush keeps the old file and the flushed temporary",
         [&] {
             ReplacementBatch batch;
             ASSERT_TRUE(batch.stage(f, "MASTER.~NU", neu));
             faults::crashAt(2); // the flush is made, the rename is not
             EXPECT_FALSE(batch.commit()[0]);
         },
         {{"GONE", gone}, {"MASTER", old}, {"MASTER.~NU", neu}}},
        {"a committed batch",
         [&] {
             ReplacementBatch batch;
             ASSERT_TRUE(batch.stage(f, "MASTER.~NU", neu));
             EXPECT_TRUE(batch.commit()[0]);
         },
         {{"GONE", gone}, {"MASTER", neu}}},
        {"a flushed temporary stays once its directory is flushed",
         [&] {
             ASSERT_TRUE(prepareReplacement(f, "MASTER.~NU", neu));
             syncDir();
         },
         {{"GONE", gone}, {"MASTER", old}, {"MASTER.~NU", neu}}},
        {"an unflushed unlink is undone", [&] { ASSERT_TRUE(removeFile(g)); }, {{"GONE", gone}, {"MASTER", old}}},
        {"a flushed unlink",
         [&] {
             ASSERT_TRUE(removeFile(g));
             syncDir();
         },
         {{"MASTER", old}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fixtures::writeText(f, "old");
        fixtures::writeText(g, "gone");
        ::unlink(dir.file("MASTER.~NU").c_str());
        faults::reset();
        faults::startRecording();
        c.act();
        faults::losePower();
        faults::reset();
        EXPECT_EQ(fixtures::snapshot(dir.path()), c.kept);
    }
    // A crash: the call it happens at and every later one are not made.
    fixtures::writeText(f, "old");
    faults::reset();
    faults::crashAt(4); // create, write, fsync, then the rename
    EXPECT_FALSE(replaceFile(f, "MASTER.~NU", neu));
    EXPECT_TRUE(faults::crashed());
    EXPECT_EQ(fixtures::readBytes(f), old);
    EXPECT_EQ(fixtures::readBytes(dir.file("MASTER.~NU")), neu) << "a killed writer removes nothing";
    faults::reset();
}

// A replacement whose temporary could not be flushed has failed: renamed, it could be empty after a power loss.
TEST(Files, ReplaceFailsAndKeepsTheOldContentWhenFlushingTheTemporaryFileFails)
{
    TempDir dir;
    fixtures::writeText(dir.file("F1.DAT"), "old");
    const IoStatus s = [&] {
        faults::ScopedFailure failure(faults::Op::Fsync, 1);
        return replaceFile(dir.file("F1.DAT"), "F1.~NU", Bytes{'n', 'e', 'w'});
    }();
    EXPECT_EQ(s.message().rfind("flush", 0), 0u) << s.message();
    const std::vector<std::pair<std::string, fixtures::ByteVec>> only{{"F1.DAT", {'o', 'l', 'd'}}};
    EXPECT_EQ(fixtures::snapshot(dir.path()), only);
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

// Names ignore case, quotes are removed, an integer is read as far as it goes; writing keeps
// every other line, and the file (which may hold a password) is private, new or not: also one
// an editor left readable to everybody, and a stale temporary of a wider mode does not widen it.
TEST(SettingsFile, ReadsWithWindowsSemanticsWriteKeepsEverythingElseAndTheFileIsPrivate)
{
    fixtures::TempDir dir;
    const std::string path = dir.file("q.ini");
    fixtures::writeText(path, "; keep me\n[settings]\n drive = \"/mnt\" \nDisplayLimit=0\nBad=12abc\n[Other]\nA=7\n");
    fixtures::writeText(dir.file("q.ini.~NU"), "stale");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    ASSERT_EQ(::chmod(dir.file("q.ini.~NU").c_str(), 0666), 0);
    SettingsFile ini(path);
    EXPECT_EQ(ini.getString("SETTINGS", "Drive", ""), "/mnt");
    EXPECT_EQ(ini.getInt("Settings", "Bad", 5), 12);
    EXPECT_EQ(ini.getInt("Settings", "A", 1), 1);
    ASSERT_TRUE(ini.setInt("settings", "DisplayLimit", 3));
    ASSERT_TRUE(ini.setString("ZIP", "ZipPassword", "secret"));
    const auto bytes = fixtures::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "; keep me\n[settings]\n drive = \"/mnt\" "
              "\nDisplayLimit=3\nBad=12abc\n[Other]\nA=7\n\n[ZIP]\nZipPassword=secret\n");
    EXPECT_EQ(modeOf(path), 0600u);
    const std::string fresh = dir.path() + "/config/quovanta/QUOVANTA.INI";
    ASSERT_TRUE(SettingsFile(fresh).setString("ZIP", "ZipPassword", "secret"));
    EXPECT_EQ(modeOf(fresh), 0600u);
    EXPECT_EQ(modeOf(dir.path() + "/config/quovanta"), 0700u);
}

} // namespace
} // namespace qv
