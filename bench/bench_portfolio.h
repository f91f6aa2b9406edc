#pragma once
// The portfolio the benchmarks read: written here byte by byte, one 7-field security.

#include "core/store/encodings.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
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

} // namespace bench
