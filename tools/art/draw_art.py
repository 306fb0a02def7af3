#!/usr/bin/python3
"""Draw every Vardolin picture with Pillow and write the picture files.

    /usr/bin/python3 tools/art/draw_art.py [REPO_ROOT]

REPO_ROOT defaults to two directories above this script.  Pillow is
Debian's python3-pil, hence Debian's Python.  The output is reproducible:
run the script again and git shows no change.

Written files (width x height):
    src/ui/res/app.ico        48 x 41, one image, transparent outside the drawing
    src/ui/res/logo.bmp       129 x 92, 24-bit
    src/ui/res/wordmark.bmp   331 x 70, 24-bit
    src/ui/res/power.bmp      32 x 32, 24-bit, key colour magenta (255,0,255)
    src/ui/res/logo@2x.bmp, src/ui/res/wordmark@2x.bmp, src/ui/res/power@2x.bmp
                              the same three drawn at 200 % (258 x 184,
                              662 x 140, 64 x 64), 8-bit with a palette of
                              the colours they use; the window scales them
                              down on displays above 96 DPI
    data/France.gif, data/UK.gif, data/Italia.gif, data/Sweden.gif
                              60 x 36

ImageDraw does not smooth the edges of a polygon, so the smooth pictures are
drawn at SMOOTH times their size and scaled down.
"""

import math
import os
import sys

from PIL import Image, ImageDraw

WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)          # transparent key colour of power.bmp
NAVY = (22, 44, 102)
GREEN = (34, 160, 84)
POWER_RED = (206, 24, 30)

SMOOTH = 4                       # drawn at this multiple, then scaled down


def smooth(size, background, paint, scale=1):
    """A picture of `size` (at 100 %) times `scale`: paint(draw, f) draws in
    the picture's own units, each f pixels of the large canvas."""
    f = SMOOTH * scale
    big = Image.new("RGB", (size[0] * f, size[1] * f), background)
    paint(ImageDraw.Draw(big), f)
    return big.resize((size[0] * scale, size[1] * scale), Image.Resampling.BOX)


def scaled(points, f):
    return [(x * f, y * f) for x, y in points]


# ---------------------------------------------------------------------------
# Application icon: a cash register with a download arrow, pixel for pixel
# ---------------------------------------------------------------------------

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
    img = Image.new("RGBA", (48, 41), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    def box(x0, y0, x1, y1, fill, outline=None):  # the pixels [x0, x1) x [y0, y1)
        d.rectangle((x0, y0, x1 - 1, y1 - 1), fill=fill, outline=outline)

    # customer display on its post, with "8.8.8" in simple segments
    box(12, 13, 16, 21, I_BODY_SHADE, I_OUTLINE)
    box(2, 2, 26, 14, I_SCREEN, I_OUTLINE)
    for x in (5, 11, 17):
        for y in (5, 7, 9):
            box(x, y, x + 4, y + 1, I_LCD)
        box(x, 5, x + 1, 10, I_LCD)
        box(x + 3, 5, x + 4, 10, I_LCD)
        d.point((x + 5, 9), fill=I_LCD)
    # sloped keyboard body and cash drawer with its handle
    d.polygon([(7, 20), (40, 20), (45, 32), (2, 32)], fill=I_BODY, outline=I_OUTLINE)
    box(4, 30, 45, 32, I_BODY_SHADE)
    box(1, 32, 47, 41, I_DRAWER, I_OUTLINE)
    box(17, 36, 31, 38, I_OUTLINE)
    box(2, 33, 46, 34, I_BODY_SHADE)
    # three rows of keys on the slope; the right-hand column is the total key
    for y, x0 in ((22, 10), (25, 9), (28, 8)):
        for c in range(6):
            box(x0 + c * 5, y, x0 + c * 5 + 3, y + 2, I_KEY_DARK if c == 0 else I_KEY)
    box(38, 22, 42, 30, I_KEY_GO)
    # the download arrow coming down into the register
    d.polygon([(31, 0), (37, 0), (37, 8), (43, 8), (34, 18), (25, 8), (31, 8)],
              fill=I_ARROW, outline=I_ARROW_EDGE)
    return img


# ---------------------------------------------------------------------------
# Brand mark: an interlaced "V", the navy arm in front of the green one
# ---------------------------------------------------------------------------

LOGO_SIZE = (129, 92)
_NAVY_ARM = [(10, 8), (40, 8), (79.5, 84), (49.5, 84)]
_GREEN_ARM = [(89, 8), (119, 8), (79.5, 84), (49.5, 84)]
_GAP = 3.0                       # white between the arms


def draw_logo(scale=1):
    def paint(d, f):
        d.polygon(scaled(_GREEN_ARM, f), fill=GREEN)
        navy = scaled(_NAVY_ARM, f)
        d.line(navy + navy[:1], fill=WHITE, width=round(2 * _GAP * f), joint="curve")
        for x, y in navy:
            r = _GAP * f
            d.ellipse((x - r, y - r, x + r, y + r), fill=WHITE)
        d.polygon(navy, fill=NAVY)
    return smooth(LOGO_SIZE, WHITE, paint, scale)


# ---------------------------------------------------------------------------
# Wordmark: "VARDOLIN" in our own block font
# ---------------------------------------------------------------------------

WORDMARK_SIZE = (331, 70)

# Glyphs on a 14-row grid; vertical strokes are three cells wide, bars two.
BLOCK_FONT = {
    "V": ["###....###"] * 5 + [".###..###."] * 3 + ["..######.."] * 3
         + ["...####..."] * 2 + ["....##...."],
    "A": ["...####...", "..######..", ".###..###."] + ["###....###"] * 4
         + ["##########"] * 2 + ["###....###"] * 5,
    "R": ["########..", "#########.", "###...####", "###....###", "###....###",
          "###...####", "#########.", "########..", "###..###..", "###...###.",
          "###...###.", "###....###", "###....###", "###....###"],
    "D": ["#######...", "########..", "###..####.", "###...###."] + ["###....###"] * 6
         + ["###...###.", "###..####.", "########..", "#######..."],
    "O": ["..######..", ".########.", "####..####"] + ["###....###"] * 8
         + ["####..####", ".########.", "..######.."],
    "L": ["###......"] * 12 + ["#########"] * 2,
    "I": ["###"] * 14,
    "N": ["###....###", "####...###", "####...###", "#####..###", "#####..###",
          "######.###", "###.######", "###.######", "###..#####", "###..#####",
          "###...####", "###...####", "###....###", "###....###"],
}
CELL = 3                         # pixels per font cell
LETTER_GAP = 3                   # cells between letters
WORDMARK_TEXT = "VARDOLIN"
WORDMARK_TOP = 10
UNDERLINE_GAP = 6                # pixels between the letters and the underline
UNDERLINE_THICK = 3


def draw_wordmark(scale=1):
    """At 200 % every pixel of the wordmark is two by two."""
    img = Image.new("RGB", WORDMARK_SIZE, WHITE)
    d = ImageDraw.Draw(img)
    cells = sum(len(BLOCK_FONT[ch][0]) for ch in WORDMARK_TEXT) + LETTER_GAP * (len(WORDMARK_TEXT) - 1)
    left = (WORDMARK_SIZE[0] - cells * CELL) // 2
    x = left
    for ch in WORDMARK_TEXT:
        glyph = BLOCK_FONT[ch]
        for r, line in enumerate(glyph):
            for c, cell in enumerate(line):
                if cell == "#":
                    top = WORDMARK_TOP + r * CELL
                    d.rectangle((x + c * CELL, top, x + (c + 1) * CELL - 1, top + CELL - 1), fill=NAVY)
        x += (len(glyph[0]) + LETTER_GAP) * CELL
    y = WORDMARK_TOP + len(BLOCK_FONT["V"]) * CELL + UNDERLINE_GAP
    d.rectangle((left, y, left + cells * CELL - 1, y + UNDERLINE_THICK - 1), fill=GREEN)
    return img.resize((WORDMARK_SIZE[0] * scale, WORDMARK_SIZE[1] * scale), Image.Resampling.NEAREST)


# ---------------------------------------------------------------------------
# Power symbol on the magenta key colour: red wherever it covers half a
# pixel, never a blend with the key
# ---------------------------------------------------------------------------

POWER_SIZE = (32, 32)
_CX, _CY, _RING = 16.0, 17.0, 10.5   # ring centre and centre-line radius
_HALF = 2.0                          # half the stroke
_OPENING = 40.0                      # half the ring's opening at the top, degrees


def draw_power(scale=1):
    f = SMOOTH * scale
    mask = Image.new("L", (POWER_SIZE[0] * f, POWER_SIZE[1] * f), 0)
    d = ImageDraw.Draw(mask)

    def dot(x, y):
        r = _HALF * f
        d.ellipse((x * f - r, y * f - r, x * f + r, y * f + r), fill=255)

    d.line([(_CX * f, 5 * f), (_CX * f, 15 * f)], fill=255, width=round(2 * _HALF * f))
    dot(_CX, 5)
    dot(_CX, 15)
    outer = (_RING + _HALF) * f
    d.arc(((_CX * f - outer), (_CY * f - outer), (_CX * f + outer), (_CY * f + outer)),
          -90 + _OPENING, 270 - _OPENING, fill=255, width=round(2 * _HALF * f))
    a = math.radians(_OPENING)
    for side in (-1, 1):
        dot(_CX + side * _RING * math.sin(a), _CY - _RING * math.cos(a))
    mask = mask.resize((POWER_SIZE[0] * scale, POWER_SIZE[1] * scale), Image.Resampling.BOX)
    img = Image.new("RGB", mask.size, MAGENTA)
    img.paste(POWER_RED, mask=mask.point(lambda v: 255 if v >= 128 else 0))
    return img


# ---------------------------------------------------------------------------
# Flags, 60 x 36 each
# ---------------------------------------------------------------------------

FLAG_SIZE = (60, 36)
FRANCE = ((0, 38, 150), WHITE, (232, 40, 56))
ITALY = ((0, 144, 72), WHITE, (206, 42, 56))
SWEDEN_BLUE, SWEDEN_YELLOW = (0, 104, 168), (254, 204, 0)
UK_BLUE, UK_RED = (1, 34, 106), (200, 16, 46)


def _tricolour(left, middle, right):
    img = Image.new("RGB", FLAG_SIZE, middle)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 19, 35), fill=left)
    d.rectangle((40, 0, 59, 35), fill=right)
    return img


def draw_flag_france():
    return _tricolour(*FRANCE)


def draw_flag_italy():
    return _tricolour(*ITALY)


def draw_flag_sweden():
    img = Image.new("RGB", FLAG_SIZE, SWEDEN_BLUE)
    d = ImageDraw.Draw(img)
    d.rectangle((19, 0, 26, 35), fill=SWEDEN_YELLOW)   # upright, left of centre
    d.rectangle((0, 14, 59, 21), fill=SWEDEN_YELLOW)   # bar across the middle
    return img


def _band(a, b, offset0, offset1):
    """The quadrilateral between the lines parallel to a-b at the two
    offsets; a positive offset lies above a line that runs to the right."""
    dx, dy = b[0] - a[0], b[1] - a[1]
    n = math.hypot(dx, dy)
    nx, ny = dy / n, -dx / n
    return [(a[0] + nx * offset0, a[1] + ny * offset0), (b[0] + nx * offset0, b[1] + ny * offset0),
            (b[0] + nx * offset1, b[1] + ny * offset1), (a[0] + nx * offset1, a[1] + ny * offset1)]


def draw_flag_uk():
    w, h = FLAG_SIZE
    u = h / 30.0                 # design unit: the flag is 30 units high

    def paint(d, f):
        # the two diagonals, from beyond one corner through the middle to
        # beyond the other, so that the bands fill the corners
        m = (w / 2, h / 2)
        for a, b in (((-w / 10, -h / 10), (w * 1.1, h * 1.1)), ((-w / 10, h * 1.1), (w * 1.1, -h / 10))):
            d.polygon(scaled(_band(a, b, -3 * u, 3 * u), f), fill=WHITE)
            # the red saltire is counterchanged: in the hoist half it lies
            # below each diagonal, in the fly half above it
            d.polygon(scaled(_band(a, m, -2 * u, 0), f), fill=UK_RED)
            d.polygon(scaled(_band(m, b, 0, 2 * u), f), fill=UK_RED)
        # St George's cross on whole pixels, so that it stays crisp
        d.rectangle((24 * f, 0, 36 * f - 1, h * f), fill=WHITE)
        d.rectangle((0, 12 * f, w * f, 24 * f - 1), fill=WHITE)
        d.rectangle((27 * f, 0, 33 * f - 1, h * f), fill=UK_RED)
        d.rectangle((0, 15 * f, w * f, 21 * f - 1), fill=UK_RED)
    return smooth(FLAG_SIZE, UK_BLUE, paint)


# ---------------------------------------------------------------------------
# Files
# ---------------------------------------------------------------------------

def palette_of_its_colours(img):
    """An 8-bit picture of exactly the colours of `img` (at most 256)."""
    colours = [c for _, c in sorted(img.getcolors(256) or [], reverse=True)]
    if not colours:
        raise ValueError("picture uses more than 256 colours")
    index = {c: i for i, c in enumerate(colours)}
    out = Image.frombytes("P", img.size, bytes(index[c] for c in img.getdata()))
    out.putpalette([v for c in colours for v in c])
    return out


def save_bmp(img, path):
    img.save(path, "BMP")


def save_bmp8(img, path):
    palette_of_its_colours(img).save(path, "BMP")


def save_gif(img, path):
    palette_of_its_colours(img).save(path, "GIF", optimize=False)


def save_ico(img, path):
    img.save(path, "ICO", sizes=[img.size])


# (path from the repository root, drawing, writer)
OUTPUTS = [
    ("src/ui/res/app.ico", draw_icon, save_ico),
    ("src/ui/res/logo.bmp", draw_logo, save_bmp),
    ("src/ui/res/wordmark.bmp", draw_wordmark, save_bmp),
    ("src/ui/res/power.bmp", draw_power, save_bmp),
    ("src/ui/res/logo@2x.bmp", lambda: draw_logo(2), save_bmp8),
    ("src/ui/res/wordmark@2x.bmp", lambda: draw_wordmark(2), save_bmp8),
    ("src/ui/res/power@2x.bmp", lambda: draw_power(2), save_bmp8),
    ("data/France.gif", draw_flag_france, save_gif),
    ("data/UK.gif", draw_flag_uk, save_gif),
    ("data/Italia.gif", draw_flag_italy, save_gif),
    ("data/Sweden.gif", draw_flag_sweden, save_gif),
]


def default_root():
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: draw_art.py [REPO_ROOT]\n")
        return 2
    root = argv[1] if len(argv) == 2 else default_root()
    for rel, draw, save in OUTPUTS:
        path = os.path.join(root, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        save(draw(), path)
        print("wrote %s (%d bytes)" % (rel, os.path.getsize(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
