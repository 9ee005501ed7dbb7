// ProgramDialogs: the tray program's notices and properties window, as the
// start-up and the tray window ask for them (tray/core/ProgramWindows.h).
// The program's entry makes one and hands it to RunTrayProgram.
#pragma once

#include "tray/core/ProgramWindows.h"

namespace rm {

class ProgramDialogs final : public ProgramWindows {
 public:
  void ShowGuestNotice(HINSTANCE instance) override;
  void ShowUnsupportedNotice(HINSTANCE instance) override;
  void ShowNoDevicesNotice(HINSTANCE instance, Settings& settings, HWND owner) override;
  std::unique_ptr<PropertiesWindowControl> NewPropertiesWindow(HINSTANCE instance, RadioControl& radios,
                                                               Settings& settings) override;
};

}  // namespace rm
