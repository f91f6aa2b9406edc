#pragma once
// Every target works in a private scratch directory, removed before it returns.

#include "core/store/encodings.h"
#include "core/store/master.h"
#include "core/store/quotes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

namespace qv::fuzz {

using Input = std::span<const std::uint8_t>;

// libFuzzer keeps the input that aborts as a crash.
inline void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

inline std::string_view asText(Input bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

inline void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    check(!f.fail(), "cannot write a scratch file");
}
inline void writeFile(const std::string& path, Input bytes) { writeFile(path, asText(bytes)); }
inline void makeDir(const std::string& path) { check(mkdir(path.c_str(), 0755) == 0, "mkdir"); }

class ScratchDir {
public:
    ScratchDir() { check(mkdtemp(path_.data()) != nullptr, "mkdtemp"); }
    ~ScratchDir() { std::filesystem::remove_all(path_, ignored_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_ = (std::filesystem::temp_directory_path() / "quovanta-fuzz-XXXXXX").string();
    std::error_code ignored_;
};

// The input cut at each separator into at most maxParts parts (the last takes the rest). The
// separator is in the dictionary, so the fuzzer moves bytes between files as easily as within one.
inline std::vector<Input> splitParts(const std::uint8_t* data, std::size_t size, std::size_t maxParts)
{
    constexpr std::string_view kSeparator = "--QVPART--";
    const Input all(data, size);
    std::vector<Input> parts;
    std::size_t start = 0;
    for (std::size_t at;
         parts.size() + 1 < maxParts && (at = asText(all).find(kSeparator, start)) != std::string_view::npos;
         start = at + kSeparator.size())
        parts.push_back(all.subspan(start, at - start));
    parts.push_back(all.subspan(start));
    return parts;
}

// MASTER is parts[0]; the following parts are F<n>.DAT and F<n>.DOP, in turn, of each distinct
// file number MASTER's records give. Returns the first record, to look its security up by.
inline MasterEntry writePortfolio(const ScratchDir& dir, const std::vector<Input>& parts)
{
    writeFile(dir / "MASTER", parts[0]);
    MasterEntry first;
    std::vector<int> numbers;
    std::size_t next = 1;
    for (std::size_t off = kMasterRecordSize; off + kMasterRecordSize <= parts[0].size() && next < parts.size();
         off += kMasterRecordSize) {
        const int n = parts[0][off];
        if (numbers.empty())
            std::copy_n(parts[0].begin() + static_cast<std::ptrdiff_t>(off), kMasterRecordSize, first.bytes.begin());
        if (std::ranges::find(numbers, n) != numbers.end())
            continue;
        numbers.push_back(n);
        for (const char* ext : {"DAT", "DOP"})
            if (next < parts.size())
                writeFile(dir / quoteFileName(n, ext), parts[next++]);
    }
    return first;
}

// A sound portfolio in dir: ACME in F1, seven fields, one quote of 01/02/97.
inline void writeAcmePortfolio(const std::string& dir)
{
    std::vector<std::uint8_t> master(2 * kMasterRecordSize, 0);
    master[0] = master[2] = 1;
    std::uint8_t* e = master.data() + kMasterRecordSize;
    e[0] = 1, e[1] = 0xE0, e[3] = 28, e[4] = 7, e[33] = 'D';
    for (int i = 0; i < 16; ++i)
        e[7 + i] = e[36 + i] = i < 4 ? "ACME"[i] : ' ';
    std::vector<std::uint8_t> quotes(28, 0);
    quotes[2] = 2;
    for (const float v : {970102.0f, 10.0f, 12.0f, 9.0f, 11.0f, 1000.0f, 50.0f})
        std::ranges::copy(floatToMbf(v), std::back_inserter(quotes));
    std::ranges::copy(quotes.end() - 28, quotes.end() - 24, e + 25); // first and last date
    std::ranges::copy(quotes.end() - 28, quotes.end() - 24, e + 29);
    writeFile(dir + "/MASTER", Input(master));
    writeFile(dir + "/F1.DAT", Input(quotes));
    writeFile(dir + "/F1.DOP", "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n"
                               "\"VOL\",0,0\r\n\"OI\",0,0\r\n");
}

} // namespace qv::fuzz
