#include "tray/core/TrayRules.h"

#include "tray/res/resource.h"

namespace rm {
namespace {

// The window messages and notify events an icon's callback carries.
constexpr unsigned kWmContextMenu = 0x007B;
constexpr unsigned kWmLButtonDblClk = 0x0203;
constexpr unsigned kWmRButtonUp = 0x0205;
constexpr unsigned kNinKeySelect = 0x0401;  // NIN_SELECT (WM_USER) | NINF_KEY
constexpr unsigned kVersion3 = 3;           // NOTIFYICON_VERSION
constexpr unsigned kVersion4 = 4;           // NOTIFYICON_VERSION_4

int SignedWord(std::uintptr_t value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF)); }

void AppendAllRadiosItems(std::vector<TrayMenuItem>& items, const RadioFlags& f, bool wlanGrayed,
                          bool bluetoothGrayed) {
  TrayMenuItem on{IDM_ALL_ON, IDS_MENU_ALL_ON, wlanGrayed && bluetoothGrayed};
  TrayMenuItem off{IDM_ALL_OFF, IDS_MENU_ALL_OFF, wlanGrayed && bluetoothGrayed};
  // By the raw on-flags: nothing to turn on when both are on, nothing to
  // turn off when both are off.
  if (f.wlanOn && f.bluetoothOn) on.grayed = true;
  if (!f.wlanOn && !f.bluetoothOn) off.grayed = true;
  // A wireless LAN radio held off by LAN switching follows neither command,
  // so only Bluetooth decides which of the two still does something.
  if (f.hasWlan && WlanHeldByLanSwitching(f)) {
    if (f.bluetoothOn) {
      on.grayed = true;
    } else {
      off.grayed = true;
    }
  }
  items.push_back(on);
  items.push_back(off);
}

}  // namespace

std::vector<unsigned> StatusTextIds(const RadioFlags& f) {
  std::vector<unsigned> ids;
  if (f.hasWlan) {
    const bool both = f.hasBluetooth != 0;
    switch (WlanDisplayState(f)) {
      case DisplayState::Disabled: ids.push_back(both ? IDS_TIP_WLAN_DISABLED_LONG : IDS_TIP_WLAN_DISABLED); break;
      case DisplayState::On: ids.push_back(both ? IDS_TIP_WLAN_ON_LONG : IDS_TIP_WLAN_ON); break;
      case DisplayState::Off: ids.push_back(both ? IDS_TIP_WLAN_OFF_LONG : IDS_TIP_WLAN_OFF); break;
    }
  }
  if (f.hasBluetooth) {
    switch (BluetoothDisplayState(f)) {
      case DisplayState::Disabled: ids.push_back(IDS_TIP_BT_DISABLED); break;
      case DisplayState::On: ids.push_back(IDS_TIP_BT_ON); break;
      case DisplayState::Off: ids.push_back(IDS_TIP_BT_OFF); break;
    }
  }
  return ids;
}

bool AnyRadioShownOn(const RadioFlags& f) {
  return (f.hasWlan && WlanDisplayState(f) == DisplayState::On) ||
         (f.hasBluetooth && BluetoothDisplayState(f) == DisplayState::On);
}

int TrayIconId(const RadioFlags& f) { return AnyRadioShownOn(f) ? IDI_RADIO_ON : IDI_RADIO_OFF; }

std::vector<TrayMenuItem> TrayMenuItems(const RadioFlags& f) {
  std::vector<TrayMenuItem> items;
  if (!f.separateSwitching) {
    AppendAllRadiosItems(items, f, false, false);
    return items;
  }
  const bool wlanGrayed = !WlanUsable(f);
  const bool bluetoothGrayed = !BluetoothUsable(f);
  if (f.hasWlan) {
    const unsigned text = f.wlanOn ? IDS_MENU_WLAN_OFF : IDS_MENU_WLAN_ON;
    items.push_back({IDM_TOGGLE_WLAN, text, wlanGrayed});
  }
  if (f.hasBluetooth) {
    const unsigned text = f.bluetoothOn ? IDS_MENU_BT_OFF : IDS_MENU_BT_ON;
    items.push_back({IDM_TOGGLE_BLUETOOTH, text, bluetoothGrayed});
  }
  if (f.hasWlan && f.hasBluetooth) AppendAllRadiosItems(items, f, wlanGrayed, bluetoothGrayed);
  return items;
}

IconCallback DecodeIconCallback(unsigned version, std::uintptr_t wParam, std::uintptr_t lParam) {
  IconCallback c;
  if (version >= kVersion4) {
    c.event = static_cast<unsigned>(lParam & 0xFFFF);
    c.iconId = static_cast<unsigned>((lParam >> 16) & 0xFFFF);
    c.hasAnchor = true;
    c.x = SignedWord(wParam);
    c.y = SignedWord(wParam >> 16);
  } else {
    c.iconId = static_cast<unsigned>(wParam);
    c.event = static_cast<unsigned>(lParam);
  }
  return c;
}

IconAction IconEventAction(unsigned version, unsigned event) {
  switch (event) {
    case kWmRButtonUp: return version >= kVersion3 ? IconAction::kNone : IconAction::kMenu;
    case kWmContextMenu:
    case kNinKeySelect: return IconAction::kMenu;
    case kWmLButtonDblClk: return IconAction::kDefaultCommand;
    default: return IconAction::kNone;
  }
}

}  // namespace rm
