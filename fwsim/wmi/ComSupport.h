// What every COM object of fwsimwmi.dll shares: the module's object count
// (DllCanUnloadNow), the exception barrier of the COM entry points, and
// conversions between the WMI wire types and the portable core's types.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wbemidl.h>

#include "common/win/OwningWrappers.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace fwsim::wmi {

// Counts live objects and server locks of the DLL.
void ModuleAddRef() noexcept;
void ModuleRelease() noexcept;
LONG ModuleCount() noexcept;

// An object that keeps the module loaded while it lives.
class ModuleObject {
 public:
  ModuleObject() noexcept { ModuleAddRef(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
  ~ModuleObject() { ModuleRelease(); }
};

// Runs the body of a COM method; no exception leaves it.
template <class F>
HRESULT Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return WBEM_E_OUT_OF_MEMORY;
  } catch (...) {
    return WBEM_E_FAILED;
  }
}

// Wide text from a client to the ANSI text of the core (names are ASCII).
std::string Narrow(const wchar_t* text);
// A BSTR of the text; nullptr only when out of memory.
BSTR NewBstr(const std::string& text);

// VT_ARRAY|VT_UI1 with the bytes (lower bound 0).
HRESULT BytesToVariant(const std::vector<std::uint8_t>& bytes, VARIANT* out);
// The bytes of a VT_ARRAY|VT_UI1 variant; a null array gives no bytes;
// nullopt for any other type or a multi-dimensional array.
std::optional<std::vector<std::uint8_t>> BytesFromVariant(const VARIANT& v);
// A VT_I4 variant's value; nullopt for any other type.
std::optional<std::int32_t> Int32FromVariant(const VARIANT& v);

// Reads one property of any IWbemClassObject (ours or a client's).
HRESULT GetProperty(IWbemClassObject* object, const char* name, VARIANT* value);

// Sleeps for the per-call delay fault.
void ApplyDelay(std::uint32_t delayMs) noexcept;

}  // namespace fwsim::wmi
