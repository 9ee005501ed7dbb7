#include "common/ui/PageTabHost.h"

#include <commctrl.h>

#include <string>

#include "common/ui/Dialog.h"

namespace rm {
namespace {

constexpr char kContainerClass[] = "rm.PageContainer";

void AddExStyle(HWND window, LONG_PTR style) {
  ::SetWindowLongPtrA(window, GWL_EXSTYLE, ::GetWindowLongPtrA(window, GWL_EXSTYLE) | style);
}

}  // namespace

PageTabHost::~PageTabHost() {
  if (container_ && ::IsWindow(container_)) ::SetWindowLongPtrA(container_, GWLP_USERDATA, 0);
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
  const RECT area = DisplayArea();
  container_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, kContainerClass, "",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                                 area.right - area.left, area.bottom - area.top, tab, nullptr, instance, this);
  AddExStyle(tab, WS_EX_CONTROLPARENT);
  return container_ != nullptr;
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
  if (!old) {
    // The very first selection: the container hands the focus on.
    ::SetFocus(container_);
  } else if (focusInside && currentPage_) {
    if (const HWND first = ::GetWindow(currentPage_, GW_CHILD)) ::SetFocus(first);
  }
}

RECT PageTabHost::DisplayArea() const {
  RECT area = {};
  ::GetClientRect(hwnd(), &area);
  ::SendMessageA(hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

void PageTabHost::SizeContainer() {
  if (!container_) return;
  const RECT area = DisplayArea();
  ::SetWindowPos(container_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
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
