#include "common/ui/Dialog.h"

namespace rm {

Dialog::~Dialog() {
  // A dialog object outliving its window must not be reached through it.
  if (hwnd_) ::SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
}

INT_PTR Dialog::RunModal(HINSTANCE instance, int id, HWND owner) {
  return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(id), owner, &Dialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HINSTANCE instance, int id, HWND parent) {
  return ::CreateDialogParamA(instance, MAKEINTRESOURCEA(id), parent, &Dialog::Procedure,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::SetMessageResult(HWND hwnd, LRESULT result) {
  ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
      self = reinterpret_cast<Dialog*>(lParam);
      if (!self) return FALSE;
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT, ...) get default handling.
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      self->OnDestroyed();
      return FALSE;
    }
    return self->Dispatch(msg, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (OnMessage(msg, wParam, lParam, &result)) return result;
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
      break;
    default:
      break;
  }
  if (Reflect(msg, wParam, lParam, &result)) return result;
  return FALSE;
}

bool Dialog::Reflect(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  HWND control = nullptr;
  switch (msg) {
    case WM_COMMAND:
      control = reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
      break;
    case WM_NOTIFY:
      control = lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
      break;
    case WM_DRAWITEM:
      control = lParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      control = reinterpret_cast<HWND>(lParam);
      break;
    default:
      return false;
  }
  if (!control || !::IsWindow(control) || ::GetParent(control) != hwnd_) return false;
  const LRESULT answer = ::SendMessageA(control, msg + kReflectBase, wParam, lParam);
  if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
    // A brush goes back directly; none means default colours.
    *result = static_cast<INT_PTR>(answer);
    return answer != 0;
  }
  *result = SetMessageResult(hwnd_, answer);
  return true;
}

}  // namespace rm
