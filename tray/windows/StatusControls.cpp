#include "tray/windows/StatusControls.h"

#include "common/ui/Dialog.h"
#include "tray/res/resource.h"

namespace rm {

COLORREF ColorOf(TextColor color) {
  switch (color) {
    case TextColor::kBlue: return static_cast<COLORREF>(kBlueColorRef);
    case TextColor::kGrey: return ::GetSysColor(COLOR_GRAYTEXT);
    case TextColor::kDefault: break;
  }
  return ::GetSysColor(COLOR_WINDOWTEXT);
}

void ColorLabel::Show(const wchar_t* text, TextColor color) {
  color_ = ColorOf(color);
  if (!hwnd()) return;
  ::SetWindowTextW(hwnd(), text);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT ColorLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CTLCOLORSTATIC + kReflectBase) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, color_);
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  return Subclass::WindowProc(msg, wParam, lParam);
}

void StatusIcon::Bind(HWND control, HINSTANCE instance) {
  control_ = control;
  on_.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_RADIO_ON), IMAGE_ICON, 48, 48,
                                            LR_DEFAULTCOLOR)));
  off_.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_RADIO_OFF), IMAGE_ICON, 48, 48,
                                             LR_DEFAULTCOLOR)));
}

void StatusIcon::Show(int iconId) {
  if (!control_) return;
  const HICON icon = iconId == IDI_RADIO_ON ? on_.get() : off_.get();
  ::SendMessageA(control_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

}  // namespace rm
