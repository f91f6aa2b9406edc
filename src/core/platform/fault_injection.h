#pragma once
// The seam through which tests make file-system calls fail, watch their order, and crash.
//
// Every create, write(2), fsync(2), syncfs(2), rename(2), unlink(2) and rmdir(2) of files.cpp first asks
// shouldFail(op). A test arms the seam with failNth(op, n): the n-th call of that kind from then
// on fails with EIO (the call is not made). callCount(op) counts calls since the last reset, so
// a test can run an operation once to learn how many calls it makes and then fail each in turn.
//
// Recording (startRecording) keeps the order of the calls with their paths, so a test can
// assert "the temporary file is flushed before it is renamed, the directory after". While
// recording, the seam also tracks what a power loss would keep: a file's data is kept as of its
// last fsync, a directory's names (creations, renames, unlinks) as of its last fsync, and what
// was on disk before recording started counts as kept. crashAt(n) makes the n-th call and every
// later one fail, as if the process had been killed there; the files are then as a kill -9
// leaves them. losePower() then puts every file the seam saw back to what a power loss would
// keep, so a test can check both kinds of crash.
//
// The counters are atomic; arming, recording and crashing are meant for single-threaded tests.

#include <string>
#include <vector>

namespace qv::faults {

// Fsync covers files, directories and whole file systems alike; Unlink covers rmdir too.
enum class Op { Write, Fsync, Rename, Unlink, Create };

// Clears every counter, armed failure, crash, recording and tracked state.
void reset();
// Arms a failure of the n-th (1-based) call of op counted from now.
void failNth(Op op, int n);
// Calls of op made since the last reset.
int callCount(Op op);
// Calls of every kind made since the last reset.
int totalCount();
// Counts one call of op and answers whether it is to fail.
bool shouldFail(Op op);

// The process "dies" at the n-th call of any kind counted from now: it and every later call
// fail without being made.
void crashAt(int n);
bool crashed();

// One recorded call. kind: "create", "write", "fsync" (a file), "fsync-dir", "syncfs" (path: a
// directory of the file system flushed), "rename",
// "unlink", "rmdir". to: the new name of a rename.
struct FileOp {
    std::string kind;
    std::string path;
    std::string to;
};
// Starts recording calls and tracking what a power loss keeps.
void startRecording();
// The calls made (not those that failed) since startRecording.
std::vector<FileOp> recorded();

// What files.cpp reports around each call it makes while recording: before() as the call is
// about to be made, after() once it succeeded.
void before(const std::string& kind, const std::string& path, const std::string& to = {});
void after(const std::string& kind, const std::string& path, const std::string& to = {});

// Puts every file the seam saw since startRecording back to what a power loss would leave:
// the data of its last fsync under the names of its directory's last fsync (a name whose
// creation was never made durable disappears; a rename or unlink never made durable is undone).
// Ends the crash; recording starts afresh from the state left.
void losePower();

// Arms failNth(op, n) for the scope of the guard and resets the seam when it ends.
class ScopedFailure {
public:
    ScopedFailure(Op op, int n)
    {
        reset();
        failNth(op, n);
    }
    ~ScopedFailure() { reset(); }
    ScopedFailure(const ScopedFailure&) = delete;
    ScopedFailure& operator=(const ScopedFailure&) = delete;
};

} // namespace qv::faults
