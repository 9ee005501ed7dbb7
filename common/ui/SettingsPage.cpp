#include "common/ui/SettingsPage.h"

#include "common/settings/SettingsStore.h"
#include "common/ui/DisplayMetrics.h"
#include "common/ui/ResourceString.h"

namespace rm {
namespace {
// Index of each check box in the layout's order.
constexpr int kHideTray = 0, kNoBalloons = 2;
}  // namespace

SettingsPage::SettingsPage(HINSTANCE instance, const SettingsPageLayout& layout, const Settings& settings)
    : instance_(instance), layout_(layout), settings_(settings) {
  if (layout_.solidBackground) background_.reset(::CreateSolidBrush(layout_.backgroundColor));
}

HWND SettingsPage::Create(HWND parent) { return CreateModeless(instance_, layout_.templateId, parent); }

void SettingsPage::ReadChecks(std::uint32_t (&checks)[kPageSettingCount]) const {
  for (int i = 0; i < kPageSettingCount; ++i) {
    checks[i] = static_cast<std::uint32_t>(::SendMessageA(CheckBox(i), BM_GETCHECK, 0, 0));
  }
}

void SettingsPage::ApplyOk(Settings& settings, UINT broadcastMessage) const {
  if (hwnd()) {
    std::uint32_t checks[kPageSettingCount] = {};
    ReadChecks(checks);
    StoreSettings(settings, ChangedSettings(settings, checks));
  }
  if (broadcastMessage) BroadcastSettingsChanged(broadcastMessage);
}

BOOL SettingsPage::OnInitDialog() {
  for (int i = 0; i < kPageSettingCount; ++i) {
    checksAtOpening_[i] = CheckStateOfStored(settings_.*(kPageSettings[i]->member));
    ::SendMessageA(CheckBox(i), BM_SETCHECK, checksAtOpening_[i], 0);
  }
  for (const auto& text : layout_.texts) {
    ::SetDlgItemTextW(hwnd(), text.controlId, LoadResourceText(instance_, text.stringId).c_str());
  }
  Enable(EnablingAtOpening(checksAtOpening_[kHideTray], checksAtOpening_[kNoBalloons]));
  return TRUE;
}

bool SettingsPage::Checked(int index) const {
  return ::SendMessageA(CheckBox(index), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SettingsPage::Enable(const SettingsEnabling& enabling) {
  ::EnableWindow(CheckBox(1), enabling.hideBios);
  ::EnableWindow(CheckBox(2), enabling.disableBalloons);
  ::EnableWindow(CheckBox(3), enabling.disableFirstBalloon);
}

bool SettingsPage::OnCommand(WORD id, WORD code, HWND /*control*/) {
  if (code != BN_CLICKED) return false;
  if (id == layout_.checkBoxes[kHideTray]) {
    Enable(EnablingAfterHideTrayClick(Checked(kHideTray)));
    return true;
  }
  if (id == layout_.checkBoxes[kNoBalloons]) {
    ::EnableWindow(CheckBox(3), FirstBalloonEnabledAfterBalloonsClick(Checked(kNoBalloons)));
    return true;
  }
  return false;
}

bool SettingsPage::OnMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, INT_PTR* result) {
  if (msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC) {
    *result = reinterpret_cast<INT_PTR>(background_.get());
    if (!background_) return true;
    // The white page, or the scheme's window colour in high contrast, with
    // the window text on it (the default text colour would be black on a
    // black scheme). Asked at each paint, so a change shows at the next.
    const ColorChoice page = ColorFor(ColoredKind::kWhitePage, HighContrastOn());
    if (page.system) *result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(page.sysIndex));
    const HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ColorRefOf(page));
    return true;
  }
  return false;
}

}  // namespace rm
