#include "tray/core/BiosClient.h"

#include "common/win/BiosRequest.h"

namespace rm {
namespace {

using Slot = StartupDiagnostics::Slot;

constexpr long kEnumFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;  // 0x30
constexpr long kNextTimeoutMs = 2000;
constexpr int kMaxNextRequests = 10;

// The tray program's side of BiosRequestRules: E_FAIL wherever WMI hands
// back no object, and a return code that is no integer keeps the last one.
constexpr BiosRequestRules kRequestRules{
    30,      // methodNameCapacity
    false,   // resolvesDataReference
    false,   // unreadableCodeFails
    E_FAIL,  // signatureMissing
    E_FAIL,  // instanceMissing
    E_FAIL,  // inputClassMissing
    E_FAIL,  // outParamsMissing
    E_FAIL,  // outDataMissing
    E_FAIL,  // outDataNotAnInstance
};

// A VT_ARRAY|VT_UI1 variant with a null array: "no bytes".
void SetNullByteArray(VARIANT* v) {
  ::VariantInit(v);
  V_VT(v) = VT_ARRAY | VT_UI1;
  V_ARRAY(v) = nullptr;
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
    const UniqueBstr ns = Bstr(kBiosNamespace);
    hr = locator_->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services_.put());
    diagnostics_.Set(Slot::kConnectServer, hr);
    if (FAILED(hr) || !services_) {
      services_.reset();
      return false;
    }
  }

  const UniqueBstr className = Bstr(kBiosMethodClass);
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
  UniqueBstr method;
  RM_RETURN_IF_FAILED(WideBiosMethodName(current_.dwSizeOut, kRequestRules, method));
  VARIANT noInput;
  SetNullByteArray(&noInput);
  ComPtr<IWbemClassObject> inParams;
  RM_RETURN_IF_FAILED(BuildBiosInParams(services_.get(), class_.get(), method.get(), current_,
                                        input ? input : &noInput, kRequestRules, inParams));

  ComPtr<IWbemClassObject> outData;
  const BSTR path = instancePath_.type() == VT_BSTR ? V_BSTR(instancePath_.get()) : nullptr;
  RM_RETURN_IF_FAILED(ExecBiosMethod(services_.get(), path, method.get(), inParams.get(), kRequestRules, outData));

  std::uint32_t code = static_cast<std::uint32_t>(returnCode_);
  RM_RETURN_IF_FAILED(ReadBiosReturnCode(outData.get(), kRequestRules, code));
  returnCode_ = static_cast<std::int32_t>(code);

  if (current_.dwSizeOut != 0) RM_RETURN_IF_FAILED(ReadBiosData(outData.get(), output));
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
