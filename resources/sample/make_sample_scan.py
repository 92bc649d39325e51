#!/usr/bin/env python3
"""Makes resources/sample/sample-scan.tif: a photograph with the defects of a
dusty flatbed scan added, for trying the cleaning on.

The photograph is Dune.jpg from the Debian package mate-backgrounds (GPL-2+,
see README.md). It is decoded with djpeg (libjpeg-turbo-progs); everything
else uses the Python standard library only. The defects come from a fixed
random seed, so every run writes the same file.

    python3 resources/sample/make_sample_scan.py [OUTPUT.tif]
"""

import math
import os
import random
import struct
import subprocess
import sys

PHOTO = "/usr/share/backgrounds/mate/nature/Dune.jpg"
SEED = 20261207
DPI = 300  # a 6 x 3.5 inch print scanned at 300 dpi


def read_photo(path):
    """Decodes the JPEG to interleaved RGB bytes with djpeg."""
    if not os.path.exists(path):
        sys.exit(f"{path} is missing: apt-get install mate-backgrounds")
    ppm = subprocess.run(["djpeg", "-pnm", path], check=True, capture_output=True).stdout
    magic, width, height, maxval, pixels = ppm.split(maxsplit=4)
    if magic != b"P6" or int(maxval) != 255:
        sys.exit("unexpected djpeg output")
    width, height = int(width), int(height)
    return width, height, bytearray(pixels[: width * height * 3])


class Defects:
    """Per-pixel coverage of dark and bright defects, 0..1, combined by max."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.dark = [0.0] * (width * height)
        self.bright = [0.0] * (width * height)

    def disc(self, layer, cx, cy, radius, strength, softness=0.7):
        """A round stamp with a soft edge; coverage falls off over `softness` pixels."""
        reach = radius + softness + 1
        x0, x1 = max(0, int(cx - reach)), min(self.width - 1, int(cx + reach) + 1)
        y0, y1 = max(0, int(cy - reach)), min(self.height - 1, int(cy + reach) + 1)
        for y in range(y0, y1 + 1):
            row = y * self.width
            for x in range(x0, x1 + 1):
                d = math.hypot(x - cx, y - cy)
                cover = min(1.0, max(0.0, (radius - d) / softness + 0.5)) * strength
                if cover > layer[row + x]:
                    layer[row + x] = cover

    def speck(self, layer, rng, cx, cy, size, strength):
        """An irregular dust particle: a few overlapping discs of similar size."""
        for _ in range(rng.randint(1, 4)):
            self.disc(layer, cx + rng.uniform(-size, size) * 0.6, cy + rng.uniform(-size, size) * 0.6,
                      size * rng.uniform(0.5, 1.0), strength * rng.uniform(0.85, 1.0))

    def fibre(self, layer, rng, length, width, strength, bend):
        """A hair or scratch: a path whose direction drifts, stamped every half pixel."""
        x, y = rng.uniform(0, self.width), rng.uniform(0, self.height)
        angle = rng.uniform(0, 2 * math.pi)
        turn = 0.0
        steps = int(length * 2)
        for i in range(steps):
            turn = turn * 0.98 + rng.gauss(0, bend)
            angle += turn
            x += 0.5 * math.cos(angle)
            y += 0.5 * math.sin(angle)
            # Fibres thin out and fade towards their ends.
            t = i / steps
            taper = min(1.0, 4 * t, 4 * (1 - t)) * 0.6 + 0.4
            self.disc(layer, x, y, width * 0.5 * taper, strength * taper, softness=0.6)

    def apply(self, pixels):
        for i, (dark, bright) in enumerate(zip(self.dark, self.bright)):
            if dark == 0.0 and bright == 0.0:
                continue
            for c in range(3):
                v = pixels[i * 3 + c] * (1.0 - dark)
                v = v + (255.0 - v) * bright
                pixels[i * 3 + c] = max(0, min(255, int(v + 0.5)))


def add_defects(width, height, pixels, rng):
    defects = Defects(width, height)
    for _ in range(260):  # fine dark dust, mostly tiny
        size = rng.choice([0.8, 1.0, 1.2, 1.5, 1.8, 2.2, 3.0, 4.0, 5.5])
        defects.speck(defects.dark, rng, rng.uniform(0, width), rng.uniform(0, height), size, rng.uniform(0.45, 0.9))
    for _ in range(60):  # bright specks: dust that sat on the film rather than the print
        size = rng.choice([0.8, 1.0, 1.5, 2.0, 3.0])
        defects.speck(defects.bright, rng, rng.uniform(0, width), rng.uniform(0, height), size, rng.uniform(0.4, 0.85))
    for _ in range(9):  # hairs and lint: curly, dark
        defects.fibre(defects.dark, rng, rng.uniform(40, 220), rng.uniform(1.0, 2.2), rng.uniform(0.55, 0.85), 0.012)
    for _ in range(3):  # scratches in the emulsion: long, nearly straight, light
        defects.fibre(defects.bright, rng, rng.uniform(250, 700), rng.uniform(0.8, 1.3), rng.uniform(0.35, 0.6), 0.00015)
    defects.fibre(defects.dark, rng, 400, 1.0, 0.5, 0.00015)  # one dark scratch
    defects.apply(pixels)


def lzw_compress(data):
    """TIFF LZW: codes MSB first, 9 to 12 bits, the width growing one code early."""
    out = bytearray()
    bits = 0
    nbits = 0
    width = 9

    def put(code):
        nonlocal bits, nbits
        bits = (bits << width) | code
        nbits += width
        while nbits >= 8:
            nbits -= 8
            out.append((bits >> nbits) & 0xFF)
        bits &= (1 << nbits) - 1

    table = {bytes([i]): i for i in range(256)}
    next_code = 258
    put(256)
    w = b""
    for byte in data:
        wc = w + bytes([byte])
        if wc in table:
            w = wc
            continue
        put(table[w])
        table[wc] = next_code
        next_code += 1
        if next_code == 4094:
            put(256)
            table = {bytes([i]): i for i in range(256)}
            next_code = 258
            width = 9
        elif next_code > (1 << width) - 1:
            width += 1
        w = bytes([byte])
    if w:
        put(table[w])
    put(257)
    if nbits:
        out.append((bits << (8 - nbits)) & 0xFF)
    return bytes(out)


def horizontal_difference(row, samples=3):
    """Predictor 2: each sample minus the same channel of the pixel to its left."""
    out = bytearray(row)
    for i in range(len(row) - 1, samples - 1, -1):
        out[i] = (row[i] - row[i - samples]) & 0xFF
    return out


def write_lzw_tiff(path, width, height, samples, rows, dpi, extra=()):
    """A little-endian, chunky, 8-bit RGB TIFF of `samples` samples a pixel,
    LZW-compressed with horizontal differencing, 16 rows a strip. `rows(y)`
    gives row y's interleaved samples; `extra` holds further (tag, type,
    values) entries, which follow the others."""
    rows_per_strip = 16
    strips = []
    for top in range(0, height, rows_per_strip):
        strip = bytearray()
        for y in range(top, min(height, top + rows_per_strip)):
            strip += horizontal_difference(rows(y), samples)
        strips.append(lzw_compress(strip))

    entries = []  # (tag, type, count, value bytes)

    def entry(tag, kind, values):
        fmt = {3: "<H", 4: "<I", 5: "<II"}[kind]
        data = b"".join(struct.pack(fmt, *(v if isinstance(v, tuple) else (v,))) for v in values)
        entries.append((tag, kind, len(values), data))

    header_size = 8
    strip_offsets, offset = [], header_size
    for s in strips:
        strip_offsets.append(offset)
        offset += len(s) + (len(s) & 1)
    entry(256, 4, [width])
    entry(257, 4, [height])
    entry(258, 3, [8] * samples)
    entry(259, 3, [5])  # LZW
    entry(262, 3, [2])  # RGB
    entry(273, 4, strip_offsets)
    entry(277, 3, [samples])
    entry(278, 4, [rows_per_strip])
    entry(279, 4, [len(s) for s in strips])
    entry(282, 5, [(dpi, 1)])
    entry(283, 5, [(dpi, 1)])
    entry(284, 3, [1])
    entry(296, 3, [2])  # inches
    entry(317, 3, [2])  # horizontal differencing
    for tag, kind, values in extra:
        entry(tag, kind, values)

    ifd_offset = offset
    extra_offset = ifd_offset + 2 + 12 * len(entries) + 4
    ifd, extra_bytes = bytearray(struct.pack("<H", len(entries))), bytearray()
    for tag, kind, count, data in entries:
        if len(data) <= 4:
            ifd += struct.pack("<HHI", tag, kind, count) + data.ljust(4, b"\0")
        else:
            ifd += struct.pack("<HHII", tag, kind, count, extra_offset + len(extra_bytes))
            extra_bytes += data
    ifd += struct.pack("<I", 0)

    with open(path, "wb") as f:
        f.write(b"II" + struct.pack("<HI", 42, ifd_offset))
        for s in strips:
            f.write(s + (b"\0" if len(s) & 1 else b""))
        f.write(ifd + extra_bytes)


def write_tiff(path, width, height, pixels, dpi):
    write_lzw_tiff(path, width, height, 3, lambda y: pixels[y * width * 3:(y + 1) * width * 3], dpi)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "sample-scan.tif")
    width, height, pixels = read_photo(PHOTO)
    add_defects(width, height, pixels, random.Random(SEED))
    write_tiff(target, width, height, pixels, DPI)
    print(f"{target}: {width} x {height}, {DPI} dpi")


if __name__ == "__main__":
    main()
