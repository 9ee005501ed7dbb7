// The firmware's answers as the tray program and rmctl decode them: the
// wireless status word (and the one before it), and the output size that
// names the method. Input: 4 bytes of the current word, 4 of the previous
// one, 4 of dwSizeOut. Every flag is 0 or 1 and ignores the unused bits; a
// radio's display state and reason agree; a change's kind depends only on
// bytes 1 and 2; the tray's icon and menu and rmctl's texts, JSON and switch
// decisions are well formed for any word.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "common/BiosCall.h"
#include "common/RadioFlags.h"
#include "rmctl/core/RadioText.h"
#include "tray/core/TrayRules.h"

namespace {

using rm::DisplayState;
using rm::OffReason;

// Bits of the word that carry no flag.
constexpr std::uint8_t kUnused[4] = {0xC4, 0xE0, 0xF0, 0xFF};

void CheckRadio(bool present, DisplayState state, OffReason reason) {
  (void)present;
  if ((state == DisplayState::On) != (reason == OffReason::None)) std::abort();
  if ((state == DisplayState::Off) != (reason == OffReason::UserSelection)) std::abort();
}

bool Lines(const std::string& text) { return !text.empty() && text.back() == '\n'; }

bool JsonObject(const std::string& j) {
  if (j.size() < 2 || j.front() != '{' || j.back() != '}') return false;
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < j.size(); ++i) {
    const char c = j[i];
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') --depth;
    if (depth < 0) return false;
  }
  return depth == 0 && !inString;
}

void CheckSwitch(const rmctl::SwitchDecision& d) {
  if (d.request.has_value() == !d.refusal.empty()) std::abort();
  if (d.refusal.find('\n') != std::string::npos) std::abort();
  if (d.request) {
    const rm::SwitchRequest& r = *d.request;
    if (r[1] == 0 || (r[0] & ~r[1]) != 0 || r[2] != 0 || r[3] != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  rm::WirelessWord word, previous, masked;
  std::memcpy(word.data(), data, 4);
  std::memcpy(previous.data(), data + 4, 4);
  std::uint32_t sizeOut = 0;
  std::memcpy(&sizeOut, data + 8, 4);

  // Decoding.
  const rm::RadioFlags f = rm::RadioFlags::Decode(word);
  for (int i = 0; i < 4; ++i) masked[i] = static_cast<std::uint8_t>(word[i] & ~kUnused[i]);
  const rm::RadioFlags g = rm::RadioFlags::Decode(masked);
  if (std::memcmp(&f, &g, sizeof f) != 0) std::abort();
  const int* flag = &f.hasWlan;
  for (std::size_t i = 0; i < sizeof f / sizeof(int); ++i)
    if (flag[i] != 0 && flag[i] != 1) std::abort();

  CheckRadio(f.hasWlan, rm::WlanDisplayState(f), rm::WlanOffReason(f));
  CheckRadio(f.hasBluetooth, rm::BluetoothDisplayState(f), rm::BluetoothOffReason(f));
  if ((rm::WlanDisplayState(f) == DisplayState::Disabled) == rm::WlanUsable(f)) std::abort();
  if ((rm::BluetoothDisplayState(f) == DisplayState::Disabled) == rm::BluetoothUsable(f)) std::abort();

  // Changes.
  const int change = rm::ClassifyChange(previous, word);
  if (change < rm::kChangeNone || change > rm::kChangeSelection) std::abort();
  if (change != rm::ClassifyChange(word, previous)) std::abort();
  if (previous[1] == word[1] && previous[2] == word[2] && change != rm::kChangeNone) std::abort();
  rm::WirelessWord other = previous;
  other[0] = static_cast<std::uint8_t>(~other[0]);
  other[3] = static_cast<std::uint8_t>(~other[3]);
  if (rm::ClassifyChange(other, word) != change) std::abort();

  // The tray program's icon and menu.
  const int icon = rm::TrayIconId(f);
  if (icon != 202 && icon != 203) std::abort();
  std::set<unsigned> ids;
  for (const rm::TrayMenuItem& item : rm::TrayMenuItems(f)) {
    if (item.id < 102 || item.id > 105 || !ids.insert(item.id).second) std::abort();
  }
  for (unsigned id : rm::StatusTextIds(f))
    if (id == 0) std::abort();

  // rmctl's texts.
  const std::string hex = rmctl::WordHex(word);
  if (hex.size() != 10 || hex.compare(0, 2, "0x") != 0) std::abort();
  const std::uint32_t back = static_cast<std::uint32_t>(std::strtoul(hex.c_str() + 2, nullptr, 16));
  const std::uint32_t value = word[0] | word[1] << 8 | word[2] << 16 | static_cast<std::uint32_t>(word[3]) << 24;
  if (back != value) std::abort();
  if (!Lines(rmctl::StatusText(word)) || !Lines(rmctl::FlagsText(word))) std::abort();
  if (!JsonObject(rmctl::StatusJson(word))) std::abort();
  const rmctl::Stamp stamp{2026, 12, 8, 14, 0, 5, 120};
  const std::string watch = rmctl::WatchLine(stamp, word);
  if (watch.find('\n') != std::string::npos && watch.find('\n') != watch.size() - 1) std::abort();
  if (!JsonObject(rmctl::WatchJson(stamp, word))) std::abort();
  for (rmctl::Radio radio : {rmctl::Radio::Wlan, rmctl::Radio::Bluetooth, rmctl::Radio::All}) {
    for (bool on : {false, true}) CheckSwitch(rmctl::DecideSwitch(radio, on, f));
  }

  // The method name of an output size: "vtqBIOSInt" and the size as a
  // signed number, cut to 19 characters.
  const std::string method = rm::BiosMethodName(sizeOut);
  const std::string number = std::to_string(static_cast<std::int32_t>(sizeOut));
  if (method.size() > 19 || method != ("vtqBIOSInt" + number).substr(0, 19)) std::abort();
  return 0;
}
