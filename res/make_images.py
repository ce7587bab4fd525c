#!/usr/bin/env python3
"""Draws the program's icon (zeb.ico, 16 and 32 px) and the three title-strip
bitmaps (strip.bmp 140, strip_fill.bmp 141, refresh.bmp 147) as plain files.
Run it again after changing a drawing; the images it makes are committed."""
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


# The strip: a light vertical shading, the same in every column.
def strip_shade(y):
    top, bottom = (246, 248, 252), (214, 220, 230)
    t = y / 14.0
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


GLYPH = (96, 96, 104)


def strip_pixel(x, y):
    # cross (close) at x 2..14, minus (hide) at x 19..30, plus (menu) at x 35..46
    cx, cy = 8, 7
    if 4 <= x <= 12 and 3 <= y <= 11 and (abs((x - cx) - (y - cy)) <= 0 or abs((x - cx) + (y - cy)) <= 0):
        return GLYPH
    if 4 <= x <= 12 and 3 <= y <= 11 and (abs((x - cx) - (y - cy)) <= 1 or abs((x - cx) + (y - cy)) <= 1):
        return tuple((g + s) // 2 for g, s in zip(GLYPH, strip_shade(y)))
    if 20 <= x <= 29 and 6 <= y <= 8:
        return GLYPH
    if (36 <= x <= 45 and 6 <= y <= 8) or (39 <= x <= 42 and 3 <= y <= 11):
        return GLYPH
    return strip_shade(y)


def refresh_pixel(x, y):
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
    return strip_shade(y)


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


write("strip.bmp", bmp24(50, 15, strip_pixel))
write("strip_fill.bmp", bmp24(5, 15, lambda x, y: strip_shade(y)))
write("refresh.bmp", bmp24(20, 15, refresh_pixel))
write("zeb.ico", ico([(16, icon_image(16)), (32, icon_image(32))]))
