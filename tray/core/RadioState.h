// RadioState: the tray program's one model of the wireless radios. It reads
// the wireless status word through its BiosClient, decodes it into flags,
// switches radios, and tells the tray window about changes that matter.
//
// Threads: Probe and SwitchRadios run on the main thread, Refresh on the
// firmware event watcher thread. The flags and the change kind are guarded
// by one lock: Refresh decodes into a local value and stores it (with the
// change kind) under the lock, and readers take a consistent copy with
// Flags() / ChangeKind() under the same lock. WM_RADIOSTATECHANGED is posted
// only after the store, so a reader woken by it sees the new flags.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "tray/core/BiosClient.h"
#include "common/RadioFlags.h"

namespace rm {

class RadioState : public RadioControl {
 public:
  explicit RadioState(StartupDiagnostics& diagnostics);
  RadioState(const RadioState&) = delete;
  RadioState& operator=(const RadioState&) = delete;
  virtual ~RadioState();

  // Start-up only: connects the client and reads the word. E_ACCESSDENIED
  // when the firmware cannot be reached by the user "Guest", E_FAIL for
  // anyone else; otherwise the query's result.
  HRESULT Probe();
  // Watcher thread only: re-reads the word, classifies and decodes it, and
  // posts WM_RADIOSTATECHANGED (wParam the change kind) when it matters.
  HRESULT Refresh();
  // Main thread: sends the request; true when the firmware call returned
  // exactly S_OK. The flags follow only through the re-read that the
  // signals cause: the shared wireless event, for every program that waits
  // on it, and the watcher's own switch signal, which no other waiter can
  // take.
  bool SwitchRadios(const SwitchRequest& request) override;

  // Consistent copies, safe on any thread.
  RadioFlags Flags() const override;
  int ChangeKind() const;
  WirelessWord CurrentWord() const;

  BiosClient& Client() { return client_; }
  void SetTrayWindow(HWND window) { trayWindow_.store(window); }
  HWND TrayWindow() const { return trayWindow_.load(); }

  // The firmware event watcher's handles; it creates and closes them.
  // wirelessEvent is the named event shared with the bridge and other
  // programs; switchSignal (auto-reset) and stopSignal (manual-reset) are
  // this process's own.
  UniqueHandle wirelessEvent;
  UniqueHandle switchSignal;
  UniqueHandle stopSignal;
  UniqueHandle watcherThread;
  DWORD watcherThreadId = 0;
  std::atomic<int> stopRequest{0};

 private:
  HRESULT ReadWord(WirelessWord* word);

  BiosClient client_;
  std::atomic<HWND> trayWindow_{nullptr};

  mutable std::mutex flagsLock_;  // guards the members below
  RadioFlags flags_;
  int changeKind_ = 0;
  WirelessWord previousWord_{};
  WirelessWord currentWord_{};
};

}  // namespace rm
