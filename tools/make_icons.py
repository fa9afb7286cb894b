#!/usr/bin/env python3
"""Draws Velmora's tray icons and writes them as .ico files.

    python3 tools/make_icons.py [output-folder]

Output (default: src/resources/icons beside this script's project):
S1..S9 (a blue digit with a dark shadow), MAINICON (the emblem in blue) and
SH (the emblem in white on a blue square, also at 16x16). Every image is
16 colours, BMP-in-ICO with an AND mask. The same input always gives the
same bytes, so the committed files can be checked by running this again.
"""
import os
import struct
import sys

# The 16-colour palette of every image (R, G, B).
PALETTE = [
    (0, 0, 0),        # 0 black: the ground under transparent pixels
    (0, 0, 128),      # 1 navy: shadows
    (0, 64, 160),     # 2 dark blue: outlines
    (0, 96, 208),     # 3 blue: the digits and the emblem
    (64, 144, 240),   # 4 light blue: highlights
    (255, 255, 255),  # 5 white
    (32, 32, 48),     # 6 dark grey
    (128, 128, 128),  # 7 grey
    (192, 192, 192),  # 8 silver
    (128, 0, 0), (0, 128, 0), (128, 128, 0), (128, 0, 128), (0, 128, 128),
    (255, 0, 0), (255, 255, 0),
]
NAVY, DARK, BLUE, LIGHT, WHITE = 1, 2, 3, 4, 5
CLEAR = None  # transparent

# Digits on a 5x7 grid; each cell becomes a 4x4 block.
DIGITS = {
    1: ["..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "#####"],
    2: [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    3: ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    4: ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    5: ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    6: [".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."],
    7: ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    8: [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    9: [".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."],
}


def blank(size):
    return [[CLEAR] * size for _ in range(size)]


def fill(img, x0, y0, x1, y1, colour):
    """Fills the rectangle [x0, x1) x [y0, y1), clipped to the image."""
    size = len(img)
    for y in range(max(0, y0), min(size, y1)):
        for x in range(max(0, x0), min(size, x1)):
            img[y][x] = colour


def digit_icon(n):
    img = blank(32)
    grid = DIGITS[n]
    scale, left, top = 4, 4, 1
    for shadow, colour in ((2, NAVY), (0, BLUE)):
        for row, line in enumerate(grid):
            for col, cell in enumerate(line):
                if cell == "#":
                    x, y = left + col * scale + shadow, top + row * scale + shadow
                    fill(img, x, y, x + scale, y + scale, colour)
    return img


def emblem(img, colour, scale):
    """The emblem: a window with a title bar, an arrow down, and the tray it
    points into. Drawn on a 32-unit grid scaled by `scale` (1 or 0.5)."""
    def box(x0, y0, x1, y1):
        fill(img, int(x0 * scale), int(y0 * scale), max(int(x1 * scale), int(x0 * scale) + 1),
             max(int(y1 * scale), int(y0 * scale) + 1), colour)

    # The window: a frame with a solid title bar.
    box(4, 2, 28, 6)      # title bar
    box(4, 6, 6, 16)      # left side
    box(26, 6, 28, 16)    # right side
    box(4, 14, 28, 16)    # bottom
    # The arrow: a shaft from the window down, and its head.
    box(14, 8, 18, 20)
    for i in range(5):
        box(9 + i, 19 + i, 23 - i, 20 + i)
    # The tray: an open box at the bottom.
    box(2, 24, 4, 31)
    box(28, 24, 30, 31)
    box(2, 29, 30, 31)


def main_icon():
    img = blank(32)
    emblem(img, BLUE, 1)
    return img


def shared_icon(size):
    img = blank(size)
    fill(img, 0, 0, size, size, BLUE)
    if size == 32:
        emblem(img, WHITE, 1)
    else:
        emblem(img, WHITE, 0.5)
    return img


def bmp_image(img):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and the
    1-bit AND mask, both bottom-up and padded to 4 bytes."""
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            colour = img[y][x]
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                colour = 0
            row[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        xor += row
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def ico(images):
    """An .ico file of the given images (largest first)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    data = [bmp_image(img) for img in images]
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, data):
        size = len(img)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(data)


def all_icons():
    icons = {"S%d" % n: [digit_icon(n)] for n in range(1, 10)}
    icons["MAINICON"] = [main_icon()]
    icons["SH"] = [shared_icon(32), shared_icon(16)]
    return icons


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(here, "..", "src", "resources", "icons")
    os.makedirs(folder, exist_ok=True)
    for name, images in sorted(all_icons().items()):
        with open(os.path.join(folder, name + ".ico"), "wb") as f:
            f.write(ico(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
