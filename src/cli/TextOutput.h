#pragma once
// The output conventions of quovanta-cli: one record per line, fields separated by one tab,
// texts from portfolio files shown as UTF-8.

#include "core/store/status.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

namespace qv::cli {

// Writes the fields joined by tabs and ends the line.
void writeRecord(std::ostream& out, std::initializer_list<std::string_view> fields);

// A name or symbol as stored (Windows-1252 bytes) as one field of a record: UTF-8, control
// characters (a damaged file may hold tabs or line breaks) shown as blanks, trailing blanks
// removed.
std::string fieldText(std::string_view windows1252Bytes);

// A message for standard error: the text as the program shows it, then a line break.
void writeMessage(std::ostream& err, std::string_view message);

std::string formatFixed(double value, int decimals); // printf "%.Nf"

} // namespace qv::cli
