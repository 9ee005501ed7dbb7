// The status page's self-colouring controls: ColorLabel, a static whose
// text colour the page sets, and StatusIcon, the picture static that shows
// one of the two 48 x 48 radio pictures.
#pragma once

#include <windows.h>

#include "common/ui/Subclass.h"
#include "common/win/OwningWrappers.h"
#include "tray/windows/StatusPageRules.h"

namespace rm {

// A static that answers its reflected colour request with its own text
// colour on a transparent background.
class ColorLabel : public Subclass {
 public:
  // Sets the text and the colour; the control repaints.
  void Show(const wchar_t* text, TextColor color);
  COLORREF Color() const { return color_; }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  COLORREF color_ = 0;
};

// The COLORREF of a rule's colour.
COLORREF ColorOf(TextColor color);

class StatusIcon {
 public:
  // Binds the static and loads both pictures from `instance`.
  void Bind(HWND control, HINSTANCE instance);
  // Shows icon IDI_RADIO_ON or IDI_RADIO_OFF.
  void Show(int iconId);

 private:
  HWND control_ = nullptr;
  UniqueIcon on_;
  UniqueIcon off_;
};

}  // namespace rm
