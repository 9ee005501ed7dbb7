// Argument checks of IvtqCallBiosEx that need no Windows. The COM layer
// reads what it safely can of a client's VARIANT into VariantArrayFacts
// (without touching anything a bad variant might point to); everything
// judged of it is judged here.
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

// VT_ARRAY | VT_UI1, the one type a byte-array argument may have: with
// VT_BYREF or another element type the variant is of another type.
inline constexpr std::uint16_t kByteArrayVariantType = 0x2011;

// What the COM layer reads of a client's VARIANT. The SAFEARRAY is read
// only when the type is kByteArrayVariantType and its pointer is not null,
// its bounds only when it has one dimension.
struct VariantArrayFacts {
  bool present = false;           // the VARIANT pointer is not null
  std::uint16_t type = 0;         // V_VT
  bool hasArray = false;          // a SAFEARRAY pointer that is not null
  std::uint32_t elementSize = 0;  // SafeArrayGetElemsize
  std::uint32_t dims = 0;         // SafeArrayGetDim
  bool boundsRead = false;        // both bounds of dimension 1 were read
  std::int32_t lower = 0;
  std::int32_t upper = 0;
};

// What the bridge needs to know of a client's byte-array VARIANT.
struct ByteArrayShape {
  bool present = false;      // the VARIANT pointer is not null
  bool byteArray = false;    // its type is exactly VT_ARRAY | VT_UI1 (no VT_BYREF)
  bool hasArray = false;     // it holds a SAFEARRAY (not a null array)
  std::uint32_t dims = 0;    // the array's dimension count
  std::uint64_t count = 0;   // elements of its single dimension (0 unless dims == 1)
};

// A byte array is a variant of exactly kByteArrayVariantType whose array,
// if it has one, holds one-byte elements (a client may describe a wider
// element under the byte type). The element count of a one-dimensional
// array runs from its lower to its upper bound, both included.
ByteArrayShape DescribeByteArray(const VariantArrayFacts& facts) noexcept;

// vtqExecMethodEx: 0 when the output variant may be used. With dwSizeOut 0
// the variant is not looked at. A variant of another type gives the type
// mismatch; an array that is null, has more than one dimension, or whose
// element count differs from dwSizeOut gives the out-of-memory code. A
// missing variant pointer (only an in-process caller can send one) gives
// E_POINTER.
std::int32_t CheckExecOutput(std::uint32_t dwSizeOut, const ByteArrayShape& out) noexcept;

// What the COM layer reads of a client's input VARIANT: its type and, for a
// reference, whether it points anywhere and, for a reference to a variant,
// that variant's type. Nothing else of it is read.
struct InputVariantFacts {
  bool present = false;          // the VARIANT pointer is not null
  std::uint16_t type = 0;        // V_VT
  bool referenceNull = false;    // VT_BYREF with a null pointer
  std::uint16_t referredType = 0;  // V_VT of the variant a VT_BYREF | VT_VARIANT points to
};

// vtqExecMethodEx: the input goes to the firmware as the client sent it,
// whatever its type, except a variant through which the bridge would call
// back into the client's process or follow its pointers blindly: an object
// (VT_UNKNOWN, VT_DISPATCH), a record (described by an object), an array of
// variants (which may hold objects), a reference to any of these, a null
// reference, and a reference to a reference. The firmware's byte-array
// input takes none of them and answers the type mismatch; the bridge gives
// that answer itself, before anything the variant holds is touched. 0 when
// the input may go on; a missing variant goes on as none.
std::int32_t CheckExecInput(const InputVariantFacts& in) noexcept;

// vtqGetMachineInfoEx, step 1: the record array must be a byte array of
// 388 or 308 elements.
std::int32_t CheckMachineInfoArray(const ByteArrayShape& info) noexcept;

// vtqGetMachineInfoEx, step 3: ulSize names a layout.
bool IsMachineInfoLayout(std::uint32_t ulSize) noexcept;

}  // namespace vtq
