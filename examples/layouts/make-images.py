#!/usr/bin/env python3
"""Draws the images of the sample layouts into images/ beside this script:
gold-frame.png (1200 x 800, a gilt frame with a transparent window and a
cream band for the caption), party-frame.png (600 x 800, confetti around an
oval window with a soft edge) and star.png (96 x 96, an icon). Plain Python,
no packages: the same files every time."""

import math
import os
import struct
import zlib


def write_png(path, width, height, pixel):
    """Writes an 8-bit RGBA PNG; pixel(x, y) gives (r, g, b, a), y from the top."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


GOLD_LIGHT, GOLD_DARK = (236, 200, 110), (150, 105, 30)
CREAM = (246, 238, 218)
GOLD_WINDOW = (120, 80, 1080, 640)  # left, top, right, bottom: the photo shows here
GOLD_BAND = (120, 672, 1080, 760)   # the caption's band


def outline(box, x, y, width):
    """True on a line `width` pixels wide just outside the box."""
    left, top, right, bottom = box
    inside = left <= x < right and top <= y < bottom
    return not inside and left - width <= x < right + width and top - width <= y < bottom + width


def gold_frame(x, y):
    left, top, right, bottom = GOLD_WINDOW
    if left <= x < right and top <= y < bottom:
        return (0, 0, 0, 0)
    bl, bt, br, bb = GOLD_BAND
    if bl <= x < br and bt <= y < bb:
        return CREAM + (255,)
    if outline(GOLD_WINDOW, x, y, 5) or outline(GOLD_BAND, x, y, 3):
        return (70, 45, 10, 255)
    # A bevel: light at the outer edge, darker inwards.
    edge = min(x, y, 1199 - x, 799 - y)
    return mix(GOLD_LIGHT, GOLD_DARK, edge / 110.0) + (255,)


PARTY_CENTRE, PARTY_RADII = (300, 330), (230, 260)
CONFETTI_COLOURS = [(230, 57, 70), (42, 157, 143), (233, 196, 106), (69, 123, 157), (244, 162, 97)]


def confetti():
    """Forty dots at fixed pseudo-random places outside the window."""
    dots, state = [], 12345
    while len(dots) < 40:
        values = []
        for _ in range(3):
            state = (state * 1103515245 + 12345) % 2**31
            values.append(state)
        x, y, colour = values[0] % 600, values[1] % 800, values[2] % len(CONFETTI_COLOURS)
        if window_distance(x, y) > 1.15 and y < 680:
            dots.append((x, y, 8 + values[2] % 7, CONFETTI_COLOURS[colour]))
    return dots


def window_distance(x, y):
    """1.0 on the oval's edge, below it inside."""
    return math.hypot((x - PARTY_CENTRE[0]) / PARTY_RADII[0], (y - PARTY_CENTRE[1]) / PARTY_RADII[1])


DOTS = confetti()
NAVY, NAVY_LIGHT = (20, 33, 61), (45, 62, 110)


def party_frame(x, y):
    base = mix(NAVY_LIGHT, NAVY, y / 800.0)
    for dx, dy, r, colour in DOTS:
        if (x - dx) ** 2 + (y - dy) ** 2 <= r * r:
            base = colour
    # The window's edge fades over 4 % of its radius: the photo blends into the frame.
    alpha = round(255 * min(1.0, max(0.0, (window_distance(x, y) - 0.96) / 0.04)))
    return base + (alpha,)


def star(x, y):
    """A five-pointed gold star with a soft edge."""
    cx, cy, outer, inner = 47.5, 50.5, 46.0, 19.0
    angle = math.atan2(y - cy, x - cx) + math.pi / 2
    sector = (angle % (2 * math.pi / 5)) / (2 * math.pi / 5)
    t = abs(sector - 0.5) * 2  # 1 at a point, 0 between two
    edge = inner + (outer - inner) * t ** 1.6
    alpha = round(255 * min(1.0, max(0.0, edge - math.hypot(x - cx, y - cy) + 0.5)))
    return (255, 204, 51, alpha)


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")
    os.makedirs(folder, exist_ok=True)
    write_png(os.path.join(folder, "gold-frame.png"), 1200, 800, gold_frame)
    write_png(os.path.join(folder, "party-frame.png"), 600, 800, party_frame)
    write_png(os.path.join(folder, "star.png"), 96, 96, star)
