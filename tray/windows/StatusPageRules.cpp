#include "tray/windows/StatusPageRules.h"

#include "tray/core/ReasonTexts.h"
#include "tray/core/TrayRules.h"
#include "tray/res/resource.h"

namespace rm {
namespace {

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

RowView RowRule(DisplayState state) {
  switch (state) {
    case DisplayState::Disabled: return {IDS_DISABLED, TextColor::kGrey, IDS_TURN_OFF, false};
    case DisplayState::On: return {IDS_STATE_ON, TextColor::kBlue, IDS_TURN_OFF, true};
    case DisplayState::Off: break;
  }
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

// The picture is the tray icon's image: both show whether a present radio
// is shown on.
PanelView PanelRule(const RadioFlags& f) {
  if (AnyRadioShownOn(f)) return {TrayIconId(f), IDS_STATE_ON, TextColor::kBlue, 0};
  const unsigned reason = PanelReasonId(f);
  const unsigned state = reason == IDS_REASON_USER_SELECTION ? IDS_STATE_OFF : IDS_DISABLED;
  return {TrayIconId(f), state, TextColor::kGrey, reason};
}

RowView WlanRowRule(const RadioFlags& f) { return RowRule(WlanDisplayState(f)); }

RowView BluetoothRowRule(const RadioFlags& f) { return RowRule(BluetoothDisplayState(f)); }

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

}  // namespace rm
