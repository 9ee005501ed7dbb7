#include "common/ui/FrameRules.h"

namespace rm {

FramePosition CentredPosition(const FrameRect& window, const FrameRect& around, const FrameRect& work) {
  const long width = window.right - window.left;
  const long height = window.bottom - window.top;
  FramePosition p;
  p.x = around.left + (around.right - around.left - width) / 2;
  p.y = around.top + (around.bottom - around.top - height) / 2;
  if (p.x + width > work.right) p.x = work.right - width;
  if (p.y + height > work.bottom) p.y = work.bottom - height;
  if (p.x < work.left) p.x = work.left;
  if (p.y < work.top) p.y = work.top;
  return p;
}

}  // namespace rm
