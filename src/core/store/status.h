#pragma once
// The status codes every data-store operation returns: 0 is success, negative a failure.

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

using StoreStatus = std::int16_t;

inline constexpr StoreStatus kStatusOk = 0;
inline constexpr StoreStatus kStatusInvalidParm = -1;
inline constexpr StoreStatus kStatusFileOpen = -2;
inline constexpr StoreStatus kStatusMalloc = -3;
inline constexpr StoreStatus kStatusFileRead = -4;
inline constexpr StoreStatus kStatusFileWrite = -5;
inline constexpr StoreStatus kStatusFileNotFound = -8;
inline constexpr StoreStatus kStatusRecordNotFound = -9;
inline constexpr StoreStatus kStatusNoLayout = -100;

// The fixed text of a status ("Sucessfull", "File Not Found"...); empty for codes without one.
std::string_view statusText(StoreStatus status);
// What the user is told of a status: its fixed text; the missing field layout is explained;
// other codes without a text are named by their number ("Status -7").
std::string statusMessage(StoreStatus status);

} // namespace qv
