#include "fwsim/wmi/ComSupport.h"

#include <algorithm>
#include <cstring>

namespace fwsim::wmi {
namespace {
std::atomic<LONG> g_moduleCount{0};
}

void ModuleAddRef() noexcept { ++g_moduleCount; }
void ModuleRelease() noexcept { --g_moduleCount; }
LONG ModuleCount() noexcept { return g_moduleCount.load(); }

std::string Narrow(const wchar_t* text) {
  if (!text || !*text) return {};
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

BSTR NewBstr(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  BSTR b = ::SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (b && n > 0)
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), b, n);
  return b;
}

HRESULT BytesToVariant(const std::vector<std::uint8_t>& bytes, VARIANT* out) {
  rm::UniqueSafeArray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
  if (!array) return WBEM_E_OUT_OF_MEMORY;
  if (!bytes.empty()) {
    rm::SafeArrayData data(array.get());
    if (!data) return WBEM_E_OUT_OF_MEMORY;
    std::memcpy(data.data(), bytes.data(), bytes.size());
  }
  ::VariantInit(out);
  V_VT(out) = VT_ARRAY | VT_UI1;
  V_ARRAY(out) = array.release();
  return S_OK;
}

std::optional<std::vector<std::uint8_t>> BytesFromVariant(const VARIANT& v) {
  if (V_VT(&v) != (VT_ARRAY | VT_UI1)) return std::nullopt;
  SAFEARRAY* a = V_ARRAY(&v);
  if (!a) return std::vector<std::uint8_t>{};
  if (::SafeArrayGetDim(a) != 1) return std::nullopt;
  LONG lo = 0, hi = -1;
  if (FAILED(::SafeArrayGetLBound(a, 1, &lo)) || FAILED(::SafeArrayGetUBound(a, 1, &hi))) return std::nullopt;
  if (hi < lo) return std::vector<std::uint8_t>{};
  const std::size_t count = static_cast<std::size_t>(static_cast<LONGLONG>(hi) - lo + 1);
  rm::SafeArrayData data(a);
  if (!data) return std::nullopt;
  const auto* p = static_cast<const std::uint8_t*>(data.data());
  return std::vector<std::uint8_t>(p, p + count);
}

std::optional<std::int32_t> Int32FromVariant(const VARIANT& v) {
  if (V_VT(&v) != VT_I4) return std::nullopt;
  return static_cast<std::int32_t>(V_I4(&v));
}

HRESULT GetProperty(IWbemClassObject* object, const char* name, VARIANT* value) {
  std::wstring wide;
  for (const char* p = name; *p; ++p) wide.push_back(static_cast<wchar_t>(*p));
  return object->Get(wide.c_str(), 0, value, nullptr, nullptr);
}

void ApplyDelay(std::uint32_t delayMs) noexcept {
  // Bounded so that a mistyped knob cannot hang a client for hours.
  if (delayMs) ::Sleep(std::min<std::uint32_t>(delayMs, 60000));
}

}  // namespace fwsim::wmi
