// What the tray icon shows and what its menu offers, decided from the radio
// flags: the string numbers of the status text, the icon, and the menu's
// switch items with their texts and greying. Portable: no Windows headers;
// the numbers are those of the resource script (tray/res/resource.h).
#pragma once

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

}  // namespace rm
