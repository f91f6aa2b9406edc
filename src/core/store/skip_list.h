#pragma once
// SKIPQVTA.PBG: 256 bytes, byte k non-zero when the security with file number k is left
// alone by the update run. In memory a text of 256 '0'/'1' characters; an empty text means no
// valid skip list is at hand.

#include "core/platform/io_status.h"

#include <string>

namespace qv {

using SkipFlags = std::string;
inline constexpr std::size_t kSkipFlagCount = 256;
inline constexpr const char* kSkipFileName = "SKIPQVTA.PBG";

// Reads the marks; a missing file is created with the default (byte 0 set) first. Bytes
// missing from a short file read as '0'. Empty when the file can neither be read nor created;
// then `why`, when given, receives the cause.
SkipFlags readSkipFlags(const std::string& dir, IoStatus* why = nullptr);
// Whether an empty readSkipFlags (its cause in why) means the folder cannot be written: the file
// is missing and its creation was refused (EACCES, EPERM, EROFS) or the folder is read-only.
// The securities are then shown without marks, with readOnlyFolderMessage (files.h), never with
// the message for a skip list of the wrong length, which names a file that is not there.
bool skipListUnkeepable(const std::string& dir, const IoStatus& why);
// Writes the marks (the default for an empty text) atomically; returns the text written, or
// the empty text when the file could not be written (the cause in `why`, when given).
SkipFlags writeSkipFlags(const std::string& dir, const SkipFlags& flags, IoStatus* why = nullptr);
// Clears the mark of fileNumber, for a security that takes that number: a new security starts
// unskipped, whatever mark a deleted one left. Writes only when the mark is set; creates no
// file. Fails when the file exists but cannot be read, or cannot be written.
IoStatus clearSkipMark(const std::string& dir, int fileNumber);
// The default text: '1' at position 0, '0' elsewhere.
SkipFlags defaultSkipFlags();

} // namespace qv
