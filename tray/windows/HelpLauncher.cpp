#include "tray/windows/HelpLauncher.h"

#include "common/win/Resource.h"

namespace rm {
namespace {

// HtmlHelpA: caller window, "file::/topic", command, data; the viewer or null.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr UINT kDisplayTopic = 1;  // HH_DISPLAY_TOPIC
constexpr WORD kHtmlHelpOrdinal = 14;
constexpr char kControlServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr DWORD kMaxPathBytes = 260;

// The process-wide binding; the library stays loaded for the process.
HMODULE helpLibrary = nullptr;
HtmlHelpFunction htmlHelp = nullptr;
bool bindingFailed = false;

// The registered location of the HTML Help control, loaded; null when it is
// not registered as a string or does not load.
HMODULE LoadRegisteredControl() noexcept {
  UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlServerKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return nullptr;
  }
  // One byte more than may be read, so that an unterminated value still ends.
  char path[kMaxPathBytes + 1] = {};
  DWORD size = kMaxPathBytes;
  DWORD type = REG_NONE;
  if (::RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || path[0] == '\0') {
    return nullptr;
  }
  if (type == REG_EXPAND_SZ) {
    char expanded[MAX_PATH] = {};
    const DWORD length = ::ExpandEnvironmentStringsA(path, expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return nullptr;
    return ::LoadLibraryA(expanded);
  }
  return ::LoadLibraryA(path);
}

HtmlHelpFunction BindHtmlHelp() noexcept {
  if (htmlHelp || bindingFailed) return htmlHelp;
  HMODULE library = LoadRegisteredControl();
  if (!library) library = ::LoadLibraryA("hhctrl.ocx");
  if (!library) {
    bindingFailed = true;
    return nullptr;
  }
  const FARPROC entry = ::GetProcAddress(library, MAKEINTRESOURCEA(kHtmlHelpOrdinal));
  if (!entry) {
    bindingFailed = true;
    return nullptr;
  }
  helpLibrary = library;
  htmlHelp = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(entry));
  return htmlHelp;
}

}  // namespace

void ShowHelp(HWND caller, HWND* viewer) noexcept {
  if (!viewer) return;
  if (*viewer && ::IsWindow(*viewer)) return;
  const HtmlHelpFunction function = BindHtmlHelp();
  *viewer = function ? function(caller, kHelpTopic, kDisplayTopic, 0) : nullptr;
}

}  // namespace rm
