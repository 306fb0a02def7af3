#!/usr/bin/env python3
"""Draw every Vardolin picture procedurally and write the resource files.

    python3 tools/art/draw_art.py [REPO_ROOT]

REPO_ROOT defaults to two directories above this script.  Only the Python
standard library is used, and the output is byte-for-byte reproducible: run
the script again and git shows no change.

Written files (width x height):
    src/ui/res/app.ico        48 x 41, one image, 8 bpp, 256-entry palette,
                              transparent outside the drawing (AND mask)
    src/ui/res/logo.bmp       129 x 92, 24-bit
    src/ui/res/wordmark.bmp   331 x 70, 24-bit
    src/ui/res/power.bmp      32 x 32, 24-bit, key colour magenta (255,0,255)
    src/ui/res/logo@2x.bmp, src/ui/res/wordmark@2x.bmp, src/ui/res/power@2x.bmp
                              the same three drawn at 200 % (258 x 184,
                              662 x 140, 64 x 64), 8-bit with a palette of
                              the colours they use; the window scales them
                              down on displays above 96 DPI
    data/France.gif, data/UK.gif, data/Italia.gif, data/Sweden.gif
                              60 x 36, GIF89a

The drawing functions (draw_*) return an Image; the encoders (encode_*) turn an
Image into file bytes.  check_art.py imports both to verify the files.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
MAGENTA = (255, 0, 255)          # transparent key colour of power.bmp

NAVY = (22, 44, 102)
GREEN = (34, 160, 84)
POWER_RED = (206, 24, 30)


# ---------------------------------------------------------------------------
# Image and drawing helpers
# ---------------------------------------------------------------------------

class Image:
    """Top-down RGB raster.  A pixel is an (r, g, b) tuple, or None for a
    transparent pixel (only the icon uses transparency)."""

    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.px = [fill] * (width * height)

    def get(self, x, y):
        return self.px[y * self.width + x]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = colour

    def fill_rect(self, x0, y0, x1, y1, colour):
        """Fill the half-open pixel rectangle [x0, x1) x [y0, y1)."""
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[row + x] = colour

    def row(self, y):
        return self.px[y * self.width:(y + 1) * self.width]


def _mix(colours):
    """Average of a list of RGB tuples, rounded half up (integer arithmetic)."""
    n = len(colours)
    return tuple((sum(c[i] for c in colours) + n // 2) // n for i in range(3))


def render(img, colour_at, samples=4):
    """Set every pixel to the average of colour_at() over a samples x samples
    grid inside the pixel (simple box-filter anti-aliasing).  colour_at gets
    continuous coordinates; pixel (x, y) covers [x, x+1) x [y, y+1)."""
    offs = [(i + 0.5) / samples for i in range(samples)]
    for y in range(img.height):
        for x in range(img.width):
            cols = [colour_at(x + ox, y + oy) for oy in offs for ox in offs]
            img.px[y * img.width + x] = _mix(cols)


def paint_solid(img, inside, colour, samples=4):
    """Paint colour on every pixel that is at least half covered by the
    shape.  No blending: the result only holds the old colours and colour."""
    offs = [(i + 0.5) / samples for i in range(samples)]
    need = samples * samples
    for y in range(img.height):
        for x in range(img.width):
            hits = sum(1 for oy in offs for ox in offs if inside(x + ox, y + oy))
            if 2 * hits >= need:
                img.px[y * img.width + x] = colour


def paint_outlined(img, inside, fill, outline):
    """Paint a shape sampled at pixel centres; its border pixels (those with a
    4-neighbour outside the shape) get the outline colour."""
    w, h = img.width, img.height
    mask = [[inside(x + 0.5, y + 0.5) for x in range(w)] for y in range(h)]

    def m(x, y):
        return 0 <= x < w and 0 <= y < h and mask[y][x]

    for y in range(h):
        for x in range(w):
            if not mask[y][x]:
                continue
            edge = not (m(x - 1, y) and m(x + 1, y) and m(x, y - 1) and m(x, y + 1))
            img.px[y * w + x] = outline if edge else fill


# Shape predicates -----------------------------------------------------------

def in_polygon(poly, x, y):
    """Even-odd rule point-in-polygon test."""
    inside = False
    n = len(poly)
    for i in range(n):
        x0, y0 = poly[i]
        x1, y1 = poly[(i + 1) % n]
        if (y0 > y) != (y1 > y):
            xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
            if x < xc:
                inside = not inside
    return inside


def seg_distance(x, y, ax, ay, bx, by):
    """Distance from (x, y) to the segment a-b."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else ((x - ax) * dx + (y - ay) * dy) / length2
    t = max(0.0, min(1.0, t))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


def polygon_distance(poly, x, y):
    """Distance from (x, y) to the outline of the polygon."""
    n = len(poly)
    return min(seg_distance(x, y, *poly[i], *poly[(i + 1) % n]) for i in range(n))


# ---------------------------------------------------------------------------
# Application icon: a cash register with a download arrow
# ---------------------------------------------------------------------------

ICON_W, ICON_H = 48, 41

# icon palette (flat colours; the encoder builds the 256-entry table)
I_OUTLINE = (20, 32, 70)
I_BODY = (214, 220, 230)
I_BODY_SHADE = (168, 178, 196)
I_DRAWER = (126, 138, 162)
I_SCREEN = (26, 34, 44)
I_LCD = (96, 232, 128)
I_KEY = (250, 250, 250)
I_KEY_DARK = (66, 84, 130)
I_KEY_GO = (40, 178, 84)
I_ARROW = (44, 174, 82)
I_ARROW_EDGE = (16, 92, 44)


def draw_icon():
    img = Image(ICON_W, ICON_H, None)

    # customer display on its post
    paint_outlined(img, lambda x, y: 12 <= x < 16 and 13 <= y < 21, I_BODY_SHADE, I_OUTLINE)
    paint_outlined(img, lambda x, y: 2 <= x < 26 and 2 <= y < 14, I_SCREEN, I_OUTLINE)
    # LCD digits "8.8.8" in simplified segments
    for dx in (5, 11, 17):
        img.fill_rect(dx, 5, dx + 4, 6, I_LCD)
        img.fill_rect(dx, 7, dx + 4, 8, I_LCD)
        img.fill_rect(dx, 9, dx + 4, 10, I_LCD)
        img.fill_rect(dx, 5, dx + 1, 10, I_LCD)
        img.fill_rect(dx + 3, 5, dx + 4, 10, I_LCD)
        img.set(dx + 5, 9, I_LCD)

    # sloped keyboard body (trapezoid) and cash drawer
    body = [(7, 20), (41, 20), (46, 33), (2, 33)]
    paint_outlined(img, lambda x, y: in_polygon(body, x, y), I_BODY, I_OUTLINE)
    img.fill_rect(4, 30, 45, 32, I_BODY_SHADE)
    paint_outlined(img, lambda x, y: 1 <= x < 47 and 32 <= y < 41, I_DRAWER, I_OUTLINE)
    img.fill_rect(17, 36, 31, 38, I_OUTLINE)          # drawer handle
    img.fill_rect(2, 33, 46, 34, I_BODY_SHADE)        # drawer top light

    # keys: three rows on the slope, the right-hand column is the total key
    for ky, kx0 in ((22, 10), (25, 9), (28, 8)):
        for c in range(6):
            x = kx0 + c * 5
            img.fill_rect(x, ky, x + 3, ky + 2, I_KEY_DARK if c == 0 else I_KEY)
    img.fill_rect(38, 22, 42, 30, I_KEY_GO)

    # download arrow coming down into the register
    arrow = [(31, 0), (38, 0), (38, 8), (44, 8), (34.5, 19), (25, 8), (31, 8)]
    paint_outlined(img, lambda x, y: in_polygon(arrow, x, y), I_ARROW, I_ARROW_EDGE)
    return img


# ---------------------------------------------------------------------------
# Brand mark: an interlaced "V", navy arm in front of a green arm
# ---------------------------------------------------------------------------

LOGO_W, LOGO_H = 129, 92
_LOGO_NAVY_ARM = [(10, 8), (40, 8), (79.5, 84), (49.5, 84)]
_LOGO_GREEN_ARM = [(89, 8), (119, 8), (79.5, 84), (49.5, 84)]
_LOGO_GAP = 3.0


def _logo_colour(x, y):
    if in_polygon(_LOGO_NAVY_ARM, x, y):
        return NAVY
    if polygon_distance(_LOGO_NAVY_ARM, x, y) <= _LOGO_GAP:
        return WHITE
    if in_polygon(_LOGO_GREEN_ARM, x, y):
        return GREEN
    return WHITE


def draw_logo(scale=1):
    img = Image(LOGO_W * scale, LOGO_H * scale, WHITE)
    render(img, lambda x, y: _logo_colour(x / scale, y / scale), samples=4)
    return img


def draw_logo_2x():
    return draw_logo(2)


# ---------------------------------------------------------------------------
# Wordmark: "VARDOLIN" in our own block font
# ---------------------------------------------------------------------------

WORDMARK_W, WORDMARK_H = 331, 70

# Glyphs on a 14-row grid; vertical strokes are three cells wide, horizontal
# bars two.  Every row of a glyph has the same width.
BLOCK_FONT = {
    "V": [
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        ".###..###.",
        ".###..###.",
        ".###..###.",
        "..######..",
        "..######..",
        "..######..",
        "...####...",
        "...####...",
        "....##....",
    ],
    "A": [
        "...####...",
        "..######..",
        ".###..###.",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "##########",
        "##########",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
    ],
    "R": [
        "########..",
        "#########.",
        "###...####",
        "###....###",
        "###....###",
        "###...####",
        "#########.",
        "########..",
        "###..###..",
        "###...###.",
        "###...###.",
        "###....###",
        "###....###",
        "###....###",
    ],
    "D": [
        "#######...",
        "########..",
        "###..####.",
        "###...###.",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###...###.",
        "###..####.",
        "########..",
        "#######...",
    ],
    "O": [
        "..######..",
        ".########.",
        "####..####",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "###....###",
        "####..####",
        ".########.",
        "..######..",
    ],
    "L": [
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "###......",
        "#########",
        "#########",
    ],
    "I": ["###"] * 14,
    "N": [
        "###....###",
        "####...###",
        "####...###",
        "#####..###",
        "#####..###",
        "######.###",
        "###.######",
        "###.######",
        "###..#####",
        "###..#####",
        "###...####",
        "###...####",
        "###....###",
        "###....###",
    ],
}
FONT_ROWS = 14
FONT_SCALE = 3            # pixels per font cell
FONT_GAP = 3              # cells between letters
WORDMARK_TEXT = "VARDOLIN"
WORDMARK_TOP = 10
UNDERLINE_GAP = 6         # pixels between the letters and the underline
UNDERLINE_THICK = 3


def text_width_cells(text):
    return sum(len(BLOCK_FONT[ch][0]) for ch in text) + FONT_GAP * (len(text) - 1)


def draw_wordmark(scale=1):
    """At scale 2 every pixel of the wordmark is two by two."""
    img = Image(WORDMARK_W * scale, WORDMARK_H * scale, WHITE)
    s = FONT_SCALE * scale
    width_px = text_width_cells(WORDMARK_TEXT) * s
    left = (WORDMARK_W - width_px // scale) // 2 * scale
    top = WORDMARK_TOP * scale
    x = left
    for ch in WORDMARK_TEXT:
        glyph = BLOCK_FONT[ch]
        for r, line in enumerate(glyph):
            for c, cell in enumerate(line):
                if cell == "#":
                    img.fill_rect(x + c * s, top + r * s,
                                  x + (c + 1) * s, top + (r + 1) * s, NAVY)
        x += (len(glyph[0]) + FONT_GAP) * s
    uy = top + FONT_ROWS * s + UNDERLINE_GAP * scale
    img.fill_rect(left, uy, left + width_px, uy + UNDERLINE_THICK * scale, GREEN)
    return img


def draw_wordmark_2x():
    return draw_wordmark(2)


# ---------------------------------------------------------------------------
# Power button glyph on the magenta key colour
# ---------------------------------------------------------------------------

POWER_W, POWER_H = 32, 32
_PW_CX, _PW_CY = 16.0, 17.0      # ring centre
_PW_R = 10.5                      # ring centre-line radius
_PW_HALF = 2.0                    # half stroke width
_PW_GAP_DEG = 40.0                # half opening of the ring at the top


def _power_inside(x, y):
    # vertical bar with rounded ends
    if seg_distance(x, y, _PW_CX, 5.0, _PW_CX, 15.0) <= _PW_HALF:
        return True
    # ring, open at the top
    dx, dy = x - _PW_CX, y - _PW_CY
    if abs(math.hypot(dx, dy) - _PW_R) <= _PW_HALF:
        if math.degrees(math.atan2(abs(dx), -dy)) >= _PW_GAP_DEG:   # 0 = up
            return True
    # round caps where the ring opens
    a = math.radians(_PW_GAP_DEG)
    for side in (-1.0, 1.0):
        ex = _PW_CX + side * _PW_R * math.sin(a)
        ey = _PW_CY - _PW_R * math.cos(a)
        if math.hypot(x - ex, y - ey) <= _PW_HALF:
            return True
    return False


def draw_power(scale=1):
    img = Image(POWER_W * scale, POWER_H * scale, MAGENTA)
    paint_solid(img, lambda x, y: _power_inside(x / scale, y / scale), POWER_RED, samples=4)
    return img


def draw_power_2x():
    return draw_power(2)


# ---------------------------------------------------------------------------
# Flags, 60 x 36 each
# ---------------------------------------------------------------------------

FLAG_W, FLAG_H = 60, 36


def _vertical_tricolour(left, middle, right):
    img = Image(FLAG_W, FLAG_H, middle)
    third = FLAG_W // 3
    img.fill_rect(0, 0, third, FLAG_H, left)
    img.fill_rect(FLAG_W - third, 0, FLAG_W, FLAG_H, right)
    return img


def draw_flag_france():
    return _vertical_tricolour((0, 38, 150), WHITE, (232, 40, 56))


def draw_flag_italy():
    return _vertical_tricolour((0, 144, 72), WHITE, (206, 42, 56))


def draw_flag_sweden():
    blue, yellow = (0, 104, 168), (254, 204, 0)
    img = Image(FLAG_W, FLAG_H, blue)
    img.fill_rect(19, 0, 27, FLAG_H, yellow)      # upright, left of centre
    img.fill_rect(0, 14, FLAG_W, 22, yellow)      # bar across the middle
    return img


_UK_BLUE = (1, 34, 106)
_UK_RED = (200, 16, 46)


def _uk_colour(x, y):
    w, h = float(FLAG_W), float(FLAG_H)
    u = h / 30.0                      # design unit: the flag is 30 units high
    # St George's cross on top, snapped to whole pixels so it stays crisp:
    # red 6 px wide inside a white band of 12 px
    if 27 <= x < 33 or 15 <= y < 21:
        return _UK_RED
    if 24 <= x < 36 or 12 <= y < 24:
        return WHITE
    # saltires: signed distances to the two corner-to-corner diagonals
    diag = math.hypot(w, h)
    d1 = (x * h - y * w) / diag              # > 0 above the \ diagonal
    d2 = (x * h + y * w - w * h) / diag      # > 0 below the / diagonal
    left = x < w / 2
    # counterchanged red saltire: in the hoist half it lies below each
    # diagonal, in the fly half above it
    if left:
        if -2 * u <= d1 <= 0 or 0 <= d2 <= 2 * u:
            return _UK_RED
    else:
        if 0 <= d1 <= 2 * u or -2 * u <= d2 <= 0:
            return _UK_RED
    if abs(d1) <= 3 * u or abs(d2) <= 3 * u:
        return WHITE
    return _UK_BLUE


def draw_flag_uk():
    img = Image(FLAG_W, FLAG_H, _UK_BLUE)
    render(img, _uk_colour, samples=4)
    return img


# ---------------------------------------------------------------------------
# Encoders
# ---------------------------------------------------------------------------

def encode_bmp(img):
    """24-bit BI_RGB bitmap, bottom-up, rows padded to 4 bytes."""
    stride = (img.width * 3 + 3) & ~3
    pad = b"\0" * (stride - img.width * 3)
    pixels = bytearray()
    for y in range(img.height - 1, -1, -1):
        for (r, g, b) in img.row(y):
            pixels += bytes((b, g, r))
        pixels += pad
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, img.width, img.height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    return file_header + info + bytes(pixels)


def encode_bmp8(img):
    """8-bit BI_RGB bitmap with a palette of the colours used, in order of
    first appearance, bottom-up, rows padded to 4 bytes."""
    palette = gif_palette(img)
    index = {c: i for i, c in enumerate(palette)}
    stride = (img.width + 3) & ~3
    pad = b"\0" * (stride - img.width)
    pixels = bytearray()
    for y in range(img.height - 1, -1, -1):
        pixels += bytes(index[c] for c in img.row(y))
        pixels += pad
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, img.width, img.height, 1, 8, 0,
                       len(pixels), 2835, 2835, len(palette), 0)
    return file_header + info + table + bytes(pixels)


def icon_palette(img):
    """Palette for the icon: index 0 is black (also the XOR colour of the
    transparent pixels), then the colours in order of first appearance."""
    palette = [BLACK]
    for c in img.px:
        if c is not None and c not in palette:
            palette.append(c)
    if len(palette) > 256:
        raise ValueError("icon uses more than 256 colours")
    return palette


def encode_ico(img):
    """Single-image .ico: 8 bpp DIB with a 256-entry palette, doubled height
    in the header and a 1 bpp AND mask (1 = transparent)."""
    if img.width > 256 or img.height > 256:
        raise ValueError("icon too large")
    palette = icon_palette(img)
    index = {c: i for i, c in enumerate(palette)}
    xor_stride = (img.width + 3) & ~3
    and_stride = ((img.width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(img.height - 1, -1, -1):
        line = img.row(y)
        xor += bytes(0 if c is None else index[c] for c in line)
        xor += b"\0" * (xor_stride - img.width)
        bits = bytearray(and_stride)
        for x, c in enumerate(line):
            if c is None:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits
    table = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else BLACK
        table += bytes((b, g, r, 0))
    dib = struct.pack("<IiiHHIIiiII", 40, img.width, img.height * 2, 1, 8, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    dib += table + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", img.width % 256, img.height % 256, 0, 0,
                        1, 8, len(dib), 6 + 16)
    return icondir + entry + dib


def gif_palette(img):
    """Colours in order of first appearance (at most 256)."""
    palette = []
    seen = {}
    for c in img.px:
        if c not in seen:
            seen[c] = len(palette)
            palette.append(c)
    if len(palette) > 256:
        raise ValueError("picture uses more than 256 colours")
    return palette


def gif_table_bits(ncolours):
    """Bits of the colour table: 2**bits >= ncolours, at least 1."""
    bits = 1
    while (1 << bits) < ncolours:
        bits += 1
    return bits


class _BitWriter:
    """Packs variable-width codes least significant bit first, as GIF does."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def write(self, code, width):
        self.acc |= code << self.nbits
        self.nbits += width
        while self.nbits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.nbits -= 8

    def flush(self):
        if self.nbits:
            self.out.append(self.acc & 0xFF)
            self.acc = 0
            self.nbits = 0
        return bytes(self.out)


GIF_MAX_CODE = 4096


def lzw_encode(indices, min_code_size):
    """GIF-flavoured LZW.  Starts with a clear code, widens the codes as the
    table grows (up to 12 bits) and emits a clear code when the table is
    full.  Returns the packed code stream (without sub-block framing)."""
    clear = 1 << min_code_size
    eoi = clear + 1
    out = _BitWriter()

    table = {}
    next_code = clear + 2
    width = min_code_size + 1
    out.write(clear, width)

    prefix = None
    for k in indices:
        if prefix is None:
            prefix = k
            continue
        code = table.get((prefix, k))
        if code is not None:
            prefix = code
            continue
        out.write(prefix, width)
        if next_code < GIF_MAX_CODE:
            table[(prefix, k)] = next_code
            # the decoder lags one entry behind; it widens when its next free
            # code reaches 2**width, which is when we hand out that code
            if next_code == (1 << width) and width < 12:
                width += 1
            next_code += 1
        else:
            out.write(clear, width)
            table = {}
            next_code = clear + 2
            width = min_code_size + 1
        prefix = k
    if prefix is not None:
        out.write(prefix, width)
    out.write(eoi, width)
    return out.flush()


def gif_sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def encode_gif(img):
    """GIF89a with a global colour table and one full-size image."""
    palette = gif_palette(img)
    bits = gif_table_bits(len(palette))
    min_code_size = max(2, bits)
    index = {c: i for i, c in enumerate(palette)}

    out = bytearray(b"GIF89a")
    packed = 0x80 | (7 << 4) | (bits - 1)     # global table, 8-bit primaries
    out += struct.pack("<HHBBB", img.width, img.height, packed, 0, 0)
    for i in range(1 << bits):
        out += bytes(palette[i] if i < len(palette) else BLACK)
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, img.width, img.height, 0)
    out.append(min_code_size)
    out += gif_sub_blocks(lzw_encode([index[c] for c in img.px], min_code_size))
    out += b"\x3B"
    return bytes(out)


# ---------------------------------------------------------------------------
# Output list
# ---------------------------------------------------------------------------

# (path relative to the repository root, drawing function, encoder)
OUTPUTS = [
    ("src/ui/res/app.ico", draw_icon, encode_ico),
    ("src/ui/res/logo.bmp", draw_logo, encode_bmp),
    ("src/ui/res/wordmark.bmp", draw_wordmark, encode_bmp),
    ("src/ui/res/power.bmp", draw_power, encode_bmp),
    ("src/ui/res/logo@2x.bmp", draw_logo_2x, encode_bmp8),
    ("src/ui/res/wordmark@2x.bmp", draw_wordmark_2x, encode_bmp8),
    ("src/ui/res/power@2x.bmp", draw_power_2x, encode_bmp8),
    ("data/France.gif", draw_flag_france, encode_gif),
    ("data/UK.gif", draw_flag_uk, encode_gif),
    ("data/Italia.gif", draw_flag_italy, encode_gif),
    ("data/Sweden.gif", draw_flag_sweden, encode_gif),
]


def default_root():
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: draw_art.py [REPO_ROOT]\n")
        return 2
    root = argv[1] if len(argv) == 2 else default_root()
    for rel, draw, encode in OUTPUTS:
        data = encode(draw())
        path = os.path.join(root, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (rel, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
