#include "tray/core/RadioState.h"

#include "common/MessageNames.h"
#include "tray/core/StartupRules.h"

namespace rm {

RadioState::RadioState(StartupDiagnostics& diagnostics) : client_(diagnostics) {}

RadioState::~RadioState() = default;

HRESULT RadioState::ReadWord(WirelessWord* word) {
  std::uint32_t returnCode = 0;
  return client_.Call(kCmdRead, kTypeWireless, 0, static_cast<std::uint32_t>(word->size()), &returnCode, nullptr,
                      word->data());
}

HRESULT RadioState::Probe() {
  if (client_.Connect()) {
    WirelessWord word{};
    const HRESULT hr = ReadWord(&word);
    if (SUCCEEDED(hr)) {
      std::lock_guard<std::mutex> guard(flagsLock_);
      currentWord_ = word;
      flags_ = RadioFlags::Decode(word);
    }
    return hr;
  }
  // The user's name matters only after a failed connection.
  char name[260] = {};
  DWORD size = sizeof name;
  if (::GetUserNameA(name, &size) && IsGuestUserName(name)) return E_ACCESSDENIED;
  return E_FAIL;
}

HRESULT RadioState::Refresh() {
  WirelessWord previous{};
  {
    std::lock_guard<std::mutex> guard(flagsLock_);
    previousWord_ = currentWord_;
    previous = previousWord_;
  }
  WirelessWord word = previous;
  const HRESULT hr = ReadWord(&word);
  if (hr != S_OK) return hr;

  const int kind = ClassifyChange(previous, word);
  const RadioFlags flags = RadioFlags::Decode(word);
  {
    std::lock_guard<std::mutex> guard(flagsLock_);
    currentWord_ = word;
    changeKind_ = kind;
    flags_ = flags;
  }
  ::Sleep(10);
  const HWND window = trayWindow_.load();
  if (kind != kChangeNone && window) {
    ::PostMessageA(window, kWmRadioStateChanged, static_cast<WPARAM>(kind), 0);
  }
  return S_OK;
}

bool RadioState::SwitchRadios(const SwitchRequest& request) {
  std::uint32_t returnCode = 0;
  const HRESULT hr = client_.Call(kCmdWrite, kTypeWireless, static_cast<std::uint32_t>(request.size()), 0,
                                  &returnCode, request.data(), nullptr);
  if (hr != S_OK) return false;
  if (switchSignal) ::SetEvent(switchSignal.get());
  if (wirelessEvent) ::SetEvent(wirelessEvent.get());
  return true;
}

RadioFlags RadioState::Flags() const {
  std::lock_guard<std::mutex> guard(flagsLock_);
  return flags_;
}

int RadioState::ChangeKind() const {
  std::lock_guard<std::mutex> guard(flagsLock_);
  return changeKind_;
}

WirelessWord RadioState::CurrentWord() const {
  std::lock_guard<std::mutex> guard(flagsLock_);
  return currentWord_;
}

}  // namespace rm
