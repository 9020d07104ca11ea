#!/usr/bin/env python3
"""Draws the program's pictures into resources/: the halo that every point sprite
is made from, the icon, the configuration banner and the About strip.

    tools/pictures.py [OUTPUT-DIR]

The output is committed; run this again after changing a picture. The drawing is
seeded, so the same script always gives the same bytes.
"""

import math
import os
import random
import struct
import sys

AUTHOR = "Maren Tollefsen"
VERSION_LINE = "v1.0 by " + AUTHOR


class Canvas:
    """Floating-point RGB pixels, rows from the top, channels in 0..255."""

    def __init__(self, width, height, ground=(0.0, 0.0, 0.0)):
        self.width = width
        self.height = height
        self.pixels = [[list(ground) for _ in range(width)] for _ in range(height)]

    def add(self, x, y, rgb, weight):
        pixel = self.pixels[y][x]
        for c in range(3):
            pixel[c] += rgb[c] * weight

    def glow(self, cx, cy, sigma, rgb, peak=1.0):
        """Adds a soft round spot, as the saver's additive sprites do."""
        reach = int(math.ceil(sigma * 3.5))
        for y in range(max(0, int(cy) - reach), min(self.height, int(cy) + reach + 2)):
            for x in range(max(0, int(cx) - reach), min(self.width, int(cx) + reach + 2)):
                r2 = (x - cx) ** 2 + (y - cy) ** 2
                self.add(x, y, rgb, peak * math.exp(-r2 / (2 * sigma * sigma)))

    def bytes_bgr_bottom_up(self):
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.pixels):
            line = bytearray()
            for r, g, b in row:
                line += bytes(clamp(v) for v in (b, g, r))
            line += bytes(stride - len(line))
            rows.append(bytes(line))
        return b"".join(rows)


def clamp(value):
    return max(0, min(255, int(round(value))))


def bitmap_file(canvas):
    bits = canvas.bytes_bgr_bottom_up()
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return header + info + bits


def icon_file(canvas):
    """One 24-bit image, fully opaque: its AND mask is all zeros."""
    bits = canvas.bytes_bgr_bottom_up()
    mask = bytes(((canvas.width + 31) // 32 * 4) * canvas.height)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 24, 0, len(bits) + len(mask), 0, 0, 0, 0)
    image = info + bits + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


# A 5 x 7 pixel font, only for the letters the banner uses.
GLYPHS = {
    "N": ["#...#", "##..#", "##..#", "#.#.#", "#..##", "#..##", "#...#"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "b": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "f": ["..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "m": [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "y": [".....", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    ".": [".....", ".....", ".....", ".....", ".....", "##...", "##..."],
    " ": ["...", "...", "...", "...", "...", "...", "..."],
}


def glyph_columns(glyph):
    """The columns a glyph really uses, so that narrow letters sit close."""
    used = [c for c in range(len(glyph[0])) if any(row[c] == "#" for row in glyph)]
    return (used[0], used[-1]) if used else (0, len(glyph[0]) - 1)


def text_width(text, scale):
    width = 0
    for ch in text:
        first, last = glyph_columns(GLYPHS[ch])
        width += (last - first + 2) * scale
    return width - scale


def draw_text(canvas, text, left, top, scale, rgb):
    """Anti-aliased text: each font pixel is a square, sampled 4 x 4 times per canvas pixel."""
    cells = set()
    x = 0
    for ch in text:
        glyph = GLYPHS[ch]
        first, last = glyph_columns(glyph)
        for row, line in enumerate(glyph):
            for col in range(first, last + 1):
                if line[col] == "#":
                    cells.add((x + col - first, row))
        x += last - first + 2
    for py in range(top, min(canvas.height, top + 7 * scale + 1)):
        for px in range(left, min(canvas.width, left + x * scale + 1)):
            hits = 0
            for sy in range(4):
                for sx in range(4):
                    u = (px + (sx + 0.5) / 4 - left) / scale
                    v = (py + (sy + 0.5) / 4 - top) / scale
                    hits += (int(math.floor(u)), int(math.floor(v))) in cells
            if hits:
                canvas.add(px, py, rgb, hits / 16)


def point_colour(rng):
    """A colour of the running saver: a bright hue on a warm or cool side."""
    hue = rng.random()
    r = 0.5 + 0.5 * math.cos(2 * math.pi * hue)
    g = 0.5 + 0.5 * math.cos(2 * math.pi * (hue - 1 / 3))
    b = 0.5 + 0.5 * math.cos(2 * math.pi * (hue - 2 / 3))
    return (255 * (0.35 + 0.65 * r), 255 * (0.35 + 0.65 * g), 255 * (0.35 + 0.65 * b))


def halo():
    """The grey spot every point sprite is made from: 253 at its brightest texel
    (column 31, row 30), a Gaussian of deviation 6.33 texels around (30.75, 29.75),
    and black beyond 22 texels, which keeps every texel outside columns 9-52 and
    rows 8-52 at 0."""
    canvas = Canvas(64, 64)
    for y in range(64):
        for x in range(64):
            r2 = (x - 30.75) ** 2 + (y - 29.75) ** 2
            level = 0 if r2 > 22 * 22 else clamp(253 * math.exp(-r2 / (2 * 6.33 * 6.33)))
            canvas.pixels[y][x] = [level, level, level]
    return canvas


def icon():
    canvas = Canvas(64, 64)
    rng = random.Random(104)
    for _ in range(14):
        angle = rng.uniform(0, 2 * math.pi)
        distance = abs(rng.gauss(0, 9))
        warm = (255, rng.uniform(110, 210), rng.uniform(20, 90))
        canvas.glow(32 + distance * math.cos(angle), 32 + distance * math.sin(angle), rng.uniform(2.5, 5), warm, rng.uniform(0.35, 0.7))
    return canvas


def banner():
    canvas = Canvas(462, 82, ground=(6, 6, 14))
    rng = random.Random(107)
    for _ in range(70):
        canvas.glow(rng.uniform(0, 462), rng.uniform(0, 82), rng.uniform(1.5, 6), point_colour(rng), rng.uniform(0.15, 0.6))
    title_scale = 8
    draw_text(canvas, "Nimbrel", 20, 12, title_scale, (250, 246, 255))
    line_scale = 2
    draw_text(canvas, VERSION_LINE, 462 - 12 - text_width(VERSION_LINE, line_scale), 82 - 10 - 7 * line_scale, line_scale, (220, 225, 240))
    return canvas


def about_strip():
    canvas = Canvas(66, 218, ground=(4, 4, 10))
    rng = random.Random(105)
    for _ in range(40):
        canvas.glow(rng.gauss(33, 12), rng.uniform(0, 218), rng.uniform(2, 7), point_colour(rng), rng.uniform(0.2, 0.7))
    return canvas


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(out, exist_ok=True)
    files = {
        "halo.bmp": bitmap_file(halo()),
        "nimbrel.ico": icon_file(icon()),
        "banner.bmp": bitmap_file(banner()),
        "about.bmp": bitmap_file(about_strip()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
