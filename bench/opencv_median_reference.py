#!/usr/bin/python3
"""Reference timing for bench_engine's whole-image figure: OpenCV's 21 x 21
median of a 6000 x 4000 RGB picture made like the benchmark's scan, on one
thread. Benchmark-only; needs python3-opencv and python3-numpy.

Prints the best of three runs' thread CPU time in seconds, so that other load
on the machine counts as little as it does for bench_engine. Given an image
file, medians that image instead (bench/pipeline_ratios.sh); with --seconds
only the figure is printed."""
import sys
import time

import cv2
import numpy as np


def make_scan(width=6000, height=4000):
    rng = np.random.default_rng(1234)
    x = np.arange(width)[None, :]
    y = np.arange(height)[:, None]
    base = 160 + (x % 512) // 16 - (y % 384) // 24
    textured = ((x // 700) + (y // 500)) % 3 == 0
    planes = []
    for c in range(3):
        v = base + c * 5 + rng.integers(0, 5, size=(height, width))
        v = np.where(textured, 60 + rng.integers(0, 170, size=(height, width)), v)
        planes.append(v.astype(np.uint8))
    return np.dstack(planes)


def main():
    cv2.setNumThreads(1)
    args = [a for a in sys.argv[1:] if a != "--seconds"]
    image = cv2.imread(args[0], cv2.IMREAD_COLOR) if args else make_scan()
    if image is None:
        sys.exit(f"{args[0]}: not readable")
    best = None
    for _ in range(3):
        start = time.thread_time()
        cv2.medianBlur(image, 21)
        spent = time.thread_time() - start
        best = spent if best is None else min(best, spent)
    if "--seconds" in sys.argv:
        print(f"{best:.3f}")
    else:
        height, width = image.shape[:2]
        print(f"opencv medianBlur 21x21, {width}x{height} RGB, one thread: {best:.3f} s CPU")


if __name__ == "__main__":
    main()
