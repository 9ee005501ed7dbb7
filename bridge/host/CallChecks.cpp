#include "bridge/host/CallChecks.h"

namespace vtq {
namespace {

std::int32_t CheckByteArray(const ByteArrayShape& a) noexcept {
  if (!a.present) return kPointerMissing;
  if (!a.byteArray) return kWbemTypeMismatch;
  return 0;
}

bool SingleDimension(const ByteArrayShape& a) noexcept { return a.hasArray && a.dims == 1; }

// VARENUM values the rule names.
constexpr std::uint16_t kVtDispatch = 9;
constexpr std::uint16_t kVtVariant = 12;
constexpr std::uint16_t kVtUnknown = 13;
constexpr std::uint16_t kVtRecord = 36;
constexpr std::uint16_t kVtByRef = 0x4000;
constexpr std::uint16_t kVtTypeMask = 0x0FFF;

// Objects and records, whatever array or reference holds them.
bool HoldsObject(std::uint16_t type) noexcept {
  const std::uint16_t base = type & kVtTypeMask;
  return base == kVtDispatch || base == kVtUnknown || base == kVtRecord;
}

}  // namespace

ByteArrayShape DescribeByteArray(const VariantArrayFacts& f) noexcept {
  ByteArrayShape s;
  s.present = f.present;
  s.byteArray = f.present && f.type == kByteArrayVariantType && (!f.hasArray || f.elementSize == 1);
  if (!s.byteArray || !f.hasArray) return s;
  s.hasArray = true;
  s.dims = f.dims;
  if (f.dims != 1 || !f.boundsRead) return s;
  // In 64 bits: the widest array, from -2^31 to 2^31 - 1, has 2^32 elements.
  const std::int64_t count = std::int64_t{f.upper} - f.lower + 1;
  s.count = count > 0 ? static_cast<std::uint64_t>(count) : 0;
  return s;
}

std::int32_t CheckExecOutput(std::uint32_t dwSizeOut, const ByteArrayShape& out) noexcept {
  if (dwSizeOut == 0) return 0;
  if (const std::int32_t hr = CheckByteArray(out)) return hr;
  if (!SingleDimension(out) || out.count != dwSizeOut) return kWbemOutOfMemory;
  return 0;
}

std::int32_t CheckExecInput(const InputVariantFacts& in) noexcept {
  if (!in.present) return 0;
  if (HoldsObject(in.type)) return kWbemTypeMismatch;
  if ((in.type & kVtByRef) && in.referenceNull) return kWbemTypeMismatch;
  if ((in.type & kVtTypeMask) != kVtVariant) return 0;
  // Only a reference to one variant is followed, one level deep.
  if (in.type != (kVtByRef | kVtVariant)) return kWbemTypeMismatch;
  const std::uint16_t referred = in.referredType;
  if ((referred & kVtByRef) || HoldsObject(referred) || (referred & kVtTypeMask) == kVtVariant)
    return kWbemTypeMismatch;
  return 0;
}

std::int32_t CheckMachineInfoArray(const ByteArrayShape& info) noexcept {
  if (const std::int32_t hr = CheckByteArray(info)) return hr;
  if (!SingleDimension(info) || (info.count != kMachineInfoFull && info.count != kMachineInfoShort))
    return kWbemOutOfMemory;
  return 0;
}

bool IsMachineInfoLayout(std::uint32_t ulSize) noexcept {
  return ulSize == kMachineInfoFull || ulSize == kMachineInfoShort;
}

}  // namespace vtq
