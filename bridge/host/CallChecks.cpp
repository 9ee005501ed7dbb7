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
