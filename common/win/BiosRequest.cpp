#include "common/win/BiosRequest.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace rm {
namespace {

constexpr int kMaxMethodNameCapacity = 260;

HRESULT PutSign(IWbemClassObject* object) {
  SAFEARRAYBOUND bound{sizeof kBiosSign, 0};
  UniqueSafeArray array(::SafeArrayCreate(VT_UI1, 1, &bound));
  if (!array) return E_OUTOFMEMORY;
  {
    SafeArrayData data(array.get());
    if (!data) return E_UNEXPECTED;
    std::memcpy(data.data(), kBiosSign, sizeof kBiosSign);
  }
  Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(v.get()) = array.release();
  return object->Put(L"Sign", 0, v.get(), 0);
}

// vtqBData: the caller's variant or its VariantCopyInd copy; VT_EMPTY for none.
HRESULT PutData(IWbemClassObject* dataIn, const VARIANT* data, const BiosRequestRules& rules) {
  Variant copy;
  if (data && rules.resolvesDataReference)
    RM_RETURN_IF_FAILED(::VariantCopyInd(copy.get(), const_cast<VARIANT*>(data)));
  VARIANT* value = data && !rules.resolvesDataReference ? const_cast<VARIANT*>(data) : copy.get();
  return dataIn->Put(L"vtqBData", 0, value, 0);
}

HRESULT SpawnInstance(IWbemClassObject* from, const BiosRequestRules& rules, ComPtr<IWbemClassObject>& out) {
  RM_RETURN_IF_FAILED(from->SpawnInstance(0, out.put()));
  return out ? S_OK : rules.instanceMissing;
}

}  // namespace

UniqueBstr Bstr(const wchar_t* text) { return UniqueBstr(::SysAllocString(text)); }

HRESULT PutUint32(IWbemClassObject* object, const wchar_t* name, std::uint32_t value) {
  Variant v;
  V_VT(v.get()) = VT_I4;
  V_I4(v.get()) = static_cast<LONG>(value);
  return object->Put(name, 0, v.get(), 0);
}

HRESULT VariantToUint32(const VARIANT& value, std::uint32_t& out) {
  switch (V_VT(&value)) {
    case VT_I4: out = static_cast<std::uint32_t>(V_I4(&value)); return S_OK;
    case VT_UI4: out = V_UI4(&value); return S_OK;
    case VT_INT: out = static_cast<std::uint32_t>(V_INT(&value)); return S_OK;
    case VT_UINT: out = V_UINT(&value); return S_OK;
    default: break;
  }
  Variant converted;
  RM_RETURN_IF_FAILED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_I4));
  out = static_cast<std::uint32_t>(V_I4(converted.get()));
  return S_OK;
}

HRESULT WideBiosMethodName(std::uint32_t dwSizeOut, const BiosRequestRules& rules, UniqueBstr& name) {
  const std::string narrow = BiosMethodName(dwSizeOut);
  const int capacity = std::clamp(rules.methodNameCapacity, 1, kMaxMethodNameCapacity);
  wchar_t wide[kMaxMethodNameCapacity] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, wide, capacity) <= 0) return LastErrorResult();
  name = Bstr(wide);
  return name ? S_OK : E_OUTOFMEMORY;
}

HRESULT BuildBiosInParams(IWbemServices* services, IWbemClassObject* methodClass, BSTR method,
                          const BiosCall& call, const VARIANT* data, const BiosRequestRules& rules,
                          ComPtr<IWbemClassObject>& inParams) {
  ComPtr<IWbemClassObject> signature;
  RM_RETURN_IF_FAILED(methodClass->GetMethod(method, 0, signature.put(), nullptr));
  if (!signature) return rules.signatureMissing;
  ComPtr<IWbemClassObject> params;
  RM_RETURN_IF_FAILED(SpawnInstance(signature.get(), rules, params));

  ComPtr<IWbemClassObject> dataIn;
  {
    const UniqueBstr inputClassName = Bstr(kBiosInputClass);
    if (!inputClassName) return E_OUTOFMEMORY;
    ComPtr<IWbemClassObject> inputClass;
    RM_RETURN_IF_FAILED(services->GetObject(inputClassName.get(), 0, nullptr, inputClass.put(), nullptr));
    if (!inputClass) return rules.inputClassMissing;
    RM_RETURN_IF_FAILED(SpawnInstance(inputClass.get(), rules, dataIn));
  }
  RM_RETURN_IF_FAILED(PutSign(dataIn.get()));
  RM_RETURN_IF_FAILED(PutUint32(dataIn.get(), L"Command", call.dwCmd));
  RM_RETURN_IF_FAILED(PutUint32(dataIn.get(), L"CommandType", call.dwType));
  RM_RETURN_IF_FAILED(PutUint32(dataIn.get(), L"Size", call.dwSizeIn));
  RM_RETURN_IF_FAILED(PutData(dataIn.get(), data, rules));

  Variant object;
  V_VT(object.get()) = VT_UNKNOWN;
  V_UNKNOWN(object.get()) = dataIn.detach();
  RM_RETURN_IF_FAILED(params->Put(L"InData", 0, object.get(), 0));
  inParams = std::move(params);
  return S_OK;
}

HRESULT ExecBiosMethod(IWbemServices* services, BSTR path, BSTR method, IWbemClassObject* inParams,
                       const BiosRequestRules& rules, ComPtr<IWbemClassObject>& outData) {
  ComPtr<IWbemClassObject> outParams;
  RM_RETURN_IF_FAILED(services->ExecMethod(path, method, 0, nullptr, inParams, outParams.put(), nullptr));
  if (!outParams) return rules.outParamsMissing;
  Variant value;
  RM_RETURN_IF_FAILED(outParams->Get(L"OutData", 0, value.put(), nullptr, nullptr));
  if ((value.type() != VT_UNKNOWN && value.type() != VT_DISPATCH) || !V_UNKNOWN(value.get()))
    return rules.outDataMissing;
  RM_RETURN_IF_FAILED(V_UNKNOWN(value.get())->QueryInterface(IID_IWbemClassObject, outData.put_void()));
  return outData ? S_OK : rules.outDataNotAnInstance;
}

HRESULT ReadBiosReturnCode(IWbemClassObject* outData, const BiosRequestRules& rules, std::uint32_t& code) {
  Variant value;
  RM_RETURN_IF_FAILED(outData->Get(L"rwReturnCode", 0, value.put(), nullptr, nullptr));
  const HRESULT hr = VariantToUint32(*value.get(), code);
  return FAILED(hr) && rules.unreadableCodeFails ? hr : S_OK;
}

HRESULT ReadBiosData(IWbemClassObject* outData, VARIANT* data) {
  Variant value;
  RM_RETURN_IF_FAILED(outData->Get(L"Data", 0, value.put(), nullptr, nullptr));
  if (data) {
    ::VariantClear(data);
    *data = value.release();
  }
  return S_OK;
}

}  // namespace rm
