// What the bridge (vtqwmi) and its clients agree on besides the COM
// interface (the generated vtqwmi.h): the bridge's service and AppID, the
// relay key and its names, the service's parameters and log, the machine
// information record's layout and the firmware's "no return code" value.
// Each is spelled here once; the bridge, rmctl and the tray program include
// this file. No Windows here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace vtq {

namespace contract {

// The characters of `parts`, joined, with one terminator: a constant the
// compiler builds, so that a key made of other names is spelled once.
template <std::size_t N>
struct JoinedText {
  char text[N] = {};
  constexpr const char* c_str() const { return text; }
};

template <std::size_t... Sizes>
constexpr auto Join(const char (&... parts)[Sizes]) {
  JoinedText<(Sizes + ...) - sizeof...(Sizes) + 1> joined{};
  std::size_t at = 0;
  for (const char* part : {static_cast<const char*>(parts)...})
    for (std::size_t i = 0; part[i] != '\0'; ++i) joined.text[at++] = part[i];
  return joined;
}

}  // namespace contract

inline constexpr char kServiceName[] = "vtqwmi";
inline constexpr char kAppId[] = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
// The AppID key's value that names the service COM starts
// (HKEY_CLASSES_ROOT\AppID\{AppID}).
inline constexpr char kLocalServiceValue[] = "LocalService";

// HKEY_LOCAL_MACHINE: the service's parameters, read at the start of its run.
inline constexpr char kParametersKey[] = "System\\CurrentControlSet\\Services\\vtqwmi\\Parameters";
inline constexpr char kMaxAllowedValue[] = "MaxAllowed";
inline constexpr char kSettingsValue[] = "Settings";

// The service log: this folder under the common application data folder,
// this file.
inline constexpr char kLogFolderName[] = "vtqwmi";
inline constexpr char kLogFileName[] = "vtqwmi.log";

// The relay key, under HKEY_LOCAL_MACHINE: the vendor key and the AppID.
// Each subkey names an event the relay signals ("Global\" + the name); its
// value vtqBEvntID holds the firmware event ID.
inline constexpr char kVendorKey[] = "Software\\VTQ";
inline constexpr auto kRelayKeyText = contract::Join(kVendorKey, "\\", kAppId);
inline constexpr const char* kRelayKey = kRelayKeyText.c_str();
inline constexpr char kRelayIdValue[] = "vtqBEvntID";
// What the relay puts before a subkey's name to name the event it signals.
inline constexpr char kRelayNamePrefix[] = "Global\\";

// The relay names the bridge's registration writes and its unregistration
// removes, with their firmware event IDs.
struct RelayEventName {
  std::uint32_t id;
  const char* name;
};
inline constexpr char kWirelessRelayName[] = "VtqWmiBiosWirelessEvent";
inline constexpr RelayEventName kRelayEventNames[] = {
    {1, "VtqWmiBiosDockEvent"},
    {4, "VtqWmiBiosALSEvent"},
    {5, kWirelessRelayName},
};

// The value a firmware call's return code holds when the call never read
// one (refused before the firmware answered, or no answer at all).
inline constexpr std::uint32_t kBiosNoReturnCode = 0xFFFFFFFF;

// The machine information record that vtqGetMachineInfoEx hands its
// clients: 388 bytes, little-endian. Two layouts differ only in where the
// system product name goes (full: offset 308; short: offset 68, and the
// client receives only the first 308 bytes).
inline constexpr std::size_t kMachineInfoRecordSize = 388;
inline constexpr std::uint32_t kMachineInfoFullLayout = 388;
inline constexpr std::uint32_t kMachineInfoShortLayout = 308;

// Where each field lies in the record, and its size.
namespace machine_info {
struct Field {
  std::size_t offset;
  std::size_t size;
};
inline constexpr Field kRecordSize{0, 4};
inline constexpr Field kFirmwareVersion{4, 32};
inline constexpr Field kManufacturer{36, 32};
inline constexpr Field kShortProductName{68, 32};
inline constexpr Field kSerialNumber{100, 32};
inline constexpr Field kBoardProduct{132, 32};
inline constexpr Field kTotalMemory{164, 2};
inline constexpr Field kVideoNumber{166, 2};
inline constexpr Field kProcessorVersion{168, 50};
inline constexpr Field kBoardVersion{218, 34};
inline constexpr Field kProcessorFamily{252, 4};
inline constexpr Field kProcessorMaxSpeed{256, 2};
inline constexpr Field kProcessorMaxSpeedAgain{258, 2};
inline constexpr Field kUuid{260, 16};
inline constexpr Field kFirstMemoryWord{276, 2};
inline constexpr Field kSecondMemoryWord{278, 2};
inline constexpr Field kFullProductName{308, 80};
}  // namespace machine_info

}  // namespace vtq
