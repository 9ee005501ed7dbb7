// IUnknown for the suite's COM objects, written once: the interfaces an
// object answers for as a template list, and an atomic reference count.
//
//   class Sink final : public rm::UnknownBase<Sink, rm::Interfaces<IWbemObjectSink>> { ... };
//
// QueryInterface answers IUnknown and IDispatch (when the first interface
// is a dual one) with the first interface, each listed interface with
// itself, and adds a reference; anything else gets E_NOINTERFACE and a null
// pointer. A counted object starts with one reference, its creator's, and
// is deleted (as Derived) when the last one goes. A static object (a class
// object that lives as long as its module) counts nothing: AddRef answers
// 2 and Release 1; it may override both to hold its module.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <type_traits>

namespace rm {

template <class... I>
struct Interfaces {};

enum class Lifetime { Counted, Static };

template <class Derived, class List, Lifetime kLifetime = Lifetime::Counted>
class UnknownBase;

template <class Derived, class Primary, class... Others, Lifetime kLifetime>
class UnknownBase<Derived, Interfaces<Primary, Others...>, kLifetime> : public Primary, public Others... {
 public:
  UnknownBase(const UnknownBase&) = delete;
  UnknownBase& operator=(const UnknownBase&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = Find(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    if constexpr (kLifetime == Lifetime::Static) return 2;
    else return ++refs_;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    if constexpr (kLifetime == Lifetime::Static) {
      return 1;
    } else {
      const ULONG n = --refs_;
      if (n == 0) delete static_cast<Derived*>(this);
      return n;
    }
  }

 protected:
  UnknownBase() = default;
  ~UnknownBase() = default;
  // The references held at this moment (for log lines; racy by nature).
  ULONG RefCount() const { return refs_.load(); }

 private:
  void* Find(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown)) return static_cast<Primary*>(this);
    if constexpr (std::is_base_of_v<IDispatch, Primary>)
      if (IsEqualIID(iid, IID_IDispatch)) return static_cast<Primary*>(this);
    if (IsEqualIID(iid, __uuidof(Primary))) return static_cast<Primary*>(this);
    void* found = nullptr;
    ((found = found ? found : (IsEqualIID(iid, __uuidof(Others)) ? static_cast<Others*>(this) : nullptr)), ...);
    return found;
  }

  std::atomic<ULONG> refs_{1};
};

}  // namespace rm
