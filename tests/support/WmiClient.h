// Test support for tests that talk to the simulated notebook: a WMI client
// made the way the deliverables make theirs (CoCreateInstance of
// CLSID_WbemLocator, in-process, in the multithreaded apartment with
// process-wide security at connect level and impersonation), a BIOS call
// built step by step as the firmware clients build it, a sink that records
// events, and the stand-in's tool fwsim.exe run as another process
// (tests/support/Fwsim.h).
//
// Header-only; include it from a Wine test (RM_BUILD_DIR must be defined).
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include "common/win/OwningWrappers.h"
#include "common/win/UnknownBase.h"
#include "tests/support/Fwsim.h"
#include "tests/support/WaitFor.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace fwsimtest {

inline BSTR Bstr(const wchar_t* s) { return ::SysAllocString(s); }

inline std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

inline std::string Narrow(const wchar_t* s) {
  std::string out;
  for (; s && *s; ++s) out.push_back(static_cast<char>(*s));
  return out;
}

// COM in the multithreaded apartment and the process-wide security that
// the tray program sets at start-up: any authentication service, connect
// level, impersonate. A second call in one process is harmless.
class ComApartment {
 public:
  ComApartment() {
    init_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    security_ = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  }
  ~ComApartment() {
    if (SUCCEEDED(init_)) ::CoUninitialize();
  }
  HRESULT init() const { return init_; }
  // S_OK, or RPC_E_TOO_LATE when the process already set it.
  HRESULT security() const { return security_; }

 private:
  HRESULT init_;
  HRESULT security_;
};

inline HRESULT CreateLocator(rm::ComPtr<IWbemLocator>& locator) {
  return ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            locator.put_void());
}

inline HRESULT Connect(const wchar_t* nameSpace, rm::ComPtr<IWbemServices>& services) {
  rm::ComPtr<IWbemLocator> locator;
  RM_RETURN_IF_FAILED(CreateLocator(locator));
  rm::UniqueBstr ns(Bstr(nameSpace));
  return locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
}

inline HRESULT ConnectFirmware(rm::ComPtr<IWbemServices>& services) {
  return Connect(L"\\\\.\\root\\wmi", services);
}

inline HRESULT GetClass(IWbemServices* services, const wchar_t* name, rm::ComPtr<IWbemClassObject>& object) {
  rm::UniqueBstr path(Bstr(name));
  return services->GetObject(path.get(), 0, nullptr, object.put(), nullptr);
}

// The __PATH of the first vtqBIntM instance: forward-only, return-immediately
// enumeration, one object per request with a 2000 ms time-out, at most
// `attempts` requests while the answer is WBEM_S_TIMEDOUT.
struct InstancePathResult {
  HRESULT hr = E_FAIL;        // of the last request (or of the step that failed)
  int requests = 0;
  std::wstring path;          // empty when no instance came
};

inline InstancePathResult FirstBiosInstancePath(IWbemServices* services, int attempts = 10) {
  InstancePathResult r;
  rm::ComPtr<IEnumWbemClassObject> e;
  rm::UniqueBstr cls(Bstr(L"vtqBIntM"));
  r.hr = services->CreateInstanceEnum(cls.get(), WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, nullptr,
                                      e.put());
  if (FAILED(r.hr)) return r;
  rm::ComPtr<IWbemClassObject> object;
  ULONG returned = 0;
  do {
    ++r.requests;
    r.hr = e->Next(2000, 1, object.put(), &returned);
  } while (r.hr == WBEM_S_TIMEDOUT && r.requests < attempts);
  if (FAILED(r.hr) || returned != 1 || !object) return r;
  rm::Variant path;
  r.hr = object->Get(L"__PATH", 0, path.get(), nullptr, nullptr);
  if (SUCCEEDED(r.hr) && path.type() == VT_BSTR) r.path = V_BSTR(path.get());
  return r;
}

inline HRESULT PutBytes(IWbemClassObject* object, const wchar_t* name, const std::vector<std::uint8_t>& bytes,
                        bool nullArrayWhenEmpty) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_ARRAY | VT_UI1;
  V_ARRAY(&v) = nullptr;
  rm::UniqueSafeArray array;
  if (!bytes.empty() || !nullArrayWhenEmpty) {
    array.reset(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(bytes.size()); ++i) {
      BYTE b = bytes[static_cast<std::size_t>(i)];
      RM_RETURN_IF_FAILED(::SafeArrayPutElement(array.get(), &i, &b));
    }
    V_ARRAY(&v) = array.get();
  }
  return object->Put(name, 0, &v, 0);
}

inline HRESULT PutI4(IWbemClassObject* object, const wchar_t* name, std::int32_t value) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return object->Put(name, 0, &v, 0);
}

inline bool BytesOf(const VARIANT& v, std::vector<std::uint8_t>& out) {
  out.clear();
  if (V_VT(&v) != (VT_ARRAY | VT_UI1)) return false;
  SAFEARRAY* a = V_ARRAY(&v);
  if (!a) return true;
  LONG lo = 0, hi = -1;
  if (FAILED(::SafeArrayGetLBound(a, 1, &lo)) || FAILED(::SafeArrayGetUBound(a, 1, &hi))) return false;
  for (LONG i = lo; i <= hi; ++i) {
    BYTE b = 0;
    if (FAILED(::SafeArrayGetElement(a, &i, &b))) return false;
    out.push_back(b);
  }
  return true;
}

// One firmware request as the deliverables send it.
struct BiosCall {
  std::uint32_t command = 0;
  std::uint32_t commandType = 0;
  std::vector<std::uint8_t> input;
  std::uint32_t sizeOut = 0;
  std::vector<std::uint8_t> sign = {0x53, 0x45, 0x43, 0x55};  // "SECU"
  std::wstring path;  // the target; empty executes without an object path
};

struct BiosAnswer {
  HRESULT hr = E_FAIL;         // the first failure, or S_OK
  const char* failedStep = "";  // where it failed
  bool hasReturnCode = false;
  std::uint32_t returnCode = 0;
  bool hasData = false;
  std::vector<std::uint8_t> data;
};

// GetObject vtqBIntM, GetMethod, SpawnInstance; GetObject vtqBDataIn,
// SpawnInstance, Put Sign, Command, CommandType, Size, vtqBData; Put InData;
// ExecMethod; read OutData, rwReturnCode, Data.
inline BiosAnswer CallBios(IWbemServices* services, const BiosCall& call) {
  BiosAnswer a;
  auto fail = [&](const char* step, HRESULT hr) {
    a.failedStep = step;
    a.hr = hr;
    return a;
  };
  const std::wstring method = L"vtqBIOSInt" + std::to_wstring(static_cast<std::int32_t>(call.sizeOut));
  rm::ComPtr<IWbemClassObject> cls, inSig, inParams, dataInClass, dataIn;
  HRESULT hr = GetClass(services, L"vtqBIntM", cls);
  if (FAILED(hr)) return fail("GetObject vtqBIntM", hr);
  hr = cls->GetMethod(method.c_str(), 0, inSig.put(), nullptr);
  if (FAILED(hr)) return fail("GetMethod", hr);
  hr = inSig->SpawnInstance(0, inParams.put());
  if (FAILED(hr)) return fail("SpawnInstance in-parameters", hr);
  hr = GetClass(services, L"vtqBDataIn", dataInClass);
  if (FAILED(hr)) return fail("GetObject vtqBDataIn", hr);
  hr = dataInClass->SpawnInstance(0, dataIn.put());
  if (FAILED(hr)) return fail("SpawnInstance vtqBDataIn", hr);
  if (FAILED(hr = PutBytes(dataIn.get(), L"Sign", call.sign, false))) return fail("Put Sign", hr);
  if (FAILED(hr = PutI4(dataIn.get(), L"Command", static_cast<std::int32_t>(call.command))))
    return fail("Put Command", hr);
  if (FAILED(hr = PutI4(dataIn.get(), L"CommandType", static_cast<std::int32_t>(call.commandType))))
    return fail("Put CommandType", hr);
  if (FAILED(hr = PutI4(dataIn.get(), L"Size", static_cast<std::int32_t>(call.input.size()))))
    return fail("Put Size", hr);
  if (FAILED(hr = PutBytes(dataIn.get(), L"vtqBData", call.input, true))) return fail("Put vtqBData", hr);
  VARIANT obj;
  ::VariantInit(&obj);
  V_VT(&obj) = VT_UNKNOWN;
  V_UNKNOWN(&obj) = dataIn.get();
  if (FAILED(hr = inParams->Put(L"InData", 0, &obj, 0))) return fail("Put InData", hr);
  rm::UniqueBstr path(call.path.empty() ? nullptr : Bstr(call.path.c_str()));
  rm::UniqueBstr name(Bstr(method.c_str()));
  rm::ComPtr<IWbemClassObject> outParams;
  hr = services->ExecMethod(path.get(), name.get(), 0, nullptr, inParams.get(), outParams.put(), nullptr);
  if (FAILED(hr)) return fail("ExecMethod", hr);
  if (!outParams) return fail("ExecMethod (no out-parameters)", WBEM_E_FAILED);
  rm::Variant outData;
  hr = outParams->Get(L"OutData", 0, outData.get(), nullptr, nullptr);
  if (FAILED(hr)) return fail("Get OutData", hr);
  rm::ComPtr<IWbemClassObject> out;
  if (outData.type() != VT_UNKNOWN || !V_UNKNOWN(outData.get()) ||
      FAILED(hr = V_UNKNOWN(outData.get())->QueryInterface(IID_IWbemClassObject, out.put_void())))
    return fail("OutData object", FAILED(hr) ? hr : static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH));
  rm::Variant code;
  hr = out->Get(L"rwReturnCode", 0, code.get(), nullptr, nullptr);
  if (FAILED(hr)) return fail("Get rwReturnCode", hr);
  if (code.type() == VT_I4) {
    a.hasReturnCode = true;
    a.returnCode = static_cast<std::uint32_t>(V_I4(code.get()));
  }
  if (call.sizeOut != 0) {
    rm::Variant data;
    hr = out->Get(L"Data", 0, data.get(), nullptr, nullptr);
    if (FAILED(hr)) return fail("Get Data", hr);
    a.hasData = BytesOf(*data.get(), a.data);
  }
  a.hr = S_OK;
  return a;
}

inline std::uint32_t WordOf(const std::vector<std::uint8_t>& data) {
  std::uint32_t w = 0;
  for (std::size_t i = 0; i < data.size() && i < 4; ++i) w |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  return w;
}

// A sink that records what it is given. Indicate and SetStatus come on the
// stand-in's delivery thread; tests wait on the recorded state with a limit.
class RecordingSink final : public rm::UnknownBase<RecordingSink, rm::Interfaces<IWbemObjectSink>> {
 public:
  struct Event {
    std::string className;
    bool hasId = false;
    std::int32_t eventId = 0;
    std::int32_t eventData = 0;
    VARTYPE idType = VT_EMPTY;
  };

  static rm::ComPtr<RecordingSink> Create() { return rm::ComPtr<RecordingSink>::Attach(new RecordingSink()); }

  STDMETHODIMP Indicate(LONG count, IWbemClassObject** objects) override {
    Record(count, objects);
    if (onIndicate_) onIndicate_();
    return WBEM_S_NO_ERROR;
  }
  void Record(LONG count, IWbemClassObject** objects) {
    std::lock_guard<std::mutex> guard(lock_);
    for (LONG i = 0; i < count && objects; ++i) {
      Event e;
      rm::Variant cls, id, data;
      if (SUCCEEDED(objects[i]->Get(L"__CLASS", 0, cls.get(), nullptr, nullptr)) && cls.type() == VT_BSTR)
        e.className = Narrow(V_BSTR(cls.get()));
      if (SUCCEEDED(objects[i]->Get(L"EventID", 0, id.get(), nullptr, nullptr))) {
        e.idType = id.type();
        if (id.type() == VT_I4) {
          e.hasId = true;
          e.eventId = V_I4(id.get());
        }
      }
      if (SUCCEEDED(objects[i]->Get(L"EventData", 0, data.get(), nullptr, nullptr)) && data.type() == VT_I4)
        e.eventData = V_I4(data.get());
      events_.push_back(e);
    }
    changed_.notify_all();
  }
  // Runs after each Indicate has been recorded, on the delivery thread (set
  // it before subscribing).
  void OnIndicate(std::function<void()> hook) { onIndicate_ = std::move(hook); }
  STDMETHODIMP SetStatus(LONG flags, HRESULT result, BSTR, IWbemClassObject*) override {
    std::lock_guard<std::mutex> guard(lock_);
    statuses_.push_back({flags, result});
    changed_.notify_all();
    return WBEM_S_NO_ERROR;
  }

  // Waits until pred(events) holds or the limit passes; returns pred's last answer.
  template <class Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, limit, [&] { return pred(events_); });
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> guard(lock_);
    return events_;
  }
  std::vector<std::pair<LONG, HRESULT>> Statuses() {
    std::lock_guard<std::mutex> guard(lock_);
    return statuses_;
  }
  LONG RefCount() const { return static_cast<LONG>(UnknownBase::RefCount()); }
  // Waits until the reference count is `count` (the stand-in released what
  // it held) or the limit passes.
  bool WaitForRefCount(LONG count, std::chrono::milliseconds limit) {
    return rmtest::WaitFor([&] { return RefCount() == count; }, limit);
  }

 private:
  friend UnknownBase;
  RecordingSink() = default;
  ~RecordingSink() = default;

  std::function<void()> onIndicate_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::vector<std::pair<LONG, HRESULT>> statuses_;
};

}  // namespace fwsimtest
