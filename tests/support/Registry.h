// Reading and writing registry values in tests, on the project's owning key
// type. Keys are opened for what the call needs; `view` (KEY_WOW64_32KEY or
// KEY_WOW64_64KEY, 0 for the caller's own) picks the registry view.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/win/OwningWrappers.h"

namespace rmtest {

inline rm::UniqueRegKey OpenKey(HKEY root, const std::string& path, REGSAM access = KEY_READ, REGSAM view = 0) {
  rm::UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, access | view, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

// Opens the key, creating what is missing.
inline rm::UniqueRegKey CreateKey(HKEY root, const std::string& path, REGSAM access = KEY_WRITE, REGSAM view = 0) {
  rm::UniqueRegKey key;
  if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access | view, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    key.reset();
  return key;
}

inline bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0) {
  return static_cast<bool>(OpenKey(root, path, KEY_READ, view));
}

// One value as stored: `exists` false when the key or the value is missing.
// `text` is the data up to its first NUL, `number` the data of a 4-byte
// REG_DWORD (0 otherwise).
struct RegValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::string text;
  DWORD number = 0;
  // The data as a DWORD whatever its type, when it is 4 bytes long; else 0.
  DWORD AsDword() const {
    DWORD v = 0;
    if (data.size() == 4) std::memcpy(&v, data.data(), 4);
    return v;
  }
};

// `name` null: the key's default value.
inline RegValue ReadValue(HKEY key, const char* name) {
  RegValue v;
  DWORD size = 0;
  if (::RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
  v.data.resize(size);
  if (::RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size) != ERROR_SUCCESS) return RegValue();
  v.data.resize(size);
  v.exists = true;
  if (v.type == REG_DWORD && size == 4)
    std::memcpy(&v.number, v.data.data(), 4);
  else
    v.text.assign(reinterpret_cast<const char*>(v.data.data()),
                  strnlen(reinterpret_cast<const char*>(v.data.data()), v.data.size()));
  return v;
}

inline RegValue ReadValue(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
  const rm::UniqueRegKey key = OpenKey(root, path, KEY_QUERY_VALUE, view);
  return key ? ReadValue(key.get(), name) : RegValue();
}

inline bool WriteValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size,
                       REGSAM view = 0) {
  const rm::UniqueRegKey key = CreateKey(root, path, KEY_SET_VALUE, view);
  return key && ::RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

inline bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value, REGSAM view = 0) {
  return WriteValue(root, path, name, REG_DWORD, &value, sizeof value, view);
}

// The number of values of the key (0 when it is missing).
inline DWORD ValueCount(HKEY root, const std::string& path, REGSAM view = 0) {
  const rm::UniqueRegKey key = OpenKey(root, path, KEY_QUERY_VALUE, view);
  DWORD count = 0;
  if (key)
    ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                       nullptr, nullptr);
  return count;
}

}  // namespace rmtest
