#include "bridge/host/BiosCaller.h"

#include "common/win/BiosRequest.h"

namespace vtq {
namespace {

constexpr LONG kEnumTimeoutMs = 2000;

// The bridge's side of rm::BiosRequestRules: a WBEM reason wherever WMI
// hands back no object, and a return code that is no integer fails the call.
constexpr rm::BiosRequestRules kRequestRules{
    260,   // methodNameCapacity
    true,  // resolvesDataReference: WMI keeps no pointer into the client's data
    true,  // unreadableCodeFails
    static_cast<HRESULT>(WBEM_E_INVALID_METHOD_PARAMETERS),  // signatureMissing
    static_cast<HRESULT>(WBEM_E_FAILED),                     // instanceMissing
    static_cast<HRESULT>(WBEM_E_NOT_FOUND),                  // inputClassMissing
    static_cast<HRESULT>(WBEM_E_FAILED),                     // outParamsMissing
    static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH),              // outDataMissing
    E_NOINTERFACE,                                           // outDataNotAnInstance
};

}  // namespace

BiosCaller::BiosCaller() : BiosCaller(WmiConnection::Instance()) {}

BiosCaller::BiosCaller(WmiConnection& cache) : connectResult_(cache.ConnectForCalls(link_)) {
  if (FAILED(connectResult_)) link_ = WmiLink{};
}

HRESULT BiosCaller::Execute(ULONG dwCmd, ULONG dwType, ULONG dwSizeIn, ULONG dwSizeOut,
                            ULONG* retCode, const VARIANT* dataIn, VARIANT* dataOut) {
  returnCode_ = kBiosNoReturnCode;
  const HRESULT hr = ExecuteCall(rm::BiosCall{dwCmd, dwType, dwSizeIn, dwSizeOut}, dataIn, dataOut);
  if (retCode) *retCode = returnCode_;
  return hr;
}

HRESULT BiosCaller::ExecuteCall(const rm::BiosCall& call, const VARIANT* dataIn, VARIANT* dataOut) {
  if (!link_.services) return FAILED(connectResult_) ? connectResult_ : E_POINTER;
  IWbemServices* services = link_.services.get();

  rm::UniqueBstr method;
  RM_RETURN_IF_FAILED(rm::WideBiosMethodName(call.dwSizeOut, kRequestRules, method));
  rm::UniqueBstr methodClassName = rm::Bstr(rm::kBiosMethodClass);
  if (!methodClassName) return E_OUTOFMEMORY;
  rm::ComPtr<IWbemClassObject> methodClass;
  RM_RETURN_IF_FAILED(services->GetObject(methodClassName.get(), 0, nullptr, methodClass.put(), nullptr));
  if (!methodClass) return WBEM_E_NOT_FOUND;

  rm::ComPtr<IWbemClassObject> inParams;
  RM_RETURN_IF_FAILED(
      rm::BuildBiosInParams(services, methodClass.get(), method.get(), call, dataIn, kRequestRules, inParams));

  // The target: the first instance's path, looked up for every call.
  rm::Variant path;
  {
    rm::ComPtr<IEnumWbemClassObject> instances;
    RM_RETURN_IF_FAILED(services->CreateInstanceEnum(
        methodClassName.get(), WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, nullptr,
        instances.put()));
    if (!instances) return WBEM_E_FAILED;
    IWbemClassObject* first = nullptr;
    ULONG returned = 0;
    RM_RETURN_IF_FAILED(instances->Next(kEnumTimeoutMs, 1, &first, &returned));
    rm::ComPtr<IWbemClassObject> instance = rm::ComPtr<IWbemClassObject>::Attach(first);
    if (instance && returned == 1)
      RM_RETURN_IF_FAILED(instance->Get(L"__PATH", 0, path.put(), nullptr, nullptr));
  }
  rm::UniqueBstr target;
  if (path.type() == VT_BSTR && V_BSTR(path.get())) {
    target = rm::Bstr(V_BSTR(path.get()));
    if (!target) return E_OUTOFMEMORY;
  }

  rm::ComPtr<IWbemClassObject> outData;
  RM_RETURN_IF_FAILED(
      rm::ExecBiosMethod(services, target.get(), method.get(), inParams.get(), kRequestRules, outData));
  std::uint32_t code = 0;
  RM_RETURN_IF_FAILED(rm::ReadBiosReturnCode(outData.get(), kRequestRules, code));
  returnCode_ = code;
  if (call.dwSizeOut != 0) {
    if (!dataOut) return E_POINTER;
    RM_RETURN_IF_FAILED(rm::ReadBiosData(outData.get(), dataOut));
  }
  return S_OK;
}

template <class Step>
HRESULT BiosCaller::WalkDisplays(Step step) {
  if (!link_.services) return FAILED(connectResult_) ? connectResult_ : E_POINTER;
  rm::UniqueBstr className = rm::Bstr(L"vtqGAED");
  if (!className) return E_OUTOFMEMORY;
  rm::ComPtr<IEnumWbemClassObject> instances;
  RM_RETURN_IF_FAILED(link_.services->CreateInstanceEnum(className.get(), WBEM_FLAG_SHALLOW,
                                                         nullptr, instances.put()));
  if (!instances) return WBEM_E_FAILED;
  HRESULT result = S_OK;
  for (;;) {
    IWbemClassObject* next = nullptr;
    ULONG returned = 0;
    const HRESULT hr = instances->Next(WBEM_INFINITE, 1, &next, &returned);
    rm::ComPtr<IWbemClassObject> instance = rm::ComPtr<IWbemClassObject>::Attach(next);
    if (hr != WBEM_S_NO_ERROR || returned != 1 || !instance) break;
    {
      rm::Variant name;
      instance->Get(L"InstanceName", 0, name.put(), nullptr, nullptr);
    }
    rm::Variant state;
    HRESULT step_hr = instance->Get(L"ulState", 0, state.put(), nullptr, nullptr);
    std::uint32_t value = 0;
    if (SUCCEEDED(step_hr)) step_hr = rm::VariantToUint32(*state.get(), value);
    if (SUCCEEDED(step_hr)) step_hr = step(instance.get(), value);
    result = step_hr;
  }
  return result;
}

HRESULT BiosCaller::AttachedDisplays(ULONG* device) {
  if (!device) return E_POINTER;
  return WalkDisplays([&](IWbemClassObject*, ULONG value) {
    *device = value;
    return S_OK;
  });
}

HRESULT BiosCaller::TurnOnDisplays(ULONG device) {
  IWbemServices* services = link_.services.get();
  return WalkDisplays([&](IWbemClassObject* instance, ULONG) {
    RM_RETURN_IF_FAILED(rm::PutUint32(instance, L"ulState", device));
    return services->PutInstance(instance, WBEM_FLAG_CREATE_OR_UPDATE, nullptr, nullptr);
  });
}

}  // namespace vtq
