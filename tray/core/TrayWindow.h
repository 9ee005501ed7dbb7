// TrayWindow: the tray program's hidden main window, a modeless dialog from
// the empty template 129. It owns the notification-area icon with its
// tooltip, balloons and menu, starts and stops the firmware event watcher,
// follows the radios (WM_RADIOSTATECHANGED) and the settings-changed
// message, opens the properties window (made by ProgramWindows), and ends
// the program (command 1).
// Main thread only.
#pragma once

#include <windows.h>

#include "common/ui/Dialog.h"
#include "tray/core/AppModule.h"
#include "tray/core/ProgramWindows.h"
#include "tray/core/RadioState.h"
#include "tray/core/ShellNotifyIcon.h"
#include "tray/core/TrayIcon.h"

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
  TrayWindow(RadioState& radios, ProgramWindows& windows);
  ~TrayWindow() override;

  // Creates the hidden window; null on failure.
  HWND Create(HINSTANCE instance);

  // The dialog-message filter of the main thread's loop.
  bool PreTranslateMessage(MSG* msg) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnDestroyed() override;

 private:
  class Texts : public TextTable {
   public:
    std::string Text(unsigned id) const override;
  };

  void FirstDisplay(UINT_PTR timerId);
  void UpdateDisplay();
  void OnSettingsChanged();
  // The icon's callback: a click, a double click or the keyboard.
  void OnIconCallback(WPARAM wParam, LPARAM lParam);
  // The menu at `at`, in screen coordinates.
  void ShowMenu(POINT at);
  // Where a menu the keyboard opened goes: the anchor the shell gave, else
  // the icon's place, else the cursor.
  POINT KeyboardMenuPoint(bool hasAnchor, POINT anchor) const;
  void RunDefaultCommand();
  void OpenPropertiesWindow();
  void ClosePropertiesWindow();
  void HideIconForGood();
  void EndProgram();

  RadioState& radios_;
  ProgramWindows& windows_;
  UINT msgTrayIcon_ = 0;
  UINT msgTaskbarCreated_ = 0;
  Texts texts_;
  ShellNotifyIcon shell_;
  TrayIcon icon_;
  bool watcherStarted_ = false;
  bool inLoop_ = false;
  bool menuShown_ = false;  // the shell may repeat a keyboard selection while the menu runs
  UINT msgOpenStatusPage_ = 0;
  UINT msgPropsChanged_ = 0;
  // The open properties window; null when none.
  PropertiesWindowControl* properties_ = nullptr;
};

}  // namespace rm
