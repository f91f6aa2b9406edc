#pragma once
// What the fuzz targets share: a private scratch directory per run, and the cutting of one
// input into the several files a reader looks at.
//
// A target never writes outside its scratch directory and removes it before returning, so a
// long run leaves nothing behind and one run cannot see another's files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv::fuzz {

using Input = std::span<const std::uint8_t>;

// Stops the run with a message: libFuzzer keeps the input that led here as a crash.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
inline void check(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

class ScratchDir {
public:
    ScratchDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quovanta-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            fail("mkdtemp");
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, Input bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        fail("cannot create a scratch file");
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        fail("cannot write a scratch file");
}
inline void writeFile(const std::string& path, std::string_view text)
{
    writeFile(path, Input(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

inline constexpr std::string_view kPartSeparator = "--QVPART--";

// The input cut at every kPartSeparator, into at most maxParts parts (the last takes the rest).
// Seeds are built the same way (tests/fuzz/make_corpus.py), and the separator is in the
// dictionary, so the fuzzer moves bytes between files as easily as within one.
inline std::vector<Input> splitParts(Input data, std::size_t maxParts)
{
    std::vector<Input> parts;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    std::size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const std::size_t at = text.find(kPartSeparator, start);
        if (at == std::string_view::npos)
            break;
        parts.push_back(data.subspan(start, at - start));
        start = at + kPartSeparator.size();
    }
    parts.push_back(data.subspan(start));
    return parts;
}

inline std::string_view asText(Input bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A name that stays one plain entry of the directory it is made in.
inline bool isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

} // namespace qv::fuzz

#include "core/store/encodings.h"
#include "core/store/master.h"

namespace qv::fuzz {

// A MASTER record of a security, laid out as portfolios store it, for targets that need a
// sound portfolio around the bytes they fuzz.
inline std::vector<std::uint8_t> masterEntryRecord(int fileNumber, int fields, std::string_view symbol,
                                                   float firstDate, float lastDate)
{
    std::vector<std::uint8_t> r(kMasterRecordSize, 0);
    r[0] = static_cast<std::uint8_t>(fileNumber);
    r[1] = 0xE0;
    r[3] = static_cast<std::uint8_t>(4 * fields);
    r[4] = static_cast<std::uint8_t>(fields);
    for (std::size_t i = 0; i < 16; ++i) {
        r[7 + i] = i < symbol.size() ? static_cast<std::uint8_t>(symbol[i]) : ' ';
        r[36 + i] = r[7 + i];
    }
    const MbfFloat first = floatToMbf(firstDate);
    const MbfFloat last = floatToMbf(lastDate);
    std::copy(first.begin(), first.end(), r.begin() + 25);
    std::copy(last.begin(), last.end(), r.begin() + 29);
    r[33] = 'D';
    return r;
}

// MASTER holding the given entry records.
inline std::vector<std::uint8_t> masterFileBytes(const std::vector<std::vector<std::uint8_t>>& entries)
{
    std::vector<std::uint8_t> out(kMasterRecordSize, 0);
    out[0] = static_cast<std::uint8_t>(entries.size());
    out[2] = static_cast<std::uint8_t>(entries.size());
    for (const auto& e : entries)
        out.insert(out.end(), e.begin(), e.end());
    return out;
}

// A quote file of `fields` fields holding the given rows (values as IEEE, stored as MBF).
inline std::vector<std::uint8_t> quoteFileBytes(int fields, const std::vector<std::vector<float>>& rows)
{
    const std::size_t length = 4 * static_cast<std::size_t>(fields);
    std::vector<std::uint8_t> out(length, 0);
    const std::size_t records = rows.size() + 1;
    out[2] = static_cast<std::uint8_t>(records & 0xFF);
    out[3] = static_cast<std::uint8_t>(records >> 8);
    for (const auto& row : rows)
        for (int f = 0; f < fields; ++f) {
            const MbfFloat v = floatToMbf(f < static_cast<int>(row.size()) ? row[f] : 0.0f);
            out.insert(out.end(), v.begin(), v.end());
        }
    return out;
}

inline constexpr std::string_view kSevenFieldDop =
    "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n\"VOL\",0,0\r\n\"OI\",0,0\r\n";

// The first entry of a MASTER's bytes that names a security (not a nested portfolio), if any.
inline std::optional<MasterEntry> firstSecurity(Input masterBytes)
{
    for (std::size_t off = kMasterRecordSize; off + kMasterRecordSize <= masterBytes.size(); off += kMasterRecordSize) {
        MasterEntry e;
        std::copy_n(masterBytes.begin() + static_cast<std::ptrdiff_t>(off), kMasterRecordSize, e.bytes.begin());
        if (!e.isDirectoryEntry())
            return e;
    }
    return std::nullopt;
}

} // namespace qv::fuzz
