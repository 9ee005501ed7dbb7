#include "common/ui/DisplayMetrics.h"

#include <cstring>

#include "common/win/SystemFunction.h"

namespace rm {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SetThreadDpiAwarenessContextFn = void*(WINAPI*)(void*);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and MDT_EFFECTIVE_DPI.
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
constexpr int kEffectiveDpi = 0;

int SystemDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : kBaseDpi;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

int MonitorDpi(HMONITOR monitor) {
  // shcore.dll, from the system folder only, stays loaded once asked for:
  // the process keeps asking.
  static const GetDpiForMonitorFn getDpi = [] {
    return ::LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
               ? LoadedSystemFunction<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor")
               : nullptr;
  }();
  UINT x = 0, y = 0;
  if (!monitor || !getDpi || FAILED(getDpi(monitor, kEffectiveDpi, &x, &y)) || x == 0) return 0;
  return static_cast<int>(x);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "the icon group's 14-byte entries");

}  // namespace

int WindowDpi(HWND window) {
  static const GetDpiForWindowFn getDpi = LoadedSystemFunction<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
  const UINT dpi = getDpi && window ? getDpi(window) : 0;
  return dpi ? static_cast<int>(dpi) : SystemDpi();
}

int NotifyAreaDpi(HWND owner) {
  const HWND taskbar = ::FindWindowA("Shell_TrayWnd", nullptr);
  const int dpi = taskbar ? MonitorDpi(::MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)) : 0;
  return dpi ? dpi : WindowDpi(owner);
}

int SystemMetricAt(int index, int dpi) {
  static const GetSystemMetricsForDpiFn metric = LoadedSystemFunction<GetSystemMetricsForDpiFn>("user32.dll", "GetSystemMetricsForDpi");
  return metric ? metric(index, static_cast<UINT>(dpi)) : ::GetSystemMetrics(index);
}

HICON LoadIconOfSize(HINSTANCE instance, int iconId, int size) {
  const HRSRC groupInfo = ::FindResourceA(instance, MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  const auto* group = groupInfo ? static_cast<const BYTE*>(::LockResource(::LoadResource(instance, groupInfo))) : nullptr;
  const DWORD groupBytes = groupInfo ? ::SizeofResource(instance, groupInfo) : 0;
  if (!group || groupBytes < 6) return nullptr;
  WORD count = 0;
  std::memcpy(&count, group + 4, sizeof count);
  if (groupBytes < 6 + 14u * count) return nullptr;
  constexpr int kMaxImages = 32;
  int sizes[kMaxImages] = {};
  WORD ids[kMaxImages] = {};
  int n = 0;
  for (WORD i = 0; i < count && n < kMaxImages; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group + 6 + 14 * i, sizeof entry);
    if (entry.bitCount != 32) continue;  // the programs' icons are all 32-bit
    sizes[n] = entry.width ? entry.width : 256;
    ids[n] = entry.id;
    ++n;
  }
  const int image = ImageSizeFor(size, sizes, n);
  for (int i = 0; i < n; ++i) {
    if (sizes[i] != image) continue;
    const HRSRC info = ::FindResourceA(instance, MAKEINTRESOURCEA(ids[i]), MAKEINTRESOURCEA(3));  // RT_ICON
    auto* bits = info ? static_cast<BYTE*>(::LockResource(::LoadResource(instance, info))) : nullptr;
    if (!bits) return nullptr;
    return ::CreateIconFromResourceEx(bits, ::SizeofResource(instance, info), TRUE, 0x00030000, size, size,
                                      LR_DEFAULTCOLOR);
  }
  return nullptr;
}

bool HighContrastOn() {
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF ColorRefOf(const ColorChoice& color) {
  return color.system ? ::GetSysColor(color.sysIndex) : static_cast<COLORREF>(color.colorRef);
}

namespace {
// The thread's previous awareness context; null where the system has none.
void* SetThreadAwareness(void* context) {
  static const SetThreadDpiAwarenessContextFn set =
      LoadedSystemFunction<SetThreadDpiAwarenessContextFn>("user32.dll", "SetThreadDpiAwarenessContext");
  return set ? set(context) : nullptr;
}
}  // namespace

PerMonitorWindows::PerMonitorWindows() : previous_(SetThreadAwareness(kPerMonitorV2)) {}

PerMonitorWindows::~PerMonitorWindows() {
  if (previous_) SetThreadAwareness(previous_);
}

}  // namespace rm
