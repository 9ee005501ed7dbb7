// WMI object paths as the stand-in reads and writes them:
//   \\SERVER\ROOT\wmi:vtqBIntM.InstanceName="ACPI\\PNP0C14\\0_0"
//   vtqBIntM.InstanceName="ACPI\\PNP0C14\\0_0"   (relative path)
//   vtqBIntM                                      (a class)
//   vtqBIntM=@                                    (a singleton)
// and the namespace names a client may pass when it connects.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fwsim::wmi {

struct PathKey {
  std::string name;   // empty for the short form Class="value"
  std::string value;  // unescaped
  bool quoted = false;
};

struct ObjectPath {
  std::string server;     // empty for a relative path
  std::string nameSpace;  // as written, with backslashes
  std::string className;
  bool singleton = false;
  std::vector<PathKey> keys;  // empty for a class path

  bool IsClass() const { return !singleton && keys.empty(); }
};

// nullopt for text that is not an object path.
std::optional<ObjectPath> ParseObjectPath(const std::string& text);

// Class.Key="value" with backslashes and quotes escaped.
std::string FormatRelPath(const std::string& className, const std::string& keyName,
                          const std::string& keyValue);
// \\server\namespace:relPath
std::string FormatFullPath(const std::string& server, const std::string& nameSpace,
                           const std::string& relPath);

// True when the namespace names root\wmi on this computer: "root\wmi",
// "\\.\root\wmi", "//./root/wmi", "\\localhost\root\wmi" or the computer's
// own name as the server; any case.
bool IsFirmwareNamespace(const std::string& resource, const std::string& computerName);

}  // namespace fwsim::wmi
