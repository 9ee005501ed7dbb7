#include "bridge/host/BiosCaller.h"

#include <string>

#include "common/BiosCall.h"
#include "common/win/Resource.h"

namespace vtq {
namespace {

constexpr LONG kEnumTimeoutMs = 2000;

rm::UniqueBstr Bstr(const wchar_t* text) { return rm::UniqueBstr(::SysAllocString(text)); }

HRESULT PutI4(IWbemClassObject* object, const wchar_t* name, ULONG value) {
  rm::Variant v;
  V_VT(v.get()) = VT_I4;
  V_I4(v.get()) = static_cast<LONG>(value);
  return object->Put(name, 0, v.get(), 0);
}

HRESULT PutSign(IWbemClassObject* object) {
  SAFEARRAYBOUND bound{sizeof(rm::kBiosSign), 0};
  rm::UniqueSafeArray array(::SafeArrayCreate(VT_UI1, 1, &bound));
  if (!array) return E_OUTOFMEMORY;
  {
    rm::SafeArrayData data(array.get());
    if (!data) return E_UNEXPECTED;
    memcpy(data.data(), rm::kBiosSign, sizeof(rm::kBiosSign));
  }
  rm::Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(v.get()) = array.release();
  return object->Put(L"Sign", 0, v.get(), 0);
}

// A 32-bit value out of whatever integer-like variant the provider gave.
HRESULT ToUlong(const VARIANT& value, ULONG& out) {
  switch (V_VT(&value)) {
    case VT_I4:
      out = static_cast<ULONG>(V_I4(&value));
      return S_OK;
    case VT_UI4:
      out = V_UI4(&value);
      return S_OK;
    default: {
      rm::Variant converted;
      HRESULT hr = ::VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_I4);
      if (FAILED(hr)) return hr;
      out = static_cast<ULONG>(V_I4(converted.get()));
      return S_OK;
    }
  }
}

}  // namespace

BiosCaller::BiosCaller() : BiosCaller(WmiConnection::Instance()) {}

BiosCaller::BiosCaller(WmiConnection& cache) : connectResult_(cache.ConnectForCalls(link_)) {
  if (FAILED(connectResult_)) link_ = WmiLink{};
}

HRESULT BiosCaller::Execute(ULONG dwCmd, ULONG dwType, ULONG dwSizeIn, ULONG dwSizeOut,
                            ULONG* retCode, const VARIANT* dataIn, VARIANT* dataOut) {
  returnCode_ = 0xFFFFFFFF;
  dwCmd_ = dwCmd;
  dwType_ = dwType;
  dwSizeIn_ = dwSizeIn;
  dwSizeOut_ = dwSizeOut;

  auto call = [&]() -> HRESULT {
    if (!link_.services) return FAILED(connectResult_) ? connectResult_ : E_POINTER;
    IWbemServices* services = link_.services.get();

    // The method's name, widened into a 260-character buffer.
    const std::string name = rm::BiosMethodName(dwSizeOut);
    wchar_t wideName[260] = L"";
    if (::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName, 260) <= 0)
      return rm::LastErrorResult();
    rm::UniqueBstr methodName = Bstr(wideName);
    rm::UniqueBstr methodClassName = Bstr(L"vtqBIntM");
    rm::UniqueBstr inputClassName = Bstr(L"vtqBDataIn");
    if (!methodName || !methodClassName || !inputClassName) return E_OUTOFMEMORY;

    rm::ComPtr<IWbemClassObject> methodClass;
    RM_RETURN_IF_FAILED(services->GetObject(methodClassName.get(), 0, nullptr, methodClass.put(),
                                            nullptr));
    if (!methodClass) return WBEM_E_NOT_FOUND;
    rm::ComPtr<IWbemClassObject> signature;
    RM_RETURN_IF_FAILED(methodClass->GetMethod(wideName, 0, signature.put(), nullptr));
    if (!signature) return WBEM_E_INVALID_METHOD_PARAMETERS;
    rm::ComPtr<IWbemClassObject> inParams;
    RM_RETURN_IF_FAILED(signature->SpawnInstance(0, inParams.put()));
    if (!inParams) return WBEM_E_FAILED;
    rm::ComPtr<IWbemClassObject> inputClass;
    RM_RETURN_IF_FAILED(services->GetObject(inputClassName.get(), 0, nullptr, inputClass.put(),
                                            nullptr));
    if (!inputClass) return WBEM_E_NOT_FOUND;
    rm::ComPtr<IWbemClassObject> input;
    RM_RETURN_IF_FAILED(inputClass->SpawnInstance(0, input.put()));
    if (!input) return WBEM_E_FAILED;

    RM_RETURN_IF_FAILED(PutSign(input.get()));
    RM_RETURN_IF_FAILED(PutI4(input.get(), L"Command", dwCmd));
    RM_RETURN_IF_FAILED(PutI4(input.get(), L"CommandType", dwType));
    RM_RETURN_IF_FAILED(PutI4(input.get(), L"Size", dwSizeIn));
    {
      // The client's variant as it came, with a reference resolved to its
      // value (WMI keeps no pointer into the client's data).
      rm::Variant data;
      if (dataIn) RM_RETURN_IF_FAILED(::VariantCopyInd(data.get(), const_cast<VARIANT*>(dataIn)));
      RM_RETURN_IF_FAILED(input->Put(L"vtqBData", 0, data.get(), 0));
    }
    {
      rm::Variant object;
      V_VT(object.get()) = VT_UNKNOWN;
      V_UNKNOWN(object.get()) = input.get();
      input->AddRef();
      RM_RETURN_IF_FAILED(inParams->Put(L"InData", 0, object.get(), 0));
    }

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
      target.reset(::SysAllocString(V_BSTR(path.get())));
      if (!target) return E_OUTOFMEMORY;
    }

    rm::ComPtr<IWbemClassObject> outParams;
    RM_RETURN_IF_FAILED(services->ExecMethod(target.get(), methodName.get(), 0, nullptr,
                                             inParams.get(), outParams.put(), nullptr));
    if (!outParams) return WBEM_E_FAILED;
    rm::ComPtr<IWbemClassObject> outData;
    {
      rm::Variant value;
      RM_RETURN_IF_FAILED(outParams->Get(L"OutData", 0, value.put(), nullptr, nullptr));
      if ((value.type() != VT_UNKNOWN && value.type() != VT_DISPATCH) || !V_UNKNOWN(value.get()))
        return WBEM_E_TYPE_MISMATCH;
      RM_RETURN_IF_FAILED(
          V_UNKNOWN(value.get())->QueryInterface(IID_IWbemClassObject, outData.put_void()));
      if (!outData) return E_NOINTERFACE;
    }
    {
      rm::Variant code;
      RM_RETURN_IF_FAILED(outData->Get(L"rwReturnCode", 0, code.put(), nullptr, nullptr));
      ULONG value = 0;
      RM_RETURN_IF_FAILED(ToUlong(*code.get(), value));
      returnCode_ = value;
    }
    if (dwSizeOut != 0) {
      if (!dataOut) return E_POINTER;
      rm::Variant data;
      RM_RETURN_IF_FAILED(outData->Get(L"Data", 0, data.put(), nullptr, nullptr));
      ::VariantClear(dataOut);
      *dataOut = data.release();
    }
    return S_OK;
  };

  const HRESULT hr = call();
  if (retCode) *retCode = returnCode_;
  return hr;
}

template <class Step>
HRESULT BiosCaller::WalkDisplays(Step step) {
  if (!link_.services) return FAILED(connectResult_) ? connectResult_ : E_POINTER;
  rm::UniqueBstr className = Bstr(L"vtqGAED");
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
    ULONG value = 0;
    if (SUCCEEDED(step_hr)) step_hr = ToUlong(*state.get(), value);
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
    RM_RETURN_IF_FAILED(PutI4(instance, L"ulState", device));
    return services->PutInstance(instance, WBEM_FLAG_CREATE_OR_UPDATE, nullptr, nullptr);
  });
}

}  // namespace vtq
