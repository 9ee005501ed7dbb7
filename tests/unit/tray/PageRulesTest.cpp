#include "tray/windows/StatusPageRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/settings/SettingsPageRules.h"

namespace rm {
namespace {

RadioFlags Flags(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) { return RadioFlags::Decode({b0, b1, b2, 0}); }

// The English texts of the pages' strings, by number; "" for none.
std::string Text(unsigned id) {
  static const std::map<unsigned, std::string> texts = {
      {0, ""},
      {150, "Enabled"},
      {151, "Disabled"},
      {152, "On"},
      {153, "Off"},
      {154, "Turn On"},
      {155, "Turn Off"},
      {156, "Turn Both On"},
      {157, "Turn Both Off"},
      {158, "BIOS Settings"},
      {159, "Wireless Button"},
      {160, "LAN Switching"},
      {161, "User Selection"},
  };
  const auto it = texts.find(id);
  return it == texts.end() ? "?" + std::to_string(id) : it->second;
}

constexpr TextColor kBlue = TextColor::kBlue;
constexpr TextColor kGrey = TextColor::kGrey;

std::string Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  char s[16];
  std::snprintf(s, sizeof s, "%02X %02X %02X", b0, b1, b2);
  return s;
}

// Byte 0: 0x01 WLAN, 0x02 Bluetooth, 0x08/0x10 LAN switching present/
// enabled, 0x20 separate switching. Bytes 1 and 2: 0x01 on, 0x04 allowed
// by the firmware setup, 0x08 allowed by the button, 0x10 (byte 1) switched
// off by LAN switching.
TEST(StatusLayout, ChosenByRadiosAndHideBiosSettings) {
  struct Case {
    std::uint8_t b0;
    std::uint32_t hide;
    int layout;
  } const cases[] = {
      {0x03, 0, 206}, {0x03, 1, 207}, {0x03, 2, 207}, {0x01, 0, 208}, {0x01, 1, 209}, {0x01, 2, 209},
      {0x02, 0, 210}, {0x02, 1, 211}, {0x02, 2, 211}, {0x00, 0, 210}, {0x00, 1, 211},
      {0x3B, 0, 206}, {0x39, 0xFFFFFFFF, 209},  // other bits of byte 0 take no part
  };
  for (const Case& c : cases) EXPECT_EQ(StatusLayoutId(Flags(c.b0, 0x0D, 0x0D), c.hide), c.layout) << Word(c.b0, 0, 0) << " " << c.hide;

  struct Sections {
    int layout;
    bool wlanRow, bluetoothRow, bothRadios, group, groupWlan, groupBluetooth;
  } const sections[] = {
      {205, false, false, false, false, false, false}, {206, true, true, true, true, true, true},
      {207, true, true, true, false, false, false},    {208, true, false, false, true, true, false},
      {209, true, false, false, false, false, false},  {210, false, true, false, true, false, true},
      {211, false, true, false, false, false, false},  {212, false, false, false, false, false, false},
  };
  for (const Sections& e : sections) {
    const StatusSections s = SectionsOfLayout(e.layout);
    EXPECT_EQ(s.wlanRow, e.wlanRow) << e.layout;
    EXPECT_EQ(s.bluetoothRow, e.bluetoothRow) << e.layout;
    EXPECT_EQ(s.bothRadios, e.bothRadios) << e.layout;
    EXPECT_EQ(s.firmwareGroup, e.group) << e.layout;
    EXPECT_EQ(s.firmwareWlan, e.groupWlan) << e.layout;
    EXPECT_EQ(s.firmwareBluetooth, e.groupBluetooth) << e.layout;
  }
}

TEST(StatusPanel, PictureStateAndReasonFirstMatchWins) {
  struct Case {
    std::uint8_t b0, b1, b2;
    int icon;
    const char* state;
    const char* reason;
  } const cases[] = {
      // Both radios: on when either is shown on.
      {0x03, 0x0D, 0x0D, 203, "On", ""},
      {0x03, 0x0D, 0x0C, 203, "On", ""},
      {0x03, 0x0C, 0x0D, 203, "On", ""},
      {0x03, 0x0D, 0x08, 203, "On", ""},
      {0x03, 0x0C, 0x0C, 202, "Off", "User Selection"},
      {0x03, 0x05, 0x0C, 202, "Disabled", "Wireless Button"},  // on-bit of an unusable radio
      {0x03, 0x08, 0x0C, 202, "Disabled", "BIOS Settings"},
      {0x03, 0x0C, 0x08, 202, "Disabled", "BIOS Settings"},
      {0x03, 0x08, 0x04, 202, "Disabled", "BIOS Settings"},  // setup before button
      {0x03, 0x04, 0x0C, 202, "Disabled", "Wireless Button"},
      {0x03, 0x0C, 0x04, 202, "Disabled", "Wireless Button"},
      {0x1B, 0x1C, 0x0C, 202, "Disabled", "BIOS Settings"},  // LAN switching hold
      {0x1B, 0x1D, 0x0C, 202, "Disabled", "BIOS Settings"},
      {0x1B, 0x14, 0x0C, 202, "Disabled", "Wireless Button"},
      {0x13, 0x1C, 0x0C, 202, "Off", "User Selection"},  // any one of the three clear: no hold
      {0x0B, 0x1C, 0x0C, 202, "Off", "User Selection"},
      {0x1B, 0x0C, 0x0C, 202, "Off", "User Selection"},
      // Wireless LAN alone: Bluetooth's bits count for nothing.
      {0x01, 0x0D, 0x00, 203, "On", ""},
      {0x01, 0x0C, 0x0D, 202, "Off", "User Selection"},
      {0x01, 0x09, 0x0D, 202, "Disabled", "BIOS Settings"},
      {0x01, 0x05, 0x0D, 202, "Disabled", "Wireless Button"},
      {0x19, 0x1C, 0x0D, 202, "Disabled", "LAN Switching"},
      {0x19, 0x1D, 0x0D, 202, "Disabled", "LAN Switching"},
      {0x19, 0x15, 0x0D, 202, "Disabled", "Wireless Button"},
      // Bluetooth alone: the wireless LAN's bits count for nothing.
      {0x02, 0x00, 0x0D, 203, "On", ""},
      {0x02, 0x0D, 0x0C, 202, "Off", "User Selection"},
      {0x02, 0x0D, 0x09, 202, "Disabled", "BIOS Settings"},
      {0x02, 0x0D, 0x05, 202, "Disabled", "Wireless Button"},
      // Neither radio: read as Bluetooth alone, which is then not on.
      {0x00, 0x0D, 0x0D, 202, "Off", "User Selection"},
      {0x00, 0x0D, 0x0C, 202, "Off", "User Selection"},
      {0x00, 0x0D, 0x09, 202, "Disabled", "BIOS Settings"},
      {0x00, 0x0D, 0x05, 202, "Disabled", "Wireless Button"},
  };
  for (const Case& c : cases) {
    const PanelView v = PanelRule(Flags(c.b0, c.b1, c.b2));
    const std::string at = Word(c.b0, c.b1, c.b2);
    EXPECT_EQ(v.iconId, c.icon) << at;
    EXPECT_EQ(Text(v.stateTextId), c.state) << at;
    EXPECT_EQ(v.stateColor, c.icon == 203 ? kBlue : kGrey) << at;
    EXPECT_EQ(Text(v.reasonTextId), c.reason) << at;
  }
}

TEST(StatusRows, StateColourButtonTextAndEnabling) {
  struct Case {
    std::uint8_t b0, b1, b2;
    const char* state;
    TextColor color;
    const char* button;
    bool enabled;
  };
  // Wireless LAN (byte 1).
  const Case wlan[] = {
      {0x01, 0x0D, 0x00, "On", kBlue, "Turn Off", true},
      {0x01, 0x0C, 0x00, "Off", kGrey, "Turn On", true},
      {0x01, 0x09, 0x00, "Disabled", kGrey, "Turn Off", false},
      {0x01, 0x05, 0x00, "Disabled", kGrey, "Turn Off", false},  // turned off by the wireless button
      {0x01, 0x04, 0x00, "Disabled", kGrey, "Turn Off", false},
      {0x19, 0x1D, 0x00, "Disabled", kGrey, "Turn Off", false},  // held by LAN switching
      {0x19, 0x1C, 0x00, "Disabled", kGrey, "Turn Off", false},
      {0x11, 0x1D, 0x00, "On", kBlue, "Turn Off", true},
      {0x09, 0x1D, 0x00, "On", kBlue, "Turn Off", true},
      {0x19, 0x0D, 0x00, "On", kBlue, "Turn Off", true},
  };
  for (const Case& c : wlan) {
    const RowView v = WlanRowRule(Flags(c.b0, c.b1, c.b2));
    const std::string at = Word(c.b0, c.b1, c.b2);
    EXPECT_EQ(Text(v.stateTextId), c.state) << at;
    EXPECT_EQ(v.stateColor, c.color) << at;
    EXPECT_EQ(Text(v.buttonTextId), c.button) << at;
    EXPECT_EQ(v.buttonEnabled, c.enabled) << at;
  }
  // Bluetooth (byte 2); LAN switching does not hold it.
  const Case bluetooth[] = {
      {0x02, 0x00, 0x0D, "On", kBlue, "Turn Off", true},
      {0x02, 0x00, 0x0C, "Off", kGrey, "Turn On", true},
      {0x02, 0x00, 0x09, "Disabled", kGrey, "Turn Off", false},
      {0x02, 0x00, 0x05, "Disabled", kGrey, "Turn Off", false},
      {0x02, 0x00, 0x04, "Disabled", kGrey, "Turn Off", false},
      {0x1B, 0x1D, 0x0D, "On", kBlue, "Turn Off", true},
  };
  for (const Case& c : bluetooth) {
    const RowView v = BluetoothRowRule(Flags(c.b0, c.b1, c.b2));
    const std::string at = Word(c.b0, c.b1, c.b2);
    EXPECT_EQ(Text(v.stateTextId), c.state) << at;
    EXPECT_EQ(v.stateColor, c.color) << at;
    EXPECT_EQ(Text(v.buttonTextId), c.button) << at;
    EXPECT_EQ(v.buttonEnabled, c.enabled) << at;
  }
}

TEST(StatusBothRadios, VisibilityTextEnablingAndRequest) {
  struct Case {
    std::uint8_t b0, b1, b2;
    bool rowButtons;
    const char* text;
    bool enabled;
    SwitchRequest request;
  } const cases[] = {
      {0x03, 0x0D, 0x0D, false, "Turn Both Off", true, {0x00, 0x08, 0, 0}},
      {0x23, 0x0D, 0x0D, true, "Turn Both Off", true, {0x00, 0x08, 0, 0}},
      // Exactly one on: the label and the request both turn both on.
      {0x03, 0x0D, 0x0C, false, "Turn Both On", true, {0x08, 0x08, 0, 0}},
      {0x03, 0x0C, 0x0D, false, "Turn Both On", true, {0x08, 0x08, 0, 0}},
      {0x23, 0x0C, 0x0C, true, "Turn Both On", true, {0x08, 0x08, 0, 0}},
      // Enabled by the button bits alone; text and request by the raw on-bits.
      {0x03, 0x05, 0x05, false, "Turn Both Off", false, {0x00, 0x08, 0, 0}},
      {0x03, 0x09, 0x01, false, "Turn Both Off", true, {0x00, 0x08, 0, 0}},
      {0x03, 0x04, 0x08, false, "Turn Both On", true, {0x08, 0x08, 0, 0}},
      {0x03, 0x00, 0x00, false, "Turn Both On", false, {0x08, 0x08, 0, 0}},
  };
  for (const Case& c : cases) {
    const RadioFlags f = Flags(c.b0, c.b1, c.b2);
    const BothRadiosView v = BothRadiosRule(f);
    const std::string at = Word(c.b0, c.b1, c.b2);
    EXPECT_EQ(v.rowButtonsShown, c.rowButtons) << at;
    EXPECT_EQ(v.bothButtonShown, !c.rowButtons) << at;
    EXPECT_EQ(Text(v.bothButtonTextId), c.text) << at;
    EXPECT_EQ(v.bothButtonEnabled, c.enabled) << at;
    EXPECT_EQ(BothRadiosRequest(f), c.request) << at;
  }
}

TEST(StatusFirmwareGroup, EnabledInBlueDisabledInGrey) {
  EXPECT_EQ(Text(FirmwareValue(1).textId), "Enabled");
  EXPECT_EQ(FirmwareValue(1).color, kBlue);
  EXPECT_EQ(Text(FirmwareValue(0).textId), "Disabled");
  EXPECT_EQ(FirmwareValue(0).color, kGrey);
  EXPECT_EQ(kBlueColorRef, 0x00CD0000u);
}

TEST(SettingsPage, CheckBoxesInOrderAndStoredValuesAsCheckStates) {
  const char* const names[] = {"HideSysTray", "HideBIOSSettings", "DisableBalloons", "DisableFirstBalloon"};
  std::uint32_t Settings::*const members[] = {&Settings::hideSysTray, &Settings::hideBiosSettings,
                                              &Settings::disableBalloons, &Settings::disableFirstBalloon};
  for (int i = 0; i < kPageSettingCount; ++i) {
    EXPECT_STREQ(kPageSettings[i]->name, names[i]);
    EXPECT_EQ(kPageSettings[i]->member, members[i]) << i;
  }
  const std::pair<std::uint32_t, std::uint32_t> states[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {0xFFFFFFFF, 0}};
  for (const auto& s : states) EXPECT_EQ(CheckStateOfStored(s.first), s.second) << s.first;
}

TEST(SettingsPage, EnablingAtOpeningAndAfterClicks) {
  struct Case {
    std::uint32_t hideTray, noBalloons;
    bool hideBios, balloons, firstBalloon;
  } const cases[] = {
      {0, 0, true, true, true},    {0, 1, true, true, false},   {0, 2, true, true, true},
      {1, 0, false, false, false}, {1, 1, false, false, false}, {2, 0, true, true, true},
      {2, 1, true, true, false},
  };
  for (const Case& c : cases) {
    const SettingsEnabling e = EnablingAtOpening(c.hideTray, c.noBalloons);
    EXPECT_EQ(e.hideBios, c.hideBios) << c.hideTray << " " << c.noBalloons;
    EXPECT_EQ(e.disableBalloons, c.balloons) << c.hideTray << " " << c.noBalloons;
    EXPECT_EQ(e.disableFirstBalloon, c.firstBalloon) << c.hideTray << " " << c.noBalloons;
  }
  // 1002: all three follow it, whatever 1004 shows.
  const SettingsEnabling checked = EnablingAfterHideTrayClick(true);
  EXPECT_FALSE(checked.hideBios || checked.disableBalloons || checked.disableFirstBalloon);
  const SettingsEnabling cleared = EnablingAfterHideTrayClick(false);
  EXPECT_TRUE(cleared.hideBios && cleared.disableBalloons && cleared.disableFirstBalloon);
  EXPECT_FALSE(FirstBalloonEnabledAfterBalloonsClick(true));
  EXPECT_TRUE(FirstBalloonEnabledAfterBalloonsClick(false));
}

TEST(SettingsPage, OkWritesOnlyChangedValuesInOrder) {
  const auto hideTray = &Settings::hideSysTray;
  const auto hideBios = &Settings::hideBiosSettings;
  const auto balloons = &Settings::disableBalloons;
  const auto firstBalloon = &Settings::disableFirstBalloon;
  struct Case {
    Settings current;
    std::uint32_t pending[kPageSettingCount];
    std::vector<SettingWrite> writes;
  } const cases[] = {
      // Nothing changed (also: a box toggled twice).
      {{0, 0, 0, 0, 0}, {0, 0, 0, 0}, {}},
      {{1, 1, 1, 1, 0}, {1, 1, 1, 1}, {}},
      {{0, 0, 0, 0, 1}, {0, 0, 0, 0}, {}},  // DoNotShowNoDevDlg is not the page's
      {{0, 0, 0, 0, 0}, {0, 1, 0, 0}, {{"HideBIOSSettings", hideBios, 1}}},
      {{1, 0, 1, 0, 0},
       {0, 1, 0, 1},
       {{"HideSysTray", hideTray, 0},
        {"HideBIOSSettings", hideBios, 1},
        {"DisableBalloons", balloons, 0},
        {"DisableFirstBalloon", firstBalloon, 1}}},
      // Out-of-range stored values showed unchecked: OK writes 0 for them.
      {{5, 2, 0xFFFFFFFF, 3, 0},
       {0, 2, 0, 0},
       {{"HideSysTray", hideTray, 0}, {"DisableBalloons", balloons, 0}, {"DisableFirstBalloon", firstBalloon, 0}}},
  };
  for (std::size_t n = 0; n < std::size(cases); ++n) {
    const Case& c = cases[n];
    const std::vector<SettingWrite> writes = ChangedSettings(c.current, c.pending);
    ASSERT_EQ(writes.size(), c.writes.size()) << n;
    for (std::size_t i = 0; i < writes.size(); ++i) {
      EXPECT_STREQ(writes[i].name, c.writes[i].name) << n;
      EXPECT_EQ(writes[i].member, c.writes[i].member) << n << " " << c.writes[i].name;
      EXPECT_EQ(writes[i].value, c.writes[i].value) << n << " " << c.writes[i].name;
    }
  }
}

}  // namespace
}  // namespace rm
