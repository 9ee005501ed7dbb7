// ShellNotifyIcon: the one place that calls Shell_NotifyIconW. It turns the
// tray icon's notify data (UTF-8 texts) into the shell's NOTIFYICONDATAW of
// the same version as the 488-byte ANSI one (128-character tip, state,
// balloon; icon identifier 201, the callback message, the owner window), so
// "®" and every language show whatever the ANSI code page, and loads the
// image at the small-icon size of the notification area's DPI each time a
// call carries it. Main thread.
#pragma once

#include <windows.h>

#include "common/win/OwningWrappers.h"
#include "tray/core/TrayIcon.h"

namespace rm {

// The icon's identifier in the notification area (the menu's number too).
inline constexpr UINT kTrayIconId = 201;
// The notify protocol the icon speaks: it is added without NIM_SETVERSION,
// so the callback carries the identifier in wParam and the event in lParam
// (TrayRules' DecodeIconCallback).
inline constexpr unsigned kNotifyIconVersion = 0;

class ShellNotifyIcon : public IconShell {
 public:
  ShellNotifyIcon(HINSTANCE instance, UINT callbackMessage) : instance_(instance), callback_(callbackMessage) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  bool Notify(IconMessage message, const NotifyData& data) override;

  // The record of one call, as the shell receives it.
  NOTIFYICONDATAW Record(const NotifyData& data, HICON icon) const;
  // The image the last call that carried one gave the shell.
  HICON Image() const { return icon_.get(); }

 private:
  HINSTANCE instance_;
  UINT callback_;
  HWND owner_ = nullptr;
  UniqueIcon icon_;  // the image of the last call that carried one
};

}  // namespace rm
