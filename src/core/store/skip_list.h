#pragma once
// SKIPQVTA.PBG: 256 bytes, byte k non-zero when the security with file number k is left
// alone by the update run. In memory a text of 256 '0'/'1' characters; an empty text means no
// valid skip list is at hand.

#include "core/platform/io_status.h"

#include <string>
#include <vector>

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
// file. Numbers from 256 on are cleared in SKIPQVTX.PBG. Fails when the file exists but cannot be read, or cannot be written.
IoStatus clearSkipMark(const std::string& dir, int fileNumber);
// The default text: '1' at position 0, '0' elsewhere.
SkipFlags defaultSkipFlags();

// SKIPQVTX.PBG: the marks of file numbers 256 and up (XMASTER securities), which the 256
// bytes of SKIPQVTA.PBG cannot hold and must not grow to hold: byte k non-zero when file number
// 256 + k is left alone by the update run. A missing file, or bytes missing from a short one,
// mean no mark; the file is created only when a mark is set. In memory the same '0'/'1' text,
// position k for file number 256 + k.
inline constexpr const char* kHighSkipFileName = "SKIPQVTX.PBG";
inline constexpr int kFirstHighSkipNumber = 256;
// The largest file number an XMASTER record can name.
inline constexpr int kLastHighSkipNumber = 65535;
// Reads the marks of file numbers 256 and up; a missing file reads as none (`flags` empty).
IoStatus readHighSkipFlags(const std::string& dir, SkipFlags& flags);
// Whether file number n (256 and up) is marked in `flags` as readHighSkipFlags gives them.
bool highSkipMarked(const SkipFlags& flags, int fileNumber);
// Sets or clears the mark of file number n (256..65535) atomically. Clearing a mark that is not
// set writes nothing (and creates no file).
IoStatus setHighSkipMark(const std::string& dir, int fileNumber, bool skip);
// Replaces every mark from 256 on: `numbers` marked, all others cleared. Writes nothing when
// no number is to be marked and the file does not exist.
IoStatus writeHighSkipMarks(const std::string& dir, const std::vector<int>& numbers);

} // namespace qv
