#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Draw the program's image assets into ui/resources/.

Run with Debian's /usr/bin/python3 (it has python3-pil):

    /usr/bin/python3 tools/make_assets.py

Everything is computed, nothing is random at run time, so running it again
gives the same bytes with the same Pillow/libjpeg.
"""

import math
import random
import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

ROOT = Path(__file__).resolve().parent.parent
OUT = ROOT / "ui" / "resources"

FONT_DIR = Path("/usr/share/fonts/truetype/liberation2")
FONT_REGULAR = FONT_DIR / "LiberationSans-Regular.ttf"
FONT_BOLD = FONT_DIR / "LiberationSans-Bold.ttf"
SRGB_ICC = Path("/usr/share/color/icc/sRGB.icc")

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# --------------------------------------------------------------------------
# target.jpg
# --------------------------------------------------------------------------

TARGET_SIZE = (258, 250)
# Centre of pixel (129, 124) in continuous coordinates.
TARGET_CX, TARGET_CY = 129.5, 124.5
R_INNER, R_MIDDLE, R_OUTER = 60, 91, 120
EDGE_HALF = 1.0  # the black edges are 2 px wide, centred on each radius

# (outer radius, colour at the inside, colour at the outside)
BANDS = [
    (R_INNER, 0, (116, 227, 71), (39, 194, 15)),
    (R_MIDDLE, R_INNER, (248, 246, 5), (217, 211, 1)),
    (R_OUTER, R_MIDDLE, (166, 28, 28), (147, 21, 22)),
]
SUPERSAMPLE = 4


def target_colour(d):
    for outer, inner, c_in, c_out in BANDS:
        if abs(d - outer) <= EDGE_HALF:
            return BLACK
        if d < outer:
            return lerp(c_in, c_out, (d - inner) / (outer - inner))
    return WHITE


def draw_target():
    s = SUPERSAMPLE
    w, h = TARGET_SIZE[0] * s, TARGET_SIZE[1] * s
    pixels = []
    for y in range(h):
        dy = (y + 0.5) / s - TARGET_CY
        for x in range(w):
            dx = (x + 0.5) / s - TARGET_CX
            pixels.append(target_colour(math.hypot(dx, dy)))
    big = Image.new("RGB", (w, h))
    big.putdata(pixels)
    # Box-averaging the supersampled discs gives smooth edges; the text is
    # drawn afterwards at final size so FreeType's hinting keeps it crisp.
    img = big.reduce(s)

    draw = ImageDraw.Draw(img)
    big_font = ImageFont.truetype(str(FONT_BOLD), 40)
    small_font = ImageFont.truetype(str(FONT_REGULAR), 12)
    cx, cy = TARGET_CX, TARGET_CY

    def mid(a, b):
        return (a + b) / 2

    draw.text((cx, cy), "50%", font=big_font, fill=BLACK, anchor="mm")
    draw.text((cx + mid(R_INNER, R_MIDDLE), cy), "93%", font=small_font,
              fill=BLACK, anchor="mm")
    draw.text((cx, cy + mid(R_INNER, R_MIDDLE) - 3), "43% in this ring",
              font=small_font, fill=BLACK, anchor="mm")
    draw.text((cx + mid(R_MIDDLE, R_OUTER), cy), "99%", font=small_font,
              fill=WHITE, anchor="mm")
    draw.text((cx, cy + mid(R_MIDDLE, R_OUTER)), "7% in this ring",
              font=small_font, fill=WHITE, anchor="mm")

    img.save(OUT / "target.jpg", "JPEG", quality=90, subsampling=0,
             dpi=(100, 100), icc_profile=SRGB_ICC.read_bytes(),
             progressive=False, optimize=False)
    return img


# --------------------------------------------------------------------------
# Shared palette helpers for the small palettised images
# --------------------------------------------------------------------------

# The 16 classic VGA colours, in the usual Windows order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    """VGA colours, then a 6x6x6 colour cube, then a grey ramp: 256 in all."""
    pal = list(VGA16)
    steps = [0, 51, 102, 153, 204, 255]
    pal += [(r, g, b) for r in steps for g in steps for b in steps]
    pal += [(round(8 + i * 238 / 23),) * 3 for i in range(24)]
    assert len(pal) == 256
    return pal


def rgbquads(pal):
    return b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in pal)


def bitmap_info_header(width, height, bits, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 0, 0, colours_used, 0)


# --------------------------------------------------------------------------
# folder.bmp
# --------------------------------------------------------------------------

# One character per pixel: '.' button face, K black, Y yellow, O olive,
# W white highlight.
FOLDER_ART = [
    "........................",
    "........................",
    "........................",
    "...........KKKK.........",
    ".........KK....KK.......",
    "........K........K......",
    ".......K..........K.....",
    ".......K.......KKKKKKK..",
    "................KKKKK...",
    ".................KKK....",
    "..KKKKK...........K.....",
    ".KWYYYYK................",
    ".KWYYYYYKKKKKKKK........",
    ".KWYYYYYYYYYYYYYK.......",
    ".KWYYYYYYYYYYYYYK.......",
    ".KWYYYKKKKKKKKKKKKKKKK..",
    ".KWYYKOOOOOOOOOOOOOOK...",
    ".KWYKOOOOOOOOOOOOOOK....",
    ".KWKOOOOOOOOOOOOOOK.....",
    ".KKOOOOOOOOOOOOOOK......",
    ".KOOOOOOOOOOOOOOK.......",
    ".KKKKKKKKKKKKKKK........",
    "........................",
]
FOLDER_COLOURS = {
    ".": (192, 192, 192),
    "K": (0, 0, 0),
    "Y": (255, 255, 0),
    "O": (128, 128, 0),
    "W": (255, 255, 255),
}


def write_bmp8(path, art, colours):
    pal = palette256()
    index = {ch: pal.index(rgb) for ch, rgb in colours.items()}
    height, width = len(art), len(art[0])
    assert all(len(row) == width for row in art)
    stride = (width + 3) & ~3
    rows = []
    for row in reversed(art):  # BMP rows run bottom-up
        line = bytes(index[ch] for ch in row)
        rows.append(line + b"\0" * (stride - width))
    pixels = b"".join(rows)
    info = bitmap_info_header(width, height, 8, len(pixels), 256)
    offset = 14 + len(info) + 4 * len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    path.write_bytes(header + info + rgbquads(pal) + pixels)


def art_to_image(art, colours):
    img = Image.new("RGB", (len(art[0]), len(art)))
    img.putdata([colours[ch] for row in art for ch in row])
    return img


# --------------------------------------------------------------------------
# cepcalc.ico / cepcalc.png
# --------------------------------------------------------------------------

ICON = 32
I_BLACK, I_MAROON, I_BLUE, I_RED, I_WHITE = 0, 1, 12, 9, 15

# (outer radius, palette index), innermost first
ICON_RINGS = [
    (4.9, I_BLUE), (6.9, I_BLACK), (8.9, I_WHITE), (10.9, I_BLACK),
    (12.9, I_WHITE), (15.6, I_BLACK),
]


def icon_indices():
    c = (ICON - 1) / 2
    grid = [[I_WHITE] * ICON for _ in range(ICON)]
    for y in range(ICON):
        for x in range(ICON):
            d = math.hypot(x - c, y - c)
            for outer, idx in ICON_RINGS:
                if d <= outer:
                    grid[y][x] = idx
                    break

    # The streak: from the centre down past the bottom edge, widening a
    # little, in red speckled with maroon. A fixed seed keeps it stable.
    rng = random.Random(1994)
    x0, y0, x1, y1 = c, c, c + 6, ICON + 1
    for y in range(ICON):
        for x in range(ICON):
            t = (y - y0) / (y1 - y0)
            if t < 0:
                continue
            axis = x0 + (x1 - x0) * t
            half = 0.8 + 1.4 * t
            off = abs(x - axis)
            if off <= half:
                grid[y][x] = I_MAROON if rng.random() < 0.3 else I_RED
            elif off <= half + 1.2 and rng.random() < 0.35:
                grid[y][x] = I_MAROON if rng.random() < 0.5 else I_RED
    return grid


def write_ico4(path, grid):
    size = len(grid)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    for row in reversed(grid):
        line = bytearray()
        for x in range(0, size, 2):
            line.append((row[x] << 4) | row[x + 1])
        xor += line + b"\0" * (xor_stride - len(line))
    # Every pixel is opaque, so the AND mask is all zero.
    mask = b"\0" * (and_stride * size)
    image_size = len(xor) + len(mask)
    # Icon bitmaps store twice the height: the colour rows, then the mask.
    info = bitmap_info_header(size, size * 2, 4, image_size, 0)
    body = info + rgbquads(VGA16) + bytes(xor) + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body),
                        6 + 16)
    path.write_bytes(icondir + entry + body)


def draw_icon():
    grid = icon_indices()
    write_ico4(OUT / "cepcalc.ico", grid)
    img = Image.new("RGB", (ICON, ICON))
    img.putdata([VGA16[i] for row in grid for i in row])
    img.save(OUT / "cepcalc.png", "PNG", optimize=False)
    return img


def main(argv):
    OUT.mkdir(parents=True, exist_ok=True)
    draw_target()
    write_bmp8(OUT / "folder.bmp", FOLDER_ART, FOLDER_COLOURS)
    draw_icon()
    if "--preview" in argv:
        # Enlarged copies for eyeballing the results.
        preview = Path(argv[argv.index("--preview") + 1])
        preview.mkdir(parents=True, exist_ok=True)
        Image.open(OUT / "target.jpg").resize((516, 500), Image.LANCZOS).save(
            preview / "target.png")
        Image.open(OUT / "target.jpg").save(preview / "target1x.png")
        Image.open(OUT / "folder.bmp").convert("RGB").resize(
            (24 * 12, 23 * 12), Image.NEAREST).save(preview / "folder.png")
        Image.open(OUT / "cepcalc.ico").convert("RGB").resize(
            (32 * 10, 32 * 10), Image.NEAREST).save(preview / "icon.png")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
