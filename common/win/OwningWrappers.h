// Owning wrappers for Windows resources: kernel handles, registry keys, COM
// interface pointers, BSTRs, VARIANTs and SAFEARRAYs. One move-only template
// serves the plain handles; COM pointers, VARIANT and SAFEARRAY data access
// have their own small classes because their ownership rules differ.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <utility>

namespace rm {

// Unique<Traits>: owns one value of Traits::type and closes it once.
// Traits: using type; static type invalid(); static void close(type).
template <class Traits>
class Unique {
 public:
  using type = typename Traits::type;

  Unique() noexcept : value_(Traits::invalid()) {}
  explicit Unique(type value) noexcept : value_(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Unique() { reset(); }

  type get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  // Closes what is held, then takes ownership of value.
  void reset(type value = Traits::invalid()) noexcept {
    type old = value_;
    value_ = value;
    if (old != Traits::invalid()) Traits::close(old);
  }
  type release() noexcept {
    type old = value_;
    value_ = Traits::invalid();
    return old;
  }
  // For out-parameters: closes what is held and hands out the slot.
  type* put() noexcept {
    reset();
    return &value_;
  }

 private:
  type value_;
};

struct HandleTraits {  // CreateEvent, CreateMutex, OpenProcess, CreateThread...
  using type = HANDLE;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile, which fails with INVALID_HANDLE_VALUE
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using type = HKEY;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::RegCloseKey(h); }
};
struct BstrTraits {
  using type = BSTR;
  static type invalid() noexcept { return nullptr; }
  static void close(type s) noexcept { ::SysFreeString(s); }
};
struct SafeArrayTraits {
  using type = SAFEARRAY*;
  static type invalid() noexcept { return nullptr; }
  static void close(type a) noexcept { ::SafeArrayDestroy(a); }
};
struct ServiceHandleTraits {
  using type = SC_HANDLE;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::CloseServiceHandle(h); }
};
struct ModuleTraits {
  using type = HMODULE;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::FreeLibrary(h); }
};

struct IconTraits {  // LoadImage(IMAGE_ICON) of a size other than the default
  using type = HICON;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::DestroyIcon(h); }
};
struct BrushTraits {  // CreateSolidBrush and the other GDI brushes
  using type = HBRUSH;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::DeleteObject(h); }
};
struct MenuTraits {  // LoadMenu, CreatePopupMenu
  using type = HMENU;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::DestroyMenu(h); }
};
struct LocalMemoryTraits {  // what advapi32 hands out with LocalAlloc (SDDL conversions)
  using type = void*;
  static type invalid() noexcept { return nullptr; }
  static void close(type p) noexcept { ::LocalFree(p); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueBstr = Unique<BstrTraits>;
using UniqueSafeArray = Unique<SafeArrayTraits>;
using UniqueServiceHandle = Unique<ServiceHandleTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueBrush = Unique<BrushTraits>;
using UniqueLocal = Unique<LocalMemoryTraits>;

// ComPtr<T>: one reference to a COM object.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Adopts a reference the caller already holds.
  static ComPtr Attach(T* p) noexcept {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Takes a new reference of its own.
  static ComPtr Copy(T* p) noexcept {
    if (p) p->AddRef();
    return Attach(p);
  }
  ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  template <class U>
  HRESULT As(const IID& iid, ComPtr<U>& out) const noexcept {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out.put_void());
  }

 private:
  T* p_ = nullptr;
};

// Variant: an owned VARIANT, cleared on destruction.
class Variant {
 public:
  Variant() noexcept { ::VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept {
    v_ = o.v_;
    ::VariantInit(&o.v_);
  }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      clear();
      v_ = o.v_;
      ::VariantInit(&o.v_);
    }
    return *this;
  }
  ~Variant() { clear(); }

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  VARIANT* operator->() noexcept { return &v_; }
  const VARIANT* operator->() const noexcept { return &v_; }
  VARTYPE type() const noexcept { return V_VT(&v_); }
  // For out-parameters: clears what is held first.
  VARIANT* put() noexcept {
    clear();
    return &v_;
  }
  void clear() noexcept {
    ::VariantClear(&v_);
    ::VariantInit(&v_);
  }
  // Gives up ownership of the contents.
  VARIANT release() noexcept {
    VARIANT out = v_;
    ::VariantInit(&v_);
    return out;
  }

 private:
  VARIANT v_;
};

// SafeArrayData: SafeArrayAccessData for the lifetime of the object.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) noexcept : array_(array) {
    if (array_ && FAILED(access_ = ::SafeArrayAccessData(array_, &data_))) {
      array_ = nullptr;
      data_ = nullptr;
    }
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  ~SafeArrayData() {
    if (array_) ::SafeArrayUnaccessData(array_);
  }
  explicit operator bool() const noexcept { return data_ != nullptr; }
  void* data() const noexcept { return data_; }
  // The result of SafeArrayAccessData (E_INVALIDARG for a null array).
  HRESULT AccessResult() const noexcept { return access_; }
  // Ends the access before destruction and returns SafeArrayUnaccessData's
  // result (S_OK when there was no access to end).
  HRESULT Release() noexcept {
    SAFEARRAY* array = std::exchange(array_, nullptr);
    data_ = nullptr;
    return array ? ::SafeArrayUnaccessData(array) : S_OK;
  }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
  HRESULT access_ = E_INVALIDARG;
};

// Early-return helper for HRESULT ladders.
#define RM_RETURN_IF_FAILED(expr)        \
  do {                                   \
    const HRESULT rm_hr_ = (expr);       \
    if (FAILED(rm_hr_)) return rm_hr_;   \
  } while (0)

// HRESULT of the last Win32 error, read at once after a failed call.
inline HRESULT LastErrorResult() noexcept {
  const DWORD e = ::GetLastError();
  return e ? HRESULT_FROM_WIN32(e) : E_FAIL;
}

}  // namespace rm
