#include "bridge/relay/EventRelay.h"

#include <string>

#include "bridge/relay/NamedEvent.h"
#include "common/TextBuffer.h"
#include "common/win/Resource.h"

namespace vtq {
namespace {

constexpr char kRelayKey[] = "Software\\VTQ\\{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
constexpr char kVendorKey[] = "Software\\VTQ";
constexpr char kAppIdSubkey[] = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";

}  // namespace

HRESULT SubscribeBiosEvents() { return kRelayNotSubscribed; }
HRESULT SubscribeDockEvents() { return kRelayNotSubscribed; }
HRESULT StopRelay() { return S_OK; }

void ResubscribeAtStart(void* context) {
  if (context && EventsMarkerExists()) SubscribeBiosEvents();
}

LONG RegisterRelayEvent(DWORD id, const char* name) {
  if (!name || !*name) return ERROR_INVALID_PARAMETER;
  rm::UniqueRegKey relay;
  LONG rc = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, relay.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rm::UniqueRegKey sub;
  rc = ::RegCreateKeyExA(relay.get(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, sub.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return ::RegSetValueExA(sub.get(), "vtqBEvntID", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&id), sizeof(id));
}

void RemoveRelayEvent(const char* name) {
  if (!name || !*name) return;
  {
    rm::UniqueRegKey relay;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, relay.put(), nullptr) != ERROR_SUCCESS)
      return;
    ::RegDeleteKeyA(relay.get(), name);
  }
  rm::UniqueRegKey relay;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRelayKey, 0, KEY_READ, relay.put()) != ERROR_SUCCESS)
    return;
  char sub[32];
  DWORD size = sizeof(sub);
  if (::RegEnumKeyExA(relay.get(), 0, sub, &size, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_NO_MORE_ITEMS)
    return;
  relay.reset();
  rm::UniqueRegKey vendor;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_ALL_ACCESS, vendor.put()) ==
      ERROR_SUCCESS)
    ::RegDeleteKeyA(vendor.get(), kAppIdSubkey);
}

NamedEvent& ShutdownEvent() {
  static NamedEvent event(kShutdownEventName);
  return event;
}

void EventsMarkerPath(char (&path)[100]) {
  path[0] = '\0';
  char expanded[100] = "";
  const DWORD n = ::ExpandEnvironmentStringsA("%ProgramFiles%", expanded, sizeof(expanded));
  if (n == 0 || n > sizeof(expanded)) expanded[0] = '\0';
  rm::AppendTruncated(path, sizeof(path), expanded);
  rm::AppendTruncated(path, sizeof(path), "\\VTQ");
  rm::AppendTruncated(path, sizeof(path), "\\Shared");
  rm::AppendTruncated(path, sizeof(path), "\\");
  rm::AppendTruncated(path, sizeof(path), "vtqwmi.events");
}

bool EventsMarkerExists() {
  char path[100];
  EventsMarkerPath(path);
  rm::UniqueFile file(
      ::CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

}  // namespace vtq
