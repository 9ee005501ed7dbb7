// Top-level windows of other processes and their controls' texts, as the
// Windows and system tests find them.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>

#include "tests/support/WaitFor.h"

namespace rmtest {

// The first visible or hidden top-level window of process `pid` with the
// class and (when given) the title.
inline HWND FindProcessWindow(DWORD pid, const char* className, const char* title = nullptr) {
  struct Search {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
  } search{pid, className, title, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid) return TRUE;
        char cls[64] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (std::strcmp(cls, s->className) != 0) return TRUE;
        if (s->title) {
          char text[256] = {};
          ::GetWindowTextA(hwnd, text, sizeof text);
          if (std::strcmp(text, s->title) != 0) return TRUE;
        }
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND WaitForProcessWindow(DWORD pid, const char* className, const char* title = nullptr, bool visible = true,
                                 std::chrono::milliseconds limit = std::chrono::seconds(15)) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        found = FindProcessWindow(pid, className, title);
        return found && (!visible || ::IsWindowVisible(found));
      },
      limit);
  return found && (!visible || ::IsWindowVisible(found)) ? found : nullptr;
}

inline std::string DlgItemText(HWND dialog, int id) {
  char text[1024] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// The message box text: the static control of a message box has id 0xFFFF.
inline std::string MessageBoxText(HWND box) { return DlgItemText(box, 0xFFFF); }

inline std::string WindowText(HWND hwnd) {
  char text[256] = {};
  ::GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

}  // namespace rmtest
