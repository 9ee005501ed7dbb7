// The Help button's launcher: opens the product's compiled HTML help on its
// overview topic in the system's HTML Help viewer, one viewer per caller
// window, and closes it with that window.
#pragma once

#include <windows.h>

#include <memory>

#include "common/win/OwningWrappers.h"

namespace rm {

// The overview topic of the product's help. The file name has no folder: the
// HTML Help viewer finds the file by its own search rules.
inline constexpr char kHelpTopic[] = "zarn_Radio_Minder_Help.chm::/WhatIs.htm";

// How long closing waits for a viewer and its thread to go.
inline constexpr DWORD kHelpCloseWaitMs = 5000;

struct HelpRequest;

// The help viewer of one caller window. The viewer hosts a browser control,
// which needs a single-threaded apartment, so it runs on a thread of its own
// that opens it, runs its messages and ends when it is gone; the caller's
// thread never waits for the opening. All members are for the caller's
// thread.
//
// The HTML Help control is bound once per process: its registered location,
// else "hhctrl.ocx" by name. After a failed binding Help does nothing until
// the process ends; the control is never unloaded.
class HelpViewer {
 public:
  HelpViewer() = default;
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;
  ~HelpViewer();

  // Help (IDC_PROPS_HELP): nothing while the viewer is open or being opened;
  // otherwise starts the thread that opens the viewer on the overview topic
  // with `caller` as its caller (and owner). Returns at once.
  void Show(HWND caller) noexcept;
  // The open viewer; null while none is open, also while it is being opened.
  HWND Window() const noexcept;
  // True from Show until the viewer thread has its answer (a viewer or none).
  bool Opening() const noexcept;
  // Sends WM_CLOSE to an open viewer and waits for its thread to end, at most
  // kHelpCloseWaitMs in all, handling the messages sent to this thread
  // meanwhile. An opening in flight is given up: its thread closes the viewer
  // it gets. Afterwards Window() is null and Show opens a new viewer.
  void Close() noexcept;

 private:
  std::shared_ptr<HelpRequest> request_;  // the latest opening; shared with its thread
  UniqueHandle thread_;
};

}  // namespace rm
