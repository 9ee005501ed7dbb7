#include "tray/windows/HelpLauncher.h"

#include <ole2.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "common/win/OwningWrappers.h"

namespace rm {
namespace {

// HtmlHelpA: caller window, "file::/topic", command, data; the viewer or null.
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr UINT kDisplayTopic = 1;  // HH_DISPLAY_TOPIC
constexpr WORD kHtmlHelpOrdinal = 14;
constexpr char kControlServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr DWORD kMaxPathBytes = 260;

// The process-wide binding; the library stays loaded for the process.
// Viewer threads make it, one at a time.
std::mutex bindingLock;
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

HtmlHelpFunction BindHtmlHelp() {
  const std::lock_guard<std::mutex> guard(bindingLock);
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

constexpr UINT kPreTranslateMessage = 0xFD;  // HH_PRETRANSLATEMESSAGE

}  // namespace

// One opening, shared by the caller's thread and the viewer thread, so that
// neither leaves the other anything dangling.
struct HelpRequest {
  explicit HelpRequest(HWND c) : caller(c) {}
  const HWND caller;
  std::mutex lock;  // guards the members below
  bool answered = false;
  bool givenUp = false;  // the caller closed before the answer
  HWND viewer = nullptr;
};

namespace {

// The viewer's messages, until it is gone or the thread is told to quit.
// Sent messages are handled inside PeekMessageW, so the loop also sees a
// viewer closed by one.
void RunViewer(HtmlHelpFunction function, HWND viewer) noexcept {
  while (::IsWindow(viewer)) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      if (function(nullptr, nullptr, kPreTranslateMessage, reinterpret_cast<DWORD_PTR>(&msg))) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

DWORD WINAPI ViewerThread(void* parameter) noexcept {
  try {
    const std::unique_ptr<std::shared_ptr<HelpRequest>> owned(static_cast<std::shared_ptr<HelpRequest>*>(parameter));
    const std::shared_ptr<HelpRequest> request = *owned;
    const HRESULT ole = ::OleInitialize(nullptr);
    const HtmlHelpFunction function = BindHtmlHelp();
    const HWND viewer = function ? function(request->caller, kHelpTopic, kDisplayTopic, 0) : nullptr;
    bool givenUp = false;
    {
      const std::lock_guard<std::mutex> guard(request->lock);
      request->viewer = viewer;
      request->answered = true;
      givenUp = request->givenUp;
    }
    if (viewer) {
      if (givenUp) ::PostMessageW(viewer, WM_CLOSE, 0, 0);
      RunViewer(function, viewer);
      // Told to quit with the viewer still open: it goes before the
      // apartment it lives in.
      if (::IsWindow(viewer) && ::GetWindowThreadProcessId(viewer, nullptr) == ::GetCurrentThreadId()) {
        ::DestroyWindow(viewer);
      }
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
  } catch (...) {
  }
  return 0;
}

// Waits until `thread` ends or `deadline` passes, handling the messages that
// other threads send to this one's windows meanwhile: the viewer's owner is
// ours.
void WaitForThread(HANDLE thread, ULONGLONG deadline) noexcept {
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    const DWORD wait =
        ::MsgWaitForMultipleObjectsEx(1, &thread, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE, 0);
    if (wait != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

HelpViewer::~HelpViewer() { Close(); }

bool HelpViewer::Opening() const noexcept {
  if (!request_) return false;
  try {
    const std::lock_guard<std::mutex> guard(request_->lock);
    return !request_->answered;
  } catch (...) {
    return false;
  }
}

HWND HelpViewer::Window() const noexcept {
  if (!request_) return nullptr;
  HWND viewer = nullptr;
  try {
    const std::lock_guard<std::mutex> guard(request_->lock);
    viewer = request_->viewer;
  } catch (...) {
    return nullptr;
  }
  return viewer && ::IsWindow(viewer) ? viewer : nullptr;
}

void HelpViewer::Show(HWND caller) noexcept {
  if (Opening() || Window()) return;
  // The last viewer is gone; its thread, if still ending, ends by itself.
  request_.reset();
  thread_.reset();
  if (bindingFailed) return;
  try {
    auto request = std::make_shared<HelpRequest>(caller);
    auto parameter = std::make_unique<std::shared_ptr<HelpRequest>>(request);
    UniqueHandle thread(::CreateThread(nullptr, 0, &ViewerThread, parameter.get(), 0, nullptr));
    if (!thread) return;
    parameter.release();  // the thread owns it now
    request_ = std::move(request);
    thread_ = std::move(thread);
  } catch (...) {
  }
}

void HelpViewer::Close() noexcept {
  if (!request_) return;
  const ULONGLONG deadline = ::GetTickCount64() + kHelpCloseWaitMs;
  HWND viewer = nullptr;
  try {
    const std::lock_guard<std::mutex> guard(request_->lock);
    request_->givenUp = true;
    viewer = request_->viewer;
  } catch (...) {
  }
  // Sent, not posted, so that it is handled before this returns; bounded,
  // since the viewer's thread may hang.
  DWORD_PTR answer = 0;
  if (viewer && ::IsWindow(viewer)) {
    ::SendMessageTimeoutW(viewer, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kHelpCloseWaitMs, &answer);
  }
  if (thread_) WaitForThread(thread_.get(), deadline);
  thread_.reset();
  request_.reset();
}

}  // namespace rm
