#!/bin/sh
# The desktop program's open of a large scan: from the open to the first
# corrected tile painted, and the longest pause of the window's thread
# meanwhile, for a 6000 x 4000 (24 MP) and a 12000 x 8400 (100 MP) 8-bit RGB
# uncompressed TIFF made from the bundled sample. Three runs of each into an
# empty window, then one of each over the 100 MP scan already open (the open
# then also frees the image it replaces), as bench/gui/open_to_first_tile
# reports them (wall clock: say the load beside the figures; the machine is shared).
#
#   bench/desktop_open.sh [BUILD_DIR]     (default build/bench-gui; make bench-desktop)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench-gui}
probe=$build/bench/open_to_first_tile
[ -x "$probe" ] || { echo "no $probe: build it first (make bench-desktop)" >&2; exit 2; }
command -v vips >/dev/null || { echo "vips not found (libvips-tools)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/speckwash-desktop-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

vips copy "$root/resources/sample/sample-scan.tif" "$work/sample.bmp"
python3 "$root/bench/make_bench_images.py" "$work/sample.bmp" "$work" 1 >/dev/null
vips copy "$work/scan0.bmp" "$work/scan-24mp.tif"
vips resize "$work/scan0.bmp" "$work/scan-100mp.tif" 2 --vscale 2.1
rm "$work/scan0.bmp" "$work/sample.bmp"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; goals: first tile within 800 ms (24 MP) and 3000 ms (100 MP), no pause over 100 ms"
for scan in scan-24mp scan-100mp; do
  for _ in 1 2 3; do
    "$probe" "$work/$scan.tif"
  done
done
echo "over the 100 MP scan:"
for scan in scan-24mp scan-100mp; do
  "$probe" --over "$work/scan-100mp.tif" "$work/$scan.tif"
done
