// Driving rmpanel.cpl from another process: opening it through Wine's
// Control Panel host, finding its sheet, and counting the broadcasts of
// "ZARN_RADIOMINDER_PROPSCHG" with a hidden top-level window of the test's
// own, as a running tray program would receive them.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <vector>
#include <string>
#include <thread>

#include "tests/system/tray/PropertiesDriver.h"
#include "tests/system/tray/ScreenPixels.h"
#include "tests/support/TrayMachine.h"

namespace paneltest {

using namespace traytest;

inline constexpr char kSheetTitle[] = "Zarn Radio Minder";

// A path of the build tree as Windows writes it.
inline std::string WindowsPath(const char* relative) {
  std::string path = BuildPath(relative);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
inline std::string AppletPath() { return WindowsPath("panel/rmpanel.cpl"); }

inline std::string ControlExe() {
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\control.exe";
}

// control.exe with the applet's path: the host loads it and opens its item.
inline Process OpenApplet() { return Process::Start(ControlExe(), "\"" + AppletPath() + "\""); }

inline HWND WaitForSheet(const Process& host) { return WaitForProcessWindow(host.id(), "#32770", kSheetTitle); }

// Counts "ZARN_RADIOMINDER_PROPSCHG" arriving at a hidden top-level window
// on a thread of its own (broadcasts are posted, so they need a loop).
class BroadcastCounter {
 public:
  BroadcastCounter() {
    thread_ = std::thread([this] { Run(); });
    WaitFor([this] { return ready_.load(); }, std::chrono::seconds(10));
  }
  ~BroadcastCounter() {
    if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  BroadcastCounter(const BroadcastCounter&) = delete;
  BroadcastCounter& operator=(const BroadcastCounter&) = delete;

  bool ok() const { return window_ != nullptr; }
  int count() const { return count_.load(); }
  // Waits for `n` broadcasts in all, then a moment more for any extra one.
  int WaitForCount(int n, DWORD settleMs = 700) const {
    WaitFor([&] { return count_.load() >= n; }, std::chrono::seconds(10));
    ::Sleep(settleMs);
    return count_.load();
  }

 private:
  void Run() {
    message_ = ::RegisterWindowMessageA("ZARN_RADIOMINDER_PROPSCHG");
    WNDCLASSA cls = {};
    cls.lpfnWndProc = &BroadcastCounter::Procedure;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = "paneltest.BroadcastCounter";
    ::RegisterClassA(&cls);
    window_ = ::CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, cls.hInstance,
                                nullptr);
    if (window_) ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ready_ = true;
    MSG msg;
    while (window_ && ::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  }
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<BroadcastCounter*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == self->message_ && wParam == 0 && lParam == 0) {
      ++self->count_;
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  std::thread thread_;
  std::atomic<bool> ready_{false};
  std::atomic<int> count_{0};
  UINT message_ = 0;
  HWND window_ = nullptr;
};

// Memory in another process for the messages of common controls that take
// a pointer: the record and its text buffer live there.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, std::size_t size) : size_(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(owner, &pid);
    process_.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process_) address_ = ::VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ::WriteProcessMemory(process_.get(), at(offset), data, size, &done) &&
           done == size;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ::ReadProcessMemory(process_.get(), at(offset), data, size, &done) &&
           done == size;
  }

 private:
  rm::UniqueHandle process_;
  void* address_ = nullptr;
  std::size_t size_;
};

// The text of an item of a tab control or list view of another process:
// `message` (TCM_GETITEMW, LVM_GETITEMTEXTW) with `item` (TCITEMW, LVITEMW)
// and its text buffer placed in that process.
template <class Item>
std::wstring RemoteItemText(HWND control, UINT message, int index, Item item) {
  constexpr std::size_t kChars = 260;
  RemoteBuffer remote(control, sizeof item + kChars * sizeof(wchar_t));
  if (!remote.ok()) return L"(no remote buffer)";
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof item));
  item.cchTextMax = kChars;
  wchar_t text[kChars] = {};
  if (!remote.Write(0, &item, sizeof item) || !remote.Write(sizeof item, text, sizeof text)) return L"(not written)";
  ::SendMessageW(control, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.at(0)));
  remote.Read(sizeof item, text, sizeof text);
  text[kChars - 1] = L'\0';
  return text;
}

inline std::wstring TabItemText(HWND tab, int index) {
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  return RemoteItemText(tab, TCM_GETITEMW, index, item);
}

inline std::wstring ListItemText(HWND list, int index, int column) {
  LVITEMW item = {};
  item.iSubItem = column;
  return RemoteItemText(list, LVM_GETITEMTEXTW, index, item);
}

// Selects and focuses item `index` of a list view of another process, and
// makes it the selection mark.
inline bool SelectListItem(HWND list, int index) {
  RemoteBuffer remote(list, sizeof(LVITEMW));
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!remote.ok() || !remote.Write(0, &item, sizeof item)) return false;
  ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, index);
  return ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.at(0))) != 0;
}

// The rectangle (LVIR_BOUNDS, LVIR_ICON...) of item `index` of a list view
// of another process, in its client coordinates.
inline RECT ListItemRect(HWND list, int index, int part) {
  RECT r = {part, 0, 0, 0};
  RemoteBuffer remote(list, sizeof r);
  if (!remote.ok() || !remote.Write(0, &r, sizeof r)) return RECT{};
  if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.at(0))))
    return RECT{};
  remote.Read(0, &r, sizeof r);
  return r;
}

// The colour on screen at a point of a window's client area.
inline COLORREF ScreenColourAt(HWND window, int x, int y) {
  POINT p = {x, y};
  ::ClientToScreen(window, &p);
  const HDC screen = ::GetDC(nullptr);
  const COLORREF colour = ::GetPixel(screen, p.x, p.y);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

// The class and title of the top window at a point of a window's client
// area, for failure messages.
inline std::string WindowAtPoint(HWND window, int x, int y) {
  POINT p = {x, y};
  ::ClientToScreen(window, &p);
  const HWND at = ::WindowFromPoint(p);
  char cls[128] = "", title[128] = "";
  if (at) {
    ::GetClassNameA(at, cls, sizeof cls);
    ::GetWindowTextA(::GetAncestor(at, GA_ROOT), title, sizeof title);
  }
  return std::string(cls) + " in \"" + title + "\"" + (at == window ? " (the page itself)" : "");
}

// Equal but for rounding: each channel within 2.
inline bool SameColour(DWORD a, DWORD b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 2 || d < -2) return false;
  }
  return true;
}

// Whether `icon`, drawn at size x size on the area's own background colour
// (its top-left pixel), appears somewhere in the screen area `area`.
inline bool IconShownIn(HICON icon, int size, const RECT& area) {
  const int cx = area.right - area.left, cy = area.bottom - area.top;
  if (cx < size || cy < size) return false;
  const std::vector<DWORD> shown = ScreenPixels(area);
  if (shown.empty()) return false;
  const std::vector<DWORD> drawn = DrawnIcon(icon, size, size, size, shown.front());
  for (int y = 0; y + size <= cy; ++y) {
    for (int x = 0; x + size <= cx; ++x) {
      bool same = true;
      for (int j = 0; j < size && same; ++j) {
        same = std::equal(drawn.begin() + j * size, drawn.begin() + (j + 1) * size,
                          shown.begin() + (y + j) * cx + x, SameColour);
      }
      if (same) return true;
    }
  }
  return false;
}

// Wine's Control Panel window (control.exe without arguments) and its list
// of items.
class ControlPanelWindow {
 public:
  // The host's window is the one of its process that holds a list view.
  ControlPanelWindow() : host_(Process::Start(ControlExe(), "")) {
    WaitFor(
        [&] {
          struct Search {
            DWORD pid;
            HWND list;
          } search{host_.id(), nullptr};
          ::EnumWindows(
              [](HWND top, LPARAM lp) CALLBACK -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                ::GetWindowThreadProcessId(top, &pid);
                if (pid != s->pid || !::IsWindowVisible(top)) return TRUE;
                s->list = ::FindWindowExA(top, nullptr, WC_LISTVIEWA, nullptr);
                return s->list ? FALSE : TRUE;
              },
              reinterpret_cast<LPARAM>(&search));
          list_ = search.list;
          return list_ != nullptr;
        },
        std::chrono::seconds(10));
    window_ = list_ ? ::GetAncestor(list_, GA_ROOT) : nullptr;
  }
  ~ControlPanelWindow() {
    if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    host_.WaitExit(std::chrono::seconds(10));
  }
  HWND list() const { return list_; }
  const Process& host() const { return host_; }
  // The indexes of the items named `name`.
  std::vector<int> ItemsNamed(const wchar_t* name) const {
    std::vector<int> found;
    const auto count = static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      if (ListItemText(list_, i, 0) == name) found.push_back(i);
    }
    return found;
  }

 private:
  Process host_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace paneltest
