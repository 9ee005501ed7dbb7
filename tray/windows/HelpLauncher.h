// The Help button's launcher: opens the product's compiled HTML help on its
// overview topic in the system's HTML Help viewer. Main thread only.
#pragma once

#include <windows.h>

namespace rm {

// The overview topic of the product's help. The file name has no folder: the
// HTML Help viewer finds the file by its own search rules.
inline constexpr char kHelpTopic[] = "zarn_Radio_Minder_Help.chm::/WhatIs.htm";

// Help (button 9): when *viewer is still a window, nothing; otherwise
// opens the help viewer on the overview topic with `caller` as its caller and
// stores the viewer's handle (null when none) in *viewer.
//
// The HTML Help control is bound once per process: its registered location,
// else "hhctrl.ocx" by name. After a failed binding Help does nothing until
// the process ends; the control is never unloaded.
void ShowHelp(HWND caller, HWND* viewer) noexcept;

}  // namespace rm
