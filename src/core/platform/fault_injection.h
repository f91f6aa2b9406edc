#pragma once
// The seam through which tests make file-system calls fail.
//
// Every write(2), fsync(2), rename(2) and unlink(2) of files.cpp first asks shouldFail(op).
// A test arms the seam with failNth(op, n): the n-th call of that kind from then on fails
// with EIO (the call is not made). callCount(op) counts calls since the last reset, so a test
// can run an operation once to learn how many calls it makes and then fail each in turn.
// The counters are atomic; arming is meant for single-threaded tests.

namespace qv::faults {

enum class Op { Write, Fsync, Rename, Unlink };

// Clears every counter and armed failure.
void reset();
// Arms a failure of the n-th (1-based) call of op counted from now.
void failNth(Op op, int n);
// Calls of op made since the last reset.
int callCount(Op op);
// Counts one call of op and answers whether it is to fail.
bool shouldFail(Op op);

// Arms failNth(op, n) for the scope of the guard and resets the seam when it ends.
class ScopedFailure {
public:
    ScopedFailure(Op op, int n) { reset(); failNth(op, n); }
    ~ScopedFailure() { reset(); }
    ScopedFailure(const ScopedFailure&) = delete;
    ScopedFailure& operator=(const ScopedFailure&) = delete;
};

} // namespace qv::faults
