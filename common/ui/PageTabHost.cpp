#include "common/ui/PageTabHost.h"

#include <commctrl.h>

#include <string>

#include "common/ui/Dialog.h"
#include "common/ui/TabKeyRules.h"

namespace rm {
namespace {

constexpr char kContainerClass[] = "rm.PageContainer";
// The property of the top-level dialog through which the key filter finds
// its host.
constexpr char kHostProperty[] = "rm.PageTabHost";

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

TabKey TabKeyOf(WPARAM key) {
  switch (key) {
    case VK_TAB: return TabKey::kTab;
    case VK_NEXT: return TabKey::kPageDown;
    case VK_PRIOR: return TabKey::kPageUp;
    default: return TabKey::kOther;
  }
}

// Shows the focus rectangle and the underlined access keys from now on,
// as the dialog manager does once the keyboard is used.
void ShowKeyboardCues(HWND dialog) {
  ::SendMessageA(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void AddExStyle(HWND window, LONG_PTR style) {
  ::SetWindowLongPtrA(window, GWL_EXSTYLE, ::GetWindowLongPtrA(window, GWL_EXSTYLE) | style);
}

}  // namespace

PageTabHost::~PageTabHost() {
  Unhook();
  if (container_ && ::IsWindow(container_)) ::SetWindowLongPtrA(container_, GWLP_USERDATA, 0);
}

void PageTabHost::Unhook() {
  if (keyHook_) ::UnhookWindowsHookEx(keyHook_);
  keyHook_ = nullptr;
  if (dialog_ && ::IsWindow(dialog_) && ::GetPropA(dialog_, kHostProperty) == this) ::RemovePropA(dialog_, kHostProperty);
  dialog_ = nullptr;
}

bool PageTabHost::Bind(HWND tab) {
  if (!Attach(tab)) return false;
  const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(tab, GWLP_HINSTANCE));
  WNDCLASSEXA cls = {};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = &PageTabHost::ContainerProcedure;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  cls.lpszClassName = kContainerClass;
  // Already registered by an earlier window of this module is fine.
  ::RegisterClassExA(&cls);
  const HWND parent = ::GetParent(tab);
  const RECT area = ContainerInTab();
  POINT origin = {area.left, area.top};
  ::MapWindowPoints(tab, parent, &origin, 1);
  // No WS_CLIPSIBLINGS: the tab control lies above the container and paints
  // nothing over it, so nothing of it must be clipped away.
  container_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, kContainerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 origin.x, origin.y, area.right - area.left, area.bottom - area.top, parent, nullptr,
                                 instance, this);
  if (!container_) return false;
  // Right after the tab control in the order of the dialog's controls.
  ::SetWindowPos(container_, tab, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  dialog_ = ::GetAncestor(tab, GA_ROOT);
  if (dialog_) ::SetPropA(dialog_, kHostProperty, this);
  keyHook_ = ::SetWindowsHookExA(WH_MSGFILTER, &PageTabHost::KeyFilter, nullptr, ::GetCurrentThreadId());
  return true;
}

void PageTabHost::AddPage(HWND page, int index, const wchar_t* text) {
  if (page) {
    ::SetParent(page, container_);
    ::ShowWindow(page, SW_HIDE);
    AddExStyle(page, WS_EX_CONTROLPARENT);
  }
  pages_.push_back(page);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(text);
  ::SendMessageW(hwnd(), TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  SizeContainer();
}

void PageTabHost::Select(int index) {
  ::SendMessageA(hwnd(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  const auto id = static_cast<UINT_PTR>(::GetDlgCtrlID(hwnd()));
  NMHDR selected = {hwnd(), id, static_cast<UINT>(TCN_SELCHANGE)};
  ::SendMessageA(::GetParent(hwnd()), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&selected));
}

void PageTabHost::SwitchToSelection() {
  const auto index = static_cast<int>(::SendMessageA(hwnd(), TCM_GETCURSEL, 0, 0));
  if (index < 0 || index >= static_cast<int>(pages_.size()) || index == current_) return;
  const HWND old = currentPage_;
  const bool focusInside = old && ::IsChild(container_, ::GetFocus());
  if (old) ::ShowWindow(old, SW_HIDE);
  current_ = index;
  currentPage_ = pages_[static_cast<size_t>(index)];
  SizeCurrentPage();
  if (currentPage_) ::ShowWindow(currentPage_, SW_SHOWNA);
  wchar_t text[128] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 128;
  if (::SendMessageW(hwnd(), TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    ::SetWindowTextW(hwnd(), text);
  if (focusInside) FocusFirstControl();
}

void PageTabHost::FocusFirstControl() {
  HWND target = hwnd();
  if (currentPage_) {
    const HWND first = ::GetNextDlgTabItem(currentPage_, nullptr, FALSE);
    if (first && ::IsChild(currentPage_, first) && ::IsWindowEnabled(first) &&
        (::GetWindowLongPtrA(first, GWL_STYLE) & WS_TABSTOP))
      target = first;
  }
  if (!dialog_) {
    ::SetFocus(target);
    return;
  }
  // Through the dialog manager, which remembers the focus across
  // activations, but the window's default button stays the default: a
  // push button the focus is put on does not take Enter over until the
  // user moves there.
  const LRESULT defaultId = ::SendMessageA(dialog_, DM_GETDEFID, 0, 0);
  ::SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
  if (HIWORD(defaultId) == DC_HASDEFID && ::GetDlgCtrlID(target) != LOWORD(defaultId) &&
      (::SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
    ::SendMessageA(target, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    ::SendMessageA(dialog_, DM_SETDEFID, LOWORD(defaultId), 0);
  }
}

bool PageTabHost::OnSwitchKey(WPARAM key) {
  const TabKey which = TabKeyOf(key);
  if (which == TabKey::kOther) return false;
  TabKeyModifiers modifiers;
  modifiers.ctrl = KeyDown(VK_CONTROL);
  modifiers.shift = KeyDown(VK_SHIFT);
  modifiers.alt = KeyDown(VK_MENU);
  if (dialog_) ShowKeyboardCues(dialog_);
  const int count = static_cast<int>(::SendMessageA(hwnd(), TCM_GETITEMCOUNT, 0, 0));
  const int next = TabAfterKey(which, modifiers, current_, count);
  if (next < 0) return false;
  if (next != current_) {
    Select(next);
    FocusFirstControl();
  }
  return true;
}

LRESULT CALLBACK PageTabHost::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  try {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg && msg->message == WM_KEYDOWN && msg->hwnd) {
      const HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
      auto* host = root ? static_cast<PageTabHost*>(::GetPropA(root, kHostProperty)) : nullptr;
      if (host && host->dialog_ == root && host->OnSwitchKey(msg->wParam)) return 1;
    }
  } catch (...) {
    // The key goes on to the dialog manager.
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

RECT PageTabHost::DisplayArea() const {
  RECT area = {};
  ::GetClientRect(hwnd(), &area);
  ::SendMessageA(hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

RECT PageTabHost::ContainerInTab() const { return DisplayArea(); }

void PageTabHost::SizeContainer() {
  if (!container_) return;
  const RECT area = ContainerInTab();
  POINT origin = {area.left, area.top};
  ::MapWindowPoints(hwnd(), ::GetParent(container_), &origin, 1);
  ::SetWindowPos(container_, nullptr, origin.x, origin.y, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void PageTabHost::SizeCurrentPage() {
  if (!currentPage_ || !container_) return;
  RECT client = {};
  ::GetClientRect(container_, &client);
  ::SetWindowPos(currentPage_, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PageTabHost::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      // Only the band outside the display area: the container and the
      // pages paint the rest.
      const HDC dc = reinterpret_cast<HDC>(wParam);
      RECT client = {};
      ::GetClientRect(hwnd(), &client);
      const RECT area = DisplayArea();
      const int saved = ::SaveDC(dc);
      ::ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
      ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
      ::RestoreDC(dc, saved);
      return TRUE;
    }
    case WM_PAINT: {
      if (wParam || !container_) return CallPrevious(msg, wParam, lParam);
      // The tab strip and the frame; the container's area is the pages'
      // (a themed pane would otherwise cover them, since they lie below).
      PAINTSTRUCT paint = {};
      const HDC dc = ::BeginPaint(hwnd(), &paint);
      const RECT pages = ContainerInTab();
      ::ExcludeClipRect(dc, pages.left, pages.top, pages.right, pages.bottom);
      CallPrevious(msg, reinterpret_cast<WPARAM>(dc), 0);
      ::EndPaint(hwnd(), &paint);
      return 0;
    }
    case WM_NCHITTEST: {
      // The pages' area belongs to the container below.
      const LRESULT hit = CallPrevious(msg, wParam, lParam);
      if (hit != HTCLIENT || !container_) return hit;
      POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ::ScreenToClient(hwnd(), &at);
      const RECT pages = ContainerInTab();
      return ::PtInRect(&pages, at) ? HTTRANSPARENT : hit;
    }
    case WM_DESTROY:
      Unhook();
      return CallPrevious(msg, wParam, lParam);
    case WM_SIZE: {
      const LRESULT result = CallPrevious(msg, wParam, lParam);
      SizeContainer();
      return result;
    }
    case WM_COMMAND:
      return container_ ? ::SendMessageA(container_, msg, wParam, lParam) : 0;
    case WM_NOTIFY + kReflectBase: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == static_cast<UINT>(TCN_SELCHANGE)) SwitchToSelection();
      return 0;
    }
    default:
      return CallPrevious(msg, wParam, lParam);
  }
}

LRESULT CALLBACK PageTabHost::ContainerProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    if (msg == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PageTabHost*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      if (self) self->container_ = nullptr;
    } else if (self && self->container_ == hwnd) {
      return self->ContainerMessage(msg, wParam, lParam);
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT PageTabHost::ContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;  // the pages paint
    case WM_SIZE:
      SizeCurrentPage();
      return 0;
    case WM_SETFOCUS:
      if (currentPage_) {
        if (const HWND first = ::GetNextDlgTabItem(currentPage_, nullptr, FALSE)) ::SetFocus(first);
      }
      return 0;
    case WM_COMMAND:
      return currentPage_ ? ::SendMessageA(currentPage_, msg, wParam, lParam) : 0;
    default:
      return ::DefWindowProcA(container_, msg, wParam, lParam);
  }
}

}  // namespace rm
