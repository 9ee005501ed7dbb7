// The windows of the tray program that the start-up and the tray window open
// but do not know: the refusal notices and the properties window
// (tray/windows/). The program's entry (tray/WinMain.cpp) hands them in, so
// the core stands below the windows. Main thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "common/RadioFlags.h"
#include "common/settings/SettingsRules.h"

namespace rm {

// What the tray window needs of its properties window.
class PropertiesWindowControl {
 public:
  virtual ~PropertiesWindowControl() = default;
  // Runs the modal loop; the dialog result (-1 when it could not be made).
  virtual INT_PTR Run(HWND owner) = 0;
  // Ends the window with result 0; nothing is stored.
  virtual void CloseFromOutside() = 0;
  // The window; null before it is made and after it is gone.
  virtual HWND Window() const = 0;
  // The status page in use; null before initialisation.
  virtual HWND StatusPageWindow() const = 0;
};

class ProgramWindows {
 public:
  // The refusals at start-up: two message boxes and the no-device notice,
  // whose check box is stored in `settings`.
  virtual void ShowGuestNotice(HINSTANCE instance) = 0;
  virtual void ShowUnsupportedNotice(HINSTANCE instance) = 0;
  virtual void ShowNoDevicesNotice(HINSTANCE instance, Settings& settings, HWND owner) = 0;
  // A new properties window over `radios` and `settings`; null when it
  // cannot be made.
  virtual std::unique_ptr<PropertiesWindowControl> NewPropertiesWindow(HINSTANCE instance, RadioControl& radios,
                                                                       Settings& settings) = 0;

 protected:
  ~ProgramWindows() = default;
};

}  // namespace rm
