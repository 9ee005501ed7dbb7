// Driving rmtray.exe's properties window from another process, as a user
// would: finding it and its controls (the pages' controls sit below the tab
// control), reading texts, switching tabs and pressing keys. Shared by the
// system tests and the demo's driver.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/support/ResourceIds.h"
#include "tests/support/TrayMachine.h"

namespace traytest {

inline constexpr char kPropertiesTitle[] = "Zarn Radio Minder";
inline constexpr char kOpenStatusPageMessage[] = "ZARN_RADIOMINDER_OPENSTATPAGE";

// The visible properties window of process `pid`.
inline HWND WaitForPropertiesWindow(DWORD pid, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
  return WaitForProcessWindow(pid, "#32770", kPropertiesTitle, /*visible=*/true, limit);
}

// How many visible top-level windows of the class (and title) the process has.
inline int CountProcessWindows(DWORD pid, const char* className, const char* title = nullptr) {
  struct Count {
    DWORD pid;
    const char* className;
    const char* title;
    int n;
  } count{pid, className, title, 0};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        auto* c = reinterpret_cast<Count*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        char cls[64] = {};
        char text[256] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        ::GetWindowTextA(hwnd, text, sizeof text);
        if (owner == c->pid && ::IsWindowVisible(hwnd) && std::strcmp(cls, c->className) == 0 &&
            (!c->title || std::strcmp(text, c->title) == 0))
          ++c->n;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}

// A control anywhere below `root` by its id; null when there is none.
inline HWND Control(HWND root, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  ::EnumChildWindows(
      root,
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (::GetDlgCtrlID(hwnd) != s->id) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  if (window) ::GetWindowTextW(window, text, 512);
  return text;
}
inline std::wstring ControlText(HWND root, int id) { return TextOf(Control(root, id)); }
inline bool ControlVisible(HWND root, int id) {
  const HWND c = Control(root, id);
  return c && (::GetWindowLongPtrA(c, GWL_STYLE) & WS_VISIBLE) != 0;
}
inline bool ControlEnabled(HWND root, int id) {
  const HWND c = Control(root, id);
  return c && ::IsWindowEnabled(c);
}
inline LRESULT CheckState(HWND root, int id) { return ::SendMessageA(Control(root, id), BM_GETCHECK, 0, 0); }
// A click; returns once the button's owner has handled it.
inline void Click(HWND root, int id) { ::SendMessageA(Control(root, id), BM_CLICK, 0, 0); }

inline HWND TabControl(HWND properties) { return ::GetDlgItem(properties, IDC_PROPS_TAB); }
inline int SelectedTab(HWND properties) {
  return static_cast<int>(::SendMessageA(TabControl(properties), TCM_GETCURSEL, 0, 0));
}
// Switches to the tab as the keyboard would and waits for that tab's
// buttons: OK hidden on 0, shown on 1 (in every language).
inline bool SelectTab(HWND properties, int index) {
  ::SendMessageA(TabControl(properties), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
  return WaitFor(
      [&] {
        return SelectedTab(properties) == index &&
               (::IsWindowVisible(::GetDlgItem(properties, 1)) != FALSE) == (index == 1);
      },
      std::chrono::seconds(10));
}

// Enter or Esc as the user types it into the window's focused control.
inline void PressKey(HWND properties, WPARAM key) {
  DWORD pid = 0;
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(properties, &pid);
  HWND target = properties;
  if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
      (info.hwndFocus == properties || ::IsChild(properties, info.hwndFocus)))
    target = info.hwndFocus;
  ::PostMessageA(target, WM_KEYDOWN, key, 1);
  ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

inline bool WaitForWindowGone(HWND window, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  return WaitFor([&] { return !::IsWindow(window); }, limit);
}

}  // namespace traytest
