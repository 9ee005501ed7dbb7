// AccessibleControls: the accessible role and name of the dialogs'
// controls. Each control below a window answers WM_GETOBJECT for its client
// area with the system's own object for it, except that a generic role
// (client) becomes the role of the control's kind (AccessibleRules) and a
// picture without a name of its own is named by the label before it. Where
// the system knows the class, nothing changes. UI thread; the objects may be
// called on other threads through COM, and only send messages to the
// control.
#pragma once

#include <windows.h>

namespace rm {

// Binds every control below `root` (call once its pages are in place);
// each control lets go at its WM_NCDESTROY.
void GiveAccessibleRoles(HWND root);

}  // namespace rm
