#!/usr/bin/env python3
"""Write a sample firmware image for trying the downloader without a real one.

    python3 tools/demo/make_sample_bin.py OUTPUT.bin

The image is always the same 48 KiB (49152 bytes), so the repository does not
need to hold a binary:
    bytes  0..15   ASCII "VZ-200 DEMO FW  " (recognisable in a hex dump)
    bytes 16..49147 pseudo-random filler from a fixed-seed xorshift32
    bytes 49148..49151 CRC-32 of everything before it, little-endian
"""

import os
import struct
import sys
import zlib

IMAGE_SIZE = 48 * 1024
MAGIC = b"VZ-200 DEMO FW  "
SEED = 0x5A17C0DE


def xorshift32(state):
    while True:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        yield state


def sample_image():
    body_len = IMAGE_SIZE - len(MAGIC) - 4
    words = xorshift32(SEED)
    body = bytearray()
    while len(body) < body_len:
        body += struct.pack("<I", next(words))
    data = MAGIC + bytes(body[:body_len])
    return data + struct.pack("<I", zlib.crc32(data) & 0xFFFFFFFF)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_sample_bin.py OUTPUT.bin\n")
        return 2
    data = sample_image()
    out_dir = os.path.dirname(argv[1])
    if out_dir:
        os.makedirs(out_dir, exist_ok=True)
    with open(argv[1], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
