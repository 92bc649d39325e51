#!/usr/bin/env python3
"""Writes COUNT large RGB test scans for the throughput benchmark.

Each is a 6000 x 4000 (24-megapixel) 24-bit BMP tiled from a BMP of the
sample scan, mirrored at every seam so there are no hard edges, and shifted
differently per image so that no two are the same. Standard library only.

    make_bench_images.py SAMPLE.bmp OUTDIR COUNT
"""

import os
import struct
import sys

WIDTH, HEIGHT = 6000, 4000


def read_bmp(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        sys.exit(f"{path}: expected a 24-bit BMP")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        rows.append(data[start:start + width * 3])
    if height > 0:
        rows.reverse()  # bottom-up
    return width, abs(height), rows


def mirrored_row(row, width, shift):
    """One output row: the source row and its mirror image, repeated, from `shift`."""
    pixels = [row[i:i + 3] for i in range(0, len(row), 3)]
    period = pixels + pixels[::-1]
    unit = b"".join(period)
    needed = (shift + WIDTH) * 3
    line = unit * (needed // len(unit) + 1)
    return line[shift * 3:shift * 3 + WIDTH * 3]


def write_bmp(path, source_rows, source_width, shift):
    stride = WIDTH * 3  # 6000 × 3 is a multiple of 4
    period_rows = source_rows + source_rows[::-1]
    cache = {}
    with open(path, "wb") as f:
        size = 54 + stride * HEIGHT
        f.write(b"BM" + struct.pack("<IHHI", size, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, stride * HEIGHT, 11811, 11811, 0, 0))
        for y in range(HEIGHT - 1, -1, -1):  # bottom-up
            index = (y + shift) % len(period_rows)
            if index not in cache:
                cache[index] = mirrored_row(period_rows[index], source_width, shift)
            f.write(cache[index])


def main():
    sample, outdir, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    width, height, rows = read_bmp(sample)
    for i in range(count):
        target = os.path.join(outdir, f"scan{i}.bmp")
        write_bmp(target, rows, width, 97 * i)
        print(target)


if __name__ == "__main__":
    main()
