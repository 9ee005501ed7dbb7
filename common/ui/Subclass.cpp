#include "common/ui/Subclass.h"

namespace rm {
namespace {
constexpr wchar_t kProperty[] = L"rm.Subclass";
}

Subclass::~Subclass() { Detach(); }

bool Subclass::Attach(HWND window) {
  if (hwnd_ || !::IsWindow(window) || ::GetPropW(window, kProperty)) return false;
  if (!::SetPropW(window, kProperty, this)) return false;
  hwnd_ = window;
  previous_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Procedure)));
  if (!previous_) {
    ::RemovePropW(window, kProperty);
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

void Subclass::Detach() {
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  ::RemovePropW(hwnd_, kProperty);
  hwnd_ = nullptr;
}

LRESULT Subclass::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CallPrevious(msg, wParam, lParam); }

LRESULT Subclass::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(previous_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Subclass::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    auto* self = static_cast<Subclass*>(::GetPropW(hwnd, kProperty));
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      const WNDPROC previous = self->previous_;
      self->Detach();
      return ::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace rm
