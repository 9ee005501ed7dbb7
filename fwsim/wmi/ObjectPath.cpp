#include "fwsim/wmi/ObjectPath.h"

#include "fwsim/wmi/WqlQuery.h"

#include <cstddef>

namespace fwsim::wmi {
namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsSlash(char c) { return c == '\\' || c == '/'; }

// Reads an identifier at pos; empty when there is none.
std::string ReadIdentifier(const std::string& s, std::size_t& pos) {
  const std::size_t start = pos;
  if (pos >= s.size() || !IsIdentStart(s[pos])) return {};
  while (pos < s.size() && IsIdentChar(s[pos])) ++pos;
  return s.substr(start, pos - start);
}

// A key value: a quoted string with \" and \\ escapes, or a bare token up
// to the next comma (numbers, TRUE/FALSE).
bool ReadValue(const std::string& s, std::size_t& pos, PathKey& key) {
  if (pos >= s.size()) return false;
  if (s[pos] == '"') {
    key.quoted = true;
    ++pos;
    while (pos < s.size()) {
      const char c = s[pos++];
      if (c == '"') return true;
      if (c == '\\') {
        if (pos >= s.size()) return false;
        const char e = s[pos++];
        if (e != '\\' && e != '"') return false;
        key.value.push_back(e);
      } else {
        key.value.push_back(c);
      }
    }
    return false;  // no closing quote
  }
  const std::size_t start = pos;
  while (pos < s.size() && s[pos] != ',') {
    const char c = s[pos];
    if (!(IsIdentChar(c) || c == '-' || c == '+' || c == '.')) return false;
    ++pos;
  }
  if (pos == start) return false;
  key.value = s.substr(start, pos - start);
  return true;
}

// "\\server\ns1\ns2" or "ns1\ns2" (either slash) before the colon.
bool ParsePrefix(const std::string& prefix, ObjectPath& path) {
  std::string rest = prefix;
  if (rest.size() >= 2 && IsSlash(rest[0]) && IsSlash(rest[1])) {
    const std::size_t end = rest.find_first_of("\\/", 2);
    if (end == std::string::npos || end == 2) return false;
    path.server = rest.substr(2, end - 2);
    rest = rest.substr(end + 1);
  }
  if (rest.empty()) return false;
  std::string ns;
  std::size_t i = 0;
  while (i < rest.size()) {
    std::string part = ReadIdentifier(rest, i);
    if (part.empty()) return false;
    if (!ns.empty()) ns.push_back('\\');
    ns += part;
    if (i == rest.size()) break;
    if (!IsSlash(rest[i]) || i + 1 == rest.size()) return false;
    ++i;
  }
  path.nameSpace = ns;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

std::optional<ObjectPath> ParseObjectPath(const std::string& text) {
  ObjectPath path;
  // The namespace part ends at the first colon before any quoted value.
  const std::size_t quote = text.find('"');
  const std::size_t colon = text.find(':');
  std::size_t pos = 0;
  if (colon != std::string::npos && (quote == std::string::npos || colon < quote)) {
    if (!ParsePrefix(text.substr(0, colon), path)) return std::nullopt;
    pos = colon + 1;
  } else if (!text.empty() && IsSlash(text[0])) {
    return std::nullopt;  // a server without a namespace and class
  }
  path.className = ReadIdentifier(text, pos);
  if (path.className.empty()) return std::nullopt;
  if (pos == text.size()) return path;
  if (text[pos] == '=') {
    ++pos;
    if (pos < text.size() && text[pos] == '@') {
      if (pos + 1 != text.size()) return std::nullopt;
      path.singleton = true;
      return path;
    }
    PathKey key;
    if (!ReadValue(text, pos, key) || pos != text.size()) return std::nullopt;
    path.keys.push_back(key);
    return path;
  }
  if (text[pos] != '.') return std::nullopt;
  ++pos;
  for (;;) {
    PathKey key;
    key.name = ReadIdentifier(text, pos);
    if (key.name.empty() || pos >= text.size() || text[pos] != '=') return std::nullopt;
    ++pos;
    if (!ReadValue(text, pos, key)) return std::nullopt;
    path.keys.push_back(key);
    if (pos == text.size()) return path;
    if (text[pos] != ',') return std::nullopt;
    ++pos;
  }
}

std::string FormatRelPath(const std::string& className, const std::string& keyName,
                          const std::string& keyValue) {
  std::string out = className + "." + keyName + "=\"";
  for (char c : keyValue) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string FormatFullPath(const std::string& server, const std::string& nameSpace,
                           const std::string& relPath) {
  return "\\\\" + server + "\\" + nameSpace + ":" + relPath;
}

bool IsFirmwareNamespace(const std::string& resource, const std::string& computerName) {
  std::string s;
  for (char c : resource) s.push_back(c == '/' ? '\\' : c);
  s = Lower(s);
  if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
    const std::size_t end = s.find('\\', 2);
    if (end == std::string::npos) return false;
    const std::string server = s.substr(2, end - 2);
    if (server != "." && server != "localhost" && (computerName.empty() || server != Lower(computerName)))
      return false;
    s = s.substr(end + 1);
  }
  return s == "root\\wmi";
}

}  // namespace fwsim::wmi
