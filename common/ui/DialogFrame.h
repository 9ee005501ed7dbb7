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

// The large (SM_CXICON) and small (SM_CXSMICON) icon of a window, loaded
// from one icon resource at those sizes and owned here, since the window
// does not destroy them.
class WindowIcons {
 public:
  void Set(HWND window, HINSTANCE instance, int iconId);

 private:
  UniqueIcon large_;
  UniqueIcon small_;
};

}  // namespace rm
