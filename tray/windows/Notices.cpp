#include "tray/windows/Notices.h"

#include "common/settings/SettingsStore.h"
#include "common/SettingsNames.h"
#include "tray/res/resource.h"

namespace rm {
namespace {

void ShowErrorBox(HINSTANCE instance, UINT textId) {
  const std::wstring text = LoadResourceText(instance, textId, 512);
  const std::wstring caption = LoadResourceText(instance, IDS_PRODUCT_NAME);
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

void ShowGuestNotice(HINSTANCE instance) { ShowErrorBox(instance, IDS_GUEST_NOT_SUPPORTED); }

void ShowUnsupportedNotice(HINSTANCE instance) { ShowErrorBox(instance, IDS_MACHINE_NOT_SUPPORTED); }

NoDevicesNotice::NoDevicesNotice(HINSTANCE instance, Settings& settings) : instance_(instance), settings_(settings) {}

INT_PTR NoDevicesNotice::Show(HWND owner) {
  RunModal(instance_, IDD_NODEVICES, owner);
  return 0;
}

BOOL NoDevicesNotice::OnInitDialog() {
  ::SetDlgItemTextW(hwnd(), IDC_NODEV_TEXT, LoadResourceText(instance_, IDS_NO_DEVICES).c_str());
  ::SetDlgItemTextW(hwnd(), IDC_NODEV_DONTSHOW, LoadResourceText(instance_, IDS_DO_NOT_SHOW_AGAIN).c_str());
  // The template says "OK"; the texts name the button in the user's language.
  ::SetDlgItemTextW(hwnd(), IDOK, LoadResourceText(instance_, IDS_BUTTON_OK).c_str());
  ::CheckDlgButton(hwnd(), IDC_NODEV_DONTSHOW, BST_UNCHECKED);
  return TRUE;
}

bool NoDevicesNotice::OnCommand(WORD id, WORD code, HWND /*control*/) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_NODEV_DONTSHOW) {
    const LRESULT state = ::SendDlgItemMessageA(hwnd(), IDC_NODEV_DONTSHOW, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED) doNotShowAgain_ = 1;
    if (state == BST_UNCHECKED) doNotShowAgain_ = 0;
    return true;
  }
  if (id == IDOK || id == IDCLOSE) {
    StoreAndClose();
    return true;
  }
  return false;
}

bool NoDevicesNotice::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR* result) {
  switch (msg) {
    case WM_CLOSE:
      StoreAndClose();
      *result = TRUE;
      return true;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      *result = reinterpret_cast<INT_PTR>(background_);
      return true;
    default:
      return false;
  }
}

void NoDevicesNotice::StoreAndClose() {
  StoreSetting(settings_, &Settings::doNotShowNoDevDlg, kDoNotShowNoDevDlg, doNotShowAgain_);
  ::EndDialog(hwnd(), 0);
}

}  // namespace rm
