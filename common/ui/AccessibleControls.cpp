#include "common/ui/AccessibleControls.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>
#include <string>

#include "common/ui/AccessibleRules.h"

namespace rm {
namespace {

constexpr UINT_PTR kSubclassId = 0x524D4143;  // one binding per control

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object with the role and, for a picture, the name put
// right; every other call goes to the system's object as it is.
class ControlAccessible final : public IAccessible {
 public:
  ControlAccessible(IAccessible* inner, long role, std::wstring name)
      : inner_(inner), role_(role), name_(std::move(name)) {}
  ControlAccessible(const ControlAccessible&) = delete;
  ControlAccessible& operator=(const ControlAccessible&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IAccessible) return E_NOINTERFACE;
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
  STDMETHODIMP GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override { return inner_->GetTypeInfo(i, lcid, info); }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, n, lcid, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* error, UINT* argument) override {
    return inner_->Invoke(id, iid, lcid, flags, params, result, error, argument);
  }

  // IAccessible: the two answers put right.
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    const HRESULT hr = inner_->get_accName(child, name);
    if (!IsSelf(child) || name_.empty() || (SUCCEEDED(hr) && *name && **name)) return hr;
    if (SUCCEEDED(hr) && *name) ::SysFreeString(*name);
    *name = ::SysAllocString(name_.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    const HRESULT hr = inner_->get_accRole(child, role);
    if (!IsSelf(child) || !role_ || !role) return hr;
    if (SUCCEEDED(hr) && !(role->vt == VT_I4 && role->lVal == kRoleClient)) return hr;
    if (SUCCEEDED(hr)) ::VariantClear(role);
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }

  // IAccessible: the system's answers.
  STDMETHODIMP get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
  STDMETHODIMP get_accChildCount(long* count) override { return inner_->get_accChildCount(count); }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override { return inner_->get_accChild(child, out); }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override { return inner_->get_accValue(child, value); }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override { return inner_->get_accState(child, state); }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return inner_->get_accKeyboardShortcut(child, keys);
  }
  STDMETHODIMP get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
  STDMETHODIMP get_accSelection(VARIANT* children) override { return inner_->get_accSelection(children); }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    return inner_->get_accDefaultAction(child, action);
  }
  STDMETHODIMP accSelect(long flags, VARIANT child) override { return inner_->accSelect(flags, child); }
  STDMETHODIMP accLocation(long* x, long* y, long* width, long* height, VARIANT child) override {
    return inner_->accLocation(x, y, width, height, child);
  }
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(direction, start, end);
  }
  STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override { return inner_->accHitTest(x, y, child); }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override { return inner_->put_accValue(child, value); }

 private:
  ~ControlAccessible() { inner_->Release(); }

  LONG references_ = 1;
  IAccessible* inner_;
  long role_;
  std::wstring name_;
};

std::string ClassName(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

long RoleOf(HWND control) {
  return AccessibleRoleOf(ClassName(control), static_cast<unsigned long>(::GetWindowLongPtrA(control, GWL_STYLE)));
}

// A picture's name: the text of the label or group box before it.
std::wstring PictureName(HWND control) {
  for (HWND before = ::GetWindow(control, GW_HWNDPREV); before; before = ::GetWindow(before, GW_HWNDPREV)) {
    const long role = RoleOf(before);
    if (role != kRoleStaticText && role != kRoleGrouping) continue;
    wchar_t text[256] = {};
    ::GetWindowTextW(before, text, 256);
    if (text[0]) return text;
  }
  return std::wstring();
}

LRESULT AnswerObject(HWND control, WPARAM wParam) {
  const long role = RoleOf(control);
  IAccessible* inner = nullptr;
  if (!role || FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                                  reinterpret_cast<void**>(&inner))) ||
      !inner)
    return 0;
  auto* object = new (std::nothrow) ControlAccessible(inner, role, role == kRoleGraphic ? PictureName(control) : L"");
  if (!object) {
    inner->Release();
    return 0;
  }
  const LRESULT answer = ::LresultFromObject(IID_IAccessible, wParam, object);
  object->Release();
  return answer > 0 ? answer : 0;
}

LRESULT CALLBACK ControlProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                  DWORD_PTR /*data*/) {
  try {
    if (msg == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
      if (const LRESULT answer = AnswerObject(hwnd, wParam)) return answer;
    } else if (msg == WM_NCDESTROY) {
      ::RemoveWindowSubclass(hwnd, &ControlProcedure, kSubclassId);
    }
  } catch (...) {
    // The system's own answer below.
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void GiveAccessibleRoles(HWND root) {
  ::EnumChildWindows(
      root,
      [](HWND control, LPARAM) CALLBACK -> BOOL {
        if (RoleOf(control)) ::SetWindowSubclass(control, &ControlProcedure, kSubclassId, 0);
        return TRUE;
      },
      0);
}

}  // namespace rm
