#include "fwsim/wmi/PropertyTypes.h"

namespace fwsim::wmi {
namespace {

bool IsIntegerCim(std::uint32_t c) {
  return c == cim::kSint8 || c == cim::kUint8 || c == cim::kSint16 || c == cim::kUint16 ||
         c == cim::kSint32 || c == cim::kUint32;
}

bool IsIntegerVt(std::uint16_t v) {
  return v == vt::kI1 || v == vt::kUi1 || v == vt::kI2 || v == vt::kUi2 || v == vt::kI4 ||
         v == vt::kUi4 || v == vt::kInt || v == vt::kUint;
}

}  // namespace

PutAction DecidePut(std::uint32_t cimType, std::uint16_t varType) {
  if (varType == vt::kEmpty || varType == vt::kNull) return PutAction::SetNull;
  if (varType & vt::kByRef) return PutAction::Mismatch;
  if (cimType & cim::kFlagArray) {
    // Arrays are taken only in their own element type.
    const std::uint16_t want = CanonicalVarType(cimType);
    return want != vt::kEmpty && varType == want ? PutAction::Store : PutAction::Mismatch;
  }
  if (varType & vt::kArray) return PutAction::Mismatch;
  if (IsIntegerCim(cimType))
    return IsIntegerVt(varType) ? PutAction::ConvertInteger : PutAction::Mismatch;
  switch (cimType) {
    case cim::kBoolean:
      return varType == vt::kBool ? PutAction::Store : PutAction::Mismatch;
    case cim::kString:
      return varType == vt::kBstr ? PutAction::Store : PutAction::Mismatch;
    case cim::kObject:
      return varType == vt::kUnknown || varType == vt::kDispatch ? PutAction::StoreObject
                                                                 : PutAction::Mismatch;
    default:
      return PutAction::Mismatch;
  }
}

std::uint16_t CanonicalVarType(std::uint32_t cimType) {
  if (cimType & cim::kFlagArray) {
    const std::uint16_t element = CanonicalVarType(cimType & ~cim::kFlagArray);
    if (element == vt::kEmpty || element == vt::kUnknown) return vt::kEmpty;
    return static_cast<std::uint16_t>(vt::kArray | element);
  }
  switch (cimType) {
    case cim::kUint8: return vt::kUi1;
    case cim::kSint8:
    case cim::kSint16: return vt::kI2;
    case cim::kUint16:
    case cim::kSint32:
    case cim::kUint32: return vt::kI4;
    case cim::kBoolean: return vt::kBool;
    case cim::kString: return vt::kBstr;
    case cim::kObject: return vt::kUnknown;
    default: return vt::kEmpty;
  }
}

bool IntegerFits(std::uint32_t cimType, std::int64_t value) {
  switch (cimType) {
    case cim::kSint8: return value >= -128 && value <= 127;
    case cim::kUint8: return value >= 0 && value <= 255;
    case cim::kSint16: return value >= -32768 && value <= 32767;
    case cim::kUint16: return value >= 0 && value <= 65535;
    case cim::kSint32:
    case cim::kUint32: return value >= -2147483648LL && value <= 4294967295LL;
    default: return false;
  }
}

}  // namespace fwsim::wmi
