#!/usr/bin/env python3
"""Fails when a screenshot shows an area that was never painted.

    check-shot.py PICTURE LEFT,TOP,RIGHT,BOTTOM ...

Under Wine a window or control that has not painted yet shows on the X
screen as a black rectangle. Each rectangle given (screen pixels, as
GetWindowRect gives them; the picture is the whole screen) must be mostly
something else: at most half of its pixels may be black. Prints the
rectangles that are not, and ends with 1; 0 when all are painted.
"""
import subprocess
import sys

BLACK_LIMIT = 24  # every channel below this counts as black
MOST = 0.5        # an area more black than this was not painted


def read_ppm(path):
    """The picture as (width, height, RGB bytes), through ImageMagick."""
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: not an 8-bit RGB picture")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def black_share(width, height, pixels, rect):
    left, top, right, bottom = rect
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, width), min(height, bottom)
    if right <= left or bottom <= top:
        return None  # off the screen: nothing to judge
    black = 0
    for y in range(top, bottom):
        row = pixels[(y * width + left) * 3:(y * width + right) * 3]
        for i in range(0, len(row), 3):
            if row[i] < BLACK_LIMIT and row[i + 1] < BLACK_LIMIT and row[i + 2] < BLACK_LIMIT:
                black += 1
    return black / ((right - left) * (bottom - top))


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    width, height, pixels = read_ppm(argv[1])
    unpainted = []
    for text in argv[2:]:
        rect = tuple(int(v) for v in text.split(","))
        if len(rect) != 4:
            print(f"check-shot: not a rectangle: {text}", file=sys.stderr)
            return 2
        share = black_share(width, height, pixels, rect)
        if share is not None and share > MOST:
            unpainted.append(f"{text} ({share:.0%} black)")
    if unpainted:
        print(f"check-shot: {argv[1]}: unpainted: {' '.join(unpainted)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
