#!/usr/bin/env bash
# fuzz-smoke.sh BUILD_DIR [SECONDS]: runs every fuzz target of a sanitizer build briefly,
# starting from its seed corpus when it has one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; secs="${2:-15}"
shopt -s nullglob
for f in "$dir"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name="$(basename "$f")"
  seeds="$root/tests/fuzz/${name#fuzz_}"
  work="$dir/fuzz/corpus-$name"; mkdir -p "$work"
  echo "fuzz: $name for ${secs}s"
  if [ -d "$seeds" ]; then
    "$f" -max_total_time="$secs" -print_final_stats=0 "$work" "$seeds" 2>"$dir/fuzz/$name.log" \
      || { tail -50 "$dir/fuzz/$name.log"; exit 1; }
  else
    "$f" -max_total_time="$secs" "$work" 2>"$dir/fuzz/$name.log" \
      || { tail -50 "$dir/fuzz/$name.log"; exit 1; }
  fi
done
