// TrayWindow: the tray program's hidden main window, a modeless dialog from
// the empty template 129. It owns the program's end (command 1), the
// start-up timer, the settings-changed re-read, and the window messages the
// other programs use to reach the tray program. Main thread only.
#pragma once

#include <windows.h>

#include "tray/core/AppModule.h"
#include "tray/core/RadioState.h"
#include "tray/windows/Dialog.h"

namespace rm {

// The start-up timer: the icon, the first balloon and the firmware event
// watcher come when it fires.
inline constexpr UINT_PTR kStartupTimerId = 128;
inline constexpr UINT kStartupTimerMs = 5000;
// Command that ends the program; no menu item sends it.
inline constexpr WORD kCmdEndProgram = 1;  // IDOK

class TrayWindow : public Dialog, public MessageFilter {
 public:
  // Registers the icon callback message and "TaskbarCreated".
  explicit TrayWindow(RadioState& radios);

  // Creates the hidden window; null on failure.
  HWND Create(HINSTANCE instance);

  // The dialog-message filter of the main thread's loop.
  bool PreTranslateMessage(MSG* msg) override;

  UINT TrayIconMessage() const { return msgTrayIcon_; }
  UINT TaskbarCreatedMessage() const { return msgTaskbarCreated_; }
  UINT OpenStatusPageMessage() const { return msgOpenStatusPage_; }
  UINT PropsChangedMessage() const { return msgPropsChanged_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnDestroyed() override;

 private:
  void OnTimer(UINT_PTR id);
  void OnSettingsChanged();
  void EndProgram();

  RadioState& radios_;
  bool watcherStarted_ = false;
  bool inLoop_ = false;
  UINT msgTrayIcon_ = 0;
  UINT msgTaskbarCreated_ = 0;
  UINT msgOpenStatusPage_ = 0;
  UINT msgPropsChanged_ = 0;
};

}  // namespace rm
