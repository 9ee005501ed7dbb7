// A client of the bridge's vtqGetMachineInfoEx in another process. It calls
// through IDispatch (DISPID 1), as script clients do: the bridge serves
// IDispatch from the type library's description of IvtqCallBiosEx.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/win/OwningWrappers.h"
#include "vtqwmi.h"

namespace machineinfotest {

constexpr DISPID kGetMachineInfoEx = 1;

inline HRESULT CreateBridge(rm::ComPtr<IDispatch>& bridge) {
  return ::CoCreateInstance(CLSID_vtqCallBiosEx, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, bridge.put_void());
}

// vtqGetMachineInfoEx(ulSize, lpVarMachineInfo) with both arguments in/out.
// A method failure comes back as DISP_E_EXCEPTION with its HRESULT in the
// exception's scode; it is returned as that HRESULT.
inline HRESULT GetMachineInfoEx(IDispatch* bridge, ULONG* size, VARIANT* info) {
  VARIANTARG args[2];
  ::VariantInit(&args[0]);
  ::VariantInit(&args[1]);
  V_VT(&args[1]) = VT_UI4 | VT_BYREF;  // arguments go in reverse order
  V_UI4REF(&args[1]) = size;
  V_VT(&args[0]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[0]) = info;
  DISPPARAMS params = {args, nullptr, 2, 0};
  rm::Variant result;
  EXCEPINFO exception = {};
  UINT argError = 0;
  HRESULT hr = bridge->Invoke(kGetMachineInfoEx, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                              result.put(), &exception, &argError);
  if (hr == DISP_E_EXCEPTION) {
    hr = exception.scode ? exception.scode : E_FAIL;
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
  }
  return hr;
}

inline rm::Variant ByteArray(ULONG count) {
  rm::Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(v.get()) = ::SafeArrayCreateVector(VT_UI1, 0, count);
  return v;
}

inline std::vector<std::uint8_t> ArrayBytes(const rm::Variant& v) {
  if (v.type() != (VT_ARRAY | VT_UI1) || !V_ARRAY(v.get())) return {};
  SAFEARRAY* a = V_ARRAY(v.get());
  LONG lower = 0, upper = -1;
  ::SafeArrayGetLBound(a, 1, &lower);
  ::SafeArrayGetUBound(a, 1, &upper);
  std::vector<std::uint8_t> out;
  for (LONG i = lower; i <= upper; ++i) {
    BYTE b = 0;
    ::SafeArrayGetElement(a, &i, &b);
    out.push_back(b);
  }
  return out;
}

}  // namespace machineinfotest
