#include "rmctl/win/Console.h"

#include <windows.h>

#include <vector>

namespace rmctl {
namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

void Write(DWORD which, const std::string& text) {
  const HANDLE out = ::GetStdHandle(which);
  if (!out || out == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::string bytes = text;
  const UINT consoleCp = ::GetConsoleOutputCP();
  if (consoleCp != 0 && consoleCp != ::GetACP()) {
    const std::wstring wide = Widen(text);
    const int n = ::WideCharToMultiByte(consoleCp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
    if (n > 0) {
      bytes.assign(static_cast<std::size_t>(n), '\0');
      ::WideCharToMultiByte(consoleCp, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0], n, nullptr,
                            nullptr);
    }
  }
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void WriteOut(const std::string& text) { Write(STD_OUTPUT_HANDLE, text); }
void WriteErr(const std::string& text) { Write(STD_ERROR_HANDLE, text); }

}  // namespace rmctl
