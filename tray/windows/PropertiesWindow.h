// PropertiesWindow: the tray program's one full window, a modal dialog
// (template 204) with two tabs, "Wireless Status" (a StatusPage in the
// layout chosen at opening) and "Properties" (the SettingsPage), and the
// buttons OK, Close/Cancel and Help. The tray window opens at most one,
// forwards radio changes to its status page and may close it from outside
// (result 0, nothing stored).
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/RadioFlags.h"
#include "common/settings/SettingsRules.h"
#include "common/ui/Dialog.h"
#include "common/ui/DialogFrame.h"
#include "common/ui/PageTabHost.h"
#include "common/ui/SettingsPage.h"
#include "tray/core/ProgramWindows.h"
#include "tray/windows/HelpLauncher.h"
#include "tray/windows/StatusPage.h"

namespace rm {

// Dialog results.
inline constexpr INT_PTR kPropsClosedFromOutside = 0;
inline constexpr INT_PTR kPropsOk = IDOK;
inline constexpr INT_PTR kPropsClosed = IDCANCEL;

class PropertiesWindow : public Dialog, public PropertiesWindowControl {
 public:
  PropertiesWindow(HINSTANCE instance, RadioControl& radios, Settings& settings);

  // Runs the modal loop; the dialog result (-1 when it could not be made).
  INT_PTR Run(HWND owner) override;
  // Ends the window with result 0; nothing is stored.
  void CloseFromOutside() override;
  HWND Window() const override { return hwnd(); }
  // The status page in use; null before initialisation.
  HWND StatusPageWindow() const override { return statusPageWindow_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnTabSelected(int index);
  void Apply();
  StatusPage* PageForLayout(int layoutId);

  HINSTANCE instance_;
  RadioControl& radios_;
  Settings& settings_;
  PageTabHost tabs_;
  HWND okButton_ = nullptr;
  // IDCANCEL: "Close" on the status tab, "Cancel" on the settings tab.
  HWND closeCancelButton_ = nullptr;
  HWND helpButton_ = nullptr;
  HWND statusPageWindow_ = nullptr;
  // The viewer opened by Help, owned by this window (its caller) and closed
  // with it.
  HelpViewer helpViewer_;
  StatusPage statusPages_[6];
  SettingsPage settingsPage_;
  WindowIcons icons_;
};

}  // namespace rm
