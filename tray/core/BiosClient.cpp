#include "tray/core/BiosClient.h"

#include <string>

namespace rm {
namespace {

using Slot = StartupDiagnostics::Slot;

constexpr long kEnumFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;  // 0x30
constexpr long kNextTimeoutMs = 2000;
constexpr int kMaxNextRequests = 10;

UniqueBstr Bstr(const wchar_t* text) { return UniqueBstr(::SysAllocString(text)); }

UniqueBstr AnsiBstr(const std::string& text) {
  // At most 30 wide characters, converted with the ANSI code page.
  wchar_t wide[31] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 30) == 0) wide[0] = L'\0';
  wide[30] = L'\0';
  return UniqueBstr(::SysAllocString(wide));
}

// A VT_ARRAY|VT_UI1 variant with a null array: "no bytes".
void SetNullByteArray(VARIANT* v) {
  ::VariantInit(v);
  V_VT(v) = VT_ARRAY | VT_UI1;
  V_ARRAY(v) = nullptr;
}

HRESULT PutI4(IWbemClassObject* object, const wchar_t* name, std::uint32_t value) {
  Variant v;
  V_VT(v.get()) = VT_I4;
  V_I4(v.get()) = static_cast<LONG>(value);
  return object->Put(name, 0, v.get(), 0);
}

HRESULT PutSign(IWbemClassObject* object) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, sizeof kBiosSign);
  if (!array) return E_OUTOFMEMORY;
  Variant v;
  V_VT(v.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(v.get()) = array;
  for (LONG i = 0; i < static_cast<LONG>(sizeof kBiosSign); ++i) {
    std::uint8_t byte = kBiosSign[i];
    RM_RETURN_IF_FAILED(::SafeArrayPutElement(array, &i, &byte));
  }
  return object->Put(L"Sign", 0, v.get(), 0);
}

// rwReturnCode as a signed 32-bit value; false when the variant holds none.
bool ReadReturnCode(const VARIANT& v, std::int32_t* out) {
  switch (V_VT(&v)) {
    case VT_I4: *out = V_I4(&v); return true;
    case VT_UI4: *out = static_cast<std::int32_t>(V_UI4(&v)); return true;
    case VT_INT: *out = V_INT(&v); return true;
    case VT_UINT: *out = static_cast<std::int32_t>(V_UINT(&v)); return true;
    default: break;
  }
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(&v), 0, VT_I4))) return false;
  *out = V_I4(converted.get());
  return true;
}

// The element count of a one-dimensional array of single bytes, or -1 when
// `v` holds anything else (no array, a null array, wider elements).
long long ByteArrayCount(const VARIANT& v) {
  const VARTYPE base = V_VT(&v) & VT_TYPEMASK;
  if (!(V_VT(&v) & VT_ARRAY) || (V_VT(&v) & VT_BYREF) || (base != VT_UI1 && base != VT_I1)) return -1;
  SAFEARRAY* array = V_ARRAY(&v);
  if (!array || ::SafeArrayGetDim(array) != 1 || ::SafeArrayGetElemsize(array) != 1) return -1;
  LONG lower = 0, upper = 0;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper))) return -1;
  return static_cast<long long>(upper) - lower + 1;
}

}  // namespace

BiosClient::BiosClient(StartupDiagnostics& diagnostics) : diagnostics_(diagnostics) {}

BiosClient::~BiosClient() { Disconnect(); }

bool BiosClient::Connect() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  connected_ = false;
  HRESULT hr = S_OK;
  if (!locator_) {
    hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            locator_.put_void());
    diagnostics_.Set(Slot::kLocator, hr);
    if (FAILED(hr) || !locator_) {
      locator_.reset();
      return false;
    }
  }
  if (!services_) {
    // No proxy blanket of its own: the process-wide COM security applies.
    const UniqueBstr ns = Bstr(L"\\\\.\\root\\wmi");
    hr = locator_->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services_.put());
    diagnostics_.Set(Slot::kConnectServer, hr);
    if (FAILED(hr) || !services_) {
      services_.reset();
      return false;
    }
  }

  const UniqueBstr className = Bstr(L"vtqBIntM");
  hr = services_->GetObject(className.get(), 0, nullptr, class_.put(), nullptr);
  diagnostics_.Set(Slot::kGetClass, hr);
  if (FAILED(hr) || !class_) {
    class_.reset();
    return false;
  }

  ComPtr<IEnumWbemClassObject> instances;
  hr = services_->CreateInstanceEnum(className.get(), kEnumFlags, nullptr, instances.put());
  diagnostics_.Set(Slot::kEnumerate, hr);
  if (FAILED(hr) || !instances) return false;

  // The provider may be slow to answer; ten requests of two seconds each.
  ComPtr<IWbemClassObject> instance;
  ULONG returned = 0;
  int requests = 0;
  do {
    returned = 0;
    hr = instances->Next(kNextTimeoutMs, 1, instance.put(), &returned);
    ++requests;
  } while (hr == WBEM_S_TIMEDOUT && requests < kMaxNextRequests);
  diagnostics_.Set(Slot::kLastNext, hr);
  diagnostics_.Set(Slot::kLastNextReturned, static_cast<std::int32_t>(returned));
  diagnostics_.Set(Slot::kNextRequests, requests);
  diagnostics_.Set(Slot::kInstanceFound, instance ? 1 : 0);
  instances.reset();

  if (FAILED(hr) || !instance) return false;
  hr = instance->Get(L"__PATH", 0, instancePath_.put(), nullptr, nullptr);
  diagnostics_.Set(Slot::kReadPath, hr);
  connected_ = SUCCEEDED(hr);
  return connected_;
}

void BiosClient::Disconnect() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  connected_ = false;
  class_.reset();
  services_.reset();
  locator_.reset();
}

HRESULT BiosClient::Execute(std::uint32_t dwCmd, std::uint32_t dwType, std::uint32_t dwSizeIn,
                            std::uint32_t dwSizeOut, std::uint32_t* lpRetCode, VARIANT* input, VARIANT* output) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  current_ = BiosCall{dwCmd, dwType, dwSizeIn, dwSizeOut};
  const HRESULT hr = ExecuteLocked(input, output);
  if (lpRetCode) *lpRetCode = static_cast<std::uint32_t>(returnCode_);
  return hr;
}

HRESULT BiosClient::ExecuteLocked(VARIANT* input, VARIANT* output) {
  // A client that is not (or no longer) connected fails every call.
  if (!connected_ || !services_ || !class_) return E_UNEXPECTED;
  const UniqueBstr method = AnsiBstr(BiosMethodName(current_.dwSizeOut));
  if (!method) return E_OUTOFMEMORY;

  ComPtr<IWbemClassObject> inSignature;
  RM_RETURN_IF_FAILED(class_->GetMethod(method.get(), 0, inSignature.put(), nullptr));
  if (!inSignature) return E_FAIL;
  ComPtr<IWbemClassObject> inParams;
  RM_RETURN_IF_FAILED(inSignature->SpawnInstance(0, inParams.put()));
  if (!inParams) return E_FAIL;

  ComPtr<IWbemClassObject> dataIn;
  {
    const UniqueBstr inputClassName = Bstr(L"vtqBDataIn");
    ComPtr<IWbemClassObject> inputClass;
    RM_RETURN_IF_FAILED(services_->GetObject(inputClassName.get(), 0, nullptr, inputClass.put(), nullptr));
    if (!inputClass) return E_FAIL;
    RM_RETURN_IF_FAILED(inputClass->SpawnInstance(0, dataIn.put()));
    if (!dataIn) return E_FAIL;
  }

  RM_RETURN_IF_FAILED(PutSign(dataIn.get()));
  RM_RETURN_IF_FAILED(PutI4(dataIn.get(), L"Command", current_.dwCmd));
  RM_RETURN_IF_FAILED(PutI4(dataIn.get(), L"CommandType", current_.dwType));
  RM_RETURN_IF_FAILED(PutI4(dataIn.get(), L"Size", current_.dwSizeIn));
  VARIANT noInput;
  SetNullByteArray(&noInput);
  RM_RETURN_IF_FAILED(dataIn->Put(L"vtqBData", 0, input ? input : &noInput, 0));

  {
    Variant inData;
    V_VT(inData.get()) = VT_UNKNOWN;
    V_UNKNOWN(inData.get()) = ComPtr<IWbemClassObject>::Copy(dataIn.get()).detach();
    RM_RETURN_IF_FAILED(inParams->Put(L"InData", 0, inData.get(), 0));
  }

  ComPtr<IWbemClassObject> outParams;
  const BSTR path = instancePath_.type() == VT_BSTR ? V_BSTR(instancePath_.get()) : nullptr;
  RM_RETURN_IF_FAILED(services_->ExecMethod(path, method.get(), 0, nullptr, inParams.get(), outParams.put(), nullptr));
  if (!outParams) return E_FAIL;

  ComPtr<IWbemClassObject> outData;
  {
    Variant value;
    const HRESULT hr = outParams->Get(L"OutData", 0, value.put(), nullptr, nullptr);
    outParams.reset();
    if (FAILED(hr)) return hr;
    IUnknown* object = nullptr;
    if (value.type() == VT_UNKNOWN) object = V_UNKNOWN(value.get());
    if (value.type() == VT_DISPATCH) object = V_DISPATCH(value.get());
    if (!object) return E_FAIL;
    RM_RETURN_IF_FAILED(object->QueryInterface(IID_IWbemClassObject, outData.put_void()));
    if (!outData) return E_FAIL;
  }

  {
    Variant code;
    RM_RETURN_IF_FAILED(outData->Get(L"rwReturnCode", 0, code.put(), nullptr, nullptr));
    std::int32_t value = 0;
    if (ReadReturnCode(*code.get(), &value)) returnCode_ = value;
  }

  if (current_.dwSizeOut != 0) {
    Variant data;
    RM_RETURN_IF_FAILED(outData->Get(L"Data", 0, data.put(), nullptr, nullptr));
    if (output) {
      ::VariantClear(output);
      *output = data.release();
    }
  }
  return S_OK;
}

HRESULT BiosClient::Call(std::uint32_t dwCmd, std::uint32_t dwType, std::uint32_t dwSizeIn, std::uint32_t dwSizeOut,
                         std::uint32_t* lpRetCode, const std::uint8_t* input, std::uint8_t* output) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if ((dwSizeIn != 0 && !input) || (dwSizeOut != 0 && !output)) {
    if (lpRetCode) *lpRetCode = static_cast<std::uint32_t>(returnCode_);
    return E_POINTER;
  }

  Variant in;
  SetNullByteArray(in.get());
  HRESULT hr = S_OK;
  if (dwSizeIn != 0) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, dwSizeIn);
    if (!array) hr = E_OUTOFMEMORY;
    V_ARRAY(in.get()) = array;
    for (LONG i = 0; SUCCEEDED(hr) && static_cast<std::uint32_t>(i) < dwSizeIn; ++i) {
      std::uint8_t byte = input[i];
      hr = ::SafeArrayPutElement(array, &i, &byte);
    }
  }

  Variant out;
  SetNullByteArray(out.get());
  if (SUCCEEDED(hr) && dwSizeOut != 0) {
    V_ARRAY(out.get()) = ::SafeArrayCreateVector(VT_UI1, 0, dwSizeOut);
    if (!V_ARRAY(out.get())) hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    // The request could not be built; nothing went to the firmware.
    if (lpRetCode) *lpRetCode = static_cast<std::uint32_t>(returnCode_);
    return hr;
  }

  hr = Execute(dwCmd, dwType, dwSizeIn, dwSizeOut, lpRetCode, in.get(), out.get());
  if (SUCCEEDED(hr) && dwSizeOut != 0) {
    const long long count = ByteArrayCount(*out.get());
    if (count == static_cast<long long>(dwSizeOut)) {
      SAFEARRAY* array = V_ARRAY(out.get());
      LONG lower = 0;
      ::SafeArrayGetLBound(array, 1, &lower);
      for (std::uint32_t i = 0; i < dwSizeOut; ++i) {
        LONG index = lower + static_cast<LONG>(i);
        std::uint8_t byte = 0;
        // An element that cannot be read leaves its byte unchanged.
        if (SUCCEEDED(::SafeArrayGetElement(array, &index, &byte))) output[i] = byte;
      }
    } else {
      if (lpRetCode) *lpRetCode = kBiosLengthMismatch;
      hr = E_FAIL;
    }
  }
  return hr;
}

}  // namespace rm
