#include "tray/windows/PropertiesWindow.h"

#include <commctrl.h>

#include "tray/core/SettingsStore.h"
#include "tray/res/resource.h"
#include "tray/windows/HelpLauncher.h"
#include "tray/windows/Notices.h"

namespace rm {

PropertiesWindow::PropertiesWindow(HINSTANCE instance, RadioControl& radios, Settings& settings)
    : instance_(instance),
      radios_(radios),
      settings_(settings),
      statusPages_{{instance, IDD_STATUS_BOTH_BIOS}, {instance, IDD_STATUS_BOTH},
                   {instance, IDD_STATUS_WLAN_BIOS}, {instance, IDD_STATUS_WLAN},
                   {instance, IDD_STATUS_BT_BIOS},   {instance, IDD_STATUS_BT}},
      settingsPage_(instance, settings) {}

INT_PTR PropertiesWindow::Run(HWND owner) { return RunModal(instance_, IDD_PROPERTIES, owner); }

void PropertiesWindow::CloseFromOutside() {
  if (hwnd()) ::EndDialog(hwnd(), kPropsClosedFromOutside);
}

StatusPage* PropertiesWindow::PageForLayout(int layoutId) {
  for (StatusPage& page : statusPages_) {
    if (page.LayoutId() == layoutId) return &page;
  }
  return nullptr;
}

BOOL PropertiesWindow::OnInitDialog() {
  CentreWindow();
  SetIcons();
  const HWND tab = ::GetDlgItem(hwnd(), IDC_PROPS_TAB);
  tabs_.Bind(tab);
  okButton_ = ::GetDlgItem(hwnd(), IDOK);
  secondButton_ = ::GetDlgItem(hwnd(), IDCANCEL);
  helpButton_ = ::GetDlgItem(hwnd(), IDC_PROPS_HELP);

  const HWND settingsWindow = settingsPage_.Create(hwnd());
  statusPageWindow_ = nullptr;
  helpViewer_ = nullptr;
  if (StatusPage* page = PageForLayout(StatusLayoutId(radios_.Flags(), settings_.hideBiosSettings))) {
    statusPageWindow_ = page->Create(hwnd(), radios_);
  }
  tabs_.AddPage(statusPageWindow_, 0, LoadResourceText(instance_, IDS_TAB_WIRELESS_STATUS).c_str());
  tabs_.AddPage(settingsWindow, 1, LoadResourceText(instance_, IDS_TAB_PROPERTIES).c_str());
  ::SetWindowTextW(helpButton_, LoadResourceText(instance_, IDS_BUTTON_HELP).c_str());
  ::SetWindowTextW(okButton_, LoadResourceText(instance_, IDS_BUTTON_OK).c_str());

  // A programmatic selection raises no notification: send it ourselves.
  ::SendMessageA(tab, TCM_SETCURSEL, 0, 0);
  NMHDR selected = {tab, static_cast<UINT_PTR>(IDC_PROPS_TAB), static_cast<UINT>(TCN_SELCHANGE)};
  ::SendMessageA(hwnd(), WM_NOTIFY, IDC_PROPS_TAB, reinterpret_cast<LPARAM>(&selected));
  return TRUE;
}

// Over a visible, not minimised owner, else over the work area; never
// sticking out of the work area.
void PropertiesWindow::CentreWindow() {
  RECT work = {};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT around = work;
  const HWND owner = ::GetWindow(hwnd(), GW_OWNER);
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
  RECT own = {};
  ::GetWindowRect(hwnd(), &own);
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG x = around.left + (around.right - around.left - width) / 2;
  LONG y = around.top + (around.bottom - around.top - height) / 2;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  ::SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PropertiesWindow::SetIcons() {
  largeIcon_.reset(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_RADIO_ON), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                   LR_DEFAULTCOLOR)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_RADIO_ON), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  ::SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
  ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

bool PropertiesWindow::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam, INT_PTR* /*result*/) {
  if (msg == WM_NOTIFY && lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_PROPS_TAB && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
      OnTabSelected(static_cast<int>(::SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
    }
  }
  // Not consumed: the notification goes on to the tab control, reflected,
  // and the tab host switches pages.
  return false;
}

void PropertiesWindow::OnTabSelected(int index) {
  auto dropDefaultLook = [](HWND button) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(button, GWL_STYLE)) & 0xFF;
    ::SendMessageA(button, BM_SETSTYLE, style & ~static_cast<DWORD>(BS_DEFPUSHBUTTON), TRUE);
  };
  if (index == 0) {
    dropDefaultLook(okButton_);
    ::ShowWindow(okButton_, SW_HIDE);
    ::SetWindowTextW(secondButton_, LoadResourceText(instance_, IDS_BUTTON_CLOSE).c_str());
    ::SendMessageA(hwnd(), DM_SETDEFID, IDCANCEL, 0);
  } else if (index == 1) {
    dropDefaultLook(secondButton_);
    ::SetWindowTextW(secondButton_, LoadResourceText(instance_, IDS_BUTTON_CANCEL).c_str());
    ::ShowWindow(okButton_, SW_SHOW);
    ::SendMessageA(hwnd(), DM_SETDEFID, IDOK, 0);
  }
}

bool PropertiesWindow::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  switch (id) {
    case IDOK:
      Apply();
      ::EndDialog(hwnd(), kPropsOk);
      return true;
    case IDCANCEL:
      CloseWithViewer();
      ::EndDialog(hwnd(), kPropsClosed);
      return true;
    case IDC_PROPS_HELP:
      ShowHelp(hwnd(), &helpViewer_);
      return true;
    default:
      return false;
  }
}

// OK: the check states become the pending settings, and what differs from
// the in-memory settings is stored. The key is never created here.
void PropertiesWindow::Apply() {
  // Without its page there are no check states to take.
  if (!settingsPage_.hwnd()) return;
  settingsPage_.ReadChecks(pendingSettings_);
  StoreSettings(settings_, ChangedSettings(settings_, pendingSettings_));
}

void PropertiesWindow::CloseWithViewer() {
  if (helpViewer_ && ::IsWindow(helpViewer_)) ::SendMessageA(helpViewer_, WM_CLOSE, 0, 0);
  helpViewer_ = nullptr;
}

}  // namespace rm
