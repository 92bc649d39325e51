#!/bin/sh
# Throughput of `speckwash-cli clean` at its defaults, end to end (TIFF in,
# load, automatic correction of the whole image, TIFF out), on 24-megapixel
# RGB scans made from the bundled sample scan:
#   1. one image, timed alone: megapixels per second;
#   2. eight images with --jobs 1, then with --jobs 2: the speed-up.
# Timings are wall-clock and as noisy as the machine is busy.
#
#   bench/cli_throughput.sh [BUILD_DIR]     (default build/release)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
cli=$build/cli/speckwash-cli
[ -x "$cli" ] || { echo "no $cli: build it first (make release)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/speckwash-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

"$cli" convert "$root/resources/sample/sample-scan.tif" "$work/sample.bmp"
python3 "$root/bench/make_bench_images.py" "$work/sample.bmp" "$work" 8 >/dev/null
for i in 0 1 2 3 4 5 6 7; do
  "$cli" convert "$work/scan$i.bmp" "$work/scan$i.tif"
  rm "$work/scan$i.bmp"
done
megapixels_each=24

div() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# One clean run; prints its wall-clock seconds and the CPU seconds it used:
#   run_clean JOBS OUTDIR FILES...
run_clean() {
  jobs=$1; out=$2; shift 2
  rm -rf "$out"; mkdir -p "$out"
  python3 - "$cli" "$jobs" "$out" "$@" <<'PY'
import resource, subprocess, sys, time
cli, jobs, out, files = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
start = time.monotonic()
subprocess.run([cli, "clean", "--quiet", "--jobs", jobs, "--out-dir", out] + files, check=True)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{wall:.2f} {usage.ru_utime + usage.ru_stime:.2f}")
PY
}
report() { # LABEL MEGAPIXELS "WALL CPU"
  set -- "$1" "$2" $3
  printf '%-24s %7.2f s wall  %7.2f MP/s  %7.2f CPU s\n' "$1" "$3" "$(div "$2" "$3")" "$4"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
single=$(run_clean 1 "$work/out-single" "$work/scan0.tif")
report "one 24 MP image" "$megapixels_each" "$single"

files="$work/scan0.tif $work/scan1.tif $work/scan2.tif $work/scan3.tif $work/scan4.tif $work/scan5.tif $work/scan6.tif $work/scan7.tif"
total=$((8 * megapixels_each))
# shellcheck disable=SC2086
one=$(run_clean 1 "$work/out-jobs1" $files)
report "eight images, --jobs 1" "$total" "$one"
# shellcheck disable=SC2086
two=$(run_clean 2 "$work/out-jobs2" $files)
report "eight images, --jobs 2" "$total" "$two"
echo "speed-up of --jobs 2: $(div "${one%% *}" "${two%% *}") x wall-clock"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
