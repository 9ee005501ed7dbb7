#include "common/RadioFlags.h"

#include <gtest/gtest.h>

#include <cstring>

namespace rm {
namespace {

// Word bytes named by what they hold.
constexpr std::uint8_t kHasWlan = 0x01, kHasBt = 0x02, kLanSwPresent = 0x08, kLanSwEnabled = 0x10,
                       kSeparate = 0x20;
constexpr std::uint8_t kOn = 0x01, kSelected = 0x02, kBiosEnabled = 0x04, kButtonEnabled = 0x08,
                       kLanSwitchedOff = 0x10;

WirelessWord Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3 = 0) {
  return {b0, b1, b2, b3};
}

TEST(RadioFlagsDecode, EachBitLandsInItsOwnFlag) {
  struct Case {
    WirelessWord word;
    int RadioFlags::*flag;
  };
  const Case cases[] = {
      {Word(0x01, 0, 0), &RadioFlags::hasWlan},
      {Word(0x02, 0, 0), &RadioFlags::hasBluetooth},
      {Word(0x08, 0, 0), &RadioFlags::lanSwitchingPresent},
      {Word(0x10, 0, 0), &RadioFlags::lanSwitchingEnabled},
      {Word(0x20, 0, 0), &RadioFlags::separateSwitching},
      {Word(0, 0x01, 0), &RadioFlags::wlanOn},
      {Word(0, 0x02, 0), &RadioFlags::wlanSelected},
      {Word(0, 0x04, 0), &RadioFlags::wlanBiosEnabled},
      {Word(0, 0x08, 0), &RadioFlags::wlanButtonEnabled},
      {Word(0, 0x10, 0), &RadioFlags::wlanLanSwitchedOff},
      {Word(0, 0, 0x01), &RadioFlags::bluetoothOn},
      {Word(0, 0, 0x02), &RadioFlags::bluetoothSelected},
      {Word(0, 0, 0x04), &RadioFlags::bluetoothBiosEnabled},
      {Word(0, 0, 0x08), &RadioFlags::bluetoothButtonEnabled},
  };
  const int RadioFlags::*all[] = {
      &RadioFlags::hasWlan, &RadioFlags::hasBluetooth, &RadioFlags::lanSwitchingPresent,
      &RadioFlags::lanSwitchingEnabled, &RadioFlags::separateSwitching, &RadioFlags::wlanOn,
      &RadioFlags::wlanSelected, &RadioFlags::wlanBiosEnabled, &RadioFlags::wlanButtonEnabled,
      &RadioFlags::wlanLanSwitchedOff, &RadioFlags::bluetoothOn, &RadioFlags::bluetoothSelected,
      &RadioFlags::bluetoothBiosEnabled, &RadioFlags::bluetoothButtonEnabled};
  for (const Case& c : cases) {
    const RadioFlags f = RadioFlags::Decode(c.word);
    for (auto member : all) {
      EXPECT_EQ(f.*member, member == c.flag ? 1 : 0)
          << "word " << int(c.word[0]) << " " << int(c.word[1]) << " " << int(c.word[2]);
    }
  }
}

TEST(RadioFlagsDecode, UnlistedBitsAndByteThreeAreIgnored) {
  // Byte 0 bits 2, 6, 7; byte 1 bits 5-7; byte 2 bits 4-7; all of byte 3.
  const RadioFlags f = RadioFlags::Decode(Word(0xC4, 0xE0, 0xF0, 0xFF));
  const RadioFlags zero;
  EXPECT_EQ(0, std::memcmp(&f, &zero, sizeof f));
}

TEST(RadioFlagsDecode, FlagsAreZeroOrOne) {
  const RadioFlags f = RadioFlags::Decode(Word(0xFF, 0xFF, 0xFF, 0xFF));
  EXPECT_EQ(f.separateSwitching, 1);
  EXPECT_EQ(f.wlanLanSwitchedOff, 1);
  EXPECT_EQ(f.bluetoothButtonEnabled, 1);
}

TEST(RadioDisplayState, BothPresentOnAndAllowedAreOn) {
  const RadioFlags f = RadioFlags::Decode(Word(0x03, 0x0D, 0x0D));
  EXPECT_EQ(WlanDisplayState(f), DisplayState::On);
  EXPECT_EQ(BluetoothDisplayState(f), DisplayState::On);
  EXPECT_EQ(WlanOffReason(f), OffReason::None);
  EXPECT_EQ(BluetoothOffReason(f), OffReason::None);
  EXPECT_FALSE(NoSupportedDevices(f));
}

TEST(RadioDisplayState, LanSwitchingHoldNeedsAllThreeBits) {
  const std::uint8_t allowedOn = kOn | kBiosEnabled | kButtonEnabled;
  const RadioFlags held =
      RadioFlags::Decode(Word(kHasWlan | kLanSwPresent | kLanSwEnabled, allowedOn | kLanSwitchedOff, 0));
  EXPECT_FALSE(WlanUsable(held));
  EXPECT_EQ(WlanDisplayState(held), DisplayState::Disabled);  // even though wlanOn is set
  EXPECT_EQ(WlanOffReason(held), OffReason::LanSwitching);

  // Any one of the three clear: not held.
  const WirelessWord notHeld[] = {
      Word(kHasWlan | kLanSwEnabled, allowedOn | kLanSwitchedOff, 0),
      Word(kHasWlan | kLanSwPresent, allowedOn | kLanSwitchedOff, 0),
      Word(kHasWlan | kLanSwPresent | kLanSwEnabled, allowedOn, 0),
  };
  for (const auto& w : notHeld) {
    const RadioFlags f = RadioFlags::Decode(w);
    EXPECT_TRUE(WlanUsable(f));
    EXPECT_EQ(WlanDisplayState(f), DisplayState::On);
    EXPECT_EQ(WlanOffReason(f), OffReason::None);
  }
}

TEST(RadioOffReason, FirstMatchWinsForWlan) {
  const std::uint8_t b0 = kHasWlan | kLanSwPresent | kLanSwEnabled;
  // Everything against it: the firmware setup is named first.
  EXPECT_EQ(WlanOffReason(RadioFlags::Decode(Word(b0, kLanSwitchedOff, 0))), OffReason::BiosSettings);
  // Setup allows it, button and LAN switching do not: the button.
  EXPECT_EQ(WlanOffReason(RadioFlags::Decode(Word(b0, kBiosEnabled | kLanSwitchedOff, 0))),
            OffReason::WirelessButton);
  EXPECT_EQ(WlanOffReason(RadioFlags::Decode(Word(b0, kBiosEnabled | kButtonEnabled | kLanSwitchedOff, 0))),
            OffReason::LanSwitching);
  const RadioFlags off = RadioFlags::Decode(Word(b0, kBiosEnabled | kButtonEnabled, 0));
  EXPECT_EQ(WlanOffReason(off), OffReason::UserSelection);
  EXPECT_EQ(WlanDisplayState(off), DisplayState::Off);
}

TEST(RadioOffReason, FirstMatchWinsForBluetooth) {
  EXPECT_EQ(BluetoothOffReason(RadioFlags::Decode(Word(kHasBt, 0, kOn))), OffReason::BiosSettings);
  const RadioFlags button = RadioFlags::Decode(Word(kHasBt, 0, kOn | kBiosEnabled));
  EXPECT_EQ(BluetoothOffReason(button), OffReason::WirelessButton);
  EXPECT_EQ(BluetoothDisplayState(button), DisplayState::Disabled);
  // LAN switching never holds the Bluetooth radio.
  const RadioFlags f = RadioFlags::Decode(
      Word(kHasBt | kLanSwPresent | kLanSwEnabled, kLanSwitchedOff, kBiosEnabled | kButtonEnabled));
  EXPECT_EQ(BluetoothOffReason(f), OffReason::UserSelection);
  EXPECT_EQ(BluetoothDisplayState(f), DisplayState::Off);
}

TEST(RadioOffReason, DisabledReasonsGoWithDisabledAndUserSelectionWithOff) {
  for (int b1 = 0; b1 < 32; ++b1) {
    for (int b0 : {0x01, 0x19}) {
      const RadioFlags f = RadioFlags::Decode(Word(static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1), 0));
      const OffReason r = WlanOffReason(f);
      const DisplayState s = WlanDisplayState(f);
      if (r == OffReason::None) EXPECT_EQ(s, DisplayState::On);
      else if (r == OffReason::UserSelection) EXPECT_EQ(s, DisplayState::Off);
      else EXPECT_EQ(s, DisplayState::Disabled) << b0 << " " << b1;
    }
  }
}

TEST(RadioFlagsPresence, NoSupportedDevicesOnlyWithNeitherRadio) {
  EXPECT_TRUE(NoSupportedDevices(RadioFlags::Decode(Word(0x38, 0xFF, 0xFF))));
  EXPECT_FALSE(NoSupportedDevices(RadioFlags::Decode(Word(kHasWlan, 0, 0))));
  EXPECT_FALSE(NoSupportedDevices(RadioFlags::Decode(Word(kHasBt, 0, 0))));
}

TEST(ClassifyChange, LanSwitchingBeatsButtonInTheSameByte) {
  const WirelessWord before = Word(0x19, kBiosEnabled | kButtonEnabled, 0);
  const WirelessWord after = Word(0x19, kBiosEnabled | kLanSwitchedOff, 0);
  EXPECT_EQ(ClassifyChange(before, after), kChangeLanSwitching);
}

TEST(ClassifyChange, ButtonBeatsSelection) {
  EXPECT_EQ(ClassifyChange(Word(0, kSelected, 0), Word(0, kButtonEnabled, 0)), kChangeButton);
  EXPECT_EQ(ClassifyChange(Word(0, kSelected, 0), Word(0, 0, kButtonEnabled)), kChangeButton);
  EXPECT_EQ(ClassifyChange(Word(0, 0, kSelected), Word(0, 0, kButtonEnabled)), kChangeButton);
}

TEST(ClassifyChange, SelectionBitsOfEitherRadio) {
  EXPECT_EQ(ClassifyChange(Word(0, 0, 0), Word(0, kSelected, 0)), kChangeSelection);
  EXPECT_EQ(ClassifyChange(Word(0, 0, kSelected), Word(0, 0, 0)), kChangeSelection);
}

TEST(ClassifyChange, OnBitsByteZeroAndOtherBitsDoNotMatter) {
  // Only wlanOn changed.
  EXPECT_EQ(ClassifyChange(Word(0x03, 0x0C, 0x0C), Word(0x03, 0x0D, 0x0C)), kChangeNone);
  // Both on-bits, every bit of byte 0 and byte 3, the setup bits and the
  // Bluetooth bit 4 changed: still nothing that matters.
  EXPECT_EQ(ClassifyChange(Word(0x00, 0x00, 0x00, 0x00), Word(0xFF, kOn | kBiosEnabled, 0xF5, 0xFF)),
            kChangeNone);
  EXPECT_EQ(ClassifyChange(Word(0x03, 0x0D, 0x0D), Word(0x03, 0x0D, 0x0D)), kChangeNone);
}

TEST(SwitchRequest, TogglesFollowTheOnFlags) {
  const RadioFlags btOn = RadioFlags::Decode(Word(kHasBt, 0, kOn | kBiosEnabled | kButtonEnabled));
  const RadioFlags btOff = RadioFlags::Decode(Word(kHasBt, 0, kBiosEnabled | kButtonEnabled));
  EXPECT_EQ(ToggleBluetoothRequest(btOn), (SwitchRequest{0x00, 0x02, 0x00, 0x00}));
  EXPECT_EQ(ToggleBluetoothRequest(btOff), (SwitchRequest{0x02, 0x02, 0x00, 0x00}));

  const RadioFlags wlanOn = RadioFlags::Decode(Word(kHasWlan, kOn, 0));
  const RadioFlags wlanOff = RadioFlags::Decode(Word(kHasWlan, 0, kOn));
  EXPECT_EQ(ToggleWlanRequest(wlanOn), (SwitchRequest{0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(ToggleWlanRequest(wlanOff), (SwitchRequest{0x01, 0x01, 0x00, 0x00}));
}

TEST(SwitchRequest, OneRadioToAState) {
  EXPECT_EQ(WlanSwitchRequest(true), (SwitchRequest{0x01, 0x01, 0x00, 0x00}));
  EXPECT_EQ(WlanSwitchRequest(false), (SwitchRequest{0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(BluetoothSwitchRequest(true), (SwitchRequest{0x02, 0x02, 0x00, 0x00}));
  EXPECT_EQ(BluetoothSwitchRequest(false), (SwitchRequest{0x00, 0x02, 0x00, 0x00}));
}

TEST(SwitchRequest, AllRadiosUseBitThree) {
  EXPECT_EQ(AllRadiosOnRequest(), (SwitchRequest{0x08, 0x08, 0x00, 0x00}));
  EXPECT_EQ(AllRadiosOffRequest(), (SwitchRequest{0x00, 0x08, 0x00, 0x00}));
}

}  // namespace
}  // namespace rm
