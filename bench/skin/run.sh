#!/usr/bin/env bash
# The skin engine's benchmarks, under Wine on a virtual X server: resizes of a skinned
# window against the same resizes of a plain one, and pointer moves over the skinned
# frame against the same moves over a plain frame, both with the program's own skin and
# with the example skin Ember.
# usage: bench/skin/run.sh [RESIZES] [MOVES]
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
resizes="${1:-600}"
moves="${2:-3000}"
scripts/build.sh windows --target skin_resize_bench --target skin_hover_bench >/dev/null
scripts/wine-prefix.sh "$root/build/windows"
b="$root/build/windows"
echo "load before: $(uptime)"
for skin in images/RAD.Skin tools/skin/examples/ember/ember.skin; do
  echo "== $skin"
  "$b/wine-run.sh" "$b/bench/skin/skin_resize_bench.exe" "$skin" "$resizes"
  "$b/wine-run.sh" "$b/bench/skin/skin_hover_bench.exe" "$skin" "$moves"
done
echo "load after: $(uptime)"
