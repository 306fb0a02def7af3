#!/usr/bin/env python3
"""Read back the artwork files and check them.

    python3 tools/art/check_art.py [REPO_ROOT]

For every file written by draw_art.py (the 200 % pictures included) this parses the file with readers
written here (not the encoders of draw_art.py), checks the headers, sizes and
bit depth the program and Windows expect, and compares the decoded pixels with
what the drawing functions of draw_art.py produce.  The GIF files are decoded
with an LZW decoder of its own.  It also round-trips a few awkward pictures
through the GIF encoder (code-width growth, full table / clear code, one-pixel
and one-colour pictures).

Exits with status 1 and a list of problems when anything does not match.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw_art  # noqa: E402


class Bad(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise Bad(msg)


def u16(b, o):
    return struct.unpack_from("<H", b, o)[0]


def u32(b, o):
    return struct.unpack_from("<I", b, o)[0]


def s32(b, o):
    return struct.unpack_from("<i", b, o)[0]


# ---------------------------------------------------------------------------
# BMP reader
# ---------------------------------------------------------------------------

def read_bmp(data):
    """Return (width, height, rows top-down of (r, g, b)): 24-bit, or 8-bit
    with a palette of exactly the colours used."""
    need(len(data) >= 54, "BMP shorter than its headers")
    need(data[0:2] == b"BM", "BMP signature is not 'BM'")
    need(u32(data, 2) == len(data), "BMP file size field %d, file has %d bytes"
         % (u32(data, 2), len(data)))
    off = u32(data, 10)
    need(u32(data, 14) == 40, "BMP info header is not a 40-byte BITMAPINFOHEADER")
    width, height = s32(data, 18), s32(data, 22)
    need(height > 0, "BMP is not bottom-up")
    need(u16(data, 26) == 1, "BMP planes != 1")
    bpp = u16(data, 28)
    need(bpp in (24, 8), "BMP is %d bpp, want 24 or 8" % bpp)
    need(u32(data, 30) == 0, "BMP is compressed")
    stride = ((width * bpp + 31) // 32) * 4
    palette = []
    if bpp == 8:
        used = u32(data, 46)
        need(1 <= used <= 256, "BMP palette has %d entries" % used)
        need(off == 54 + 4 * used, "BMP pixel data at %d, want %d (after the palette)"
             % (off, 54 + 4 * used))
        palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
                   for i in range(used)]
        need(len(set(palette)) == used, "BMP palette repeats a colour")
    else:
        need(off == 54, "BMP pixel data at %d, want 54 (no palette)" % off)
    need(len(data) - off == stride * height, "BMP pixel array has the wrong size")
    size_image = u32(data, 34)
    need(size_image in (0, stride * height), "BMP biSizeImage is wrong")
    rows = []
    seen = set()
    for i in range(height):
        y = height - 1 - i
        base = off + i * stride
        line = data[base:base + stride]
        if bpp == 8:
            need(all(v == 0 for v in line[width:]), "BMP row %d padding not zero" % y)
            need(all(v < len(palette) for v in line[:width]), "BMP row %d beyond the palette" % y)
            seen.update(line[:width])
            rows.append([palette[v] for v in line[:width]])
        else:
            need(all(v == 0 for v in line[width * 3:]), "BMP row %d padding not zero" % y)
            rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
    if bpp == 8:
        need(len(seen) == len(palette), "BMP palette holds colours no pixel uses")
    rows.reverse()
    return width, height, rows


# ---------------------------------------------------------------------------
# ICO reader
# ---------------------------------------------------------------------------

def read_ico(data):
    """Return (width, height, rows top-down of (r, g, b) or None=transparent,
    header facts)."""
    need(len(data) >= 6 + 16 + 40, "ICO too short")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    need(reserved == 0 and kind == 1, "not an icon file (ICONDIR)")
    need(count == 1, "icon holds %d images, want 1" % count)
    bw, bh, ncol, res, planes, bitcount, nbytes, offset = struct.unpack_from("<BBBBHHII", data, 6)
    need(offset + nbytes == len(data), "ICO image size/offset do not match the file")
    dib = data[offset:offset + nbytes]
    need(u32(dib, 0) == 40, "ICO image is not a BITMAPINFOHEADER DIB")
    width, dh = s32(dib, 4), s32(dib, 8)
    need(dh % 2 == 0, "ICO DIB height is odd")
    height = dh // 2
    need((bw or 256) == width and (bh or 256) == height,
         "ICO directory says %dx%d, image is %dx%d" % (bw, bh, width, height))
    need(u16(dib, 12) == 1, "ICO DIB planes != 1")
    bpp = u16(dib, 14)
    need(bpp == 8 and bitcount == 8, "ICO is not 8 bpp")
    need(ncol == 0, "ICO directory colour count must be 0 for 256 colours")
    need(u32(dib, 16) == 0, "ICO DIB is compressed")
    clr_used = u32(dib, 32) or 256
    need(clr_used == 256, "ICO palette has %d entries, want 256" % clr_used)
    pal_off = 40
    palette = [(dib[pal_off + 4 * i + 2], dib[pal_off + 4 * i + 1], dib[pal_off + 4 * i])
               for i in range(256)]
    xor_stride = ((width * 8 + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor_off = pal_off + 1024
    and_off = xor_off + xor_stride * height
    need(and_off + and_stride * height == len(dib),
         "ICO DIB size %d, want %d" % (len(dib), and_off + and_stride * height))
    rows = []
    xor_of_clear = set()
    for i in range(height):
        y = height - 1 - i
        xrow = dib[xor_off + i * xor_stride: xor_off + (i + 1) * xor_stride]
        arow = dib[and_off + i * and_stride: and_off + (i + 1) * and_stride]
        line = []
        for x in range(width):
            clear = (arow[x // 8] >> (7 - x % 8)) & 1
            if clear:
                xor_of_clear.add(palette[xrow[x]])
                line.append(None)
            else:
                line.append(palette[xrow[x]])
        rows.append((y, line))
    rows.sort()
    return width, height, [line for _, line in rows], xor_of_clear


# ---------------------------------------------------------------------------
# GIF reader with its own LZW decoder
# ---------------------------------------------------------------------------

def lzw_decode(stream, min_size, npixels):
    """Decode a GIF LZW code stream; returns the list of colour indices.
    Reads codes LSB first; the table widens when it fills up to 2**width."""
    need(2 <= min_size <= 8, "GIF LZW minimum code size %d out of range" % min_size)
    clear, end = 1 << min_size, (1 << min_size) + 1
    total_bits = len(stream) * 8
    pos = 0
    out = []
    table = None
    prev = None
    width = min_size + 1
    first = True
    saw_end = False
    while pos + width <= total_bits:
        code = 0
        for b in range(width):
            bit = (stream[(pos + b) >> 3] >> ((pos + b) & 7)) & 1
            code |= bit << b
        pos += width
        if first:
            need(code == clear, "GIF LZW stream does not begin with a clear code")
            first = False
        if code == clear:
            table = [bytes([i]) for i in range(clear)] + [b"", b""]
            width = min_size + 1
            prev = None
            continue
        if code == end:
            saw_end = True
            break
        if prev is None:
            need(code < clear, "GIF LZW first code after clear is not a literal")
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            if len(table) < 4096:
                table.append(prev + entry[:1])
        elif code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise Bad("GIF LZW code %d beyond table size %d" % (code, len(table)))
        out.extend(entry)
        prev = entry
        if len(table) == (1 << width) and width < 12:
            width += 1
    need(saw_end, "GIF LZW stream has no end-of-information code")
    need(len(out) == npixels, "GIF decodes to %d pixels, want %d" % (len(out), npixels))
    rest = total_bits - pos
    need(rest < 8, "GIF LZW stream has %d unused bits after the end code" % rest)
    return out


def read_gif(data):
    """Return (width, height, rows of (r, g, b), facts dict)."""
    need(data[:6] == b"GIF89a", "GIF signature is not GIF89a")
    width, height, packed, _bg, _ratio = struct.unpack_from("<HHBBB", data, 6)
    need(packed & 0x80, "GIF has no global colour table")
    gct_bits = (packed & 7) + 1
    n = 1 << gct_bits
    pos = 13
    palette = [tuple(data[pos + 3 * i:pos + 3 * i + 3]) for i in range(n)]
    pos += 3 * n
    image = None
    while True:
        need(pos < len(data), "GIF ends without a trailer")
        tag = data[pos]
        if tag == 0x3B:
            need(pos == len(data) - 1, "GIF has bytes after the trailer")
            break
        if tag == 0x21:                      # extension: skip its sub-blocks
            pos += 2
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
            continue
        need(tag == 0x2C, "GIF unknown block 0x%02X" % tag)
        need(image is None, "GIF holds more than one image")
        left, top, iw, ih, ipacked = struct.unpack_from("<HHHHB", data, pos + 1)
        need((left, top, iw, ih) == (0, 0, width, height), "GIF image does not fill the screen")
        need(ipacked & 0xC0 == 0, "GIF image has a local table or is interlaced")
        pos += 10
        min_size = data[pos]
        pos += 1
        stream = bytearray()
        while data[pos]:
            size = data[pos]
            stream += data[pos + 1:pos + 1 + size]
            pos += size + 1
        pos += 1
        indices = lzw_decode(bytes(stream), min_size, width * height)
        image = (min_size, indices)
    need(image is not None, "GIF has no image")
    min_size, indices = image
    used = max(indices) + 1
    need(max(indices) < n, "GIF pixel index beyond the colour table")
    want_bits = 1
    while (1 << want_bits) < used:
        want_bits += 1
    need(min_size == max(2, gct_bits), "GIF minimum code size %d does not suit a %d-entry table"
         % (min_size, n))
    need(gct_bits == want_bits, "GIF colour table has %d entries for %d colours" % (n, used))
    rows = [[palette[indices[y * width + x]] for x in range(width)] for y in range(height)]
    return width, height, rows


# ---------------------------------------------------------------------------
# Checks
# ---------------------------------------------------------------------------

EXPECTED_SIZE = {
    "src/ui/res/app.ico": (48, 41),
    "src/ui/res/logo.bmp": (129, 92),
    "src/ui/res/wordmark.bmp": (331, 70),
    "src/ui/res/power.bmp": (32, 32),
    "src/ui/res/logo@2x.bmp": (258, 184),
    "src/ui/res/wordmark@2x.bmp": (662, 140),
    "src/ui/res/power@2x.bmp": (64, 64),
    "data/France.gif": (60, 36),
    "data/UK.gif": (60, 36),
    "data/Italia.gif": (60, 36),
    "data/Sweden.gif": (60, 36),
}


def image_rows(img):
    return [img.row(y) for y in range(img.height)]


def compare(rel, rows, img):
    want = image_rows(img)
    for y, (got_line, want_line) in enumerate(zip(rows, want)):
        for x, (g, w) in enumerate(zip(got_line, want_line)):
            need(g == w, "%s: pixel (%d,%d) is %r, drawing has %r" % (rel, x, y, g, w))


def check_file(root, rel, draw, encode):
    path = os.path.join(root, *rel.split("/"))
    need(os.path.isfile(path), "%s is missing (run tools/art/draw_art.py)" % rel)
    with open(path, "rb") as f:
        data = f.read()
    img = draw()
    ew, eh = EXPECTED_SIZE[rel]
    need((img.width, img.height) == (ew, eh), "%s: drawing is %dx%d, want %dx%d"
         % (rel, img.width, img.height, ew, eh))
    if rel.endswith(".bmp"):
        w, h, rows = read_bmp(data)
    elif rel.endswith(".ico"):
        w, h, rows, xor_of_clear = read_ico(data)
        # transparent pixels must leave the screen untouched: AND=1, XOR=black
        need(xor_of_clear <= {(0, 0, 0)}, "%s: transparent pixels have a non-black XOR colour" % rel)
    else:
        w, h, rows = read_gif(data)
    need((w, h) == (ew, eh), "%s: file is %dx%d, want %dx%d" % (rel, w, h, ew, eh))
    compare(rel, rows, img)
    # The file was drawn by another run: equal bytes also show that drawing
    # gives the same result every time.
    need(data == encode(img), "%s is out of date (run tools/art/draw_art.py)" % rel)
    return rows


def check_power_key(rows, name="power.bmp", scale=1):
    """power.bmp is drawn with magenta as the transparent key: the corners
    must be the key colour and no pixel may be a blend towards it."""
    last = 32 * scale - 1
    for x, y in ((0, 0), (last, 0), (0, last), (last, last)):
        need(rows[y][x] == draw_art.MAGENTA, "%s corner (%d,%d) is not magenta" % (name, x, y))
    colours = {c for line in rows for c in line}
    need(colours == {draw_art.MAGENTA, draw_art.POWER_RED},
         "%s has colours besides magenta and red: %r" % (name, sorted(colours)))
    red = sum(line.count(draw_art.POWER_RED) for line in rows)
    need(150 * scale * scale <= red <= 600 * scale * scale,
         "%s symbol covers %d pixels, looks wrong" % (name, red))


def check_doubled(rows, rows_2x, name):
    """A 200 % picture is twice as wide and high as its 96-DPI picture."""
    need(len(rows_2x) == 2 * len(rows) and len(rows_2x[0]) == 2 * len(rows[0]),
         "%s is not twice the size of its 96-DPI picture" % name)


def check_wordmark_2x(rows, rows_2x):
    """The blocky wordmark at 200 % is the wordmark with every pixel doubled."""
    for y, line in enumerate(rows_2x):
        for x, c in enumerate(line):
            need(c == rows[y // 2][x // 2], "wordmark@2x.bmp pixel (%d,%d) is not its 96-DPI pixel"
                 % (x, y))


def check_icon_shape(rows):
    need(rows[0][0] is None and rows[0][47] is None, "app.ico top corners are not transparent")
    opaque = sum(1 for line in rows for c in line if c is not None)
    need(opaque > 48 * 41 // 2, "app.ico is mostly transparent (%d opaque pixels)" % opaque)


def check_wordmark(rows):
    need(rows[0][0] == draw_art.WHITE and rows[69][330] == draw_art.WHITE,
         "wordmark background is not white")
    navy_cols = [x for x in range(331) if any(rows[y][x] == draw_art.NAVY for y in range(70))]
    need(navy_cols, "wordmark has no letters")
    left, right = navy_cols[0], 330 - navy_cols[-1]
    need(left >= 4 and right >= 4, "wordmark letters touch the border")
    need(abs(left - right) <= 1, "wordmark text not centred (%d/%d)" % (left, right))


def check_gif_roundtrip():
    """Pictures that exercise the corners of the LZW encoder."""
    import random
    rng = random.Random(20240607)
    cases = []
    # 256 colours of noise: codes grow to 12 bits and the table fills up,
    # so the encoder has to emit clear codes mid-stream
    pal = [(i, 255 - i, (i * 7) % 256) for i in range(256)]
    img = draw_art.Image(160, 120, None)
    img.px = [pal[rng.randrange(256)] for _ in range(160 * 120)]
    cases.append(("noise-256", img))
    # two colours in long runs: minimum code size 2, KwKwK codes
    img = draw_art.Image(300, 40, (0, 0, 0))
    for i in range(len(img.px)):
        if (i // 977) % 2:
            img.px[i] = (255, 255, 255)
    cases.append(("runs-2", img))
    # single colour, single pixel, 5 colours (table of 8)
    cases.append(("flat-1", draw_art.Image(61, 37, (10, 20, 30))))
    cases.append(("one-pixel", draw_art.Image(1, 1, (1, 2, 3))))
    img = draw_art.Image(17, 9, None)
    img.px = [pal[(i * i) % 5] for i in range(17 * 9)]
    cases.append(("five-colours", img))
    for name, img in cases:
        try:
            w, h, rows = read_gif(draw_art.encode_gif(img))
            need((w, h) == (img.width, img.height), "size changed")
            compare(name, rows, img)
        except Bad as e:
            raise Bad("GIF round trip %s: %s" % (name, e))


def main(argv):
    root = argv[1] if len(argv) > 1 else draw_art.default_root()
    problems = []
    by_name = {}
    for rel, draw, encode in draw_art.OUTPUTS:
        try:
            by_name[rel] = check_file(root, rel, draw, encode)
            print("ok   %s" % rel)
        except Bad as e:
            problems.append(str(e))
            print("FAIL %s" % rel)
    extra = [
        ("power.bmp key colour", lambda: check_power_key(by_name["src/ui/res/power.bmp"])),
        ("app.ico transparency", lambda: check_icon_shape(by_name["src/ui/res/app.ico"])),
        ("wordmark layout", lambda: check_wordmark(by_name["src/ui/res/wordmark.bmp"])),
        ("power@2x.bmp key colour",
         lambda: check_power_key(by_name["src/ui/res/power@2x.bmp"], "power@2x.bmp", 2)),
        ("logo@2x.bmp size", lambda: check_doubled(by_name["src/ui/res/logo.bmp"],
                                                   by_name["src/ui/res/logo@2x.bmp"], "logo@2x.bmp")),
        ("power@2x.bmp size", lambda: check_doubled(by_name["src/ui/res/power.bmp"],
                                                    by_name["src/ui/res/power@2x.bmp"], "power@2x.bmp")),
        ("wordmark@2x.bmp pixels", lambda: check_wordmark_2x(by_name["src/ui/res/wordmark.bmp"],
                                                             by_name["src/ui/res/wordmark@2x.bmp"])),
        ("GIF encoder round trips", check_gif_roundtrip),
    ]
    for name, fn in extra:
        try:
            fn()
            print("ok   %s" % name)
        except KeyError:
            print("skip %s (file failed above)" % name)
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
