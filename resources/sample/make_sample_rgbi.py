#!/usr/bin/env python3
"""Makes resources/sample/sample-rgbi.tif: the photograph of the sample scan as
a film scanner with an infrared lamp would deliver it, an 8-bit RGBI TIFF.

The picture and its defects are those of make_sample_scan.py (same photograph,
same seed). The fourth sample is the infrared plane: a lamp that falls off
towards the right and the bottom, a faint copy of the picture (the cyan dye
absorbs a little infrared: 8 % of the red plane), a little noise, and every
defect darkening it by its own opacity, as dust and hairs block infrared.

    python3 resources/sample/make_sample_rgbi.py [OUTPUT.tif]
"""

import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_sample_scan as scan  # noqa: E402

COPY_SHARE = 0.08
NOISE_SEED = 20261209


def make_infrared(width, height, clean, defects, rng):
    plane = bytearray(width * height)
    for y in range(height):
        row = y * width
        for x in range(width):
            i = row + x
            lamp = 225.0 * (1.0 - 0.18 * x / width) * (1.0 - 0.08 * y / height)
            red = clean[i * 3]
            v = lamp * (1.0 - COPY_SHARE * (1.0 - red / 255.0))
            v *= 1.0 - max(defects.dark[i], defects.bright[i])
            v += rng.gauss(0.0, 1.2)
            plane[i] = max(0, min(255, int(v + 0.5)))
    return plane


def horizontal_difference4(row):
    """Predictor 2 over four samples per pixel."""
    out = bytearray(row)
    for i in range(len(row) - 1, 3, -1):
        out[i] = (row[i] - row[i - 4]) & 0xFF
    return out


def write_rgbi_tiff(path, width, height, rgb, infrared, dpi):
    rows_per_strip = 16
    strips = []
    for top in range(0, height, rows_per_strip):
        strip = bytearray()
        for y in range(top, min(height, top + rows_per_strip)):
            row = bytearray(width * 4)
            for x in range(width):
                i = y * width + x
                row[x * 4:x * 4 + 3] = rgb[i * 3:i * 3 + 3]
                row[x * 4 + 3] = infrared[i]
            strip += horizontal_difference4(row)
        strips.append(scan.lzw_compress(strip))

    entries = []

    def entry(tag, kind, values):
        fmt = {3: "<H", 4: "<I", 5: "<II"}[kind]
        data = b"".join(struct.pack(fmt, *(v if isinstance(v, tuple) else (v,))) for v in values)
        entries.append((tag, kind, len(values), data))

    strip_offsets, offset = [], 8
    for s in strips:
        strip_offsets.append(offset)
        offset += len(s) + (len(s) & 1)
    entry(256, 4, [width])
    entry(257, 4, [height])
    entry(258, 3, [8, 8, 8, 8])
    entry(259, 3, [5])  # LZW
    entry(262, 3, [2])  # RGB
    entry(273, 4, strip_offsets)
    entry(277, 3, [4])
    entry(278, 4, [rows_per_strip])
    entry(279, 4, [len(s) for s in strips])
    entry(282, 5, [(dpi, 1)])
    entry(283, 5, [(dpi, 1)])
    entry(284, 3, [1])
    entry(296, 3, [2])  # inches
    entry(317, 3, [2])  # horizontal differencing
    entry(338, 3, [0])  # ExtraSamples: unspecified, the infrared plane

    ifd_offset = offset
    extra_offset = ifd_offset + 2 + 12 * len(entries) + 4
    ifd, extra = bytearray(struct.pack("<H", len(entries))), bytearray()
    for tag, kind, count, data in entries:
        if len(data) <= 4:
            ifd += struct.pack("<HHI", tag, kind, count) + data.ljust(4, b"\0")
        else:
            ifd += struct.pack("<HHII", tag, kind, count, extra_offset + len(extra))
            extra += data
    ifd += struct.pack("<I", 0)
    with open(path, "wb") as f:
        f.write(b"II" + struct.pack("<HI", 42, ifd_offset))
        for s in strips:
            f.write(s + (b"\0" if len(s) & 1 else b""))
        f.write(ifd + extra)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "sample-rgbi.tif")
    width, height, pixels = scan.read_photo(scan.PHOTO)
    clean = bytes(pixels)
    # The same defects as the sample scan: same seed, same order of draws.
    defects = scan.Defects(width, height)
    rng = random.Random(scan.SEED)
    original_apply = scan.Defects.apply
    captured = {}

    def capture(self, px):
        captured["defects"] = self
        original_apply(self, px)

    scan.Defects.apply = capture
    try:
        scan.add_defects(width, height, pixels, rng)
    finally:
        scan.Defects.apply = original_apply
    defects = captured["defects"]
    infrared = make_infrared(width, height, clean, defects, random.Random(NOISE_SEED))
    write_rgbi_tiff(target, width, height, pixels, infrared, scan.DPI)
    print(f"{target}: {width} x {height} RGBI, {scan.DPI} dpi")


if __name__ == "__main__":
    main()
