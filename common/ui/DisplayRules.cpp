#include "common/ui/DisplayRules.h"

namespace rm {

int ScaledPixels(int pixels, int dpi) {
  if (dpi < 1) dpi = kBaseDpi;
  const long long product = static_cast<long long>(pixels) * dpi;
  const long long half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

namespace {
int AtLeastOne(int pixels) { return pixels < 1 ? 1 : pixels; }
}  // namespace

int SmallIconSize(int dpi) { return AtLeastOne(ScaledPixels(16, dpi)); }

int StatusPictureSize(int dpi) { return AtLeastOne(ScaledPixels(48, dpi)); }

int ImageSizeFor(int wanted, const int* available, int count) {
  int larger = 0;   // the smallest size at or above `wanted`
  int largest = 0;
  for (int i = 0; i < count; ++i) {
    const int size = available[i];
    if (size <= 0) continue;
    if (size >= wanted && (larger == 0 || size < larger)) larger = size;
    if (size > largest) largest = size;
  }
  return larger ? larger : largest;
}

int ImageSizeFor(int wanted, std::initializer_list<int> available) {
  return ImageSizeFor(wanted, available.begin(), static_cast<int>(available.size()));
}

ColorChoice ColorFor(ColoredKind kind, bool highContrast) {
  switch (kind) {
    case ColoredKind::kBlueWord:
      return highContrast ? ColorChoice{true, kSysColorWindowText, 0} : ColorChoice{false, 0, 0x00CD0000};
    case ColoredKind::kGreyWord:
      return {true, kSysColorGrayText, 0};
    case ColoredKind::kWhitePage:
      return highContrast ? ColorChoice{true, kSysColorWindow, 0} : ColorChoice{false, 0, 0x00FFFFFF};
  }
  return {true, kSysColorWindowText, 0};
}

}  // namespace rm
