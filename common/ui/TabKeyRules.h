// Which tab a key switches to in a window of tabs (the tray program's
// properties window, the applet's sheet), as a property sheet does it:
// Ctrl+Tab and Ctrl+Page Down the next tab, Ctrl+Shift+Tab and Ctrl+Page Up
// the previous one, round the ends. Portable: no Windows headers; the
// caller maps the virtual key and the modifier state.
#pragma once

namespace rm {

enum class TabKey { kTab, kPageDown, kPageUp, kOther };

struct TabKeyModifiers {
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
};

// The tab to select: the current one again for a window of one tab (the
// key is the sheet's and switches nothing); -1 when the key is not the
// sheet's and goes on to the dialog manager (no Ctrl, Alt held, another
// key, Shift with Page Up or Down) or no tab is selected (a current tab
// outside 0 .. count - 1).
int TabAfterKey(TabKey key, TabKeyModifiers modifiers, int current, int count);

}  // namespace rm
