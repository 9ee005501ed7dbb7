#include "common/ui/AccessibleRules.h"

#include <cctype>

namespace rm {
namespace {

bool SameName(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return i == a.size() && !b[i];
}

long ButtonRole(unsigned long style) {
  switch (style & 0x0F) {  // BS_TYPEMASK
    case 0x02:             // BS_CHECKBOX
    case 0x03:             // BS_AUTOCHECKBOX
    case 0x05:             // BS_3STATE
    case 0x06:             // BS_AUTO3STATE
      return kRoleCheckButton;
    case 0x04:  // BS_RADIOBUTTON
    case 0x09:  // BS_AUTORADIOBUTTON
      return kRoleRadioButton;
    case 0x07:  // BS_GROUPBOX
      return kRoleGrouping;
    default:  // push buttons, owner-drawn and the like
      return kRolePushButton;
  }
}

long StaticRole(unsigned long style) {
  const unsigned long type = style & 0x1F;  // SS_TYPEMASK
  if (type == 0x03 || type == 0x0E || type == 0x0F) return kRoleGraphic;  // SS_ICON, SS_BITMAP, SS_ENHMETAFILE
  if (type >= 0x04 && type <= 0x09) return 0;  // the rectangles and frames
  if (type >= 0x10 && type <= 0x12) return 0;  // the etched lines and frame
  return kRoleStaticText;
}

}  // namespace

long AccessibleRoleOf(const std::string& className, unsigned long style) {
  if (SameName(className, "Button")) return ButtonRole(style);
  if (SameName(className, "Static")) return StaticRole(style);
  if (SameName(className, "SysTabControl32")) return kRolePageTabList;
  return 0;
}

}  // namespace rm
