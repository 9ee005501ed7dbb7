#include "tray/core/TrayWindow.h"

#include <shellapi.h>

#include <cstdint>
#include <memory>

#include "common/MessageNames.h"
#include "common/win/SystemFunction.h"
#include "common/settings/SettingsStore.h"
#include "common/SettingsNames.h"
#include "common/ui/ResourceString.h"
#include "tray/core/FirmwareWatcher.h"
#include "tray/core/Startup.h"
#include "tray/core/TrayRules.h"
#include "tray/res/resource.h"

namespace rm {

std::string TrayWindow::Texts::Text(unsigned id) const { return LoadResourceUtf8(Module().Instance(), id); }

TrayWindow::TrayWindow(RadioState& radios, ProgramWindows& windows)
    : radios_(radios),
      windows_(windows),
      msgTrayIcon_(::RegisterWindowMessageA(kMsgTrayIcon)),
      msgTaskbarCreated_(::RegisterWindowMessageA("TaskbarCreated")),
      shell_(Module().Instance(), msgTrayIcon_),
      icon_(shell_) {}

TrayWindow::~TrayWindow() { icon_.Delete(); }

HWND TrayWindow::Create(HINSTANCE instance) { return CreateModeless(instance, IDD_TRAYWINDOW, nullptr); }

BOOL TrayWindow::OnInitDialog() {
  msgOpenStatusPage_ = ::RegisterWindowMessageA(kMsgOpenStatusPage);
  msgPropsChanged_ = ::RegisterWindowMessageA(kMsgPropsChanged);
  watcherStarted_ = false;
  shell_.SetOwner(hwnd());
  if (MessageLoop* loop = Module().GetMessageLoop()) {
    loop->AddFilter(this);
    inLoop_ = true;
  }
  return TRUE;
}

bool TrayWindow::PreTranslateMessage(MSG* msg) {
  const HWND window = hwnd();
  if (!window) return false;
  // The hidden window is the foreground window once the menu has been
  // shown; the dialog manager would turn a stray Enter into command 1 and
  // end the program. Keys have no business here.
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
      (msg->hwnd == window || ::IsChild(window, msg->hwnd))) {
    return true;
  }
  if (msg->message == 0x31B) {
    msg->wParam = 0;
    msg->lParam = 0;
  }
  return ::IsDialogMessageA(window, msg) != FALSE;
}

bool TrayWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  *result = TRUE;
  if (msg == WM_TIMER) {
    FirstDisplay(static_cast<UINT_PTR>(wParam));
  } else if (msg == kWmRadioStateChanged) {
    UpdateDisplay();
  } else if (msgPropsChanged_ && msg == msgPropsChanged_) {
    OnSettingsChanged();
  } else if (msgOpenStatusPage_ && msg == msgOpenStatusPage_) {
    OpenPropertiesWindow();
  } else if (msgTaskbarCreated_ && msg == msgTaskbarCreated_) {
    icon_.OnTaskbarCreated(AppSettings().hideSysTray != 0);
  } else if (msgTrayIcon_ && msg == msgTrayIcon_) {
    OnIconCallback(wParam, lParam);
  } else if (msg == WM_DPICHANGED || msg == WM_DISPLAYCHANGE ||
             (msg == WM_SETTINGCHANGE && (wParam == SPI_SETICONMETRICS || wParam == SPI_SETNONCLIENTMETRICS))) {
    // The notification area's DPI may have changed: the image is loaded
    // for it anew. Per-monitor awareness sends WM_DPICHANGED to this hidden
    // window too; Windows 7 has only the display change.
    icon_.ReloadImage();
    *result = FALSE;
    return false;
  } else if (msg == WM_DESTROY) {
    // The icon goes with its window.
    icon_.Delete();
    *result = FALSE;
    return false;
  } else {
    *result = FALSE;
    return false;
  }
  return true;
}

bool TrayWindow::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  switch (id) {
    case kCmdEndProgram: EndProgram(); return true;
    case IDM_OPEN: OpenPropertiesWindow(); return true;
    case IDM_TOGGLE_WLAN: radios_.SwitchRadios(ToggleWlanRequest(radios_.Flags())); return true;
    case IDM_TOGGLE_BLUETOOTH: radios_.SwitchRadios(ToggleBluetoothRequest(radios_.Flags())); return true;
    case IDM_ALL_ON: radios_.SwitchRadios(AllRadiosOnRequest()); return true;
    case IDM_ALL_OFF: radios_.SwitchRadios(AllRadiosOffRequest()); return true;
    case IDM_HIDE_ICON: HideIconForGood(); return true;
    default: return false;
  }
}

void TrayWindow::OnDestroyed() {
  if (inLoop_) {
    if (MessageLoop* loop = Module().GetMessageLoop()) loop->RemoveFilter(this);
    inLoop_ = false;
  }
}

void TrayWindow::FirstDisplay(UINT_PTR timerId) {
  ::KillTimer(hwnd(), timerId);
  icon_.FirstDisplay(radios_.Flags(), AppSettings(), texts_);
  if (!watcherStarted_ && OpenEventAndStartRelay(radios_)) watcherStarted_ = StartWatcherThread(radios_);
  if (OpenStatusRequested()) ::PostMessageA(hwnd(), msgOpenStatusPage_, 0, 0);
}

void TrayWindow::UpdateDisplay() {
  // The change kind (wParam) does not matter here: every change the
  // watcher reports is shown the same way.
  icon_.UpdateDisplay(radios_.Flags(), AppSettings(), texts_);
  if (properties_ && properties_->StatusPageWindow()) {
    ::PostMessageA(properties_->StatusPageWindow(), kWmRadioStateChanged, 0, 0);
  }
}

void TrayWindow::OnSettingsChanged() {
  ClosePropertiesWindow();
  Settings& settings = AppSettings();
  RereadChangedSettings(settings);
  if (settings.hideSysTray) {
    icon_.Hide();
  } else {
    icon_.Show();
  }
}

void TrayWindow::OnIconCallback(WPARAM wParam, LPARAM lParam) {
  static_assert(WM_CONTEXTMENU == 0x7B && WM_RBUTTONUP == 0x205 && WM_LBUTTONDBLCLK == 0x203 &&
                    NIN_KEYSELECT == 0x401,
                "the numbers TrayRules decodes");
  const IconCallback callback =
      DecodeIconCallback(kNotifyIconVersion, static_cast<std::uintptr_t>(wParam), static_cast<std::uintptr_t>(lParam));
  if (callback.iconId != kTrayIconId) return;
  switch (IconEventAction(kNotifyIconVersion, callback.event)) {
    case IconAction::kMenu: {
      POINT at = {callback.x, callback.y};
      if (callback.event == WM_RBUTTONUP) {
        ::GetCursorPos(&at);
      } else {
        at = KeyboardMenuPoint(callback.hasAnchor, at);
      }
      ShowMenu(at);
      break;
    }
    case IconAction::kDefaultCommand: RunDefaultCommand(); break;
    case IconAction::kNone: break;
  }
}

POINT TrayWindow::KeyboardMenuPoint(bool hasAnchor, POINT anchor) const {
  if (hasAnchor) return anchor;
  POINT at = {};
  NOTIFYICONIDENTIFIER icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = hwnd();
  icon.uID = kTrayIconId;
  RECT place = {};
  // Looked up, not imported: a shell without it still starts the program.
  using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
  const auto getRect = LoadedSystemFunction<GetRect>("shell32.dll", "Shell_NotifyIconGetRect");
  if (getRect && SUCCEEDED(getRect(&icon, &place)) && place.right > place.left) {
    at.x = place.left + (place.right - place.left) / 2;
    at.y = place.top + (place.bottom - place.top) / 2;
    return at;
  }
  ::GetCursorPos(&at);
  return at;
}

void TrayWindow::ShowMenu(POINT at) {
  if (menuShown_) return;
  const UniqueMenu menu(::LoadMenuA(Module().Instance(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
  const HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  // Wide texts: "®" and every language whatever the ANSI code page.
  ::ModifyMenuW(popup, IDM_OPEN, MF_BYCOMMAND | MF_STRING, IDM_OPEN, Utf16(texts_.Text(IDS_MENU_OPEN)).c_str());
  for (const TrayMenuItem& item : TrayMenuItems(radios_.Flags())) {
    ::AppendMenuW(popup, MF_STRING | (item.grayed ? MF_GRAYED : MF_ENABLED), item.id,
                  Utf16(texts_.Text(item.textId)).c_str());
  }
  // The menu closes when the user clicks elsewhere only when its owner is
  // the foreground window.
  ::SetForegroundWindow(hwnd());
  ::SetMenuDefaultItem(popup, 0, TRUE);
  menuShown_ = true;
  ::TrackPopupMenu(popup, TPM_CENTERALIGN, at.x, at.y, 0, hwnd(), nullptr);
  menuShown_ = false;
  ::PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void TrayWindow::RunDefaultCommand() {
  ::SetForegroundWindow(hwnd());
  const UniqueMenu menu(::LoadMenuA(Module().Instance(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
  const HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
  if (!popup) return;
  const UINT id = ::GetMenuItemID(popup, 0);
  if (id != static_cast<UINT>(-1)) ::SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// Command 101 and "ZARN_RADIOMINDER_OPENSTATPAGE" end here. At most one
// properties window: a further request brings it to the top. Its modal
// loop keeps dispatching this window's messages.
void TrayWindow::OpenPropertiesWindow() {
  if (properties_) {
    if (properties_->Window()) ::BringWindowToTop(properties_->Window());
    return;
  }
  Settings& settings = AppSettings();
  std::unique_ptr<PropertiesWindowControl> window =
      windows_.NewPropertiesWindow(Module().Instance(), radios_, settings);
  if (!window) return;
  properties_ = window.get();
  window->Run(::GetActiveWindow());
  properties_ = nullptr;
  window.reset();
  if (!hwnd()) return;  // the program ended meanwhile
  // Clearing "Hide Status Tray Icon" shows a hidden icon again at once.
  if (settings.hideSysTray) {
    icon_.Hide();
  } else {
    icon_.Show();
  }
}

void TrayWindow::ClosePropertiesWindow() {
  if (properties_) properties_->CloseFromOutside();
}

// The icon stays hidden until the user asks for it again (the settings
// page, the applet), also when the setting cannot be stored: the process
// keeps HideSysTray 1 whether or not the key opens.
void TrayWindow::HideIconForGood() {
  ClosePropertiesWindow();
  icon_.Hide();
  AppSettings().hideSysTray = 1;
  WriteSettingsDword(kHideSysTray, 1);
}

void TrayWindow::EndProgram() {
  ClosePropertiesWindow();
  // The watcher is stopped and joined before the window goes, so the
  // RadioState outlives it.
  if (watcherStarted_) StopWatcher(radios_);
  watcherStarted_ = false;
  radios_.SetTrayWindow(nullptr);
  ::DestroyWindow(hwnd());
  ::PostQuitMessage(0);
}

}  // namespace rm
