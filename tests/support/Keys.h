// Keys as a user types them into another process's window, and the control
// that has the keyboard focus there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/WaitFor.h"

namespace rmtest {

// The focused window of the thread that owns `window`; null when that
// thread has none.
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  return thread && ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// The focused control's id, or -1 when the focus is elsewhere than below
// `root`.
inline int FocusedId(HWND root) {
  const HWND focus = FocusOf(root);
  return focus && ::IsChild(root, focus) ? ::GetDlgCtrlID(focus) : -1;
}

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  if (window) ::GetClassNameA(window, name, sizeof name);
  return name;
}

enum KeyModifier : unsigned { kNoModifier = 0, kCtrl = 1, kShift = 2 };

// A key with modifiers through the input queue (SendInput), into the
// foreground window, which `window` is made first: GetKeyState there sees
// the modifiers, which a posted WM_KEYDOWN would not carry.
inline bool Chord(HWND window, WORD key, unsigned modifiers = kNoModifier) {
  ::SetForegroundWindow(window);
  if (!WaitFor([&] { return ::GetForegroundWindow() == window; }, seconds(5))) return false;
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_NEXT || vk == VK_PRIOR) in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    inputs.push_back(in);
  };
  if (modifiers & kCtrl) add(VK_CONTROL, false);
  if (modifiers & kShift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (modifiers & kShift) add(VK_SHIFT, true);
  if (modifiers & kCtrl) add(VK_CONTROL, true);
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

}  // namespace rmtest
