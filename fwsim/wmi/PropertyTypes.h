// Which VARIANT types a property of a given CIM type accepts on Put, and
// the VARIANT type it is stored and read back as. WMI's rules: 32-bit
// integers travel as VT_I4 whether signed or not, uint8 as VT_UI1, uint8[]
// as VT_ARRAY|VT_UI1, embedded objects as VT_UNKNOWN (or VT_DISPATCH), and
// VT_NULL (or VT_EMPTY) clears any property.
//
// The numbers are those of CIMTYPE and VARTYPE; this file keeps them
// without the Windows headers so the rules are tested natively.
#pragma once

#include <cstdint>

namespace fwsim::wmi {

namespace cim {
inline constexpr std::uint32_t kSint8 = 16, kUint8 = 17, kSint16 = 2, kUint16 = 18, kSint32 = 3,
                               kUint32 = 19, kBoolean = 11, kString = 8, kObject = 13,
                               kFlagArray = 0x2000;
}
namespace vt {
inline constexpr std::uint16_t kEmpty = 0, kNull = 1, kI2 = 2, kI4 = 3, kBstr = 8, kDispatch = 9,
                               kBool = 11, kUnknown = 13, kI1 = 16, kUi1 = 17, kUi2 = 18,
                               kUi4 = 19, kInt = 22, kUint = 23, kArray = 0x2000, kByRef = 0x4000;
}

enum class PutAction {
  SetNull,         // store NULL
  Store,           // store a copy of the value as it is
  ConvertInteger,  // store the integer converted to CanonicalVarType (range-checked)
  StoreObject,     // store a copy of the embedded object
  Mismatch,        // WBEM_E_TYPE_MISMATCH
};

PutAction DecidePut(std::uint32_t cimType, std::uint16_t varType);

// The VARIANT type a property of cimType holds; kEmpty for a type the
// stand-in's classes do not use.
std::uint16_t CanonicalVarType(std::uint32_t cimType);

// Whether an integer fits a property of cimType. The 32-bit types take
// every value that has a 32-bit pattern (VT_I4 -1 is uint32 0xFFFFFFFF).
bool IntegerFits(std::uint32_t cimType, std::int64_t value);

}  // namespace fwsim::wmi
