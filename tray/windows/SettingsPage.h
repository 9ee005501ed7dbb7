// SettingsPage: the page of four check boxes for the tray program's
// settings, in two groups. The tray program's properties window ("Properties"
// tab, template 205, default colours) and the Control Panel applet
// (template 202 on white) each carry one; a SettingsPageLayout says which
// template, control ids, texts and background. The page only edits: its
// window's OK reads the check boxes and stores what changed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/win/Resource.h"
#include "tray/core/SettingsRules.h"
#include "tray/windows/Dialog.h"
#include "tray/windows/PageRules.h"

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
  std::uint32_t copies_[kPageSettingCount] = {};
};

}  // namespace rm
