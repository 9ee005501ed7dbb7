#include "tray/core/TrayWindow.h"

#include "common/MessageNames.h"
#include "tray/core/SettingsStore.h"
#include "tray/res/resource.h"

namespace rm {

TrayWindow::TrayWindow(RadioState& radios)
    : radios_(radios),
      msgTrayIcon_(::RegisterWindowMessageA("ZARN_RADIOMINDER_TRAYICON")),
      msgTaskbarCreated_(::RegisterWindowMessageA("TaskbarCreated")) {}

HWND TrayWindow::Create(HINSTANCE instance) { return CreateModeless(instance, IDD_TRAYWINDOW, nullptr); }

BOOL TrayWindow::OnInitDialog() {
  msgOpenStatusPage_ = ::RegisterWindowMessageA(kMsgOpenStatusPage);
  msgPropsChanged_ = ::RegisterWindowMessageA(kMsgPropsChanged);
  watcherStarted_ = false;
  if (MessageLoop* loop = Module().GetMessageLoop()) {
    loop->AddFilter(this);
    inLoop_ = true;
  }
  return TRUE;
}

bool TrayWindow::PreTranslateMessage(MSG* msg) {
  if (msg->message == 0x31B) {
    msg->wParam = 0;
    msg->lParam = 0;
  }
  const HWND window = hwnd();
  return window && ::IsDialogMessageA(window, msg);
}

bool TrayWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  (void)lParam;
  *result = TRUE;
  if (msg == WM_TIMER) {
    OnTimer(static_cast<UINT_PTR>(wParam));
    return true;
  }
  if (msg == kWmRadioStateChanged) {
    // The display follows the radios once the icon exists (first display).
    return true;
  }
  if (msgPropsChanged_ && msg == msgPropsChanged_) {
    OnSettingsChanged();
    return true;
  }
  return false;
}

bool TrayWindow::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  if (id == kCmdEndProgram) {
    EndProgram();
    return true;
  }
  return false;
}

void TrayWindow::OnDestroyed() {
  if (inLoop_) {
    if (MessageLoop* loop = Module().GetMessageLoop()) loop->RemoveFilter(this);
    inLoop_ = false;
  }
}

void TrayWindow::OnTimer(UINT_PTR id) {
  // One shot: the first display happens once.
  ::KillTimer(hwnd(), id);
}

void TrayWindow::OnSettingsChanged() { RereadChangedSettings(AppSettings()); }

void TrayWindow::EndProgram() {
  // The firmware event watcher, once it runs, is stopped and joined here,
  // before the window goes, so RadioState outlives it.
  watcherStarted_ = false;
  radios_.SetTrayWindow(nullptr);
  ::DestroyWindow(hwnd());
  ::PostQuitMessage(0);
}

}  // namespace rm
