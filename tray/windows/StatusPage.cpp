#include "tray/windows/StatusPage.h"

#include "common/MessageNames.h"
#include "common/ui/DisplayMetrics.h"
#include "common/ui/ResourceString.h"
#include "tray/res/resource.h"

namespace rm {

HWND StatusPage::Create(HWND parent, RadioControl& radios) {
  radios_ = &radios;
  sections_ = SectionsOfLayout(layoutId_);
  return CreateModeless(instance_, layoutId_, parent);
}

void StatusPage::SetText(int id, unsigned textId) {
  ::SetDlgItemTextW(hwnd(), id, LoadResourceText(instance_, textId).c_str());
}

void StatusPage::BindLabel(ColorLabel& label, int id) { label.Attach(::GetDlgItem(hwnd(), id)); }

void StatusPage::ShowLabel(ColorLabel& label, unsigned textId, TextColor color) {
  label.Show(textId ? LoadResourceText(instance_, textId).c_str() : L"", color);
}

BOOL StatusPage::OnInitDialog() {
  if (!radios_) return TRUE;
  const RadioFlags f = radios_->Flags();
  // Every layout has the panel.
  SetText(IDC_ST_GROUP_PANEL, IDS_SYSTEM_STATUS);
  SetText(IDC_ST_GROUP_DEVICES, IDS_DEVICE_STATUS);
  picture_.Bind(::GetDlgItem(hwnd(), IDC_ST_PICTURE), instance_);
  BindLabel(summaryState_, IDC_ST_SUMMARY_STATE);
  summaryReason_ = ::GetDlgItem(hwnd(), IDC_ST_SUMMARY_REASON);
  ApplyPanel(f);
  if (sections_.wlanRow) {
    SetText(IDC_ST_WLAN_LABEL, IDS_WIRELESS_LAN);
    wlanButton_ = ::GetDlgItem(hwnd(), IDC_ST_WLAN_BUTTON);
    BindLabel(wlanState_, IDC_ST_WLAN_STATE);
    ApplyRow(WlanRowRule(f), wlanState_, wlanButton_);
  }
  if (sections_.bluetoothRow) {
    SetText(IDC_ST_BT_LABEL, IDS_BLUETOOTH);
    bluetoothButton_ = ::GetDlgItem(hwnd(), IDC_ST_BT_BUTTON);
    BindLabel(bluetoothState_, IDC_ST_BT_STATE);
    ApplyRow(BluetoothRowRule(f), bluetoothState_, bluetoothButton_);
  }
  if (sections_.bothRadios) {
    bothButton_ = ::GetDlgItem(hwnd(), IDC_ST_BOTH_BUTTON);
    ApplyBothRadios(f);
  }
  FillFirmwareGroup(f);
  Redraw();
  return TRUE;
}

// The firmware group shows the setup values as of the opening.
void StatusPage::FillFirmwareGroup(const RadioFlags& f) {
  if (sections_.firmwareGroup) SetText(IDC_ST_GROUP_BIOS, IDS_BIOS_SETTINGS_GROUP);
  if (sections_.firmwareWlan) {
    SetText(IDC_ST_BIOS_WLAN_LABEL, IDS_WIRELESS_LAN);
    BindLabel(firmwareWlan_, IDC_ST_BIOS_WLAN_VALUE);
    if (f.lanSwitchingPresent) {
      SetText(IDC_ST_BIOS_LANSW_LABEL, IDS_LAN_WLAN_SWITCHING);
      BindLabel(firmwareLanSwitching_, IDC_ST_BIOS_LANSW_VALUE);
    }
    const FirmwareValueView wlan = FirmwareValue(f.wlanBiosEnabled);
    ShowLabel(firmwareWlan_, wlan.textId, wlan.color);
    if (f.lanSwitchingPresent) {
      const FirmwareValueView lan = FirmwareValue(f.lanSwitchingEnabled);
      ShowLabel(firmwareLanSwitching_, lan.textId, lan.color);
    }
  }
  if (sections_.firmwareBluetooth) {
    SetText(IDC_ST_BIOS_BT_LABEL, IDS_BLUETOOTH);
    BindLabel(firmwareBluetooth_, IDC_ST_BIOS_BT_VALUE);
    const FirmwareValueView bt = FirmwareValue(f.bluetoothBiosEnabled);
    ShowLabel(firmwareBluetooth_, bt.textId, bt.color);
  }
}

void StatusPage::Refresh() {
  if (!radios_) return;
  const RadioFlags f = radios_->Flags();
  ApplyPanel(f);
  if (sections_.wlanRow) ApplyRow(WlanRowRule(f), wlanState_, wlanButton_);
  if (sections_.bluetoothRow) ApplyRow(BluetoothRowRule(f), bluetoothState_, bluetoothButton_);
  if (sections_.bothRadios) ApplyBothRadios(f);
  Redraw();
}

void StatusPage::ApplyPanel(const RadioFlags& f) {
  const PanelView panel = PanelRule(f);
  picture_.Show(panel.iconId);
  ShowLabel(summaryState_, panel.stateTextId, panel.stateColor);
  if (summaryReason_) {
    ::SetWindowTextW(summaryReason_, panel.reasonTextId ? LoadResourceText(instance_, panel.reasonTextId).c_str() : L"");
  }
}

void StatusPage::ApplyRow(const RowView& row, ColorLabel& state, HWND button) {
  ShowLabel(state, row.stateTextId, row.stateColor);
  if (!button) return;
  ::SetWindowTextW(button, LoadResourceText(instance_, row.buttonTextId).c_str());
  ::EnableWindow(button, row.buttonEnabled ? TRUE : FALSE);
}

void StatusPage::ApplyBothRadios(const RadioFlags& f) {
  const BothRadiosView view = BothRadiosRule(f);
  const int rowShow = view.rowButtonsShown ? SW_SHOW : SW_HIDE;
  if (wlanButton_) ::ShowWindow(wlanButton_, rowShow);
  if (bluetoothButton_) ::ShowWindow(bluetoothButton_, rowShow);
  if (!bothButton_) return;
  ::ShowWindow(bothButton_, view.bothButtonShown ? SW_SHOW : SW_HIDE);
  ::SetWindowTextW(bothButton_, LoadResourceText(instance_, view.bothButtonTextId).c_str());
  ::EnableWindow(bothButton_, view.bothButtonEnabled ? TRUE : FALSE);
}

void StatusPage::Redraw() {
  // All children too: the labels paint on a transparent background, so
  // their old text must be erased with the page.
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool StatusPage::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  if (!radios_) return false;
  const RadioFlags f = radios_->Flags();
  switch (id) {
    case IDC_ST_WLAN_BUTTON: radios_->SwitchRadios(ToggleWlanRequest(f)); return true;
    case IDC_ST_BT_BUTTON: radios_->SwitchRadios(ToggleBluetoothRequest(f)); return true;
    case IDC_ST_BOTH_BUTTON: radios_->SwitchRadios(BothRadiosRequest(f)); return true;
    default: return false;
  }
}

bool StatusPage::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR* result) {
  if (msg == kWmRadioStateChanged) {
    Refresh();
    *result = SetMessageResult(hwnd(), 1);
    return true;
  }
  // The window moved to a monitor of another DPI: the dialog manager has
  // scaled the layout and the fonts, the picture follows here.
  if (msg == kWmDpiChangedAfterParent) {
    picture_.Reload();
    return false;
  }
  // Colour requests are left alone: the page and its plain statics keep the
  // dialog's colours, the ColorLabels answer through reflection.
  return false;
}

}  // namespace rm
