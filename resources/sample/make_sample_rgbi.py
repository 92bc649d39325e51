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


def write_rgbi_tiff(path, width, height, rgb, infrared, dpi):
    def row(y):
        out = bytearray(width * 4)
        for x in range(width):
            i = y * width + x
            out[x * 4:x * 4 + 3] = rgb[i * 3:i * 3 + 3]
            out[x * 4 + 3] = infrared[i]
        return out

    # ExtraSamples: unspecified, the infrared plane.
    scan.write_lzw_tiff(path, width, height, 4, row, dpi, extra=[(338, 3, [0])])


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
