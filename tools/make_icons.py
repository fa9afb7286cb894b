#!/usr/bin/env python3
"""Draws Velmora's tray icons and writes them as .ico files.

    python3 tools/make_icons.py [output-folder]

Output (default: src/resources/icons beside this script's project):
S1..S9 (a blue digit with a dark shadow), MAINICON (the emblem in blue) and
SH (the emblem in white on a blue square), each at 32, 16, 20 and 24 pixels,
and the six menu
images MENUPROGRAM, MENUOPTIONS, MENUCLOSE, MENURESTORE, MENUEXIT and
MENUHELP at 16x16 and 32x32. Every image is
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
GREY, SILVER, RED, GREEN = 7, 8, 14, 10
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


def digit_icon(n, size):
    img = blank(size)
    grid = DIGITS[n]
    scale = size // 8
    offset = max(1, scale // 2)
    left, top = (size - 5 * scale) // 2 - offset, (size - 7 * scale) // 2 - offset // 2
    for shadow, colour in ((offset, NAVY), (0, BLUE)):
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


def main_icon(size):
    img = blank(size)
    emblem(img, BLUE, size / 32)
    return img


def shared_icon(size):
    img = blank(size)
    fill(img, 0, 0, size, size, BLUE)
    emblem(img, WHITE, size / 32)
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


def glyph(draw, size):
    """A menu image: `draw` paints on a 16-unit grid through box(x0, y0, x1, y1, colour)."""
    img = blank(size)
    k = size // 16

    def box(x0, y0, x1, y1, colour):
        fill(img, x0 * k, y0 * k, x1 * k, y1 * k, colour)
    draw(box)
    return img


def menu_program(box):
    box(2, 1, 14, 3, BLUE)     # the window's title bar
    box(2, 3, 3, 8, BLUE)
    box(13, 3, 14, 8, BLUE)
    box(2, 7, 14, 8, BLUE)
    box(7, 4, 9, 10, DARK)     # the arrow down
    box(5, 9, 11, 10, DARK)
    box(6, 10, 10, 11, DARK)
    box(7, 11, 9, 12, DARK)
    box(1, 12, 2, 15, BLUE)    # the tray
    box(14, 12, 15, 15, BLUE)
    box(1, 14, 15, 15, BLUE)


def menu_options(box):
    box(6, 1, 10, 15, GREY)    # a cog: two bars, a square and a hole
    box(1, 6, 15, 10, GREY)
    box(3, 3, 13, 13, GREY)
    box(6, 6, 10, 10, CLEAR)


def menu_close(box):
    for i in range(12):
        box(2 + i, 2 + i, 4 + i, 4 + i, RED)
        box(12 - i, 2 + i, 14 - i, 4 + i, RED)


def menu_restore(box):
    box(5, 2, 14, 4, BLUE)     # the window behind
    box(12, 4, 14, 10, BLUE)
    box(2, 6, 11, 8, BLUE)     # the window in front
    box(2, 8, 3, 14, BLUE)
    box(10, 8, 11, 14, BLUE)
    box(2, 13, 11, 14, BLUE)
    box(3, 8, 10, 13, WHITE)


def menu_exit(box):
    box(2, 1, 9, 15, GREY)     # a door, half open
    box(3, 2, 8, 14, SILVER)
    box(6, 7, 8, 9, DARK)
    box(9, 7, 15, 9, GREEN)    # the arrow out
    box(12, 5, 13, 11, GREEN)
    box(13, 6, 14, 10, GREEN)


def menu_help(box):
    box(4, 1, 12, 15, BLUE)    # a round blue ground
    box(2, 3, 14, 13, BLUE)
    box(3, 2, 13, 14, BLUE)
    box(5, 3, 11, 5, WHITE)    # the question mark
    box(9, 5, 11, 8, WHITE)
    box(7, 7, 10, 9, WHITE)
    box(7, 9, 9, 10, WHITE)
    box(7, 11, 9, 13, WHITE)


TRAY_SIZES = (32, 16, 20, 24)

MENU_IMAGES = {"MENUPROGRAM": menu_program, "MENUOPTIONS": menu_options, "MENUCLOSE": menu_close,
               "MENURESTORE": menu_restore, "MENUEXIT": menu_exit, "MENUHELP": menu_help}


def all_icons():
    # The tray shows the small-icon size: 16 px at 100 %, 20 at 125 %, 24 at 150 %, 32 at 200 %.
    icons = {"S%d" % n: [digit_icon(n, size) for size in TRAY_SIZES] for n in range(1, 10)}
    icons["MAINICON"] = [main_icon(size) for size in TRAY_SIZES]
    icons["SH"] = [shared_icon(size) for size in TRAY_SIZES]
    for name, draw in MENU_IMAGES.items():
        icons[name] = [glyph(draw, 32), glyph(draw, 16)]
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
