#include "tray/windows/StatusControls.h"

#include "common/ui/Dialog.h"
#include "common/ui/DisplayMetrics.h"
#include "tray/res/resource.h"

namespace rm {

COLORREF ColorOf(TextColor color, bool highContrast) {
  switch (color) {
    case TextColor::kBlue: return ColorRefOf(ColorFor(ColoredKind::kBlueWord, highContrast));
    case TextColor::kGrey: return ColorRefOf(ColorFor(ColoredKind::kGreyWord, highContrast));
    case TextColor::kDefault: break;
  }
  return ::GetSysColor(COLOR_WINDOWTEXT);
}

void ColorLabel::Show(const wchar_t* text, TextColor color) {
  color_ = color;
  if (!hwnd()) return;
  ::SetWindowTextW(hwnd(), text);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT ColorLabel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CTLCOLORSTATIC + kReflectBase) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ColorOf(color_, HighContrastOn()));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  return Subclass::WindowProc(msg, wParam, lParam);
}

void StatusIcon::Bind(HWND control, HINSTANCE instance) {
  control_ = control;
  instance_ = instance;
  Load();
}

void StatusIcon::Load() {
  const int size = StatusPictureSize(WindowDpi(control_));
  on_.reset(LoadIconOfSize(instance_, IDI_RADIO_ON, size));
  off_.reset(LoadIconOfSize(instance_, IDI_RADIO_OFF, size));
}

void StatusIcon::Show(int iconId) {
  shown_ = iconId;
  if (!control_) return;
  const HICON icon = iconId == IDI_RADIO_ON ? on_.get() : off_.get();
  ::SendMessageA(control_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void StatusIcon::Reload() {
  if (!control_) return;
  // The control lets go of the old picture before it is destroyed.
  ::SendMessageA(control_, STM_SETICON, 0, 0);
  Load();
  Show(shown_);
}

}  // namespace rm
