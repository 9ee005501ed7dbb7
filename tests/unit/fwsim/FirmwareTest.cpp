// The firmware model's transitions: status word, switch rules, holds,
// button, LAN cable, setup values, data blocks, events, profiles.
#include "fwsim/model/Firmware.h"

#include <gtest/gtest.h>

#include <memory>

#include "fwsim/model/SmbiosDefault.h"

namespace fwsim::model {
namespace {

class FirmwareTest : public ::testing::Test {
 protected:
  FirmwareTest() : state_(new MachineState), fw_(*state_) { InitState(*state_); }

  std::uint32_t Word() const { return fw_.StatusWord(); }
  Answer Switch(std::uint8_t states, std::uint8_t mask) { return fw_.Execute(2, 5, {states, mask, 0, 0}, 0); }
  std::vector<EventRecordCopy> EventsSince(std::uint64_t after) const { return EventsAfter(*state_, after); }
  std::uint64_t Last() const { return state_->lastSequence; }

  std::unique_ptr<MachineState> state_;  // 70 KB: not on the stack
  Firmware fw_;
};

constexpr std::uint32_t kBothWord = 0x000F0F3B;

TEST_F(FirmwareTest, FreshMachineIsProfileBothWithBothRadiosOn) {
  EXPECT_EQ(static_cast<std::uint32_t>(Profile::Both), state_->profile);
  EXPECT_TRUE(fw_.HasFirmwareClasses());
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(0u, Last());
  EXPECT_TRUE(EventsSince(0).empty());
  EXPECT_EQ(-1, state_->faults.dataLength);
  EXPECT_EQ(0u, state_->faults.enumTimeouts);
  EXPECT_EQ(2u, fw_.BlockCount(BlockClass::Display));
  EXPECT_EQ(1u, fw_.BlockCount(BlockClass::Dock));
  EXPECT_EQ(2u, state_->smbiosMajor);
  EXPECT_EQ(DefaultSmbiosTable().size(), state_->smbiosLength);
}

TEST_F(FirmwareTest, ProfilesGiveTheirWords) {
  struct Case {
    Profile profile;
    std::uint32_t word;
    bool classes;
  };
  const Case cases[] = {
      {Profile::Both, kBothWord, true},
      {Profile::Wlan, 0x00000F39, true},
      {Profile::Bluetooth, 0x000F0022, true},
      {Profile::None, 0x00000000, true},
      {Profile::Unsupported, 0x00000000, false},
  };
  for (const Case& c : cases) {
    fw_.ApplyProfile(c.profile);
    EXPECT_EQ(c.word, Word()) << ProfileName(c.profile);
    EXPECT_EQ(c.classes, fw_.HasFirmwareClasses()) << ProfileName(c.profile);
  }
}

TEST_F(FirmwareTest, ProfileNamesRoundTrip) {
  for (Profile p : {Profile::Both, Profile::Wlan, Profile::Bluetooth, Profile::None, Profile::Unsupported}) {
    Profile back = Profile::Both;
    ASSERT_TRUE(ProfileFromName(ProfileName(p), back));
    EXPECT_EQ(p, back);
  }
  Profile p;
  EXPECT_FALSE(ProfileFromName("Both", p));
  EXPECT_FALSE(ProfileFromName("", p));
}

TEST_F(FirmwareTest, ReadAnswersTheWordLittleEndian) {
  const Answer a = fw_.Execute(1, 5, {}, 4);
  EXPECT_EQ(0u, a.returnCode);
  EXPECT_EQ((std::vector<std::uint8_t>{0x3B, 0x0F, 0x0F, 0x00}), a.data);
}

TEST_F(FirmwareTest, MalformedRequestsGetTheirReturnCodesAndAnArrayOfTheRequestedSize) {
  Answer a = fw_.Execute(1, 5, {0}, 4);
  EXPECT_EQ(2u, a.returnCode);
  EXPECT_EQ(std::vector<std::uint8_t>(4, 0), a.data);
  a = fw_.Execute(1, 5, {}, 3);
  EXPECT_EQ(3u, a.returnCode);
  EXPECT_EQ(3u, a.data.size());
  a = fw_.Execute(1, 5, {}, 4096);
  EXPECT_EQ(3u, a.returnCode);
  EXPECT_EQ(4096u, a.data.size());
  a = fw_.Execute(1, 5, {}, 4097);
  EXPECT_EQ(3u, a.returnCode);
  EXPECT_TRUE(a.data.empty());
  EXPECT_EQ(2u, fw_.Execute(2, 5, {0, 1, 0}, 0).returnCode);
  EXPECT_EQ(2u, fw_.Execute(2, 5, {}, 0).returnCode);
  EXPECT_EQ(3u, fw_.Execute(2, 5, {0, 1, 0, 0}, 4).returnCode);
  EXPECT_EQ(1u, fw_.Execute(3, 5, {}, 4).returnCode);
  EXPECT_EQ(1u, fw_.Execute(1, 4, {}, 4).returnCode);
  EXPECT_EQ(1u, fw_.Execute(0, 0, {}, 0).returnCode);
  // None of them changed anything.
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(0u, Last());
}

TEST_F(FirmwareTest, MachineWithoutFirmwareClassesAnswersNothing) {
  fw_.ApplyProfile(Profile::Unsupported);
  EXPECT_EQ(1u, fw_.Execute(1, 5, {}, 4).returnCode);
  EXPECT_EQ(0u, fw_.BlockCount(BlockClass::Display));
  EXPECT_EQ(0u, fw_.BlockCount(BlockClass::Dock));
}

TEST_F(FirmwareTest, ToggleRequestsOfPart12SwitchOneRadio) {
  // Toggle Bluetooth while on: 00 02 00 00.
  EXPECT_EQ(0u, Switch(0x00, 0x02).returnCode);
  EXPECT_EQ(0x000C0F3Bu, Word());  // bluetoothOn and bluetoothSelected clear
  // ... while off: 02 02 00 00.
  EXPECT_EQ(0u, Switch(0x02, 0x02).returnCode);
  EXPECT_EQ(kBothWord, Word());
  // Toggle wireless LAN off.
  EXPECT_EQ(0u, Switch(0x00, 0x01).returnCode);
  EXPECT_EQ(0x000F0C3Bu, Word());
}

TEST_F(FirmwareTest, AllRadiosOffAndOn) {
  EXPECT_EQ(0u, Switch(0x00, 0x08).returnCode);
  EXPECT_EQ(0x000C0C3Bu, Word());
  EXPECT_EQ(0u, Switch(0x08, 0x08).returnCode);
  EXPECT_EQ(kBothWord, Word());
}

TEST_F(FirmwareTest, TheAllRadiosBitWinsOverPerRadioBits) {
  EXPECT_EQ(0u, Switch(0x03, 0x0B).returnCode);  // all off, WLAN and Bluetooth "on"
  EXPECT_EQ(0x000C0C3Bu, Word());
}

TEST_F(FirmwareTest, WithoutSeparateSwitchingOnlyTheAllRadiosBitWorks) {
  fw_.Set(Setting::SeparateSwitching, false);
  const std::uint64_t last = Last();
  const std::uint32_t word = Word();
  EXPECT_EQ(4u, Switch(0x00, 0x01).returnCode);
  EXPECT_EQ(4u, Switch(0x00, 0x02).returnCode);
  EXPECT_EQ(word, Word());
  EXPECT_EQ(last, Last());
  EXPECT_EQ(0u, Switch(0x00, 0x08).returnCode);
  EXPECT_EQ(0u, Word() & (0x00010100u));
}

TEST_F(FirmwareTest, AnEmptyMaskChangesNothing) {
  EXPECT_EQ(0u, Switch(0xFF, 0x00).returnCode);
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(0u, Last());
}

TEST_F(FirmwareTest, PerRadioBitOfAnAbsentRadioIsIgnored) {
  fw_.ApplyProfile(Profile::Wlan);
  const std::uint64_t last = Last();
  EXPECT_EQ(0u, Switch(0x00, 0x02).returnCode);
  EXPECT_EQ(0x00000F39u, Word());
  EXPECT_EQ(last, Last());
}

TEST_F(FirmwareTest, SwitchRaisesTheWirelessEventWithTheNewWord) {
  Switch(0x00, 0x01);
  const auto events = EventsSince(0);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(EventKind::BiosEvent, events[0].kind);
  EXPECT_EQ(5u, events[0].eventId);
  EXPECT_EQ(Word(), events[0].eventData);
  EXPECT_EQ(1u, events[0].sequence);
}

TEST_F(FirmwareTest, SwitchThatChangesNothingRaisesNothing) {
  Switch(0x01, 0x01);  // already on
  EXPECT_EQ(0u, Last());
}

TEST_F(FirmwareTest, RadioHeldOffBySetupStaysOffButKeepsItsSelection) {
  fw_.Set(Setting::WlanSetup, false);
  EXPECT_EQ(0u, Word() & 0x100u);
  EXPECT_EQ(0u, Word() & 0x400u);
  EXPECT_NE(0u, Word() & 0x200u);
  EXPECT_EQ(1u, Last());
  Switch(0x00, 0x01);
  EXPECT_EQ(0u, Word() & 0x200u);
  Switch(0x01, 0x01);
  EXPECT_NE(0u, Word() & 0x200u);
  EXPECT_EQ(0u, Word() & 0x100u);
  fw_.Set(Setting::WlanSetup, true);
  EXPECT_EQ(kBothWord, Word());
}

TEST_F(FirmwareTest, BluetoothHeldOffBySetup) {
  fw_.Set(Setting::BluetoothSetup, false);
  EXPECT_EQ(0x000A0F3Bu, Word());  // selected and button bits stay
}

TEST_F(FirmwareTest, ButtonPressHoldsBothRadiosAndASecondReleasesThem) {
  fw_.PressButton();
  EXPECT_EQ(0x0006063Bu, Word());  // selected and setup bits stay
  auto events = EventsSince(0);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(5u, events[0].eventId);
  EXPECT_EQ(0x0006063Bu, events[0].eventData);
  // A switch while the button holds the radios records the selection only.
  Switch(0x00, 0x01);
  EXPECT_EQ(0x0006043Bu, Word());
  fw_.PressButton();
  EXPECT_EQ(0x000F0C3Bu, Word());
  EXPECT_EQ(3u, Last());
}

TEST_F(FirmwareTest, ButtonOnAMachineWithoutRadiosRaisesNothing) {
  fw_.ApplyProfile(Profile::None);
  const std::uint64_t last = Last();
  fw_.PressButton();
  EXPECT_EQ(0u, Word());
  EXPECT_EQ(last, Last());
}

TEST_F(FirmwareTest, LanCableHoldsWlanOffWhenLanSwitchingIsEnabled) {
  fw_.SetLanCable(true);
  EXPECT_EQ(0x000F1E3Bu, Word());  // wlanLanSwitchedOff, wlanOn clear
  EXPECT_EQ(1u, Last());
  // Bluetooth is not affected; a switch of WLAN only records the selection.
  Switch(0x01, 0x01);
  EXPECT_EQ(0x000F1E3Bu, Word());
  fw_.SetLanCable(false);
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(2u, Last());
}

TEST_F(FirmwareTest, LanCableDoesNothingWhenLanSwitchingIsDisabledOrAbsent) {
  fw_.Set(Setting::LanSwitching, false);
  EXPECT_EQ(0x000F0F2Bu, Word());  // byte 0 bit 4 clear
  const std::uint64_t last = Last();
  fw_.SetLanCable(true);
  EXPECT_EQ(0x000F0F2Bu, Word());
  EXPECT_EQ(last, Last());
  // Enabling it with the cable in raises the hold.
  fw_.Set(Setting::LanSwitching, true);
  EXPECT_NE(0u, Word() & 0x1000u);
  // Not offered at all: neither bit 3 nor bit 4, and no hold.
  fw_.Set(Setting::LanSwitchingPresent, false);
  EXPECT_EQ(0x000F0F23u, Word());
}

TEST_F(FirmwareTest, RadioPresenceClearsItsByte) {
  fw_.Set(Setting::WlanPresent, false);
  EXPECT_EQ(0x000F003Au, Word());
  fw_.Set(Setting::BluetoothPresent, false);
  EXPECT_EQ(0x00000038u, Word());
}

TEST_F(FirmwareTest, SetAndGetEverySetting) {
  for (Setting s : {Setting::WlanPresent, Setting::BluetoothPresent, Setting::WlanSetup, Setting::BluetoothSetup,
                    Setting::WlanSelected, Setting::BluetoothSelected, Setting::LanSwitchingPresent,
                    Setting::LanSwitching, Setting::SeparateSwitching, Setting::Button, Setting::LanCable}) {
    fw_.Set(s, true);
    EXPECT_TRUE(fw_.Get(s));
    fw_.Set(s, false);
    EXPECT_FALSE(fw_.Get(s));
  }
}

TEST_F(FirmwareTest, EverySetupChangeOfTheWordRaisesOneWirelessEvent) {
  fw_.Set(Setting::SeparateSwitching, false);
  fw_.Set(Setting::WlanSelected, false);
  fw_.Set(Setting::BluetoothSetup, false);
  const auto events = EventsSince(0);
  ASSERT_EQ(3u, events.size());
  for (const auto& e : events) EXPECT_EQ(5u, e.eventId);
  EXPECT_EQ(Word(), events.back().eventData);
}

TEST_F(FirmwareTest, DockChangeRaisesBiosEventOneAndADockEvent) {
  ASSERT_TRUE(fw_.ChangeBlock(BlockClass::Dock, 0, 1));
  const auto events = EventsSince(0);
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ(EventKind::BiosEvent, events[0].kind);
  EXPECT_EQ(1u, events[0].eventId);
  EXPECT_EQ(1u, events[0].eventData);
  EXPECT_EQ(EventKind::DockEvent, events[1].kind);
  // The same state again is no change.
  ASSERT_TRUE(fw_.ChangeBlock(BlockClass::Dock, 0, 1));
  EXPECT_EQ(2u, Last());
}

TEST_F(FirmwareTest, DisplayChangesAndClientWritesRaiseNothing) {
  ASSERT_TRUE(fw_.ChangeBlock(BlockClass::Display, 1, 3));
  ASSERT_TRUE(fw_.WriteBlock(BlockClass::Dock, 0, 5));
  EXPECT_EQ(0u, Last());
  EXPECT_EQ(3u, Block(*state_, BlockClass::Display, 1)->ulState);
  EXPECT_EQ(5u, Block(*state_, BlockClass::Dock, 0)->ulState);
}

TEST_F(FirmwareTest, BlockIndexBeyondTheCountIsRefused) {
  EXPECT_FALSE(fw_.ChangeBlock(BlockClass::Dock, 1, 1));
  EXPECT_FALSE(fw_.WriteBlock(BlockClass::Display, 2, 1));
  EXPECT_EQ(nullptr, Block(*state_, BlockClass::Display, 2));
}

TEST_F(FirmwareTest, BlockCountGivesDefaultNamesAndFindIgnoresCase) {
  ASSERT_TRUE(fw_.SetBlockCount(BlockClass::Dock, 3));
  EXPECT_EQ("ACPI\\PNP0C14\\0_2", InstanceName(*Block(*state_, BlockClass::Dock, 2)));
  EXPECT_EQ(2, FindBlock(*state_, BlockClass::Dock, "acpi\\pnp0c14\\0_2"));
  EXPECT_EQ(-1, FindBlock(*state_, BlockClass::Dock, "ACPI\\PNP0C14\\0_3"));
  EXPECT_FALSE(fw_.SetBlockCount(BlockClass::Dock, 9));
  ASSERT_TRUE(fw_.SetBlockCount(BlockClass::Dock, 8));
  EXPECT_EQ(7, FindBlock(*state_, BlockClass::Dock, "ACPI\\PNP0C14\\0_7"));
  ASSERT_TRUE(fw_.SetBlockCount(BlockClass::Dock, 0));
  EXPECT_EQ(-1, FindBlock(*state_, BlockClass::Dock, "ACPI\\PNP0C14\\0_0"));
}

TEST_F(FirmwareTest, DefaultDisplaysAreTwoWithThePanelOn) {
  EXPECT_EQ("ACPI\\PNP0C14\\0_0", InstanceName(*Block(*state_, BlockClass::Display, 0)));
  EXPECT_EQ(1u, Block(*state_, BlockClass::Display, 0)->ulState);
  EXPECT_EQ("ACPI\\PNP0C14\\0_1", InstanceName(*Block(*state_, BlockClass::Display, 1)));
  EXPECT_EQ(0u, Block(*state_, BlockClass::Display, 1)->ulState);
}

TEST_F(FirmwareTest, RaisedEventsOfTheToolKeepIdAndData) {
  fw_.Raise(EventKind::BiosEvent, 4, 0x1234);
  fw_.RaiseDockEvent(7);
  const auto events = EventsSince(0);
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(4u, events[0].eventId);
  EXPECT_EQ(0x1234u, events[0].eventData);
  EXPECT_EQ(1u, events[1].eventId);
  EXPECT_EQ(EventKind::DockEvent, events[2].kind);
  EXPECT_EQ(7u, events[2].eventData);
}

TEST_F(FirmwareTest, RingKeepsTheLastEventsInOrder) {
  for (std::uint32_t i = 1; i <= 100; ++i) fw_.Raise(EventKind::BiosEvent, 4, i);
  auto events = EventsSince(0);
  ASSERT_EQ(64u, events.size());
  EXPECT_EQ(37u, events.front().sequence);
  EXPECT_EQ(100u, events.back().sequence);
  EXPECT_EQ(100u, events.back().eventData);
  events = EventsSince(97);
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(98u, events[0].sequence);
  EXPECT_TRUE(EventsSince(100).empty());
  EXPECT_TRUE(EventsSince(1000).empty());
}

TEST_F(FirmwareTest, ProfileKeepsSmbiosFaultsAndEventsAndReportsTheWord) {
  state_->faults.enumTimeouts = 3;
  ASSERT_TRUE(fw_.SetSmbios(3, 1, {0x7F, 4, 0, 0, 0, 0}, "x.table"));
  fw_.ApplyProfile(Profile::Bluetooth);
  EXPECT_EQ(3u, state_->faults.enumTimeouts);
  EXPECT_EQ(6u, state_->smbiosLength);
  const auto events = EventsSince(0);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(0x000F0022u, events[0].eventData);
}

TEST_F(FirmwareTest, ProfileRestoresWhatTheToolChanged) {
  fw_.PressButton();
  fw_.SetLanCable(true);
  fw_.Set(Setting::WlanSetup, false);
  fw_.SetBlockCount(BlockClass::Display, 0);
  fw_.ApplyProfile(Profile::Both);
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(2u, fw_.BlockCount(BlockClass::Display));
}

TEST_F(FirmwareTest, ResetRestoresEverythingButTheSequence) {
  state_->faults.getMethodFails = 1;
  ASSERT_TRUE(fw_.SetSmbios(3, 1, {0x7F, 4, 0, 0, 0, 0}, "x.table"));
  fw_.ApplyProfile(Profile::None);
  const std::uint64_t last = Last();
  fw_.Reset();
  EXPECT_EQ(kBothWord, Word());
  EXPECT_EQ(0u, state_->faults.getMethodFails);
  EXPECT_EQ(-1, state_->faults.dataLength);
  EXPECT_EQ(DefaultSmbiosTable().size(), state_->smbiosLength);
  // The word went from 0 to both radios: one more event.
  EXPECT_EQ(last + 1, Last());
  ASSERT_FALSE(EventsSince(last).empty());
  EXPECT_EQ(kBothWord, EventsSince(last).back().eventData);
}

TEST_F(FirmwareTest, SmbiosTableMustBeNonEmptyAndFit) {
  EXPECT_FALSE(fw_.SetSmbios(3, 0, {}, "empty"));
  EXPECT_FALSE(fw_.SetSmbios(3, 0, std::vector<std::uint8_t>(65537, 0), "big"));
  EXPECT_EQ(DefaultSmbiosTable().size(), state_->smbiosLength);
  EXPECT_TRUE(fw_.SetSmbios(3, 0, std::vector<std::uint8_t>(65536, 0), "full"));
}

TEST_F(FirmwareTest, LongSmbiosSourceKeepsItsEnd) {
  const std::string path = std::string(300, 'd') + "/name.dump";
  ASSERT_TRUE(fw_.SetSmbios(3, 0, {0x7F, 4, 0, 0, 0, 0}, path));
  const std::string kept(state_->smbiosSource);
  EXPECT_LT(kept.size(), 128u);
  EXPECT_EQ(0u, kept.rfind("..."));
  EXPECT_EQ(kept.size() - 10, kept.find("/name.dump"));
}

}  // namespace
}  // namespace fwsim::model
