#include "bridge/host/ServiceRules.h"

namespace vtq {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

Switch ParseSwitch(std::string_view commandLine) noexcept {
  struct Name {
    std::string_view text;
    Switch value;
  };
  static constexpr Name kNames[] = {
      {"UnregServer", Switch::UnregServer},
      {"RegServer", Switch::RegServer},
      {"Service", Switch::Service},
  };
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (commandLine[i] != '-' && commandLine[i] != '/') continue;
    const std::string_view rest = commandLine.substr(i + 1);
    for (const Name& name : kNames) {
      if (EqualsIgnoringCase(rest, name.text)) return name.value;
    }
  }
  return Switch::None;
}

LogFlags DecodeSettings(std::uint32_t settings) noexcept {
  LogFlags flags;
  flags.success = (settings & 1u) != 0;
  flags.failure = (settings & 2u) != 0;
  return flags;
}

ControlAction ActionForControl(std::uint32_t control) noexcept {
  switch (control) {
    case 1:
      return ControlAction::Stop;
    case 5:
      return ControlAction::SelfStop;
    default:
      return ControlAction::None;
  }
}

bool InstanceLimitReached(std::uint32_t callCount, std::uint32_t maxAllowed) noexcept {
  return maxAllowed != 0 && callCount == maxAllowed;
}

}  // namespace vtq
