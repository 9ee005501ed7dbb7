#include "common/ui/DialogFrame.h"

#include <utility>

#include "common/ui/DisplayMetrics.h"
#include "common/ui/FrameRules.h"

namespace rm {
namespace {

FrameRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor that `window` is on (or nearest to); the
// primary monitor's when that cannot be read.
RECT WorkAreaOf(HWND window) {
  RECT work = {};
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor && ::GetMonitorInfoA(monitor, &info)) return info.rcWork;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace

void CentreOverOwner(HWND window) {
  // The owner's monitor decides, also for a hidden or minimised owner; a
  // window without owner stays on the monitor it was created on.
  const HWND owner = ::GetWindow(window, GW_OWNER);
  const RECT work = WorkAreaOf(owner ? owner : window);
  RECT around = work;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
  RECT own = {};
  ::GetWindowRect(window, &own);
  const FramePosition p = CentredPosition(FromRect(own), FromRect(around), FromRect(work));
  ::SetWindowPos(window, nullptr, static_cast<int>(p.x), static_cast<int>(p.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowIcons::Set(HWND window, HINSTANCE instance, int iconId) {
  window_ = window;
  instance_ = instance;
  iconId_ = iconId;
  Reload();
}

void WindowIcons::Reload() {
  if (!window_) return;
  const int dpi = WindowDpi(window_);
  UniqueIcon large(LoadIconOfSize(instance_, iconId_, SystemMetricAt(SM_CXICON, dpi)));
  UniqueIcon small(LoadIconOfSize(instance_, iconId_, SystemMetricAt(SM_CXSMICON, dpi)));
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window holds the new icons now; the old ones can go.
  large_ = std::move(large);
  small_ = std::move(small);
}

void FollowDisplayChange(HWND window, UINT msg, WPARAM wParam, WindowIcons& icons) {
  if (msg == WM_DPICHANGED) {
    icons.Reload();
  } else if (msg == WM_SYSCOLORCHANGE || (msg == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST)) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

}  // namespace rm
