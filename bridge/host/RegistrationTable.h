// The bridge's COM registration as data: the keys and values written under
// HKEY_CLASSES_ROOT for the AppID and for each class, with placeholders for
// what differs per class and the executable's path.
#pragma once

#include <string>
#include <vector>

namespace vtq {

inline constexpr char kAppId[] = "{851CCB28-8554-4D67-9F9C-00198C4FA2C4}";
inline constexpr char kLibId[] = "{E42CC8E5-C25D-4864-B25C-84332DC9BF2B}";
inline constexpr char kAppIdName[] = "vtqwmi";
inline constexpr char kExeName[] = "vtqwmi.EXE";

struct ClassRegistration {
  const char* clsid;        // in braces
  const char* description;
  const char* progId;
  const char* versionIndependentProgId;
};

// Table order: vtqCallBiosEx, then WmiKestrel.
const std::vector<ClassRegistration>& ServedClasses();

// One value to write: key path under HKEY_CLASSES_ROOT, value name (empty:
// the key's default value) and text. A key without value (Programmable) has
// `hasValue` false.
struct RegistryEntry {
  std::string key;
  std::string name;
  std::string text;
  bool hasValue = true;
};

// Keys removed whole before writing (delete-then-write) and when
// unregistering. "CLSID" and "AppID" themselves are never among them.
std::vector<std::string> ClassKeysToDelete(const ClassRegistration& c);
std::vector<RegistryEntry> ClassEntries(const ClassRegistration& c, const std::string& exePath);

std::vector<std::string> AppIdKeysToDelete();
std::vector<RegistryEntry> AppIdEntries();

}  // namespace vtq
