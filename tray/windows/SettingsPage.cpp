#include "tray/windows/SettingsPage.h"

#include "tray/res/resource.h"
#include "tray/windows/Notices.h"

namespace rm {
namespace {

constexpr int kCheckBoxes[kPageSettingCount] = {IDC_SET_HIDE_TRAY, IDC_SET_HIDE_BIOS, IDC_SET_NO_BALLOONS,
                                                IDC_SET_NO_FIRST_BALLOON};
constexpr struct {
  int id;
  unsigned textId;
} kTexts[] = {
    {IDC_SET_GROUP_APP, IDS_SETTINGS_APPLICATION},      {IDC_SET_HIDE_TRAY, IDS_SETTINGS_HIDE_TRAY},
    {IDC_SET_HIDE_BIOS, IDS_SETTINGS_HIDE_BIOS},        {IDC_SET_GROUP_BALLOONS, IDS_SETTINGS_BALLOONS},
    {IDC_SET_NO_BALLOONS, IDS_SETTINGS_NO_CHANGE_BALLOONS}, {IDC_SET_NO_FIRST_BALLOON, IDS_SETTINGS_NO_FIRST_BALLOON},
};

}  // namespace

HWND SettingsPage::Create(HWND parent) { return CreateModeless(instance_, IDD_SETTINGS_PAGE, parent); }

void SettingsPage::ReadChecks(std::uint32_t (&checks)[kPageSettingCount]) const {
  for (int i = 0; i < kPageSettingCount; ++i) {
    checks[i] = static_cast<std::uint32_t>(::SendDlgItemMessageA(hwnd(), kCheckBoxes[i], BM_GETCHECK, 0, 0));
  }
}

BOOL SettingsPage::OnInitDialog() {
  for (int i = 0; i < kPageSettingCount; ++i) {
    copies_[i] = CheckStateOfStored(settings_.*(kPageSettings[i]->member));
    ::SendDlgItemMessageA(hwnd(), kCheckBoxes[i], BM_SETCHECK, copies_[i], 0);
  }
  for (const auto& text : kTexts) {
    ::SetDlgItemTextW(hwnd(), text.id, LoadResourceText(instance_, text.textId).c_str());
  }
  Enable(EnablingAtOpening(copies_[0], copies_[2]));
  return TRUE;
}

bool SettingsPage::Checked(int id) const {
  return ::SendDlgItemMessageA(hwnd(), id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SettingsPage::Enable(const SettingsEnabling& enabling) {
  ::EnableWindow(::GetDlgItem(hwnd(), IDC_SET_HIDE_BIOS), enabling.hideBios);
  ::EnableWindow(::GetDlgItem(hwnd(), IDC_SET_NO_BALLOONS), enabling.disableBalloons);
  ::EnableWindow(::GetDlgItem(hwnd(), IDC_SET_NO_FIRST_BALLOON), enabling.disableFirstBalloon);
}

bool SettingsPage::OnCommand(WORD id, WORD code, HWND /*control*/) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_SET_HIDE_TRAY) {
    Enable(EnablingAfterHideTrayClick(Checked(IDC_SET_HIDE_TRAY)));
    return true;
  }
  if (id == IDC_SET_NO_BALLOONS) {
    ::EnableWindow(::GetDlgItem(hwnd(), IDC_SET_NO_FIRST_BALLOON),
                   FirstBalloonEnabledAfterBalloonsClick(Checked(IDC_SET_NO_BALLOONS)));
    return true;
  }
  return false;
}

bool SettingsPage::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR* result) {
  if (msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC) {
    *result = reinterpret_cast<INT_PTR>(background_);
    return true;
  }
  return false;
}

}  // namespace rm
