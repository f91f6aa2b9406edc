#pragma once
// Names in portfolio files are bytes written by Windows programs (code page 1252).

#include <string>
#include <string_view>

namespace qv {

std::string windows1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 form become '?'. Invalid UTF-8 bytes are taken as
// Windows-1252 bytes already.
std::string utf8ToWindows1252(std::string_view text);

} // namespace qv
