// The English strings the tray icon uses, by number, as the string table
// holds them, in UTF-8.
#pragma once

#include <map>
#include <string>

#include "tray/core/TrayIcon.h"

namespace rm {

class EnglishTexts : public TextTable {
 public:
  std::string Text(unsigned id) const override {
    static const std::map<unsigned, std::string> texts = {
        {128, "Zarn Radio Minder"},
        {57346, "Open Radio Minder"},
        {57347, "Turn WLAN On"},
        {57348, "Turn WLAN Off"},
        {57349, "Turn Bluetooth\xC2\xAE On"},
        {57350, "Turn Bluetooth\xC2\xAE Off"},
        {57351, "Turn On All Devices"},
        {57352, "Turn Off All Devices"},
        {57356, "        WLAN  : On\n"},
        {57357, "        WLAN  : Off\n"},
        {57358, "        WLAN  : Disabled\n"},
        {57359, "WLAN : On"},
        {57360, "WLAN : Off"},
        {57361, "WLAN : Disabled"},
        {57362, "Bluetooth\xC2\xAE : On"},
        {57363, "Bluetooth\xC2\xAE : Off"},
        {57364, "Bluetooth\xC2\xAE : Disabled"},
    };
    const auto it = texts.find(id);
    return it == texts.end() ? "?" + std::to_string(id) : it->second;
  }
};

}  // namespace rm
