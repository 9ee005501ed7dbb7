// Where a top-level dialog opens: centred over a rectangle (its owner, or
// the work area) and moved back inside the work area of the monitor it
// belongs to. Portable: no Windows headers; rectangles are screen
// coordinates with exclusive right and bottom edges, as RECT has them.
#pragma once

namespace rm {

struct FrameRect {
  long left = 0;
  long top = 0;
  long right = 0;
  long bottom = 0;
};

struct FramePosition {
  long x = 0;
  long y = 0;
};

// The top left corner for a window of `window`'s size: centred over
// `around` (halves rounded towards zero), then moved back inside `work`
// where an edge would stick out. A window larger than `work` keeps its top
// left corner in it, so that its caption stays reachable.
FramePosition CentredPosition(const FrameRect& window, const FrameRect& around, const FrameRect& work);

}  // namespace rm
