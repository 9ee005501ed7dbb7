#include "tray/windows/ResourceString.h"

#include <vector>

namespace rm {

std::string LoadResourceString(HINSTANCE instance, UINT id, int capacity) {
  if (capacity < 1) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
  const int length = ::LoadStringA(instance, id, buffer.data(), capacity);
  return std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring LoadResourceText(HINSTANCE instance, UINT id, int capacity) {
  if (capacity < 1) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(capacity), L'\0');
  const int length = ::LoadStringW(instance, id, buffer.data(), capacity);
  return std::wstring(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace rm
