#include "core/store/xmaster.h"

#include "core/platform/files.h"
#include "core/platform/text.h"
#include "core/store/record_file.h"

#include <algorithm>
#include <bit>

namespace qv {

int XmasterEntry::fileNumber() const { return getU16(bytes.data() + 65); }
std::string XmasterEntry::symbol() const { return nulTerminatedText(bytes.data() + 1, 14); }
std::string XmasterEntry::name() const { return nulTerminatedText(bytes.data() + 16, 45); }
int XmasterEntry::intradayMinutes() const { return getU16(bytes.data() + 63); }
int XmasterEntry::fieldCount() const { return std::popcount(static_cast<unsigned>(bytes[70])); }
std::int32_t XmasterEntry::firstDate() const { return static_cast<std::int32_t>(getU32(bytes.data() + 108)); }
std::int32_t XmasterEntry::lastDate() const { return static_cast<std::int32_t>(getU32(bytes.data() + 116)); }

bool XmasterFile::hasMarker() const
{
    return header[0] == 0x5D && header[1] == 0xFE && header[2] == 0x58 && header[3] == 0x4D;
}
int XmasterFile::declaredCount() const { return getU16(header.data() + 10); }
int XmasterFile::secondDeclaredCount() const { return getU16(header.data() + 14); }
int XmasterFile::nextFileNumber() const { return getU16(header.data() + 18); }

std::string xmasterPath(const std::string& dir)
{
    return findEntry(dir.empty() ? "." : dir, kXmasterFileName).value_or(std::string());
}

IoStatus readXmasterFile(const std::string& dir, XmasterFile& out)
{
    return readRecordFile(dir, kXmasterFileName, out);
}

float fileDateFromYyyymmdd(std::int32_t yyyymmdd)
{
    const int year = yyyymmdd / 10000;
    const int month = yyyymmdd / 100 % 100;
    const int day = yyyymmdd % 100;
    if (year < 1900 || year > 2099 || month < 1 || month > 12 || day < 1 || day > 31)
        return 0.0f;
    return static_cast<float>((year - 1900) * 10000 + month * 100 + day);
}

} // namespace qv
