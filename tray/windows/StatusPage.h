// StatusPage: the "Wireless Status" tab, one of six layouts (206 to 211).
// A summary panel, a row per radio with its state and switch button, the
// both-radios button and the firmware setup group; every layout runs this
// code and binds only the sections it has. It follows the radios on
// WM_RADIOSTATECHANGED and switches them through its RadioControl; it never
// changes its display after a click, the re-read that the switch causes
// does.
#pragma once

#include <windows.h>

#include "common/RadioFlags.h"
#include "common/ui/Dialog.h"
#include "tray/windows/StatusControls.h"
#include "tray/windows/StatusPageRules.h"

namespace rm {

class StatusPage : public Dialog {
 public:
  StatusPage(HINSTANCE instance, int layoutId) : instance_(instance), layoutId_(layoutId) {}

  // Creates the page from its layout as a child of `parent`; null on
  // failure.
  HWND Create(HWND parent, RadioControl& radios);
  int LayoutId() const { return layoutId_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void SetText(int id, unsigned textId);
  void BindLabel(ColorLabel& label, int id);
  void ShowLabel(ColorLabel& label, unsigned textId, TextColor color);
  void FillFirmwareGroup(const RadioFlags& f);
  void Refresh();
  void ApplyPanel(const RadioFlags& f);
  void ApplyRow(const RowView& row, ColorLabel& state, HWND button);
  void ApplyBothRadios(const RadioFlags& f);
  void Redraw();

  HINSTANCE instance_;
  int layoutId_;
  StatusSections sections_;
  RadioControl* radios_ = nullptr;
  HWND wlanButton_ = nullptr;
  ColorLabel wlanState_;
  HWND bluetoothButton_ = nullptr;
  ColorLabel bluetoothState_;
  HWND bothButton_ = nullptr;
  ColorLabel firmwareWlan_;
  ColorLabel firmwareBluetooth_;
  ColorLabel firmwareLanSwitching_;
  StatusIcon picture_;
  ColorLabel summaryState_;
  HWND summaryReason_ = nullptr;
};

}  // namespace rm
