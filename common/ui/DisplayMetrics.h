// The display as the programs' windows see it: the DPI of a window and of
// the notification area, icons loaded for a size in pixels, and high
// contrast. The functions that only newer Windows has (GetDpiForWindow,
// GetDpiForMonitor, GetSystemMetricsForDpi, SetThreadDpiAwarenessContext:
// Windows 8.1 and 10) are looked up at run time; without them the system
// DPI stands in. The decisions are DisplayRules'. Main thread (any thread
// for the loaders).
#pragma once

#include <windows.h>

#include "common/ui/DisplayRules.h"

namespace rm {

// WM_DPICHANGED_AFTERPARENT (Windows 10 1703), which a per-monitor v2
// window's children get after the window's own WM_DPICHANGED.
inline constexpr UINT kWmDpiChangedAfterParent = 0x02E3;

// The DPI `window` is drawn at: its monitor's under per-monitor awareness,
// the system's otherwise.
int WindowDpi(HWND window);
// The DPI of the notification area: that of the taskbar's monitor, else
// `owner`'s.
int NotifyAreaDpi(HWND owner);
// GetSystemMetrics(index) at `dpi`.
int SystemMetricAt(int index, int dpi);

// Icon `iconId` of `instance` at `size` x `size` pixels, drawn from the
// image DisplayRules' ImageSizeFor picks among the icon's own. Null when
// the icon cannot be read. The caller destroys it.
HICON LoadIconOfSize(HINSTANCE instance, int iconId, int size);

// Whether a high-contrast scheme is on.
bool HighContrastOn();
// The COLORREF of a rule's colour now.
COLORREF ColorRefOf(const ColorChoice& color);

// While it lives, windows this thread creates are per-monitor (v2) aware
// where the system knows that mode: a DLL's windows take the awareness of
// the thread that creates them, not of its manifest.
class PerMonitorWindows {
 public:
  PerMonitorWindows();
  ~PerMonitorWindows();
  PerMonitorWindows(const PerMonitorWindows&) = delete;
  PerMonitorWindows& operator=(const PerMonitorWindows&) = delete;

 private:
  void* previous_ = nullptr;
};

}  // namespace rm
