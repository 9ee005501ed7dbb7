// What the status page shows and does, decided from the radio flags and
// the settings: the layout for an opening, the summary panel, the radio
// rows, the both-radios button and the firmware group. Portable: no Windows
// headers; the numbers are those of the resource script
// (tray/res/resource.h). The settings page's rules are in
// common/settings/SettingsPageRules.h.
#pragma once

#include <cstdint>

#include "common/RadioFlags.h"

namespace rm {

// The template (206 to 211) of the status page for one opening: which
// radios are present and whether the firmware group is hidden.
int StatusLayoutId(const RadioFlags& f, std::uint32_t hideBiosSettings);

// The sections a layout has. A layout id outside 206 to 211 has none.
struct StatusSections {
  bool wlanRow = false;
  bool bluetoothRow = false;
  bool bothRadios = false;         // IDC_ST_BOTH_BUTTON and the row buttons' visibility
  bool firmwareGroup = false;      // IDC_ST_GROUP_BIOS
  // IDC_ST_BIOS_WLAN_LABEL/_VALUE and IDC_ST_BIOS_LANSW_LABEL/_VALUE
  bool firmwareWlan = false;
  bool firmwareBluetooth = false;  // IDC_ST_BIOS_BT_LABEL/_VALUE
};
StatusSections SectionsOfLayout(int layoutId);

enum class TextColor { kDefault, kBlue, kGrey };
// Blue text: red 0, green 0, blue 205, as a COLORREF (0x00BBGGRR).
inline constexpr std::uint32_t kBlueColorRef = 0x00CD0000;

// The summary panel: IDC_ST_PICTURE, IDC_ST_SUMMARY_STATE and
// IDC_ST_SUMMARY_REASON.
struct PanelView {
  int iconId = 0;               // the tray icon's image (TrayIconId)
  unsigned stateTextId = 0;     // "On", "Off" or "Disabled"
  TextColor stateColor = TextColor::kDefault;
  unsigned reasonTextId = 0;    // 0: the reason line is empty
};
PanelView PanelRule(const RadioFlags& f);

// One radio's row: state label and switch button.
struct RowView {
  unsigned stateTextId = 0;
  TextColor stateColor = TextColor::kDefault;
  unsigned buttonTextId = 0;
  bool buttonEnabled = false;
};
RowView WlanRowRule(const RadioFlags& f);
RowView BluetoothRowRule(const RadioFlags& f);

// Layouts with both radios: either the two row buttons or IDC_ST_BOTH_BUTTON.
struct BothRadiosView {
  bool rowButtonsShown = false;
  bool bothButtonShown = false;
  unsigned bothButtonTextId = 0;
  bool bothButtonEnabled = false;
};
BothRadiosView BothRadiosRule(const RadioFlags& f);

// The request of IDC_ST_BOTH_BUTTON: all radios off when both are on, otherwise
// all radios on, so that the button does what its label says ("Turn Both
// Off" / "Turn Both On").
SwitchRequest BothRadiosRequest(const RadioFlags& f);

// One value of the firmware group: "Enabled" in blue or "Disabled" in grey.
struct FirmwareValueView {
  unsigned textId = 0;
  TextColor color = TextColor::kDefault;
};
FirmwareValueView FirmwareValue(int enabled);

}  // namespace rm
