#include "tray/windows/PageRules.h"

#include "tray/res/resource.h"

namespace rm {
namespace {

// A radio counts as on for the panel only when it is present and usable.
bool WlanShownOn(const RadioFlags& f) { return f.hasWlan && WlanUsable(f) && f.wlanOn; }
bool BluetoothShownOn(const RadioFlags& f) { return f.hasBluetooth && BluetoothUsable(f) && f.bluetoothOn; }

// The reason line when neither shown radio is on, first match wins. With
// both radios present the LAN switching hold reads "BIOS Settings", since
// switching is a firmware setup option; with the wireless LAN alone it is
// named as such.
unsigned PanelReasonId(const RadioFlags& f) {
  if (f.hasWlan && f.hasBluetooth) {
    if (!f.wlanBiosEnabled || !f.bluetoothBiosEnabled) return IDS_REASON_BIOS_SETTINGS;
    if (!f.wlanButtonEnabled || !f.bluetoothButtonEnabled) return IDS_REASON_WIRELESS_BUTTON;
    if (WlanHeldByLanSwitching(f)) return IDS_REASON_BIOS_SETTINGS;
    return IDS_REASON_USER_SELECTION;
  }
  // One radio: its own reason. A word with neither radio reads as Bluetooth
  // alone, whose on-flag then counts for nothing: "User Selection".
  const OffReason reason = f.hasWlan ? WlanOffReason(f) : BluetoothOffReason(f);
  return OffReasonTextId(reason == OffReason::None ? OffReason::UserSelection : reason);
}

RowView RowRule(bool usable, bool on) {
  if (!usable) return {IDS_DISABLED, TextColor::kGrey, IDS_TURN_OFF, false};
  if (on) return {IDS_STATE_ON, TextColor::kBlue, IDS_TURN_OFF, true};
  return {IDS_STATE_OFF, TextColor::kGrey, IDS_TURN_ON, true};
}

bool BothOn(const RadioFlags& f) { return f.wlanOn && f.bluetoothOn; }

}  // namespace

int StatusLayoutId(const RadioFlags& f, std::uint32_t hideBiosSettings) {
  const bool hide = hideBiosSettings != 0;
  if (f.hasWlan && f.hasBluetooth) return hide ? IDD_STATUS_BOTH : IDD_STATUS_BOTH_BIOS;
  if (f.hasWlan) return hide ? IDD_STATUS_WLAN : IDD_STATUS_WLAN_BIOS;
  return hide ? IDD_STATUS_BT : IDD_STATUS_BT_BIOS;
}

StatusSections SectionsOfLayout(int layoutId) {
  StatusSections s;
  switch (layoutId) {
    case IDD_STATUS_BOTH_BIOS:
      s.firmwareGroup = s.firmwareWlan = s.firmwareBluetooth = true;
      [[fallthrough]];
    case IDD_STATUS_BOTH:
      s.wlanRow = s.bluetoothRow = s.bothRadios = true;
      break;
    case IDD_STATUS_WLAN_BIOS:
      s.firmwareGroup = s.firmwareWlan = true;
      [[fallthrough]];
    case IDD_STATUS_WLAN:
      s.wlanRow = true;
      break;
    case IDD_STATUS_BT_BIOS:
      s.firmwareGroup = s.firmwareBluetooth = true;
      [[fallthrough]];
    case IDD_STATUS_BT:
      s.bluetoothRow = true;
      break;
    default:
      break;
  }
  return s;
}

PanelView PanelRule(const RadioFlags& f) {
  bool on;
  if (f.hasWlan && f.hasBluetooth) {
    on = WlanShownOn(f) || BluetoothShownOn(f);
  } else if (f.hasWlan) {
    on = WlanShownOn(f);
  } else {
    on = BluetoothShownOn(f);
  }
  if (on) return {IDI_RADIO_ON, IDS_STATE_ON, TextColor::kBlue, 0};
  const unsigned reason = PanelReasonId(f);
  const unsigned state = reason == IDS_REASON_USER_SELECTION ? IDS_STATE_OFF : IDS_DISABLED;
  return {IDI_RADIO_OFF, state, TextColor::kGrey, reason};
}

RowView WlanRowRule(const RadioFlags& f) { return RowRule(WlanUsable(f), f.wlanOn != 0); }

RowView BluetoothRowRule(const RadioFlags& f) { return RowRule(BluetoothUsable(f), f.bluetoothOn != 0); }

BothRadiosView BothRadiosRule(const RadioFlags& f) {
  BothRadiosView v;
  v.rowButtonsShown = f.separateSwitching != 0;
  v.bothButtonShown = !v.rowButtonsShown;
  v.bothButtonTextId = BothOn(f) ? IDS_TURN_BOTH_OFF : IDS_TURN_BOTH_ON;
  v.bothButtonEnabled = f.wlanButtonEnabled || f.bluetoothButtonEnabled;
  return v;
}

SwitchRequest BothRadiosRequest(const RadioFlags& f) {
  return BothOn(f) ? AllRadiosOffRequest() : AllRadiosOnRequest();
}

FirmwareValueView FirmwareValue(int enabled) {
  if (enabled) return {IDS_ENABLED, TextColor::kBlue};
  return {IDS_DISABLED, TextColor::kGrey};
}

const SettingsValue* const kPageSettings[kPageSettingCount] = {
    &kSettingsValues[0],  // HideSysTray
    &kSettingsValues[1],  // HideBIOSSettings
    &kSettingsValues[2],  // DisableBalloons
    &kSettingsValues[3],  // DisableFirstBalloon
};

std::uint32_t CheckStateOfStored(std::uint32_t stored) { return stored <= 2 ? stored : 0; }

// "Checked" is the check state 1 (BST_CHECKED) for both boxes; the third
// state, 2, counts as not checked.
SettingsEnabling EnablingAtOpening(std::uint32_t hideTrayState, std::uint32_t noBalloonsState) {
  if (hideTrayState == 1) return {false, false, false};
  return {true, true, noBalloonsState != 1};
}

SettingsEnabling EnablingAfterHideTrayClick(bool hideTrayChecked) {
  const bool enabled = !hideTrayChecked;
  return {enabled, enabled, enabled};
}

bool FirstBalloonEnabledAfterBalloonsClick(bool noBalloonsChecked) { return !noBalloonsChecked; }

std::vector<SettingWrite> ChangedSettings(const Settings& current, const std::uint32_t (&pending)[kPageSettingCount]) {
  std::vector<SettingWrite> writes;
  for (int i = 0; i < kPageSettingCount; ++i) {
    const SettingsValue& v = *kPageSettings[i];
    if (current.*v.member != pending[i]) writes.push_back({v.name, v.member, pending[i]});
  }
  return writes;
}

}  // namespace rm
