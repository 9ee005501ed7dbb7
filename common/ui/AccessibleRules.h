// The accessible role a control of the dialogs has by its window class and
// style, for a screen reader whose accessibility layer knows the class only
// as a generic client area. Portable: no Windows headers; the numbers are
// the MSAA roles and the styles' low bits as the system defines them.
#pragma once

#include <string>

namespace rm {

inline constexpr long kRoleClient = 10;
inline constexpr long kRoleGrouping = 20;
inline constexpr long kRoleGraphic = 40;
inline constexpr long kRoleStaticText = 41;
inline constexpr long kRolePushButton = 43;
inline constexpr long kRoleCheckButton = 44;
inline constexpr long kRoleRadioButton = 45;
inline constexpr long kRolePageTabList = 60;

// The role of a "Button", "Static" or "SysTabControl32" control (class
// names in any case); 0 for another class and for a static that shows a
// frame or a rectangle, which keep the role the system gives them.
long AccessibleRoleOf(const std::string& className, unsigned long style);

}  // namespace rm
