// The start-up notices: two message boxes for a refused start and the
// NoDevicesNotice dialog for a machine without supported radios. Main
// thread, before the tray window exists.
#pragma once

#include <windows.h>

#include <string>

#include "common/settings/SettingsRules.h"
#include "common/ui/Dialog.h"
#include "common/ui/ResourceString.h"

namespace rm {

// Error message boxes without owner, captioned with the product name.
void ShowGuestNotice(HINSTANCE instance);
void ShowUnsupportedNotice(HINSTANCE instance);

// The no-device notice (template 107). Its check box silences it for good:
// OK, the caption's close box and Alt+F4 store it in DoNotShowNoDevDlg when
// it differs from `settings`. Esc does nothing: there is no Cancel.
class NoDevicesNotice : public Dialog {
 public:
  NoDevicesNotice(HINSTANCE instance, Settings& settings);
  // Modal, owned by `owner`; always 0.
  INT_PTR Show(HWND owner);
  std::uint32_t DoNotShowAgain() const { return doNotShowAgain_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void StoreAndClose();

  HINSTANCE instance_;
  Settings& settings_;
  // The dialog and its statics keep the default colours.
  HBRUSH background_ = nullptr;
  std::uint32_t doNotShowAgain_ = 0;
};

}  // namespace rm
