#include "core/platform/fault_injection.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::faults {
namespace {

constexpr int kOps = 5;
std::atomic<int> g_calls[kOps];
std::atomic<int> g_failAt[kOps]; // 0 = not armed
std::atomic<int> g_total{0};
std::atomic<int> g_crashAt{0}; // 0 = no crash armed
std::atomic<bool> g_recording{false};

int index(Op op) { return static_cast<int>(op); }

using Content = std::vector<std::uint8_t>;

// What the seam knows of the files it saw. A file is an id; a name maps to an id or to
// nothing. "durable" is what a power loss keeps, "current" what the process sees.
struct Tracker {
    std::vector<FileOp> log;
    std::map<std::string, std::optional<int>> durableName;
    std::map<std::string, std::optional<int>> currentName;
    std::map<int, Content> durableData;
    int nextId = 1;
};

std::mutex g_mutex;
Tracker g_tracker;

// One spelling per path, so that "dir/" + "F1.DAT" and "dir//F1.DAT" are one file.
std::string normalized(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    while (out.size() > 2 && out.compare(0, 2, "./") == 0)
        out.erase(0, 2);
    return out;
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<Content> readRegularFile(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    Content content;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        content.insert(content.end(), buffer, buffer + got);
    }
    ::close(fd);
    return content;
}

// Starts tracking a name: what is there now counts as durable.
void track(Tracker& t, const std::string& path)
{
    if (t.currentName.count(path))
        return;
    std::optional<int> id;
    if (std::optional<Content> content = readRegularFile(path)) {
        id = t.nextId++;
        t.durableData[*id] = std::move(*content);
    }
    t.durableName[path] = id;
    t.currentName[path] = id;
}

} // namespace

void reset()
{
    for (int i = 0; i < kOps; ++i) {
        g_calls[i] = 0;
        g_failAt[i] = 0;
    }
    g_total = 0;
    g_crashAt = 0;
    g_recording = false;
    std::lock_guard lock(g_mutex);
    g_tracker = Tracker{};
}

void failNth(Op op, int n) { g_failAt[index(op)] = g_calls[index(op)].load() + n; }

int callCount(Op op) { return g_calls[index(op)].load(); }

int totalCount() { return g_total.load(); }

bool shouldFail(Op op)
{
    const int call = ++g_calls[index(op)];
    const int total = ++g_total;
    const int crash = g_crashAt.load();
    if (crash != 0 && total >= crash)
        return true;
    return call == g_failAt[index(op)].load();
}

void crashAt(int n) { g_crashAt = g_total.load() + n; }

bool crashed()
{
    const int crash = g_crashAt.load();
    return crash != 0 && g_total.load() >= crash;
}

void startRecording()
{
    std::lock_guard lock(g_mutex);
    g_tracker = Tracker{};
    g_recording = true;
}

std::vector<FileOp> recorded()
{
    std::lock_guard lock(g_mutex);
    return g_tracker.log;
}

void before(const std::string& kind, const std::string& path, const std::string& to)
{
    if (!g_recording)
        return;
    std::lock_guard lock(g_mutex);
    Tracker& t = g_tracker;
    if (kind == "fsync-dir" || kind == "syncfs" || kind == "rmdir")
        return;
    track(t, normalized(path));
    if (!to.empty())
        track(t, normalized(to));
}

void after(const std::string& kind, const std::string& rawPath, const std::string& rawTo)
{
    if (!g_recording)
        return;
    std::lock_guard lock(g_mutex);
    Tracker& t = g_tracker;
    t.log.push_back({kind, rawPath, rawTo});
    const std::string path = normalized(rawPath);
    if (kind == "create") {
        // A new file, or a file cut to nothing: until it is flushed, nothing of its data is kept.
        std::optional<int>& id = t.currentName[path];
        if (!id)
            id = t.nextId++;
        t.durableData[*id] = Content{};
    } else if (kind == "fsync") {
        if (const std::optional<int> id = t.currentName[path])
            t.durableData[*id] = readRegularFile(path).value_or(Content{});
    } else if (kind == "syncfs") {
        // The whole file system: every file's data and every directory's names as they are now.
        for (const auto& [name, id] : t.currentName) {
            t.durableName[name] = id;
            if (id)
                t.durableData[*id] = readRegularFile(name).value_or(Content{});
        }
    } else if (kind == "fsync-dir") {
        for (const auto& [name, id] : t.currentName) {
            if (directoryOf(name) == path)
                t.durableName[name] = id;
        }
    } else if (kind == "rename") {
        const std::string to = normalized(rawTo);
        t.currentName[to] = t.currentName[path];
        t.currentName[path] = std::nullopt;
    } else if (kind == "unlink") {
        t.currentName[path] = std::nullopt;
    }
}

void losePower()
{
    std::lock_guard lock(g_mutex);
    Tracker& t = g_tracker;
    for (const auto& [path, id] : t.durableName) {
        struct stat st {};
        const bool present = ::lstat(path.c_str(), &st) == 0;
        if (present && !S_ISREG(st.st_mode))
            continue;
        if (!id) {
            if (present)
                ::unlink(path.c_str());
            continue;
        }
        // Written whole under the name (not through the seam): the state after the reboot.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            continue;
        const Content& data = t.durableData[*id];
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    const bool recording = g_recording.load();
    t = Tracker{};
    g_crashAt = 0;
    g_recording = recording;
}

} // namespace qv::faults
