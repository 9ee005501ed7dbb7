// IUnknown and IDispatch for the bridge's COM classes without a framework:
// an interlocked reference count, one module lock per live object, and
// IDispatch forwarded to the type library's description of the interface.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <new>

#include "bridge/host/ClassObjects.h"
#include "bridge/host/ServiceModule.h"

namespace vtq {

// Interface: the dual interface the class implements; Derived: the class.
template <class Derived, class Interface>
class DualObject : public Interface {
 public:
  DualObject() { ServiceModule::Instance().Lock(); }
  virtual ~DualObject() { ServiceModule::Instance().Unlock(); }
  DualObject(const DualObject&) = delete;
  DualObject& operator=(const DualObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, Derived::kIid)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = S_OK;
    ITypeInfo* ti = InterfaceTypeInfo(Derived::kIid, &hr);
    if (!ti) return hr;
    ti->AddRef();
    *info = ti;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT hr = S_OK;
    ITypeInfo* ti = InterfaceTypeInfo(Derived::kIid, &hr);
    if (!ti) return hr;
    if (!names || !ids) return E_POINTER;
    return ti->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = S_OK;
    ITypeInfo* ti = InterfaceTypeInfo(Derived::kIid, &hr);
    if (!ti) return hr;
    if (!params) return E_POINTER;
    return ti->Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, argErr);
  }

 private:
  std::atomic<LONG> refs_{1};
};

// A class object for Object, which has a default constructor. Aggregation
// is refused.
template <class Object>
class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  // The class object lives as long as the process.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      Object* object = new (std::nothrow) Object();
      if (!object) return E_OUTOFMEMORY;
      const HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      ServiceModule::Instance().Lock();
    else
      ServiceModule::Instance().Unlock();
    return S_OK;
  }
};

}  // namespace vtq
