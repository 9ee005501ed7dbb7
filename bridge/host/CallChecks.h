// Argument checks of IvtqCallBiosEx that need no Windows. The COM layer
// describes a client's VARIANT as a ByteArrayShape (without touching
// anything a bad variant might point to) and applies the answers here.
#pragma once

#include <cstdint>

namespace vtq {

// WMI error codes the bridge answers bad arguments with.
inline constexpr std::int32_t kWbemTypeMismatch = static_cast<std::int32_t>(0x80041005);
inline constexpr std::int32_t kWbemOutOfMemory = static_cast<std::int32_t>(0x80041006);
inline constexpr std::int32_t kWbemInvalidParameter = static_cast<std::int32_t>(0x80041008);
inline constexpr std::int32_t kPointerMissing = static_cast<std::int32_t>(0x80004003);  // E_POINTER

inline constexpr std::uint32_t kMachineInfoFull = 388;
inline constexpr std::uint32_t kMachineInfoShort = 308;

// What the bridge needs to know of a client's byte-array VARIANT.
struct ByteArrayShape {
  bool present = false;      // the VARIANT pointer is not null
  bool byteArray = false;    // its type is exactly VT_ARRAY | VT_UI1 (no VT_BYREF)
  bool hasArray = false;     // it holds a SAFEARRAY (not a null array)
  std::uint32_t dims = 0;    // the array's dimension count
  std::uint64_t count = 0;   // elements of its single dimension (0 unless dims == 1)
};

// vtqExecMethodEx: 0 when the output variant may be used. With dwSizeOut 0
// the variant is not looked at. A variant of another type gives the type
// mismatch; an array that is null, has more than one dimension, or whose
// element count differs from dwSizeOut gives the out-of-memory code. A
// missing variant pointer (only an in-process caller can send one) gives
// E_POINTER.
std::int32_t CheckExecOutput(std::uint32_t dwSizeOut, const ByteArrayShape& out) noexcept;

// vtqGetMachineInfoEx, step 1: the record array must be a byte array of
// 388 or 308 elements.
std::int32_t CheckMachineInfoArray(const ByteArrayShape& info) noexcept;

// vtqGetMachineInfoEx, step 3: ulSize names a layout.
bool IsMachineInfoLayout(std::uint32_t ulSize) noexcept;

}  // namespace vtq
