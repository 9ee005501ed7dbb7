#include "tray/windows/HelpLauncher.h"

#include <ole2.h>

#include <atomic>
#include <memory>

#include "common/win/Resource.h"

namespace rm {
namespace {

// HtmlHelpA: caller window, "file::/topic", command, data; the viewer or null.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr UINT kDisplayTopic = 1;  // HH_DISPLAY_TOPIC
constexpr WORD kHtmlHelpOrdinal = 14;
constexpr char kControlServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr DWORD kMaxPathBytes = 260;

// The process-wide binding; the library stays loaded for the process. It is
// made on a viewer thread while the main thread waits for that thread's
// answer, so only one thread touches it at a time.
HMODULE helpLibrary = nullptr;
HtmlHelpFunction htmlHelp = nullptr;
std::atomic<bool> bindingFailed{false};

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

// The viewer hosts a browser control, which needs a single-threaded
// apartment; the tray program's main thread is in the multithreaded one. So
// each viewer gets a thread of its own that opens it and runs its messages
// until it is gone. The request is shared, so a caller that stops waiting
// leaves the thread nothing dangling.
struct HelpRequest {
  HWND caller = nullptr;
  HWND viewer = nullptr;
  UniqueHandle opened;  // set once `viewer` holds the answer
};

constexpr UINT kPreTranslateMessage = 0xFD;  // HH_PRETRANSLATEMESSAGE
constexpr DWORD kOpenTimeoutMs = 30000;

DWORD WINAPI ViewerThread(void* parameter) noexcept {
  const std::unique_ptr<std::shared_ptr<HelpRequest>> owned(static_cast<std::shared_ptr<HelpRequest>*>(parameter));
  const std::shared_ptr<HelpRequest> request = *owned;
  const HRESULT ole = ::OleInitialize(nullptr);
  const HtmlHelpFunction function = BindHtmlHelp();
  const HWND viewer = function ? function(request->caller, kHelpTopic, kDisplayTopic, 0) : nullptr;
  request->viewer = viewer;
  ::SetEvent(request->opened.get());
  while (viewer && ::IsWindow(viewer)) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      if (function(nullptr, nullptr, kPreTranslateMessage, reinterpret_cast<DWORD_PTR>(&msg))) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return 0;
}

// Waits for the viewer thread's answer, handling the messages that other
// threads send to this one's windows meanwhile: the viewer's owner is ours.
bool WaitForViewer(HANDLE opened) noexcept {
  const ULONGLONG deadline = ::GetTickCount64() + kOpenTimeoutMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &opened, FALSE, static_cast<DWORD>(deadline - now),
                                                   QS_SENDMESSAGE);
    if (wait == WAIT_OBJECT_0) return true;
    if (wait != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

void ShowHelp(HWND caller, HWND* viewer) noexcept {
  if (!viewer) return;
  if (*viewer && ::IsWindow(*viewer)) return;
  *viewer = nullptr;
  if (bindingFailed) return;
  try {
    auto request = std::make_shared<HelpRequest>();
    request->caller = caller;
    request->opened.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!request->opened) return;
    auto parameter = std::make_unique<std::shared_ptr<HelpRequest>>(request);
    const UniqueHandle thread(::CreateThread(nullptr, 0, &ViewerThread, parameter.get(), 0, nullptr));
    if (!thread) return;
    parameter.release();  // the thread owns it now
    if (WaitForViewer(request->opened.get())) *viewer = request->viewer;
  } catch (...) {
    *viewer = nullptr;
  }
}

}  // namespace rm
