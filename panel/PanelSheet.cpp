#include "panel/PanelSheet.h"

#include "common/MessageNames.h"
#include "panel/res/resource.h"
#include "tray/core/SettingsStore.h"
#include "tray/windows/ResourceString.h"

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

// Posted to every top-level window of the other applications, without
// waiting: a hung tray program cannot block the applet.
constexpr DWORD kBroadcastFlags = BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE | BSF_FORCEIFHUNG | BSF_ALLOWSFW;
static_assert(kBroadcastFlags == 0xB2, "the broadcast's flags");

}  // namespace

PanelSettingsPage::PanelSettingsPage(HINSTANCE instance, const Settings& settings)
    : SettingsPage(instance, kPanelPageLayout, settings) {}

PanelSheet::PanelSheet(HINSTANCE instance, Settings& settings)
    : instance_(instance), settings_(settings), page_(instance, settings) {}

INT_PTR PanelSheet::Run(HWND owner) { return RunModal(instance_, IDD_PANEL_SHEET, owner); }

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
  tabs_.Select(0);
  return TRUE;
}

bool PanelSheet::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
  switch (id) {
    case IDOK:
      StoreAndBroadcast();
      ::EndDialog(hwnd(), kSheetOk);
      return true;
    case IDCANCEL:
      ::EndDialog(hwnd(), kSheetCancel);
      return true;
    default:
      return false;
  }
}

// The values the page changed go to the existing key (never created here)
// and into the applet settings; the broadcast is made whether or not the key
// opened and whether or not anything changed.
void PanelSheet::StoreAndBroadcast() {
  if (page_.hwnd()) {
    std::uint32_t checks[kPageSettingCount] = {};
    page_.ReadChecks(checks);
    StoreSettings(settings_, ChangedSettings(settings_, checks));
  }
  DWORD recipients = BSM_APPLICATIONS;
  ::BroadcastSystemMessageA(kBroadcastFlags, &recipients, propsChangedMessage_, 0, 0);
}

}  // namespace rm
