// A named pipe where a file is read or written: refused like an unreadable file, never replaced,
// never waited on. A hung case is failed, then released by opening the pipe's other end.

#include "core/platform/files.h"
#include "core/platform/settings_file.h"
#include "core/store/master.h"
#include "core/store/quotes.h"
#include "core/store/skip_list.h"
#include "core/update/update_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {
namespace {

using namespace std::chrono_literals;
using namespace qv::updatetest;

// False when `operation` did not finish in time; its hung open of `fifo` is then released.
bool finishesInTime(const std::string& fifo, const std::function<void()>& operation)
{
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread worker([&] {
        operation();
        done.set_value();
    });
    const bool inTime = finished.wait_for(10s) == std::future_status::ready;
    while (finished.wait_for(50ms) != std::future_status::ready) {
        const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            std::this_thread::sleep_for(20ms);
            ::close(fd);
        }
    }
    worker.join();
    return inTime;
}

bool isFifo(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

constexpr const char* kPipe = "not a regular file but a named pipe";

class SpecialFiles : public UpdateFixture, public ::testing::Test {};

TEST_F(SpecialFiles, NamedPipesAreRefusedLikeUnreadableFilesWithoutWaiting)
{
    const std::string ini = startup + "/QUOVANTA.INI";
    // "" when the message names the pipe, else the message.
    const auto namesPipe = [](const std::string& m) {
        return m.find(kPipe) != std::string::npos ? "" : "message: " + m;
    };
    const auto appended = [&] { return appendMasterEntry(data, "NEW", "NEW CO", 7); };
    const struct Case {
        const char* what;
        std::string pipe;
        std::function<std::string()> run; // "" when it behaved, else what went wrong
    } cases[] = {
        {"MASTER read", data + "/MASTER",
         [&] {
             MasterFile m;
             return namesPipe(readMasterFile(data, m).message());
         }},
        {"field layout", data + "/F1.DOP",
         [&] {
             const LayoutResult r = readFieldLayout(data + "/F1.DOP", 28, 'D');
             return r.status == kStatusOk && r.layout.has(FieldKind::Close) ? "" : "no default layout";
         }},
        {"skip list", data + "/SKIPQVTA.PBG",
         [&] { return readSkipFlags(data).empty() && isFifo(data + "/SKIPQVTA.PBG") ? "" : "read or replaced"; }},
        {"settings file written", ini,
         [&] {
             const std::string m = namesPipe(SettingsFile(ini).setString("Update", "Key", "new").message());
             return isFifo(ini) ? m : "replaced";
         }},
        {"MASTER replaced", data + "/MASTER",
         [&] {
             const std::string m = namesPipe(appended().failure.message());
             return isFifo(data + "/MASTER") ? m : "replaced";
         }},
        {"writer's temporary file", data + "/MASTER.~NU", [&] { return namesPipe(appended().failure.message()); }},
        {"audit log", startup + "/AUDIT.TXT",
         [&] {
             updateFile("DAILY.TXT", "ABC,970116,11,12,10,11.5,200,2\n");
             Recorder recorder;
             CQuoteUpdater updater(inputs(), recorder);
             const std::uint32_t result = updater.UpdateAllPortfolios();
             return (result >> 16) == 1 ? namesPipe(updater.AuditProblem()) : "not failed";
         }},
        {"update file", updates + "/DAILY.TXT",
         [&] {
             updateFile("OTHER.TXT", "ABC,970116,11,12,10,11.5,200,2\n");
             return runUpdate(inputs()).count == 1 ? "" : "no quote from the other file";
         }},
        {"archive", updates + "/DAILY.ZIP",
         [&] {
             UpdateInputs in = inputs();
             in.settings.zipEnable = true;
             in.settings.pkunzipPath = tmp.subdir("bin");
             const RunOutcome run = runUpdate(in);
             return run.recorder.messages.empty() && !run.extractionFailed ? "" : "unpacked or failed";
         }},
    };
    for (const Case& c : cases) {
        portfolio({{1, "ABC", {row7(fileDate(1997, 1, 15), 10, 100, 1)}}});
        writeProfile(startup, "Daily", profile);
        std::filesystem::remove(ini);
        writeText(ini, "[Update]\nKey=stored\n");
        for (const auto& entry : std::filesystem::directory_iterator(updates))
            std::filesystem::remove(entry.path());
        std::filesystem::remove(data + "/MASTER.~NU");
        std::filesystem::remove(startup + "/AUDIT.TXT");
        std::filesystem::remove(c.pipe);
        ASSERT_EQ(::mkfifo(c.pipe.c_str(), 0644), 0) << c.pipe;
        std::string outcome = "did not finish";
        EXPECT_TRUE(finishesInTime(c.pipe, [&] { outcome = c.run(); })) << c.what << " waited for the pipe";
        EXPECT_EQ(outcome, "") << c.what;
        std::filesystem::remove(c.pipe);
    }
}

} // namespace
} // namespace qv
