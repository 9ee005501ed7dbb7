#include "common/ui/ResourceString.h"

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

std::string LoadResourceUtf8(HINSTANCE instance, UINT id, int capacity) {
  const std::wstring text = LoadResourceText(instance, id, capacity);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring Utf16(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

}  // namespace rm
