// The DPI a scaled run of the tray's Windows tests checks: the
// RM_TEST_DPI variable of the process that DisplayScaleTest starts with the
// prefix set to that DPI; 0 in an ordinary run at the prefix's own DPI.
#pragma once

#include <cstdlib>

namespace traytest {

inline int ScaledRunDpi() {
  const char* value = std::getenv("RM_TEST_DPI");
  return value ? std::atoi(value) : 0;
}

}  // namespace traytest
