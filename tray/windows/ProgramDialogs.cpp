#include "tray/windows/ProgramDialogs.h"

#include "tray/windows/Notices.h"
#include "tray/windows/PropertiesWindow.h"

namespace rm {

void ProgramDialogs::ShowGuestNotice(HINSTANCE instance) { rm::ShowGuestNotice(instance); }

void ProgramDialogs::ShowUnsupportedNotice(HINSTANCE instance) { rm::ShowUnsupportedNotice(instance); }

void ProgramDialogs::ShowNoDevicesNotice(HINSTANCE instance, Settings& settings, HWND owner) {
  NoDevicesNotice notice(instance, settings);
  notice.Show(owner);
}

std::unique_ptr<PropertiesWindowControl> ProgramDialogs::NewPropertiesWindow(HINSTANCE instance, RadioControl& radios,
                                                                             Settings& settings) {
  return std::make_unique<PropertiesWindow>(instance, radios, settings);
}

}  // namespace rm
