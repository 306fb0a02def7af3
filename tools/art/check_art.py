#!/usr/bin/python3
"""Read the picture files back through Pillow and check what the program needs.

    /usr/bin/python3 tools/art/check_art.py [REPO_ROOT]

Each file must be what draw_art.py draws now, in the format and size the
window expects; the flags must show their colours where they belong, the
icon its one size and a transparent outside, the power symbol only red on
its magenta key, and each 200 % picture its 100 % one doubled.

Exits with status 1 and a list of problems when anything does not match.
"""

import os
import sys

from PIL import Image, ImageChops, ImageStat

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw_art  # noqa: E402

# file -> (format, size, mode as read back)
EXPECTED = {
    "src/ui/res/app.ico": ("ICO", (48, 41), "RGBA"),
    "src/ui/res/logo.bmp": ("BMP", (129, 92), "RGB"),
    "src/ui/res/wordmark.bmp": ("BMP", (331, 70), "RGB"),
    "src/ui/res/power.bmp": ("BMP", (32, 32), "RGB"),
    "src/ui/res/logo@2x.bmp": ("BMP", (258, 184), "P"),
    "src/ui/res/wordmark@2x.bmp": ("BMP", (662, 140), "P"),
    "src/ui/res/power@2x.bmp": ("BMP", (64, 64), "P"),
    "data/France.gif": ("GIF", (60, 36), "P"),
    "data/UK.gif": ("GIF", (60, 36), "P"),
    "data/Italia.gif": ("GIF", (60, 36), "P"),
    "data/Sweden.gif": ("GIF", (60, 36), "P"),
}

BLUE_FR, RED_FR, GREEN_IT, RED_IT = (0, 38, 150), (232, 40, 56), (0, 144, 72), (206, 42, 56)
BLUE_SE, YELLOW_SE, BLUE_UK, RED_UK = (0, 104, 168), (254, 204, 0), (1, 34, 106), (200, 16, 46)
WHITE = (255, 255, 255)
# flag -> the colour at each point (x, y)
FLAG_COLOURS = {
    "data/France.gif": {(5, 18): BLUE_FR, (30, 18): WHITE, (55, 18): RED_FR},
    "data/Italia.gif": {(5, 18): GREEN_IT, (30, 18): WHITE, (55, 18): RED_IT},
    "data/Sweden.gif": {(5, 5): BLUE_SE, (22, 5): YELLOW_SE, (50, 18): YELLOW_SE, (50, 30): BLUE_SE},
    "data/UK.gif": {(30, 18): RED_UK, (30, 2): RED_UK, (25, 2): WHITE, (14, 1): BLUE_UK,
                    (45, 33): BLUE_UK, (5, 17): RED_UK, (2, 12): WHITE},
}
MAGENTA, POWER_RED = (255, 0, 255), (206, 24, 30)


class Bad(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise Bad(msg)


def read(root, rel):
    path = os.path.join(root, *rel.split("/"))
    need(os.path.isfile(path), "%s is missing (run tools/art/draw_art.py)" % rel)
    img = Image.open(path)
    img.load()
    fmt, size, mode = EXPECTED[rel]
    need(img.format == fmt, "%s is %s, want %s" % (rel, img.format, fmt))
    need(img.size == size, "%s is %dx%d, want %dx%d" % ((rel,) + img.size + size))
    need(img.mode == mode, "%s has mode %s, want %s" % (rel, img.mode, mode))
    return img


def check_drawn(rel, img, draw):
    """The file holds what the drawing gives now."""
    want = draw()
    mode = "RGBA" if want.mode == "RGBA" else "RGB"
    need(ImageChops.difference(img.convert(mode), want.convert(mode)).getbbox() is None,
         "%s is out of date (run tools/art/draw_art.py)" % rel)


def check_flag(rel, img):
    rgb = img.convert("RGB")
    for point, colour in FLAG_COLOURS[rel].items():
        need(rgb.getpixel(point) == colour, "%s: %r at %r, want %r" % (rel, rgb.getpixel(point), point, colour))


def check_icon(img):
    need(img.info.get("sizes") == {(48, 41)}, "app.ico holds the sizes %r, want 48x41 alone" % img.info.get("sizes"))
    alpha = img.getchannel("A")
    need(alpha.getpixel((0, 40)) == 0 or alpha.getpixel((47, 0)) == 0, "app.ico has no transparent corner")
    opaque = sum(1 for a in alpha.getdata() if a == 255)
    need(opaque > 48 * 41 // 2, "app.ico is mostly transparent (%d opaque pixels)" % opaque)


def check_power(rel, img):
    rgb = img.convert("RGB")
    last = img.size[0] - 1
    for corner in ((0, 0), (last, 0), (0, last), (last, last)):
        need(rgb.getpixel(corner) == MAGENTA, "%s: corner %r is not magenta" % (rel, corner))
    colours = {c for _, c in rgb.getcolors()}
    need(colours == {MAGENTA, POWER_RED}, "%s holds colours besides magenta and red: %r" % (rel, colours))


def check_doubled(rel, small, large):
    """A 200 % picture scaled down to 100 % is its 100 % picture, up to the
    smoothing of its edges (3 % of the full scale on average)."""
    down = large.convert("RGB").resize(small.size, Image.Resampling.BOX)
    diff = ImageStat.Stat(ImageChops.difference(down, small.convert("RGB")))
    need(max(diff.mean) < 8, "%s does not show its 100 %% picture (mean difference %r)" % (rel, diff.mean))


def main(argv):
    root = argv[1] if len(argv) > 1 else draw_art.default_root()
    problems, read_back = [], {}
    checks = []
    for rel, draw, _ in draw_art.OUTPUTS:
        checks.append((rel, lambda rel=rel, draw=draw: check_drawn(rel, read_back[rel], draw)))
    for rel in FLAG_COLOURS:
        checks.append((rel + " colours", lambda rel=rel: check_flag(rel, read_back[rel])))
    checks.append(("app.ico sizes", lambda: check_icon(read_back["src/ui/res/app.ico"])))
    for name in ("power", "logo", "wordmark"):
        small, large = "src/ui/res/%s.bmp" % name, "src/ui/res/%s@2x.bmp" % name
        checks.append((large + " doubled",
                       lambda s=small, g=large: check_doubled(g, read_back[s], read_back[g])))
    checks.append(("wordmark@2x.bmp pixels", lambda: need(ImageChops.difference(
        read_back["src/ui/res/wordmark@2x.bmp"].convert("RGB"),
        read_back["src/ui/res/wordmark.bmp"].resize((662, 140), Image.Resampling.NEAREST)).getbbox() is None,
        "wordmark@2x.bmp is not the wordmark with every pixel doubled")))
    for rel in ("src/ui/res/power.bmp", "src/ui/res/power@2x.bmp"):
        checks.append((rel + " key colour", lambda rel=rel: check_power(rel, read_back[rel])))
    for rel in EXPECTED:
        try:
            read_back[rel] = read(root, rel)
        except (Bad, OSError) as e:
            problems.append(str(e))
    for name, check in checks:
        try:
            check()
            print("ok   %s" % name)
        except KeyError:
            print("skip %s (its file failed above)" % name)
        except Bad as e:
            problems.append(str(e))
            print("FAIL %s" % name)
    if problems:
        sys.stderr.write("artwork check failed:\n  " + "\n  ".join(problems) + "\n")
        return 1
    print("artwork OK")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
