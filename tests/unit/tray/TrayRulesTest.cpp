#include "tray/core/TrayRules.h"

#include <gtest/gtest.h>

#include "tests/unit/tray/TrayTexts.h"
#include "tray/core/ReasonTexts.h"

namespace rm {

void PrintTo(const TrayMenuItem& i, std::ostream* os) { *os << i.id << "/" << i.textId << (i.grayed ? "/grey" : ""); }

namespace {

RadioFlags Flags(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) { return RadioFlags::Decode({b0, b1, b2, 0}); }

// Byte 1 and 2: 0x01 on, 0x04 allowed by the firmware setup, 0x08 allowed
// by the button, 0x10 (byte 1) held by LAN switching. Byte 0: 0x01 WLAN,
// 0x02 Bluetooth, 0x08/0x10 LAN switching present/enabled, 0x20 separate.
TEST(TrayStatus, TextAndIconFollowEachPresentRadio) {
  struct Case {
    std::uint8_t b0, b1, b2;
    const char* text;
    int icon;
  } const cases[] = {
      {0x03, 0x0D, 0x0C, "        WLAN  : On\nBluetooth\xC2\xAE : Off", 203},
      {0x03, 0x0C, 0x0C, "        WLAN  : Off\nBluetooth\xC2\xAE : Off", 202},
      {0x03, 0x0C, 0x0D, "        WLAN  : Off\nBluetooth\xC2\xAE : On", 203},
      // On-bit set but not usable: the button, then LAN switching.
      {0x03, 0x05, 0x0D, "        WLAN  : Disabled\nBluetooth\xC2\xAE : On", 203},
      {0x1B, 0x1D, 0x0C, "        WLAN  : Disabled\nBluetooth\xC2\xAE : Off", 202},
      {0x13, 0x1D, 0x0C, "        WLAN  : On\nBluetooth\xC2\xAE : Off", 203},  // not offered: no hold
      {0x01, 0x0D, 0x00, "WLAN : On", 203},
      {0x01, 0x0C, 0x0D, "WLAN : Off", 202},  // an absent radio's bits count for nothing
      {0x01, 0x09, 0x00, "WLAN : Disabled", 202},
      {0x02, 0x00, 0x05, "Bluetooth\xC2\xAE : Disabled", 202},
      {0x02, 0x0D, 0x0C, "Bluetooth\xC2\xAE : Off", 202},
      {0x02, 0x00, 0x0D, "Bluetooth\xC2\xAE : On", 203},
  };
  const EnglishTexts texts;
  for (const Case& c : cases) {
    const RadioFlags f = Flags(c.b0, c.b1, c.b2);
    EXPECT_EQ(StatusText(f, texts), c.text) << std::hex << int(c.b0) << " " << int(c.b1) << " " << int(c.b2);
    EXPECT_EQ(TrayIconId(f), c.icon) << std::hex << int(c.b0) << " " << int(c.b1) << " " << int(c.b2);
  }
}

TEST(TrayMenu, ItemsTextsAndGreying) {
  using Items = std::vector<TrayMenuItem>;
  struct Case {
    std::uint8_t b0, b1, b2;
    Items items;
  } const cases[] = {
      // Only all-radios items without separate switching, whatever exists;
      // greyed by the raw on-flags alone.
      {0x03, 0x0D, 0x0C, {{104, 57351, false}, {105, 57352, false}}},
      {0x03, 0x00, 0x00, {{104, 57351, false}, {105, 57352, true}}},
      {0x03, 0x01, 0x01, {{104, 57351, true}, {105, 57352, false}}},
      {0x01, 0x0D, 0x00, {{104, 57351, false}, {105, 57352, false}}},
      {0x1B, 0x1C, 0x0D, {{104, 57351, true}, {105, 57352, false}}},  // LAN hold, Bluetooth on
      // Separate switching: per-radio items, texts by the on-flags, greyed
      // by usability.
      {0x23, 0x0D, 0x0D, {{102, 57348, false}, {103, 57350, false}, {104, 57351, true}, {105, 57352, false}}},
      {0x23, 0x0C, 0x0C, {{102, 57347, false}, {103, 57349, false}, {104, 57351, false}, {105, 57352, true}}},
      {0x23, 0x0D, 0x04, {{102, 57348, false}, {103, 57349, true}, {104, 57351, false}, {105, 57352, false}}},
      {0x23, 0x08, 0x04, {{102, 57347, true}, {103, 57349, true}, {104, 57351, true}, {105, 57352, true}}},
      {0x23, 0x09, 0x05, {{102, 57348, true}, {103, 57350, true}, {104, 57351, true}, {105, 57352, true}}},
      // One radio: its item only.
      {0x22, 0x00, 0x05, {{103, 57350, true}}},
      {0x21, 0x0D, 0x00, {{102, 57348, false}}},
      // LAN switching hold (all three bits): WLAN greyed; Bluetooth decides.
      {0x3B, 0x1D, 0x0C, {{102, 57348, true}, {103, 57349, false}, {104, 57351, false}, {105, 57352, true}}},
      {0x3B, 0x1C, 0x0D, {{102, 57347, true}, {103, 57350, false}, {104, 57351, true}, {105, 57352, false}}},
      {0x33, 0x1C, 0x0D, {{102, 57347, false}, {103, 57350, false}, {104, 57351, false}, {105, 57352, false}}},
      {0x2B, 0x1C, 0x0D, {{102, 57347, false}, {103, 57350, false}, {104, 57351, false}, {105, 57352, false}}},
  };
  for (const Case& c : cases) {
    const Items items = TrayMenuItems(Flags(c.b0, c.b1, c.b2));
    EXPECT_EQ(items, c.items) << std::hex << int(c.b0) << " " << int(c.b1) << " " << int(c.b2);
  }
}

// The icon's callback in the notify protocol the icon is added with (0)
// and in version 4, then what each event does. Events: 0x205 the right
// button's release, 0x7B the context menu, 0x401 the keyboard's selection
// (Enter or Space on the focused icon), 0x400 a selection by the mouse,
// 0x203 the left double click, 0x202 the left release.
TEST(TrayIconCallback, DecodedAndTurnedIntoTheMenuOrTheDefaultItem) {
  struct Decode {
    unsigned version;
    std::uintptr_t wParam, lParam;
    unsigned id, event;
    bool anchor;
    int x, y;
  } const decodes[] = {
      {0, 201, 0x205, 201, 0x205, false, 0, 0},
      {0, 201, 0x401, 201, 0x401, false, 0, 0},
      {3, 201, 0x7B, 201, 0x7B, false, 0, 0},
      // Version 4: event and id in lParam, the anchor in wParam; negative
      // coordinates on a monitor left of or above the primary one.
      {4, 0x01F403E8, 0x00C9007B, 201, 0x7B, true, 1000, 500},
      {4, 0xFFFEFFFF, 0x00C90401, 201, 0x401, true, -1, -2},
      {4, 0x00007FFF, 0x00CA0205, 202, 0x205, true, 32767, 0},
  };
  for (const Decode& d : decodes) {
    const IconCallback c = DecodeIconCallback(d.version, d.wParam, d.lParam);
    EXPECT_EQ(c.iconId, d.id) << d.version << " " << std::hex << d.lParam;
    EXPECT_EQ(c.event, d.event) << d.version << " " << std::hex << d.lParam;
    EXPECT_EQ(c.hasAnchor, d.anchor) << d.version << " " << std::hex << d.lParam;
    EXPECT_EQ(c.x, d.x) << d.version << " " << std::hex << d.wParam;
    EXPECT_EQ(c.y, d.y) << d.version << " " << std::hex << d.wParam;
  }

  struct Act {
    unsigned version, event;
    IconAction action;
  } const acts[] = {
      {0, 0x205, IconAction::kMenu},
      {0, 0x7B, IconAction::kMenu},
      {0, 0x401, IconAction::kMenu},
      {0, 0x203, IconAction::kDefaultCommand},
      {0, 0x400, IconAction::kNone},
      {0, 0x202, IconAction::kNone},
      {0, 0x204, IconAction::kNone},
      // From version 3 on the release is followed by 0x7B: one menu.
      {2, 0x205, IconAction::kMenu},
      {3, 0x205, IconAction::kNone},
      {4, 0x205, IconAction::kNone},
      {3, 0x7B, IconAction::kMenu},
      {4, 0x401, IconAction::kMenu},
      {4, 0x203, IconAction::kDefaultCommand},
      {4, 0x400, IconAction::kNone},
  };
  for (const Act& a : acts) {
    EXPECT_EQ(static_cast<int>(IconEventAction(a.version, a.event)), static_cast<int>(a.action))
        << a.version << " " << std::hex << a.event;
  }
}

TEST(ReasonTexts, StringsOneFiftyEightToOneSixtyOne) {
  // Strings 158 to 161 of the string table; none for a radio that is on.
  EXPECT_EQ(OffReasonTextId(OffReason::BiosSettings), 158u);
  EXPECT_EQ(OffReasonTextId(OffReason::WirelessButton), 159u);
  EXPECT_EQ(OffReasonTextId(OffReason::LanSwitching), 160u);
  EXPECT_EQ(OffReasonTextId(OffReason::UserSelection), 161u);
  EXPECT_EQ(OffReasonTextId(OffReason::None), 0u);
}

}  // namespace
}  // namespace rm
