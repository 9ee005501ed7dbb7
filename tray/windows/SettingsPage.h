// SettingsPage: the "Properties" tab, four check boxes for the tray
// program's settings. It only edits; the properties window's OK reads the
// check boxes and stores what changed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "tray/core/SettingsRules.h"
#include "tray/windows/Dialog.h"
#include "tray/windows/PageRules.h"

namespace rm {

class SettingsPage : public Dialog {
 public:
  SettingsPage(HINSTANCE instance, const Settings& settings) : instance_(instance), settings_(settings) {}

  // Creates the page (template 205) as a child of `parent`; null on failure.
  HWND Create(HWND parent);
  // The check states of 1002, 1003, 1004 and 1005, in that order.
  void ReadChecks(std::uint32_t (&checks)[kPageSettingCount]) const;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void Enable(const SettingsEnabling& enabling);
  bool Checked(int id) const;

  HINSTANCE instance_;
  const Settings& settings_;
  // The page and its statics keep the default colours.
  HBRUSH background_ = nullptr;
  std::uint32_t copies_[kPageSettingCount] = {};
};

}  // namespace rm
