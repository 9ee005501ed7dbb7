#include "tray/core/TrayRules.h"

#include "tray/res/resource.h"

namespace rm {
namespace {

// A radio counts as on for the display only when it is usable as well.
bool WlanShownOn(const RadioFlags& f) { return WlanUsable(f) && f.wlanOn; }
bool BluetoothShownOn(const RadioFlags& f) { return BluetoothUsable(f) && f.bluetoothOn; }

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
    if (!WlanUsable(f)) {
      ids.push_back(both ? IDS_TIP_WLAN_DISABLED_LONG : IDS_TIP_WLAN_DISABLED);
    } else if (f.wlanOn) {
      ids.push_back(both ? IDS_TIP_WLAN_ON_LONG : IDS_TIP_WLAN_ON);
    } else {
      ids.push_back(both ? IDS_TIP_WLAN_OFF_LONG : IDS_TIP_WLAN_OFF);
    }
  }
  if (f.hasBluetooth) {
    if (!BluetoothUsable(f)) {
      ids.push_back(IDS_TIP_BT_DISABLED);
    } else {
      ids.push_back(f.bluetoothOn ? IDS_TIP_BT_ON : IDS_TIP_BT_OFF);
    }
  }
  return ids;
}

int TrayIconId(const RadioFlags& f) {
  const bool on = (f.hasWlan && WlanShownOn(f)) || (f.hasBluetooth && BluetoothShownOn(f));
  return on ? IDI_RADIO_ON : IDI_RADIO_OFF;
}

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

}  // namespace rm
