// The status page's self-colouring controls: ColorLabel, a static whose
// text colour the page sets, and StatusIcon, the picture static that shows
// one of the two radio pictures, 48 x 48 at 96 DPI and scaled with the
// page's DPI.
#pragma once

#include <windows.h>

#include "common/ui/Subclass.h"
#include "common/win/OwningWrappers.h"
#include "tray/windows/StatusPageRules.h"

namespace rm {

// A static that answers its reflected colour request with its own text
// colour on a transparent background. The colour is taken at each paint,
// so a change of high contrast or of the scheme shows at the next one.
class ColorLabel : public Subclass {
 public:
  // Sets the text and the colour; the control repaints.
  void Show(const wchar_t* text, TextColor color);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  TextColor color_ = TextColor::kDefault;
};

// The COLORREF of a rule's colour, in or out of high contrast.
COLORREF ColorOf(TextColor color, bool highContrast);

class StatusIcon {
 public:
  // Binds the static and loads both pictures from `instance` at the size
  // for the control's DPI.
  void Bind(HWND control, HINSTANCE instance);
  // Shows icon IDI_RADIO_ON or IDI_RADIO_OFF.
  void Show(int iconId);
  // Loads both pictures for the control's DPI anew and shows the current
  // one again.
  void Reload();

 private:
  void Load();

  HWND control_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int shown_ = 0;
  UniqueIcon on_;
  UniqueIcon off_;
};

}  // namespace rm
