// The frame of a top-level dialog: where it opens and the icons of its
// caption and task switcher. Shared by the tray program's properties window
// and the applet's sheet.
#pragma once

#include <windows.h>

#include "common/win/OwningWrappers.h"

namespace rm {

// Centres `window` over its owner when the owner is visible and not
// minimised, otherwise over the work area, and moves it back inside the
// work area where it would stick out. The work area is that of the owner's
// monitor (of the window's own without an owner), so a window opens on the
// monitor of the window it belongs to.
void CentreOverOwner(HWND window);

// The large (SM_CXICON) and small (SM_CXSMICON) icon of a window at the
// window's DPI, loaded from one icon resource at those sizes and owned
// here, since the window does not destroy them.
class WindowIcons {
 public:
  void Set(HWND window, HINSTANCE instance, int iconId);
  // The same icons again at the window's DPI now.
  void Reload();

 private:
  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int iconId_ = 0;
  UniqueIcon large_;
  UniqueIcon small_;
};

// What a top-level dialog does itself when the display changes, from its
// message handler (the message then goes on to default handling): on
// WM_DPICHANGED its icons follow (the dialog manager scales the layout and
// the fonts of a per-monitor v2 dialog); on a change of colours or of high
// contrast the window and its pages repaint, taking the colours anew.
void FollowDisplayChange(HWND window, UINT msg, WPARAM wParam, WindowIcons& icons);

}  // namespace rm
