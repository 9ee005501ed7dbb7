#include "common/ui/DialogFrame.h"

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
  auto load = [&](int cx, int cy) {
    return static_cast<HICON>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, ::GetSystemMetrics(cx), ::GetSystemMetrics(cy),
                     LR_DEFAULTCOLOR));
  };
  large_.reset(load(SM_CXICON, SM_CYICON));
  small_.reset(load(SM_CXSMICON, SM_CYSMICON));
  ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_.get()));
  ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_.get()));
}

}  // namespace rm
