#include "common/ui/TabKeyRules.h"

namespace rm {

int TabAfterKey(TabKey key, TabKeyModifiers modifiers, int current, int count) {
  if (!modifiers.ctrl || modifiers.alt || current < 0 || current >= count) return -1;
  int step = 0;
  switch (key) {
    case TabKey::kTab: step = modifiers.shift ? -1 : 1; break;
    // Ctrl+Shift+Page Down is no sheet key: the page's control may use it.
    case TabKey::kPageDown: step = modifiers.shift ? 0 : 1; break;
    case TabKey::kPageUp: step = modifiers.shift ? 0 : -1; break;
    case TabKey::kOther: break;
  }
  if (step == 0) return -1;
  return (current + step + count) % count;
}

}  // namespace rm
