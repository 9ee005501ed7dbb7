#include "rmctl/core/DebugInfoText.h"

#include <cstdio>

namespace rmctl {
namespace {

using Diag = rm::StartupDiagnostics;

struct Named {
  std::uint32_t code;
  const char* name;
};

// The codes the start-up steps record: COM's, the registry's and WMI's.
constexpr Named kNames[] = {
    {0x00000000, "S_OK"},
    {0x00000001, "S_FALSE"},
    {0x00040004, "WBEM_S_TIMEDOUT"},
    {0x80004001, "E_NOTIMPL"},
    {0x80004002, "E_NOINTERFACE"},
    {0x80004003, "E_POINTER"},
    {0x80004005, "E_FAIL"},
    {0x8000FFFF, "E_UNEXPECTED"},
    {0x80010106, "RPC_E_CHANGED_MODE"},
    {0x8001010A, "RPC_E_SERVERCALL_RETRYLATER"},
    {0x80010119, "RPC_E_TOO_LATE"},
    {0x80040154, "REGDB_E_CLASSNOTREG"},
    {0x800401F0, "CO_E_NOTINITIALIZED"},
    {0x80041001, "WBEM_E_FAILED"},
    {0x80041002, "WBEM_E_NOT_FOUND"},
    {0x80041003, "WBEM_E_ACCESS_DENIED"},
    {0x80041004, "WBEM_E_PROVIDER_FAILURE"},
    {0x80041005, "WBEM_E_TYPE_MISMATCH"},
    {0x80041006, "WBEM_E_OUT_OF_MEMORY"},
    {0x80041008, "WBEM_E_INVALID_PARAMETER"},
    {0x8004100C, "WBEM_E_NOT_SUPPORTED"},
    {0x8004100E, "WBEM_E_INVALID_NAMESPACE"},
    {0x80041010, "WBEM_E_INVALID_CLASS"},
    {0x80041013, "WBEM_E_PROVIDER_LOAD_FAILURE"},
    {0x80041015, "WBEM_E_TRANSPORT_FAILURE"},
    {0x80041017, "WBEM_E_INVALID_QUERY"},
    {0x8004102E, "WBEM_E_INVALID_METHOD"},
    {0x80070005, "E_ACCESSDENIED"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x80070057, "E_INVALIDARG"},
    {0x80080005, "CO_E_SERVER_EXEC_FAILURE"},
};

// What each slot holds.
constexpr const char* kSlotNames[Diag::kCount] = {
    "COM initialisation",
    "COM security",
    "application module",
    "radio state object",
    "start-up probe",
    "creating the WMI locator",
    "connecting to \\\\.\\root\\wmi",
    "the class object of vtqBIntM",
    "opening the instance enumeration of vtqBIntM",
    "the last enumeration step",
    "objects the last step returned",
    "enumeration steps made",
    "instance found",
    "reading __PATH",
};

constexpr std::int32_t kNotRun = -1;

bool Failed(std::int32_t v) { return v < 0 && v != kNotRun; }

std::string SlotValue(std::size_t slot, std::int32_t v) {
  if (v == kNotRun) return "-1 (did not run)";
  char text[24];
  switch (slot) {
    case Diag::kRadioState:
    case Diag::kInstanceFound:
      return v ? "yes" : "no";
    case Diag::kLastNextReturned:
    case Diag::kNextRequests:
      std::snprintf(text, sizeof text, "%ld", static_cast<long>(v));
      return text;
    default:
      return HresultText(v);
  }
}

}  // namespace

const char* HresultName(std::int32_t code) {
  for (const Named& n : kNames)
    if (n.code == static_cast<std::uint32_t>(code)) return n.name;
  return "";
}

std::string HresultText(std::int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
  const char* name = HresultName(code);
  return *name ? std::string(text) + " (" + name + ")" : std::string(text);
}

std::string FailedStep(const Diag& d) {
  auto failed = [&](Diag::Slot slot) {
    return std::string(kSlotNames[slot]) + " failed: " + HresultText(d.Get(slot));
  };
  if (d.Get(Diag::kRadioState) == 0) return "the radio state object could not be created";
  for (Diag::Slot slot : {Diag::kLocator, Diag::kConnectServer, Diag::kGetClass, Diag::kEnumerate, Diag::kLastNext}) {
    if (Failed(d.Get(slot))) return failed(slot);
  }
  if (d.Get(Diag::kInstanceFound) == 0) {
    return "no instance of vtqBIntM came after " + SlotValue(Diag::kNextRequests, d.Get(Diag::kNextRequests)) +
           " enumeration steps";
  }
  if (Failed(d.Get(Diag::kReadPath))) return failed(Diag::kReadPath);
  const std::int32_t probe = d.Get(Diag::kProbe);
  if (probe == static_cast<std::int32_t>(0x80070005u)) return "the start-up probe refused a guest user: " + HresultText(probe);
  if (Failed(probe)) return "the start-up probe's wireless query failed: " + HresultText(probe);
  if (probe == kNotRun) return "no step recorded";
  return "none: the probe succeeded, and the start was refused because the machine has no supported radios";
}

std::string DebugInfoText(const std::uint8_t* bytes, std::size_t size, bool binary) {
  if (!bytes) return "DebugInfo: none (no start of the tray program has been refused for this user)\n";
  char text[96];
  if (!binary) return "DebugInfo: unreadable (not a binary value)\n";
  const auto d = Diag::Parse(bytes, size);
  if (!d) {
    std::snprintf(text, sizeof text, "DebugInfo: unreadable (%lu bytes, %lu expected)\n",
                  static_cast<unsigned long>(size), static_cast<unsigned long>(Diag::kBytes));
    return text;
  }
  std::string out = "DebugInfo: the tray program's last refused start\n";
  out += "  Failed step: " + FailedStep(*d) + "\n";
  for (std::size_t i = 0; i < Diag::kCount; ++i) {
    std::snprintf(text, sizeof text, "  %2lu %-46s ", static_cast<unsigned long>(i), kSlotNames[i]);
    out += text + SlotValue(i, d->slots[i]) + "\n";
  }
  return out;
}

}  // namespace rmctl
