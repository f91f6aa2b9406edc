#include "core/platform/fault_injection.h"

#include <atomic>

namespace qv::faults {
namespace {

constexpr int kOps = 4;
std::atomic<int> g_calls[kOps];
std::atomic<int> g_failAt[kOps]; // 0 = not armed

int index(Op op) { return static_cast<int>(op); }

} // namespace

void reset()
{
    for (int i = 0; i < kOps; ++i) {
        g_calls[i] = 0;
        g_failAt[i] = 0;
    }
}

void failNth(Op op, int n) { g_failAt[index(op)] = g_calls[index(op)].load() + n; }

int callCount(Op op) { return g_calls[index(op)].load(); }

bool shouldFail(Op op)
{
    const int call = ++g_calls[index(op)];
    return call == g_failAt[index(op)].load();
}

} // namespace qv::faults
