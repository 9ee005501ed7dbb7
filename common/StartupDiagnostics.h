// StartupDiagnostics: the results of the tray program's start-up and
// firmware connection steps, kept so that a refused start can leave them in
// the registry value DebugInfo, where rmctl's report reads them back.
// Portable: no Windows headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace rm {

struct StartupDiagnostics {
  enum Slot : std::size_t {
    kComInit = 0,           // CoInitializeEx of the main thread
    kComSecurity = 1,       // CoInitializeSecurity
    kModuleInit = 2,        // the application module
    kRadioState = 3,        // 0: no RadioState, else nonzero
    kProbe = 4,             // RadioState::Probe
    kLocator = 5,           // Connect step 1: create the WMI locator
    kConnectServer = 6,     // step 2: connect to \\.\root\wmi
    kGetClass = 7,          // step 3: the class object of vtqBIntM
    kEnumerate = 8,         // step 4: open the instance enumeration
    kLastNext = 9,          // step 5: result of the last Next
    kLastNextReturned = 10, // objects the last Next returned
    kNextRequests = 11,     // Next requests made
    kInstanceFound = 12,    // 0: no instance came, else nonzero
    kReadPath = 13,         // step 6: reading __PATH
    kCount = 14,
  };
  static constexpr std::size_t kBytes = kCount * 4;

  std::array<std::int32_t, kCount> slots;

  StartupDiagnostics() { Reset(); }
  // Every slot -1: a step that never ran keeps it.
  void Reset() { slots.fill(-1); }
  void Set(Slot slot, std::int32_t value) { slots[slot] = value; }
  std::int32_t Get(Slot slot) const { return slots[slot]; }

  // The DebugInfo layout: 14 little-endian signed 32-bit values.
  std::array<std::uint8_t, kBytes> Serialize() const;
  // The record back from DebugInfo's bytes; none unless exactly kBytes.
  static std::optional<StartupDiagnostics> Parse(const std::uint8_t* data, std::size_t size);
};

// A nonzero 32-bit stand-in for a pointer (slot kRadioState).
std::int32_t NonzeroHandleValue(const void* p);

}  // namespace rm
