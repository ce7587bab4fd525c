#!/usr/bin/env python3
"""Draws the program's icon (zeb.ico, 16, 24, 32 and 48 px) and the three
title-strip bitmaps (strip.bmp 140, strip_fill.bmp 141, refresh.bmp 147) as
plain files, each bitmap for 100 % and again for 150 % and 200 % screens
(strip_150.bmp, ...). The drawings are given in the 15-pixel strip's
coordinates; a larger bitmap draws the same shapes at its own resolution
rather than stretching the small one. Run it again after changing a drawing;
the images it makes are committed."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


STRIP_HEIGHT = 15


def scaled(px, percent):
    """px pixels of 100 % at percent, rounded as the program rounds (halves up)."""
    return (px * percent + 50) // 100


def at_scale(draw, percent, height):
    """draw(u, v, shade) in strip coordinates, for the pixels of a bitmap at
    percent: (u, v) is the pixel's centre in 100 % pixels, shade the strip
    shading of its row."""
    k = percent / 100.0

    def pixel(x, y):
        return draw((x + 0.5) / k - 0.5, (y + 0.5) / k - 0.5, strip_shade(y, height))
    return pixel


# The strip: a light vertical shading, the same in every column.
def strip_shade(y, height=STRIP_HEIGHT):
    top, bottom = (246, 248, 252), (214, 220, 230)
    t = y / (height - 1.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


GLYPH = (96, 96, 104)


def within(low, value, high):
    """value on the pixels low..high of 100 % (both included)."""
    return low - 0.5 <= value < high + 0.5


def strip_glyphs(u, v, shade):
    # cross (close) at x 2..14, minus (hide) at x 19..30, plus (menu) at x 35..46
    cx, cy = 8, 7
    diagonal = min(abs((u - cx) - (v - cy)), abs((u - cx) + (v - cy)))
    if within(4, u, 12) and within(3, v, 11) and diagonal < 0.5:
        return GLYPH
    if within(4, u, 12) and within(3, v, 11) and diagonal < 1.5:
        return tuple((g + s) // 2 for g, s in zip(GLYPH, shade))
    if within(20, u, 29) and within(6, v, 8):
        return GLYPH
    if (within(36, u, 45) and within(6, v, 8)) or (within(39, u, 42) and within(3, v, 11)):
        return GLYPH
    return shade


def refresh_arrows(x, y, shade):
    # two green arrows chasing each other round a circle
    green, dark = (40, 160, 60), (20, 110, 40)
    cx, cy, radius = 9.5, 7.0, 4.6
    d = math.hypot(x - cx, y - cy)
    angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
    on_ring = abs(d - radius) < 1.1
    in_arc = (20 < angle < 160) or (200 < angle < 340)
    if on_ring and in_arc:
        return green
    for tip_angle in (20, 200):
        a = math.radians(tip_angle)
        tx, ty = cx + radius * math.cos(a), cy + radius * math.sin(a)
        # a small triangle pointing along the circle
        if math.hypot(x - tx, y - ty) < 2.2 and ((x - tx) * math.sin(a) - (y - ty) * math.cos(a)) <= 0.6:
            return dark
    return shade


def icon_image(size):
    """A 32-bit icon image: a green and red bar chart over a pale disk."""
    pixels = []
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) / size, (y + 0.5) / size
            alpha, rgb = 0, (0, 0, 0)
            if math.hypot(u - 0.5, v - 0.5) < 0.48:
                alpha, rgb = 255, (255, 255, 230)
            bars = ((0.20, 0.62, (0, 153, 0)), (0.42, 0.38, (255, 0, 0)), (0.64, 0.22, (0, 153, 0)))
            for left, top, color in bars:
                if left <= u < left + 0.16 and top <= v < 0.80:
                    alpha, rgb = 255, color
            if 0.14 <= u < 0.86 and 0.80 <= v < 0.80 + 1.5 / size:
                alpha, rgb = 255, (0, 0, 204)
            pixels.append((rgb, alpha))
    rows = []
    for y in reversed(range(size)):
        rows.append(b"".join(bytes((b, g, r, a)) for (r, g, b), a in pixels[y * size:(y + 1) * size]))
    mask_row = ((size + 31) // 32) * 4
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return info + b"".join(rows) + b"\0" * (mask_row * size)


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, blob in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(blob), offset + len(blobs))
        blobs += blob
    return header + entries + blobs


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


for percent in (100, 150, 200):
    suffix = "" if percent == 100 else "_%d" % percent
    height = scaled(STRIP_HEIGHT, percent)
    write("strip%s.bmp" % suffix, bmp24(scaled(50, percent), height, at_scale(strip_glyphs, percent, height)))
    write("strip_fill%s.bmp" % suffix, bmp24(scaled(5, percent), height, lambda x, y: strip_shade(y, height)))
    write("refresh%s.bmp" % suffix, bmp24(scaled(20, percent), height, at_scale(refresh_arrows, percent, height)))
write("zeb.ico", ico([(size, icon_image(size)) for size in (16, 24, 32, 48)]))
