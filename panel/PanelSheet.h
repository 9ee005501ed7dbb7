// PanelSheet: the applet's modal window (template 201), one tab,
// "Properties", holding the PanelSettingsPage (template 202, on white), and
// OK and Cancel. OK stores the values the page changed and broadcasts
// "ZARN_RADIOMINDER_PROPSCHG", so that a running tray program re-reads them;
// Cancel, Esc and the close box store and broadcast nothing. It lives on the
// stack of the call that opens the item.
#pragma once

#include <windows.h>

#include "common/settings/SettingsRules.h"
#include "common/ui/Dialog.h"
#include "common/ui/DialogFrame.h"
#include "common/ui/PageTabHost.h"
#include "common/ui/SettingsPage.h"

namespace rm {

// Dialog results.
inline constexpr INT_PTR kSheetOk = IDOK;
inline constexpr INT_PTR kSheetCancel = IDCANCEL;

class PanelSettingsPage : public SettingsPage {
 public:
  PanelSettingsPage(HINSTANCE instance, const Settings& settings);
};

class PanelSheet : public Dialog {
 public:
  PanelSheet(HINSTANCE instance, Settings& settings);

  // Runs the modal loop; the dialog result (-1 when it could not be made).
  INT_PTR Run(HWND owner);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  HINSTANCE instance_;
  Settings& settings_;
  PageTabHost tabs_;
  HWND okButton_ = nullptr;
  HWND cancelButton_ = nullptr;
  PanelSettingsPage page_;
  UINT propsChangedMessage_ = 0;
  WindowIcons icons_;
};

}  // namespace rm
