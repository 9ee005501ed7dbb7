// What the tray icon shows and what its menu offers, decided from the radio
// flags: the string numbers of the status text, the icon, and the menu's
// switch items with their texts and greying. Portable: no Windows headers;
// the numbers are those of the resource script (tray/res/resource.h).
#pragma once

#include <cstdint>
#include <vector>

#include "common/RadioFlags.h"

namespace rm {

// The strings whose concatenation is the status text (tooltip and balloon):
// the wireless LAN part first, then the Bluetooth part. With both radios
// the wireless LAN part is the long, indented form ending in a line feed.
std::vector<unsigned> StatusTextIds(const RadioFlags& f);

// Whether a present radio is shown on: its display state (common/RadioFlags)
// is On, that is, it is usable and on.
bool AnyRadioShownOn(const RadioFlags& f);

// The image of the tray icon and of the status page's picture: 203 when a
// present radio is shown on, else 202.
int TrayIconId(const RadioFlags& f);

struct TrayMenuItem {
  unsigned id;      // command 102 to 105
  unsigned textId;  // string number of its text
  bool grayed;
  bool operator==(const TrayMenuItem& o) const {
    return id == o.id && textId == o.textId && grayed == o.grayed;
  }
};

// The items appended to the menu after "Open Radio Minder" and the
// separator, in order.
std::vector<TrayMenuItem> TrayMenuItems(const RadioFlags& f);

// The icon's callback message as the shell sends it. Up to version 3 of
// the notify protocol (the icon is added without NIM_SETVERSION, version
// 0) wParam is the icon's identifier and lParam the event; from version 4
// on the low word of lParam is the event, its high word the identifier and
// wParam the anchor point (x low, y high, signed) where a menu opened by
// the keyboard belongs.
struct IconCallback {
  unsigned iconId = 0;
  unsigned event = 0;      // WM_RBUTTONUP, WM_CONTEXTMENU, NIN_KEYSELECT, ...
  bool hasAnchor = false;  // version 4: x and y are the anchor
  int x = 0;
  int y = 0;
};
IconCallback DecodeIconCallback(unsigned version, std::uintptr_t wParam, std::uintptr_t lParam);

enum class IconAction { kNone, kMenu, kDefaultCommand };

// What an event of the icon does: the right click's release, the shell's
// context menu request and the keyboard's selection (Enter or Space on
// the focused icon, NIN_KEYSELECT) open the menu; the left double click
// runs its default item. From version 3 on the shell follows a right click
// with WM_CONTEXTMENU, so the release itself opens nothing there.
IconAction IconEventAction(unsigned version, unsigned event);

}  // namespace rm
