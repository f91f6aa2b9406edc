#include "core/store/emaster.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/record_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qv {

std::string EmasterEntry::symbol() const { return nulTerminatedText(bytes.data() + 11, 14); }
std::string EmasterEntry::shortName() const { return nulTerminatedText(bytes.data() + 32, 16); }
std::string EmasterEntry::longName() const { return nulTerminatedText(bytes.data() + 139, 52); }
int EmasterEntry::intradayMinutes() const { return bytes[62] | bytes[63] << 8; }
float EmasterEntry::firstDate() const { return std::bit_cast<float>(getU32(bytes.data() + 64)); }
float EmasterEntry::lastDate() const { return std::bit_cast<float>(getU32(bytes.data() + 72)); }
std::int32_t EmasterEntry::firstDateNumber() const { return static_cast<std::int32_t>(getU32(bytes.data() + 126)); }

std::string emasterPath(const std::string& dir)
{
    return findEntry(dir.empty() ? "." : dir, kEmasterFileName).value_or(std::string());
}

IoStatus readEmasterFile(const std::string& dir, EmasterFile& out)
{
    return readRecordFile(dir, kEmasterFileName, out);
}

} // namespace qv
