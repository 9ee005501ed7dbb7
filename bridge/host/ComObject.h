// The bridge's COM classes on the suite's IUnknown (common/win/UnknownBase.h):
// one module lock per live object, and IDispatch forwarded to the type
// library's description of the interface.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <new>

#include "bridge/host/ClassObjects.h"
#include "bridge/host/ServiceModule.h"
#include "common/win/UnknownBase.h"

namespace vtq {

// Interface: the dual interface the class implements; Derived: the class.
template <class Derived, class Interface>
class DualObject : public rm::UnknownBase<Derived, rm::Interfaces<Interface>> {
 public:
  DualObject() { ServiceModule::Instance().Lock(); }
  virtual ~DualObject() { ServiceModule::Instance().Unlock(); }

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
};

// A class object for Object, which has a default constructor. Aggregation
// is refused.
// The class object lives as long as the process.
template <class Object>
class ClassFactory
    : public rm::UnknownBase<ClassFactory<Object>, rm::Interfaces<IClassFactory>, rm::Lifetime::Static> {
 public:

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
