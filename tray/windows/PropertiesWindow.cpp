#include "tray/windows/PropertiesWindow.h"

#include <commctrl.h>

#include "common/ui/AccessibleControls.h"
#include "tray/res/resource.h"
#include "tray/windows/Notices.h"

namespace rm {
namespace {

// The "Properties" tab: template 205 in the default dialog colours.
const SettingsPageLayout kSettingsPageLayout = {
    IDD_SETTINGS_PAGE,
    {IDC_SET_HIDE_TRAY, IDC_SET_HIDE_BIOS, IDC_SET_NO_BALLOONS, IDC_SET_NO_FIRST_BALLOON},
    {{IDC_SET_GROUP_APP, IDS_SETTINGS_APPLICATION},
     {IDC_SET_GROUP_BALLOONS, IDS_SETTINGS_BALLOONS},
     {IDC_SET_HIDE_TRAY, IDS_SETTINGS_HIDE_TRAY},
     {IDC_SET_HIDE_BIOS, IDS_SETTINGS_HIDE_BIOS},
     {IDC_SET_NO_BALLOONS, IDS_SETTINGS_NO_CHANGE_BALLOONS},
     {IDC_SET_NO_FIRST_BALLOON, IDS_SETTINGS_NO_FIRST_BALLOON}},
    false,
    0,
};

}  // namespace

PropertiesWindow::PropertiesWindow(HINSTANCE instance, RadioControl& radios, Settings& settings)
    : instance_(instance),
      radios_(radios),
      settings_(settings),
      statusPages_{{instance, IDD_STATUS_BOTH_BIOS}, {instance, IDD_STATUS_BOTH},
                   {instance, IDD_STATUS_WLAN_BIOS}, {instance, IDD_STATUS_WLAN},
                   {instance, IDD_STATUS_BT_BIOS},   {instance, IDD_STATUS_BT}},
      settingsPage_(instance, kSettingsPageLayout, settings) {}

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
  CentreOverOwner(hwnd());
  icons_.Set(hwnd(), instance_, IDI_RADIO_ON);
  const HWND tab = ::GetDlgItem(hwnd(), IDC_PROPS_TAB);
  tabs_.Bind(tab);
  okButton_ = ::GetDlgItem(hwnd(), IDOK);
  closeCancelButton_ = ::GetDlgItem(hwnd(), IDCANCEL);
  helpButton_ = ::GetDlgItem(hwnd(), IDC_PROPS_HELP);

  const HWND settingsWindow = settingsPage_.Create(hwnd());
  statusPageWindow_ = nullptr;
  helpViewer_.Close();
  if (StatusPage* page = PageForLayout(StatusLayoutId(radios_.Flags(), settings_.hideBiosSettings))) {
    statusPageWindow_ = page->Create(hwnd(), radios_);
  }
  tabs_.AddPage(statusPageWindow_, 0, LoadResourceText(instance_, IDS_TAB_WIRELESS_STATUS).c_str());
  tabs_.AddPage(settingsWindow, 1, LoadResourceText(instance_, IDS_TAB_PROPERTIES).c_str());
  ::SetWindowTextW(helpButton_, LoadResourceText(instance_, IDS_BUTTON_HELP).c_str());
  ::SetWindowTextW(okButton_, LoadResourceText(instance_, IDS_BUTTON_OK).c_str());

  GiveAccessibleRoles(hwnd());
  tabs_.Select(0);
  // The page's first control, not the tab strip, which comes first in the
  // order of the controls.
  tabs_.FocusFirstControl();
  return FALSE;
}

bool PropertiesWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* /*result*/) {
  FollowDisplayChange(hwnd(), msg, wParam, icons_);
  // However the window ends (OK, Close, a close from outside, the program's
  // end), its viewer goes with it: the viewer lives on a thread of its own,
  // and a window owned across threads outlives its owner.
  if (msg == WM_DESTROY) {
    helpViewer_.Close();
    return false;
  }
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
    ::SetWindowTextW(closeCancelButton_, LoadResourceText(instance_, IDS_BUTTON_CLOSE).c_str());
    ::SendMessageA(hwnd(), DM_SETDEFID, IDCANCEL, 0);
  } else if (index == 1) {
    dropDefaultLook(closeCancelButton_);
    ::SetWindowTextW(closeCancelButton_, LoadResourceText(instance_, IDS_BUTTON_CANCEL).c_str());
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
      helpViewer_.Close();
      ::EndDialog(hwnd(), kPropsClosed);
      return true;
    case IDC_PROPS_HELP:
      helpViewer_.Show(hwnd());
      return true;
    default:
      return false;
  }
}

// OK: what the page changed is stored. Nothing is broadcast: the tray
// window shows or hides the icon by the settings when this window ends.
void PropertiesWindow::Apply() { settingsPage_.ApplyOk(settings_, 0); }

}  // namespace rm
