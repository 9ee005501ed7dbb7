#include "rmctl/core/RadioText.h"

#include <gtest/gtest.h>

namespace rmctl {
namespace {

// Byte 0 first, as the firmware answers.
rm::WirelessWord Word(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

TEST(RmctlStatus, TextNamesStateAndReasonOfEachRadio) {
  struct Case {
    std::uint32_t word;
    const char* wlan;
    const char* bluetooth;
  };
  const Case cases[] = {
      {0x000F0F3B, "WLAN:       present, usable, on\n", "Bluetooth:  present, usable, on\n"},
      {0x000C0C3B, "WLAN:       present, usable, off - User Selection\n",
       "Bluetooth:  present, usable, off - User Selection\n"},
      {0x00000639, "WLAN:       present, not usable, off - Wireless Button\n", "Bluetooth:  not present\n"},
      {0x000A0A3B, "WLAN:       present, not usable, off - BIOS Settings\n",
       "Bluetooth:  present, not usable, off - BIOS Settings\n"},
      // LAN switching holds WLAN only with all three bits; with one missing it is on.
      {0x00001F39, "WLAN:       present, not usable, on - LAN Switching\n", "Bluetooth:  not present\n"},
      {0x00001F29, "WLAN:       present, usable, on\n", "Bluetooth:  not present\n"},
      {0x00001F31, "WLAN:       present, usable, on\n", "Bluetooth:  not present\n"},
      {0x000F0022, "WLAN:       not present\n", "Bluetooth:  present, usable, on\n"},
  };
  for (const Case& c : cases) {
    const std::string text = StatusText(Word(c.word));
    EXPECT_NE(text.find(c.wlan), std::string::npos) << std::hex << c.word << "\n" << text;
    EXPECT_NE(text.find(c.bluetooth), std::string::npos) << std::hex << c.word << "\n" << text;
  }
}

TEST(RmctlStatus, WholeTextOfProfileBothAndNone) {
  EXPECT_EQ(StatusText(Word(0x000F0F3B)),
            "WLAN:       present, usable, on\n"
            "Bluetooth:  present, usable, on\n"
            "Switching:  one radio at a time\n"
            "Firmware setup:\n"
            "  Wireless LAN:          Enabled\n"
            "  Bluetooth:             Enabled\n"
            "  LAN - WLAN switching:  Enabled\n"
            "Status word: 0x000F0F3B\n");
  EXPECT_EQ(StatusText(Word(0)),
            "WLAN:       not present\n"
            "Bluetooth:  not present\n"
            "No supported radios on this machine.\n"
            "Switching:  all radios together\n"
            "Status word: 0x00000000\n");
}

TEST(RmctlStatus, Json) {
  EXPECT_EQ(StatusJson(Word(0x00070F39)),
            "{\"word\":\"0x00070F39\","
            "\"wlan\":{\"present\":true,\"usable\":true,\"on\":true,\"state\":\"on\",\"reason\":null},"
            "\"bluetooth\":{\"present\":false},"
            "\"separateSwitching\":true,"
            "\"firmwareSetup\":{\"wlan\":true,\"lanSwitching\":true}}");
  EXPECT_EQ(StatusJson(Word(0x000B0D02)),
            "{\"word\":\"0x000B0D02\","
            "\"wlan\":{\"present\":false},"
            "\"bluetooth\":{\"present\":true,\"usable\":false,\"on\":true,\"state\":\"disabled\",\"reason\":\"BIOS Settings\"},"
            "\"separateSwitching\":false,"
            "\"firmwareSetup\":{\"bluetooth\":false}}");
}

TEST(RmctlWatch, LineAndObjectCarryTheTime) {
  const Stamp at{2004, 12, 7, 14, 0, 5, 120};
  EXPECT_EQ(WatchLine(at, Word(0x00070C3B)),
            "2004-12-07 14:00:05.120  WLAN: off (User Selection)  Bluetooth: disabled (Wireless Button)  word 0x00070C3B");
  EXPECT_EQ(WatchJson(at, Word(0)).rfind("{\"time\":\"2004-12-07T14:00:05.120\",\"word\":\"0x00000000\",", 0), 0u);
}

TEST(RmctlSwitch, SentOnlyToAPresentUsableRadio) {
  using Request = rm::SwitchRequest;
  struct Case {
    Radio radio;
    bool on;
    std::uint32_t word;
    std::optional<Request> request;
    const char* refusal;
  };
  const Case cases[] = {
      {Radio::Wlan, true, 0x000F0C3B, Request{0x01, 0x01, 0, 0}, ""},
      {Radio::Wlan, false, 0x000F0F3B, Request{0x00, 0x01, 0, 0}, ""},
      {Radio::Bluetooth, true, 0x000C0F3B, Request{0x02, 0x02, 0, 0}, ""},
      {Radio::Bluetooth, false, 0x000F0F3B, Request{0x00, 0x02, 0, 0}, ""},
      {Radio::All, true, 0x000C0C3B, Request{0x08, 0x08, 0, 0}, ""},
      {Radio::All, false, 0x000F0F3B, Request{0x00, 0x08, 0, 0}, ""},
      // Already in the asked state: sent all the same, the firmware ignores it.
      {Radio::Wlan, true, 0x000F0F3B, Request{0x01, 0x01, 0, 0}, ""},
      {Radio::Bluetooth, true, 0x00000F39, std::nullopt, "this machine has no Bluetooth radio"},
      {Radio::Wlan, false, 0x000F0022, std::nullopt, "this machine has no wireless LAN radio"},
      {Radio::Wlan, true, 0x00000639, std::nullopt,
       "the wireless LAN radio cannot be switched now: Wireless Button"},
      {Radio::Bluetooth, true, 0x000B0F3B, std::nullopt,
       "the Bluetooth radio cannot be switched now: BIOS Settings"},
      {Radio::Wlan, false, 0x00001F39, std::nullopt, "the wireless LAN radio cannot be switched now: LAN Switching"},
      {Radio::Wlan, true, 0x000F0F1B, std::nullopt,
       "this machine switches only all radios together (rmctl all on|off)"},
      {Radio::All, true, 0x000F0F1B, Request{0x08, 0x08, 0, 0}, ""},
      // One usable radio is enough for all.
      {Radio::All, true, 0x000F073B, Request{0x08, 0x08, 0, 0}, ""},
      {Radio::All, true, 0x0007073B, std::nullopt, "no radio can be switched now: Wireless Button"},
      {Radio::All, false, 0x00000000, std::nullopt, "this machine has no supported radios"},
  };
  for (const Case& c : cases) {
    const SwitchDecision d = DecideSwitch(c.radio, c.on, rm::RadioFlags::Decode(Word(c.word)));
    EXPECT_EQ(d.request, c.request) << std::hex << c.word;
    EXPECT_EQ(d.refusal, c.refusal) << std::hex << c.word;
  }
}

TEST(RmctlReport, FlagsListEveryBit) {
  const std::string text = FlagsText(Word(0x000F1F39));
  EXPECT_EQ(text.rfind("Status word: 0x000F1F39\n  byte 0 bit 0  hasWlan                  1\n", 0), 0u) << text;
  EXPECT_NE(text.find("  byte 0 bit 1  hasBluetooth             0\n"), std::string::npos);
  EXPECT_NE(text.find("  byte 1 bit 4  wlanLanSwitchedOff       1\n"), std::string::npos);
  EXPECT_NE(text.find("  byte 2 bit 3  bluetoothButtonEnabled   1\n"), std::string::npos);
  EXPECT_NE(text.find("  WLAN:       present, not usable, on - LAN Switching\n"), std::string::npos);
}

}  // namespace
}  // namespace rmctl
