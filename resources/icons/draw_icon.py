#!/usr/bin/env python3
"""Draws the application icon (a white check-shaped "V" on a rounded teal tile, with a warm
dot for the watchful eye) as PNGs in the sizes the executable carries. Plain Python and zlib,
4x4 supersampling for smooth edges. Usage: draw_icon.py [OUT_DIR]"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
TOP, BOTTOM = (22, 138, 140), (12, 92, 110)
WHITE, WARM = (255, 255, 255), (255, 176, 59)


def rounded_square(x, y, radius):
    # Unit square [0,1]^2 with rounded corners.
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def near_segment(x, y, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= half_width


def sample(x, y):
    """Colour and alpha of one point of the unit square."""
    if not rounded_square(x, y, 0.22):
        return None
    width = 0.085
    if near_segment(x, y, 0.27, 0.34, 0.47, 0.74, width) or near_segment(x, y, 0.47, 0.74, 0.74, 0.27, width):
        return WHITE
    if math.hypot(x - 0.76, y - 0.72) <= 0.07:
        return WARM
    return tuple(round(t + (b - t) * y) for t, b in zip(TOP, BOTTOM))


def render(size, ss=4):
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter type None
        for px in range(size):
            r = g = b = a = 0
            for sy in range(ss):
                for sx in range(ss):
                    c = sample((px + (sx + 0.5) / ss) / size, (py + (sy + 0.5) / ss) / size)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = ss * ss
            row += bytes((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for size in SIZES:
        with open(os.path.join(out, f"vantreel-{size}.png"), "wb") as f:
            f.write(png(size, render(size)))


if __name__ == "__main__":
    main()
