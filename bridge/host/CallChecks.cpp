#include "bridge/host/CallChecks.h"

namespace vtq {
namespace {

std::int32_t CheckByteArray(const ByteArrayShape& a) noexcept {
  if (!a.present) return kPointerMissing;
  if (!a.byteArray) return kWbemTypeMismatch;
  return 0;
}

bool SingleDimension(const ByteArrayShape& a) noexcept { return a.hasArray && a.dims == 1; }

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
