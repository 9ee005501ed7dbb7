// How the programs' pictures and coloured words follow the display: the
// sizes of the icons and pictures at a DPI, which image of an icon to draw
// them from, and the colours of the status words and the applet's page in
// and out of high contrast. Portable: no Windows headers; the numbers are
// Windows' own (96 DPI is 100 %, the COLOR_* indexes of GetSysColor).
#pragma once

#include <cstdint>
#include <initializer_list>

namespace rm {

// The DPI that Windows calls 100 %.
inline constexpr int kBaseDpi = 96;

// `pixels` at 96 DPI scaled to `dpi` as Windows scales its metrics
// (MulDiv: halves away from zero). A DPI below 1 counts as 96.
int ScaledPixels(int pixels, int dpi);

// The small-icon size (SM_CXSMICON) at `dpi`: 16 at 96 DPI. Neither size
// is below 1.
int SmallIconSize(int dpi);
// The status page's picture at `dpi`: 48 at 96 DPI.
int StatusPictureSize(int dpi);

// Which of an icon's `available` image sizes to draw a `wanted`-pixel
// picture from: that size when the icon has it, else the smallest larger
// one (scaled down), else the largest (scaled up). 0 when none is given.
int ImageSizeFor(int wanted, std::initializer_list<int> available);
int ImageSizeFor(int wanted, const int* available, int count);

// The words and surfaces that have colours of their own.
enum class ColoredKind {
  kBlueWord,   // "On" and "Enabled" on the status page
  kGreyWord,   // "Off", "Disabled" and the absent values
  kWhitePage,  // the applet's page background
};

// The system colour indexes the rule uses (COLOR_WINDOW, COLOR_WINDOWTEXT,
// COLOR_GRAYTEXT).
inline constexpr int kSysColorWindow = 5;
inline constexpr int kSysColorWindowText = 8;
inline constexpr int kSysColorGrayText = 17;

// A colour: a fixed COLORREF (0x00BBGGRR), or one of the system's colours.
struct ColorChoice {
  bool system = false;
  int sysIndex = 0;              // when `system`
  std::uint32_t colorRef = 0;    // otherwise
};

// Out of high contrast the blue words are red 0, green 0, blue 205, the
// grey ones the system's grey text and the page white; in high contrast
// the scheme's window text, grey text and window colours.
ColorChoice ColorFor(ColoredKind kind, bool highContrast);

}  // namespace rm
