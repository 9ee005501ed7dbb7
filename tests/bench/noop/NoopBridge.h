// A local COM server whose object answers the bridge's two interfaces and
// does nothing: the bridge's interfaces, type library and marshaller
// without the bridge.
// noop_bridge.exe serves it; a benchmark registers the class for its run
// (after the bridge's own registration, which brings the type library) and
// compares the bridge with it.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/OwningWrappers.h"
#include "tests/system/bridge/BridgeHarness.h"

namespace benchnoop {

// {6E0C2E61-3A0B-4C57-9B7E-5C2B1D8A0F11}
inline constexpr CLSID kClsid = {0x6e0c2e61, 0x3a0b, 0x4c57, {0x9b, 0x7e, 0x5c, 0x2b, 0x1d, 0x8a, 0x0f, 0x11}};
inline constexpr char kKey[] = "CLSID\\{6E0C2E61-3A0B-4C57-9B7E-5C2B1D8A0F11}";

// Registers the class with this build's noop_bridge.exe as its server, or
// removes it.
inline bool Register(bool on) {
  if (!on) return ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kKey) == ERROR_SUCCESS;
  const std::string value =
      "\"" + rmtest::BuildWinPath("tests/bench/noop/noop_bridge.exe") + "\"";
  rm::UniqueRegKey key;
  const std::string sub = std::string(kKey) + "\\LocalServer32";
  if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return ::RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// A no-op object in its server process, created the way the bridge is.
inline HRESULT Create(rm::ComPtr<IvtqCallBiosEx>& out) {
  return ::CoCreateInstance(kClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IvtqCallBiosEx, out.put_void());
}

}  // namespace benchnoop
