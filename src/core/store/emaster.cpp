#include "core/store/emaster.h"

#include "core/platform/files.h"
#include "core/store/record_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qv {
namespace {

std::string cText(const EmasterRecord& bytes, std::size_t offset, std::size_t width)
{
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + offset);
    return std::string(begin, std::find(begin, begin + width, '\0'));
}

std::uint32_t u32At(const EmasterRecord& bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace

std::string EmasterEntry::symbol() const { return cText(bytes, 11, 14); }
std::string EmasterEntry::shortName() const { return cText(bytes, 32, 16); }
std::string EmasterEntry::longName() const { return cText(bytes, 139, 52); }
int EmasterEntry::intradayMinutes() const { return bytes[62] | bytes[63] << 8; }
float EmasterEntry::firstDate() const { return std::bit_cast<float>(u32At(bytes, 64)); }
float EmasterEntry::lastDate() const { return std::bit_cast<float>(u32At(bytes, 72)); }
std::int32_t EmasterEntry::firstDateNumber() const { return static_cast<std::int32_t>(u32At(bytes, 126)); }

std::string emasterPath(const std::string& dir)
{
    return findEntry(dir.empty() ? "." : dir, kEmasterFileName).value_or(std::string());
}

IoStatus readEmasterFile(const std::string& dir, EmasterFile& out)
{
    return readRecordFile(dir, kEmasterFileName, out);
}

} // namespace qv
