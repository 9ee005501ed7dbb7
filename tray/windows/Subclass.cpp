#include "tray/windows/Subclass.h"

namespace rm {
namespace {
constexpr char kProperty[] = "rm.Subclass";
}

Subclass::~Subclass() { Detach(); }

bool Subclass::Attach(HWND window) {
  if (hwnd_ || !::IsWindow(window) || ::GetPropA(window, kProperty)) return false;
  if (!::SetPropA(window, kProperty, this)) return false;
  hwnd_ = window;
  previous_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass::Procedure)));
  if (!previous_) {
    ::RemovePropA(window, kProperty);
    hwnd_ = nullptr;
    return false;
  }
  return true;
}

void Subclass::Detach() {
  if (!hwnd_) return;
  ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  ::RemovePropA(hwnd_, kProperty);
  hwnd_ = nullptr;
}

LRESULT Subclass::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return CallPrevious(msg, wParam, lParam); }

LRESULT Subclass::CallPrevious(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcA(previous_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Subclass::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    auto* self = static_cast<Subclass*>(::GetPropA(hwnd, kProperty));
    if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      const WNDPROC previous = self->previous_;
      self->Detach();
      return ::CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace rm
