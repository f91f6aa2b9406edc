#pragma once
// Turning a run of quote records (F fields of 4 MBF bytes each) into value columns: the inner
// loop of every whole-file read, so it has a wide path for processors that can take 16 records
// at a time and a portable one for the rest. Both give the same bits as mbfToFloat per field.
//
// Pure and thread-safe.

#include "core/store/encodings.h"

#include <cstddef>
#include <cstdint>

namespace qv {

// The widest record the wide path transposes in registers (32 bytes, one more field than the
// longest usual record); longer records take the portable path.
inline constexpr std::size_t kMaxWideFields = 8;

// REQUIRES: `records` holds count * recordLength bytes; columns has recordLength / 4 entries,
// each null (field not wanted) or room for `count` floats.
// Stores field f of record i, converted from MBF, at columns[f][i]. Bytes after the last whole
// field of a record are no field.
void splitRecordColumns(const std::uint8_t* records, std::size_t count, std::size_t recordLength,
                        float* const* columns);

// The two paths, for tests and benchmarks. splitRecordColumnsWide does nothing and returns
// false when the processor lacks the instructions, or the record is not 1..kMaxWideFields
// whole fields.
void splitRecordColumnsPortable(const std::uint8_t* records, std::size_t count, std::size_t recordLength,
                                float* const* columns);
bool splitRecordColumnsWide(const std::uint8_t* records, std::size_t count, std::size_t recordLength,
                            float* const* columns);

// dayNumberFromFileDate for n file dates at once, written so the compiler can vectorise the
// common case; values outside it take the scalar conversion.
void dayNumbersFromFileDates(const float* fileDates, DayNumber* out, std::size_t n);

} // namespace qv
