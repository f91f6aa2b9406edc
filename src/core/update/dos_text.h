#pragma once
// Reading text files the way DOS text mode does: CR LF and LF both end a line, a byte 0x1A
// ends the file, and a line is read in pieces of at most `limit` characters, so the rest of a
// longer line comes back as a line of its own (update files and the audit log have always
// been read so).

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t kDosLineLimit = 299;

// The text as text mode delivers it: cut at the first 0x1A, every CR LF turned into LF.
std::string normalizeDosText(std::string_view raw);

// Walks normalized text line by line without copying; each line keeps its "\n" when it had one.
class DosLineReader {
public:
    explicit DosLineReader(std::string_view normalized, std::size_t limit = kDosLineLimit)
        : text_(normalized), limit_(limit)
    {
    }
    bool next(std::string_view& line);

private:
    std::string_view text_;
    std::size_t limit_;
};

// The lines of a file; false when it cannot be read.
bool readDosLines(const std::string& path, std::vector<std::string>& lines, std::size_t limit = kDosLineLimit);

} // namespace qv
