// SettingsPage: the page of four check boxes for the tray program's
// settings, in two groups. The tray program's properties window ("Properties"
// tab, template 205, default colours) and the Control Panel applet
// (template 202 on white) each carry one; a SettingsPageLayout says which
// template, control ids, texts and background. The page edits; the OK of
// the window that carries it runs ApplyOk, the same for both windows.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/settings/SettingsPageRules.h"
#include "common/settings/SettingsRules.h"
#include "common/ui/Dialog.h"
#include "common/win/OwningWrappers.h"

namespace rm {

struct SettingsPageLayout {
  int templateId;
  // The check boxes of HideSysTray, HideBIOSSettings, DisableBalloons and
  // DisableFirstBalloon, in that order.
  int checkBoxes[kPageSettingCount];
  // The two group boxes, then the four check boxes, with their string ids.
  struct Text {
    int controlId;
    UINT stringId;
  } texts[6];
  // The page's and its statics' background: a solid brush of this colour,
  // or the default dialog colours when false.
  bool solidBackground;
  COLORREF backgroundColor;
};

class SettingsPage : public Dialog {
 public:
  SettingsPage(HINSTANCE instance, const SettingsPageLayout& layout, const Settings& settings);

  // Creates the page as a child of `parent`; null on failure.
  HWND Create(HWND parent);
  // The check states of the four check boxes, in layout order.
  void ReadChecks(std::uint32_t (&checks)[kPageSettingCount]) const;
  // The OK of the window that carries the page: the check states are read
  // and the values that differ from `settings` are stored in the existing
  // key (never created here) and in `settings`; without the page's window
  // nothing is read or stored. Then, when `broadcastMessage` is not 0, it is
  // broadcast (BroadcastSettingsChanged), whether or not the key opened and
  // whether or not anything changed. The applet broadcasts the
  // settings-changed message; the tray program's own window passes 0, since
  // its program applies the settings itself.
  void ApplyOk(Settings& settings, UINT broadcastMessage) const;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void Enable(const SettingsEnabling& enabling);
  bool Checked(int index) const;
  HWND CheckBox(int index) const { return ::GetDlgItem(hwnd(), layout_.checkBoxes[index]); }

  HINSTANCE instance_;
  const SettingsPageLayout& layout_;
  const Settings& settings_;
  // Made with the page object and deleted with it; null keeps the default
  // colours.
  UniqueBrush background_;
  // The check states set at opening, from the stored values.
  std::uint32_t checksAtOpening_[kPageSettingCount] = {};
};

}  // namespace rm
