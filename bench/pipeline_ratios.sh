#!/bin/sh
# The pipeline's speed beside peers measured in the same run, on one
# 6000 x 4000 8-bit RGB scan made from the bundled sample:
#   - `speckwash-cli clean --jobs 1 --threads 1` PPM -> BMP at the defaults
#     against OpenCV's single-threaded 21 x 21 medianBlur of the same image;
#   - reading PPM, TIFF (none and LZW), PNG, JPEG (q 92) and BMP, and the
#     same scan at 16 bits as PPM, PGM (its green), TIFF (none and LZW) and
#     PNG, into the image model (bench's read_image) against `vips avg FILE`.
# Each figure is the best of three runs' CPU seconds (user + system): the
# machine is shared, and CPU time suffers from other load far less than wall
# clock does. The ratios are ours / the peer's.
#
#   bench/pipeline_ratios.sh [BUILD_DIR]     (default build/bench)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
cli=$build/cli/speckwash-cli
reader=$build/bench/read_image
for tool in "$cli" "$reader"; do
  [ -x "$tool" ] || { echo "no $tool: build it first (make bench)" >&2; exit 2; }
done
command -v vips >/dev/null || { echo "vips not found (libvips-tools)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/speckwash-ratios-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

"$cli" convert "$root/resources/sample/sample-scan.tif" "$work/sample.bmp"
python3 "$root/bench/make_bench_images.py" "$work/sample.bmp" "$work" 1 >/dev/null
mv "$work/scan0.bmp" "$work/scan.bmp"
# A PGM/PPM written by vips, without the comment line vips writes after the
# magic number (the reader refuses comments).
vips_pnm() {
  vips copy "$1" "$work/vips-$2"
  python3 -c 'import sys
src = open(sys.argv[1], "rb")
magic = src.readline()
line = src.readline()
while line.startswith(b"#"):
    line = src.readline()
open(sys.argv[2], "wb").write(magic + line + src.read())' "$work/vips-$2" "$work/$2"
  rm "$work/vips-$2"
}
vips_pnm "$work/scan.bmp" scan.ppm
vips copy "$work/scan.bmp" "$work/scan.tif"
vips copy "$work/scan.bmp" "$work/scan-lzw.tif[compression=lzw]"
vips copy "$work/scan.bmp" "$work/scan.png"
vips copy "$work/scan.bmp" "$work/scan.jpg[Q=92]"
# The same scan at 16 bits (each sample times 257), and its green as grey.
# The interpretation makes the PNG saver keep 16 bits instead of clipping to 8.
vips linear "$work/scan.bmp" "$work/float.v" 257 0
vips cast "$work/float.v" "$work/cast.v" ushort
vips copy "$work/cast.v" "$work/scan16.v" --interpretation rgb16
vips extract_band "$work/scan16.v" "$work/green.v" 1
vips copy "$work/green.v" "$work/grey16.v" --interpretation grey16
vips_pnm "$work/scan16.v" scan16.ppm
vips_pnm "$work/grey16.v" grey16.pgm
vips copy "$work/scan16.v" "$work/scan16.tif"
vips copy "$work/scan16.v" "$work/scan16-lzw.tif[compression=lzw]"
vips copy "$work/scan16.v" "$work/scan16.png"
rm "$work"/*.v

# Best CPU seconds (user + system) of three runs of the command.
cpu_best() {
  best=""
  for _ in 1 2 3; do
    /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    spent=$(awk '{ printf "%.3f", $1 + $2 }' "$work/time")
    best=$(awk -v a="$spent" -v b="$best" 'BEGIN { print (b == "" || a < b) ? a : b }')
  done
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
ours=$(cpu_best "$cli" clean --quiet --overwrite --jobs 1 --threads 1 "$work/scan.ppm" -o "$work/out.bmp")
peer=$(/usr/bin/python3 "$root/bench/opencv_median_reference.py" --seconds "$work/scan.ppm")
printf '%-34s %7s s   %-28s %7s s   ratio %s (goal 0.65)\n' "clean --jobs 1 PPM -> BMP" "$ours" \
  "opencv medianBlur 21x21" "$peer" "$(ratio "$ours" "$peer")"
for file in scan.ppm scan.tif scan-lzw.tif scan.png scan.jpg scan.bmp \
  scan16.ppm grey16.pgm scan16.tif scan16-lzw.tif scan16.png; do
  ours=$(cpu_best "$reader" "$work/$file")
  peer=$(cpu_best vips avg "$work/$file")
  printf '%-34s %7s s   %-28s %7s s   ratio %s (goal 1.2)\n' "read $file" "$ours" "vips avg" "$peer" \
    "$(ratio "$ours" "$peer")"
done

# Writing. bench's write_image loads a file once, then saves it as a clean
# does (the 16-bit kinds rebuilt from the corrected high bytes and the low
# bytes kept at load) and prints the best CPU seconds of three saves alone.
# The peer is `vips copy` from vips's own format (.v, mapped from the file
# without decoding, so its read costs only the page faults) to the same
# format with the settings our writers fix: PNG zlib level 6 with libpng's
# adaptive choice among all row filters, JPEG (here q 92) with 2 x 2 chroma
# subsampling, TIFF LZW without a predictor. Its figure also holds vips's
# start-up and that mapping, a few hundredths of a second. vips writes BMP
# through ImageMagick only, which makes that peer slow; the line after it
# gives vips's own uncompressed format, the same 72 MB, as a plain
# bytes-to-disk peer. 16 bits: the 8-bit scan times 257, kept by PNG and TIFF.
writer=$build/bench/write_image
[ -x "$writer" ] || { echo "no $writer: build it first (make bench)" >&2; exit 2; }
vips copy "$work/scan.bmp" "$work/scan8.v"
vips linear "$work/scan.bmp" "$work/scan16f.v" 257 0
vips cast "$work/scan16f.v" "$work/scan16c.v" ushort
vips copy "$work/scan16c.v" "$work/scan16.v" --interpretation rgb16
rm "$work/scan16f.v" "$work/scan16c.v"
vips copy "$work/scan16.v" "$work/scan16.tif"
write_line() { # FORMAT DEPTH OURS PEER-NAME PEER
  printf '%-34s %7s s   %-28s %7s s   ratio %s (goal 1.2)\n' "write $1 $2-bit" "$3" "$4" "$5" "$(ratio "$3" "$5")"
}
# write_ratio DEPTH FORMAT [VIPS-OPTIONS]
write_ratio() {
  if [ "$1" = 8 ]; then input=$work/scan.bmp; else input=$work/scan16.tif; fi
  ours=$("$writer" --quality 92 "$input" "$work/ours.$2")
  peer=$(cpu_best vips copy "$work/scan$1.v" "$work/peer.$2${3:-}")
  write_line "$2" "$1" "$ours" "vips copy .v -> .$2" "$peer"
  rm -f "$work/ours.$2" "$work/peer.$2"
}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
write_ratio 8 bmp
write_line bmp 8 "$ours" "vips copy .v -> .v (raw)" "$(cpu_best vips copy "$work/scan8.v" "$work/peer.v")"
rm -f "$work/peer.v"
write_ratio 8 png "[compression=6,filter=all]"
write_ratio 8 jpg "[Q=92,subsample-mode=on]"
write_ratio 8 tif "[compression=lzw,predictor=none]"
write_ratio 16 png "[compression=6,filter=all]"
write_ratio 16 tif "[compression=lzw,predictor=none]"

# One image on two threads: a 12000 x 8000 (96 MP) scan, the 24 MP one
# doubled, cleaned PPM -> BMP on one and on two threads. Wall clock, since
# that is what threads shorten: the median of five runs each, taken in turn,
# which on a shared machine says more than the best run (a run's first touch
# of fresh memory, paid in the kernel, varies by a second between runs).
# Then the 24 MP clean's system time and peak memory per pixel.
vips resize "$work/scan.bmp" "$work/big.bmp" 2
vips_pnm "$work/big.bmp" big.ppm
rm "$work/big.bmp"
wall_median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: >"$work/wall1"
: >"$work/wall2"
for _ in 1 2 3 4 5; do
  for threads in 1 2; do
    /usr/bin/time -f "%e" -a -o "$work/wall$threads" \
      "$cli" clean --quiet --overwrite --jobs 1 --threads "$threads" "$work/big.ppm" -o "$work/big-out.bmp"
  done
done
one=$(wall_median <"$work/wall1")
two=$(wall_median <"$work/wall2")
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-34s %7s s   %-28s %7s s   speed-up %s (goal 1.8)\n' "clean 96 MP --threads 2 (wall)" "$two" \
  "--threads 1 (wall)" "$one" "$(ratio "$one" "$two")"
printf '%-34s best %s s and %s s\n' "" "$(sort -n "$work/wall2" | head -1)" "$(sort -n "$work/wall1" | head -1)"
rm -f "$work/big.ppm" "$work/big-out.bmp"
/usr/bin/time -f "%S %M" -o "$work/time" \
  "$cli" clean --quiet --overwrite --jobs 1 --threads 1 "$work/scan.ppm" -o "$work/out.bmp"
awk '{ printf "%-34s system %.2f s, peak %.1f bytes a pixel (goals: a quarter of 0.86 s, 11)\n",
  "clean 24 MP --threads 1", $1, $2 * 1024 / (6000 * 4000) }' "$work/time"
