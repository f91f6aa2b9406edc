#pragma once
// The portfolios the benchmarks read, written here byte by byte (never through the store's
// writers): one 7-field security, or a vendor-sized folder of MASTER, EMASTER and XMASTER
// securities.

#include "core/store/encodings.h"
#include "core/update/update_run.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void putMbf(Bytes& out, float value)
{
    const qv::MbfFloat m = qv::floatToMbf(value);
    out.insert(out.end(), m.begin(), m.end());
}

inline void putText(Bytes& out, const std::string& text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : ' '));
}

// Consecutive calendar days from 1980-01-01; weekends do not matter to the readers.
inline float fileDateOf(int dayIndex)
{
    return qv::fileDateValue(static_cast<qv::DayNumber>(qv::dayNumberFromYmd(1980, 1, 1) + dayIndex));
}

inline bool writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// dir/MASTER with one security `symbol` (file number 1, 7 fields), its F1.DAT with `quotes`
// daily quotes whose prices, volume and open interest vary, and F1.DOP.
inline bool writeOneSecurityPortfolio(const std::string& dir, const std::string& symbol, int quotes)
{
    constexpr int kFields = 7;
    Bytes master;
    putU16(master, 1);
    putU16(master, 1);
    master.resize(53, 0);
    master.insert(master.end(), {1, 0x00, 0x65, 4 * kFields, kFields, 0, 0});
    putText(master, "BENCHMARK ISSUE", 16);
    master.insert(master.end(), 2, 0);
    putMbf(master, fileDateOf(0));
    putMbf(master, fileDateOf(quotes - 1));
    master.push_back('D');
    master.insert(master.end(), 2, 0);
    putText(master, symbol, 16);
    master.push_back(0);

    Bytes dat;
    putU16(dat, 0);
    putU16(dat, static_cast<unsigned>(quotes + 1));
    for (int i = 1; i < kFields; ++i) {
        putU16(dat, 0);
        putU16(dat, 1);
    }
    float close = 50.0f;
    for (int i = 0; i < quotes; ++i) {
        const float open = close;
        close = std::max(1.0f, open + static_cast<float>((i * 7919) % 101 - 50) / 100.0f);
        putMbf(dat, fileDateOf(i));
        putMbf(dat, open);
        putMbf(dat, std::max(open, close) + 0.25f);
        putMbf(dat, std::min(open, close) - 0.25f);
        putMbf(dat, close);
        putMbf(dat, static_cast<float>(100000 + (i * 37) % 50000));
        putMbf(dat, static_cast<float>(2000 + (i * 13) % 700));
    }
    const std::string dop = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n"
                            "\"CLOSE\",4,4\n\"VOL\",4,4\n\"OI\",4,4\n";
    return writeFile(dir + "/MASTER", master) && writeFile(dir + "/F1.DAT", dat) &&
           writeFile(dir + "/F1.DOP", Bytes(dop.begin(), dop.end()));
}

// ---- A folder as current charting software and vendors' downloaders leave it ----

inline void putU32(Bytes& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

inline void putIeee(Bytes& out, float value) { putU32(out, std::bit_cast<std::uint32_t>(value)); }

// `text` NUL-terminated in a zero-filled field of `width` bytes.
inline void putCText(Bytes& out, const std::string& text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(i < text.size() && i + 1 < width ? text[i] : 0));
}

// Trading days, five a week from Monday 1990-01-01.
inline qv::DayNumber tradingDay(int i)
{
    return static_cast<qv::DayNumber>(qv::dayNumberFromYmd(1990, 1, 1) + (i / 5) * 7 + i % 5);
}

inline std::uint32_t yyyymmddOf(qv::DayNumber day)
{
    const qv::Ymd ymd = qv::ymdFromDayNumber(day);
    return static_cast<std::uint32_t>((1900 + ymd.year) * 10000 + ymd.month * 100 + ymd.day);
}

struct ModernFolderShape {
    int masterSecurities = 255;   // F1.DAT.. in MASTER and EMASTER (at most 255)
    int xmasterSecurities = 2000; // F256.MWD.. in XMASTER
    int quotes = 2500;            // per security, on tradingDay(0..quotes-1)
    bool emaster = true;
    bool dopFiles = false; // vendor folders rarely have them
};

struct BenchSecurity {
    int fileNumber = 0;
    std::string symbol;
    std::string quoteFileName; // F<n>.DAT or F<n>.MWD
    float lastClose = 0;
};

// The quote file of one security: 7 fields D,O,H,L,C,V,OI, `quotes` quotes whose prices
// wander from a start that depends on `seed`. Returns the last close.
inline float benchQuoteFile(Bytes& out, int seed, int quotes)
{
    constexpr int kFields = 7;
    out.clear();
    out.reserve(static_cast<std::size_t>(quotes + 1) * 4 * kFields);
    putU16(out, 0);
    putU16(out, static_cast<unsigned>(quotes + 1));
    out.resize(4 * kFields, 0);
    float close = 10.0f + static_cast<float>(seed % 400) * 0.25f;
    for (int i = 0; i < quotes; ++i) {
        const float open = close;
        close = std::max(0.5f, open * (1.0f + static_cast<float>((i * 7919 + seed * 104729) % 401 - 200) / 10000.0f));
        putMbf(out, qv::fileDateValue(tradingDay(i)));
        putMbf(out, open);
        putMbf(out, std::max(open, close) * 1.005f);
        putMbf(out, std::min(open, close) * 0.995f);
        putMbf(out, close);
        putMbf(out, static_cast<float>(100000 + (i * 37 + seed * 11) % 50000));
        putMbf(out, static_cast<float>((i + seed) % 3 == 0 ? 0 : 2000 + (i * 13) % 700));
    }
    return close;
}

// Writes into `dir` (which must exist and hold no portfolio) a folder of
// shape.masterSecurities securities M001.. in MASTER (and EMASTER, record for record) with
// F1.DAT.. (short names of 14 characters, so EMASTER holds them whole), then shape.xmasterSecurities securities X0001.. in XMASTER with F256.MWD..
// Every security has shape.quotes daily quotes. Fills `securities` in folder order.
inline bool writeModernPortfolio(const std::string& dir, const ModernFolderShape& shape,
                                 std::vector<BenchSecurity>& securities)
{
    constexpr int kFields = 7;
    constexpr std::uint8_t kFieldBits = 0x7F;
    const int m = std::clamp(shape.masterSecurities, 0, 255);
    const int x = std::max(shape.xmasterSecurities, 0);
    const float firstFileDate = qv::fileDateValue(tradingDay(0));
    const float lastFileDate = qv::fileDateValue(tradingDay(shape.quotes - 1));
    const std::uint32_t firstYmd = yyyymmddOf(tradingDay(0));
    const std::uint32_t lastYmd = yyyymmddOf(tradingDay(shape.quotes - 1));
    securities.clear();

    Bytes master;
    putU16(master, static_cast<unsigned>(m));
    putU16(master, static_cast<unsigned>(m));
    master.resize(53, 0);
    Bytes emaster;
    emaster.push_back(static_cast<std::uint8_t>(m));
    emaster.push_back(0);
    emaster.push_back(static_cast<std::uint8_t>(m));
    emaster.resize(49, 0);
    putU32(emaster, 0x1234ABCD);
    putCText(emaster, "Bench folder", 192 - 53);

    Bytes quotes;
    const std::string dop = "\"DATE\",0,0\n\"OPEN\",4,4\n\"HIGH\",4,4\n\"LOW\",4,4\n"
                            "\"CLOSE\",4,4\n\"VOL\",4,4\n\"OI\",4,4\n";
    char text[64];
    for (int n = 1; n <= m; ++n) {
        std::snprintf(text, sizeof text, "M%03d", n);
        const std::string symbol = text;
        std::snprintf(text, sizeof text, "MASTER NO. %03d", n);
        const std::string name = text;

        master.insert(master.end(), {static_cast<std::uint8_t>(n), 0x65, 0x00, 4 * kFields, kFields, 0, 0});
        putText(master, name, 16);
        master.insert(master.end(), 2, 0);
        putMbf(master, firstFileDate);
        putMbf(master, lastFileDate);
        master.push_back('D');
        master.insert(master.end(), 2, 0);
        putText(master, symbol, 16);
        master.push_back(0);

        const std::size_t at = emaster.size();
        emaster.insert(emaster.end(),
                       {0x36, 0x36, static_cast<std::uint8_t>(n), 0, 0, 0, kFields, kFieldBits, 0, ' ', 0});
        putCText(emaster, symbol, 14);
        emaster.resize(at + 32, 0);
        putCText(emaster, name, 16);
        emaster.resize(at + 60, 0);
        emaster.insert(emaster.end(), {'D', 0, 0, 0});
        putIeee(emaster, firstFileDate);
        putIeee(emaster, 0);
        putIeee(emaster, lastFileDate);
        emaster.resize(at + 126, 0);
        putU32(emaster, firstYmd);
        emaster.resize(at + 139, 0);
        putCText(emaster, name + " long name " + std::to_string(n), 52);
        emaster.push_back(0);

        const std::string file = "F" + std::to_string(n) + ".DAT";
        const float close = benchQuoteFile(quotes, n, shape.quotes);
        if (!writeFile(dir + "/" + file, quotes))
            return false;
        if (shape.dopFiles && !writeFile(dir + "/F" + std::to_string(n) + ".DOP", Bytes(dop.begin(), dop.end())))
            return false;
        securities.push_back({n, symbol, file, close});
    }

    Bytes xmaster{0x5D, 0xFE, 0x58, 0x4D, 0x20, 0x03, 0x7E, 0xAC, 0xE3, 0xBD};
    putU16(xmaster, static_cast<unsigned>(x));
    putU16(xmaster, 0);
    putU16(xmaster, static_cast<unsigned>(x));
    putU16(xmaster, 0);
    putU16(xmaster, static_cast<unsigned>(256 + x));
    putU16(xmaster, 0);
    putCText(xmaster, "Bench folder", 150 - 22);
    for (int i = 0; i < x; ++i) {
        const int n = 256 + i;
        std::snprintf(text, sizeof text, "X%04d", i + 1);
        const std::string symbol = text;
        std::snprintf(text, sizeof text, "Extended master issue number %04d", i + 1);
        const std::string name = text;

        const std::size_t at = xmaster.size();
        xmaster.push_back(0x01);
        putCText(xmaster, symbol, 14);
        xmaster.push_back(0);
        putCText(xmaster, name, 45);
        xmaster.insert(xmaster.end(), {0, 'D', 0, 0});
        putU16(xmaster, static_cast<unsigned>(n));
        xmaster.insert(xmaster.end(), {0, 0, 0, kFieldBits});
        xmaster.resize(at + 104, 0);
        putU32(xmaster, lastYmd);
        putU32(xmaster, firstYmd);
        putU32(xmaster, 0);
        putU32(xmaster, lastYmd);
        putU32(xmaster, 0);
        xmaster.resize(at + 150, 0);

        const std::string file = "F" + std::to_string(n) + ".MWD";
        const float close = benchQuoteFile(quotes, n, shape.quotes);
        if (!writeFile(dir + "/" + file, quotes))
            return false;
        securities.push_back({n, symbol, file, close});
    }
    return writeFile(dir + "/MASTER", master) && (!shape.emaster || writeFile(dir + "/EMASTER", emaster)) &&
           (x == 0 || writeFile(dir + "/XMASTER", xmaster));
}

// Wall time since `since`, in seconds.
inline double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// An update run's observer that shows only messages, on standard error.
class SilentObserver final : public qv::UpdateObserver {
public:
    void OnProgress(const qv::ProgressTexts&) override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
};

// The folder shape and work directory of a benchmark over one modern folder: --smoke (or any
// --benchmark_* flag, as the test script passes to every benchmark) makes the folder small, so
// the program is exercised without the hundreds of megabytes; any other argument is the work
// directory.
inline ModernFolderShape modernShapeFromArgs(int argc, char** argv, std::string& workDir)
{
    ModernFolderShape shape;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--smoke" || arg.starts_with("--benchmark")) {
            shape.masterSecurities = 5;
            shape.xmasterSecurities = 20;
            shape.quotes = 50;
        } else {
            workDir = arg;
        }
    }
    return shape;
}

} // namespace bench
