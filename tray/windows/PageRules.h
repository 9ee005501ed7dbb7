// What the properties window's pages show and do, decided from the radio
// flags and the settings: the status layout for an opening, the summary
// panel, the radio rows, the both-radios button, the firmware group, and the
// settings page's enabling and which values its OK stores. Portable: no
// Windows headers; the numbers are those of the resource script
// (tray/res/resource.h).
#pragma once

#include <cstdint>
#include <vector>

#include "tray/core/RadioFlags.h"
#include "tray/core/SettingsRules.h"

namespace rm {

// ---- Status page -------------------------------------------------------

// The template (206 to 211) of the status page for one opening: which
// radios are present and whether the firmware group is hidden.
int StatusLayoutId(const RadioFlags& f, std::uint32_t hideBiosSettings);

// The sections a layout has. A layout id outside 206 to 211 has none.
struct StatusSections {
  bool wlanRow = false;
  bool bluetoothRow = false;
  bool bothRadios = false;         // button 1023 and the row buttons' visibility
  bool firmwareGroup = false;      // group 1009
  bool firmwareWlan = false;       // 1016/1019 and 1018/1021
  bool firmwareBluetooth = false;  // 1017/1020
};
StatusSections SectionsOfLayout(int layoutId);

enum class TextColor { kDefault, kBlue, kGrey };
// Blue text: red 0, green 0, blue 205, as a COLORREF (0x00BBGGRR).
inline constexpr std::uint32_t kBlueColorRef = 0x00CD0000;

// The summary panel: picture 1022, state 1024 and reason 1025.
struct PanelView {
  int iconId = 0;               // 203 (a shown radio on) or 202
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

// Layouts with both radios: either the two row buttons or button 1023.
struct BothRadiosView {
  bool rowButtonsShown = false;
  bool bothButtonShown = false;
  unsigned bothButtonTextId = 0;
  bool bothButtonEnabled = false;
};
BothRadiosView BothRadiosRule(const RadioFlags& f);

// The request of button 1023: all radios off when both are on, otherwise
// all radios on, so that the button does what its label says ("Turn Both
// Off" / "Turn Both On").
SwitchRequest BothRadiosRequest(const RadioFlags& f);

// One value of the firmware group: "Enabled" in blue or "Disabled" in grey.
struct FirmwareValueView {
  unsigned textId = 0;
  TextColor color = TextColor::kDefault;
};
FirmwareValueView FirmwareValue(int enabled);

// ---- Settings page -----------------------------------------------------

// The four settings the page edits, in the order of its check boxes
// (1002, 1003, 1004, 1005).
inline constexpr int kPageSettingCount = 4;
extern const SettingsValue* const kPageSettings[kPageSettingCount];

// A stored value as a check state: outside 0 to 2 it shows unchecked (0).
std::uint32_t CheckStateOfStored(std::uint32_t stored);

// Which of 1003, 1004 and 1005 are enabled.
struct SettingsEnabling {
  bool hideBios = false;
  bool disableBalloons = false;
  bool disableFirstBalloon = false;
};
// At opening: all three disabled when 1002 is checked (state exactly 1);
// otherwise enabled, except 1005 while 1004 is checked.
SettingsEnabling EnablingAtOpening(std::uint32_t hideTrayState, std::uint32_t noBalloonsState);
// A click on 1002 enables all three when it is now unchecked and disables
// them when checked; 1004's state is not consulted.
SettingsEnabling EnablingAfterHideTrayClick(bool hideTrayChecked);
// A click on 1004: whether 1005 is enabled (not when 1004 is checked).
bool FirstBalloonEnabledAfterBalloonsClick(bool noBalloonsChecked);

// The values that differ between the check states read at OK (in check box
// order) and the in-memory settings, in check box order.
std::vector<SettingWrite> ChangedSettings(const Settings& current, const std::uint32_t (&pending)[kPageSettingCount]);

}  // namespace rm
