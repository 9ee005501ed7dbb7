#!/usr/bin/env python3
"""Draws the tray icons of rmtray and writes them as .ico files.

radio_on.ico  (resource 203): an antenna mast sending blue waves.
radio_off.ico (resource 202): the same mast in grey with faint grey waves: no
                              radio is on.
Each file holds 16, 20, 24, 28, 32, 40, 48, 64 and 96 pixel images (the small
icon and the status picture from 100 % to 200 %) in 32-bit colour with an
alpha channel, each PNG-compressed (Windows Vista and later read such
entries at every size), which keeps the programs small; bmp_entry writes
the older BMP-style entry with its AND mask for a size below PNG_FROM. Shapes are drawn from
distance functions with 4x4 supersampling; stroke widths never go below about
1.4 pixels so the small sizes stay crisp. The dark mast sits on a light halo
about a pixel wide, so that it shows on a black (high-contrast) taskbar too;
on a light one the halo vanishes. The blue and grey parts show on both as
they are.

Usage: make_icons.py OUTPUT_DIR
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 28, 32, 40, 48, 64, 96)
SS = 4  # supersampling per axis

MAST = (48, 48, 52, 255)
MAST_OFF = (118, 118, 124, 255)  # 4.5:1 on white and on black
WAVE = (20, 110, 225, 255)
DOT_ON = (20, 110, 225, 255)
WAVE_OFF = (150, 150, 156, 130)
HALO = (255, 255, 255, 190)


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def arc_dist(px, py, cx, cy, r, a0, a1):
    """Distance to the arc of radius r around (cx, cy) from angle a0 to a1
    (radians, y down, a0 < a1), with round ends."""
    ang = math.atan2(py - cy, px - cx)
    # bring ang near the arc's middle
    mid = (a0 + a1) / 2
    while ang - mid > math.pi:
        ang -= 2 * math.pi
    while ang - mid < -math.pi:
        ang += 2 * math.pi
    if a0 <= ang <= a1:
        return abs(math.hypot(px - cx, py - cy) - r)
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (a0, a1)]
    return min(math.hypot(px - ex, py - ey) for ex, ey in ends)


def shapes(on, size):
    """List of (distance function in unit coordinates, half width, colour)."""
    px = 1.0 / size
    stroke = max(1.45 * px, 0.075)
    out = []
    cx, cy = 0.5, 0.40
    mast_col = MAST if on else MAST_OFF
    # mast: two legs from the dot down to the base and a cross bar
    base_y = 0.93
    legs = [(cx, cy, cx - 0.17, base_y), (cx, cy, cx + 0.17, base_y), (cx - 0.12, 0.78, cx + 0.12, 0.78)]
    for ax, ay, bx, by in legs:
        out.append((lambda x, y, a=(ax, ay, bx, by): seg_dist(x, y, *a), stroke / 2, mast_col))
    out.append((lambda x, y: math.hypot(x - cx, y - cy), max(0.085, 1.6 * px), DOT_ON if on else mast_col))
    # the waves: blue when a radio is on, faint grey when none is
    span = math.radians(42)
    for r in (0.22, 0.38):
        for mid in (0.0, math.pi):
            out.append((lambda x, y, r=r, mid=mid: arc_dist(x, y, cx, cy, r, mid - span, mid + span),
                        stroke / 2, WAVE if on else WAVE_OFF))
    return out


def dark(col):
    return col[0] * 0.3 + col[1] * 0.59 + col[2] * 0.11 < 80


def with_halo(layers, size):
    """The layers on their halo: each dark shape widened by about a pixel in
    HALO, all halos below all shapes. The blue and grey parts show on black
    and on white as they are."""
    grow = max(1.0 / size, 0.03)
    halos = [(dist, half + grow, HALO) for dist, half, col in layers if dark(col)]
    return halos + layers


def render(on, size, layers=None):
    """The image at `size` pixels: the mast (on or off), or the given layers,
    on their halo."""
    if layers is None:
        layers = shapes(on, size)
    layers = with_halo(layers, size)
    pixels = []
    for j in range(size):
        row = []
        for i in range(size):
            r = g = b = a = 0.0  # premultiplied
            for sj in range(SS):
                for si in range(SS):
                    x = (i + (si + 0.5) / SS) / size
                    y = (j + (sj + 0.5) / SS) / size
                    pr = pg = pb = pa = 0.0
                    for dist, half, col in layers:
                        if dist(x, y) <= half:
                            ca = col[3] / 255.0
                            pr = col[0] / 255.0 * ca + pr * (1 - ca)
                            pg = col[1] / 255.0 * ca + pg * (1 - ca)
                            pb = col[2] / 255.0 * ca + pb * (1 - ca)
                            pa = ca + pa * (1 - ca)
                    r += pr; g += pg; b += pb; a += pa
            n = SS * SS
            r, g, b, a = r / n, g / n, b / n, a / n
            if a > 0:
                row.append((round(r / a * 255), round(g / a * 255), round(b / a * 255), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def bmp_entry(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


PNG_FROM = 16  # the smallest size stored as PNG: every image


def png_entry(pixels):
    size = len(pixels)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    # No filter: with the transparent pixels all zero, the plain rows
    # compress better than filtered ones.
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) +
            chunk(b'IEND', b''))


def write_ico(path, images):
    entries = [png_entry(p) if len(p) >= PNG_FROM else bmp_entry(p) for p in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for p, data in zip(images, entries):
        s = len(p)
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else '.'
    for name, on in (('radio_on.ico', True), ('radio_off.ico', False)):
        write_ico(f'{outdir}/{name}', [render(on, s) for s in SIZES])


if __name__ == '__main__':
    main()
