#include "panel/PanelSheet.h"

#include "common/MessageNames.h"
#include "common/ui/AccessibleControls.h"
#include "common/ui/DisplayMetrics.h"
#include "common/ui/ResourceString.h"
#include "panel/res/resource.h"

namespace rm {
namespace {

// Template 202 on a solid white brush, so the page, its group boxes and its
// check boxes are drawn on white inside the tab.
const SettingsPageLayout kPanelPageLayout = {
    IDD_PANEL_PAGE,
    {IDC_PANEL_HIDE_TRAY, IDC_PANEL_HIDE_BIOS, IDC_PANEL_NO_BALLOONS, IDC_PANEL_NO_FIRST_BALLOON},
    {{IDC_PANEL_GROUP_APP, IDS_PANEL_APPLICATION},
     {IDC_PANEL_GROUP_BALLOONS, IDS_PANEL_BALLOONS},
     {IDC_PANEL_HIDE_TRAY, IDS_PANEL_HIDE_TRAY},
     {IDC_PANEL_HIDE_BIOS, IDS_PANEL_HIDE_BIOS},
     {IDC_PANEL_NO_BALLOONS, IDS_PANEL_NO_CHANGE_BALLOONS},
     {IDC_PANEL_NO_FIRST_BALLOON, IDS_PANEL_NO_FIRST_BALLOON}},
    true,
    RGB(0xFF, 0xFF, 0xFF),
};

}  // namespace

PanelSettingsPage::PanelSettingsPage(HINSTANCE instance, const Settings& settings)
    : SettingsPage(instance, kPanelPageLayout, settings) {}

PanelSheet::PanelSheet(HINSTANCE instance, Settings& settings)
    : instance_(instance), settings_(settings), page_(instance, settings) {}

// The sheet is per-monitor (v2) aware whatever the Control Panel host is:
// the awareness of the thread that creates a window decides. The controls'
// accessible objects go to screen readers through COM; a host thread
// already in another apartment keeps it.
INT_PTR PanelSheet::Run(HWND owner) {
  const PerMonitorWindows perMonitor;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const INT_PTR result = RunModal(instance_, IDD_PANEL_SHEET, owner);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return result;
}

bool PanelSheet::OnMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, INT_PTR* /*result*/) {
  FollowDisplayChange(hwnd(), msg, wParam, icons_);
  return false;
}

BOOL PanelSheet::OnInitDialog() {
  propsChangedMessage_ = ::RegisterWindowMessageA(kMsgPropsChanged);
  CentreOverOwner(hwnd());
  icons_.Set(hwnd(), instance_, IDI_PANEL);
  tabs_.Bind(::GetDlgItem(hwnd(), IDC_PANEL_TAB));
  okButton_ = ::GetDlgItem(hwnd(), IDOK);
  cancelButton_ = ::GetDlgItem(hwnd(), IDCANCEL);
  const HWND pageWindow = page_.Create(hwnd());
  tabs_.AddPage(pageWindow, 0, LoadResourceText(instance_, IDS_PANEL_TAB_PROPERTIES).c_str());
  ::SetWindowTextW(okButton_, LoadResourceText(instance_, IDS_PANEL_OK).c_str());
  ::SetWindowTextW(cancelButton_, LoadResourceText(instance_, IDS_PANEL_CANCEL).c_str());
  GiveAccessibleRoles(hwnd());
  tabs_.Select(0);
  // The page's first control, not the tab strip, which comes first in the
  // order of the controls.
  tabs_.FocusFirstControl();
  return FALSE;
}

bool PanelSheet::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  switch (id) {
    case IDOK:
      // The values the page changed go to the key and into the applet
      // settings; the broadcast follows in any case.
      page_.ApplyOk(settings_, propsChangedMessage_);
      ::EndDialog(hwnd(), kSheetOk);
      return true;
    case IDCANCEL:
      ::EndDialog(hwnd(), kSheetCancel);
      return true;
    default:
      return false;
  }
}

}  // namespace rm
