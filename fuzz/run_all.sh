#!/usr/bin/env bash
# Runs every fuzz target of a build tree for FUZZ_SECONDS each, starting from
# the seed corpus fuzz/corpus/NAME (copied, so the repository's seeds stay as
# they are). Fails when a target finds a crash.
set -euo pipefail
build=${1:?usage: run_all.sh BUILD_DIR}
seconds=${FUZZ_SECONDS:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/*_fuzzer; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzzer)
  work="$build/corpus-run/$name"
  mkdir -p "$work" "$build/artifacts/$name"
  [ -d "$here/corpus/$name" ] && cp -n "$here/corpus/$name"/* "$work"/ 2>/dev/null || true
  echo "fuzzing $name for ${seconds}s"
  if ! ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 "$target" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name/" "$work" 2> "$build/$name.log"; then
    echo "FAILED: $name (see $build/$name.log)"; tail -40 "$build/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|stat::new_units_added' "$build/$name.log" | sed "s/^/  $name /"
  fi
done
exit $status
