#!/usr/bin/env python3
"""Draws the Control Panel item's icon (resource 128) as rmpanel.ico.

The tray program's mast with its blue waves (tray/res/make_icons.py draws it
and writes the file), with a ticked settings box in front at the lower right.
The tray icons' sizes (16 to 96 pixels) and 128 pixels, in 32-bit colour
with an alpha channel, on the tray icons' halo.

Usage: make_icon.py OUTPUT_DIR
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tray', 'res'))
import make_icons  # noqa: E402

BOX_EDGE = (48, 48, 52, 255)
BOX_FILL = (255, 255, 255, 255)
TICK = (30, 150, 60, 255)


def box_dist(x, y, x0, y0, x1, y1):
    """Chebyshev distance outside the box, 0 inside."""
    dx = max(x0 - x, 0.0, x - x1)
    dy = max(y0 - y, 0.0, y - y1)
    return max(dx, dy)


def panel_shapes(size):
    px = 1.0 / size
    stroke = max(1.45 * px, 0.075)
    x0, y0, x1, y1 = 0.52, 0.52, 0.97, 0.97
    out = make_icons.shapes(True, size)
    out.append((lambda x, y: box_dist(x, y, x0, y0, x1, y1), stroke / 2, BOX_EDGE))
    out.append((lambda x, y: box_dist(x, y, x0, y0, x1, y1) - 0.0, 0.0, BOX_FILL))
    tick = [(0.60, 0.75, 0.70, 0.86), (0.70, 0.86, 0.89, 0.61)]
    for a in tick:
        out.append((lambda x, y, a=a: make_icons.seg_dist(x, y, *a), stroke * 0.65, TICK))
    return out


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else '.'
    images = [make_icons.render(True, s, panel_shapes(s)) for s in make_icons.SIZES + (128,)]
    make_icons.write_ico(os.path.join(outdir, 'rmpanel.ico'), images)


if __name__ == '__main__':
    main()
